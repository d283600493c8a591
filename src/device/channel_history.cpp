#include "device/channel_history.h"

#include "data/code_tables.h"
#include "frame/string_utils.h"

#include <fmt/format.h>

#include <algorithm>
#include <ctime>

namespace qev::device {

void TChannelHistory::Add(std::int32_t handle, std::string text, TClock::time_point left) {
  const auto same = std::find_if(entries_.begin(), entries_.end(),
                                 [handle](const THistoryEntry &e) { return e.Handle == handle; });
  if (same != entries_.end()) {
    same->Text = std::move(text);
    same->Left = left;
    std::stable_sort(
        entries_.begin(), entries_.end(),
        [](const THistoryEntry &a, const THistoryEntry &b) { return a.Left < b.Left; });
    return;
  }
  entries_.push_back({handle, std::move(text), left});
  if (entries_.size() > kMaxEntries)
    entries_.erase(entries_.begin());
}

std::string HistoryText(TClock::time_point left, const data::TChannelRec &rec,
                        std::string_view satName) {
  const std::time_t seconds = TClock::to_time_t(left);
  std::tm local{};
  localtime_r(&seconds, &local);
  return fmt::format("{:02}{:02}{:02}{:02}{}({}) {}", local.tm_mday, local.tm_hour, local.tm_min,
                     local.tm_sec, data::ChannelIcon(rec), satName, frame::Trim(data::ChName(rec)));
}

} // namespace qev::device
