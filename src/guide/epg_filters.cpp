#include "guide/epg_filters.h"

#include "data/date_time.h"
#include "frame/case_fold.h"
#include "guide/epg_content.h"

#include <algorithm>

namespace qev::guide {
namespace {

constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kEndOfDay = 23 * 3600 + 59 * 60; // the panel's "23:59"
constexpr std::int64_t kEvening = 18 * 3600;

bool NowNextPasses(int mode, std::int64_t start, std::int64_t end, std::int64_t now) {
  switch (mode) {
  case 1:
    return start <= now && now <= end;
  case 2:
    return start > now;
  case 3:
    return end >= now;
  default:
    return true;
  }
}

bool Contains(std::string_view text, std::string_view needle) {
  return FindIgnoringCase(text, needle).has_value();
}

bool SearchPasses(const TEpgEvent &event, const TEpgFilters &filters) {
  const std::string_view needle = filters.SearchText;
  switch (filters.SearchField) {
  case 1:
    return Contains(event.Name, needle);
  case 2:
    return Contains(event.ShortText, needle);
  case 3:
    return Contains(event.ExtendedText, needle);
  default:
    return Contains(event.Name, needle) || Contains(event.ShortText, needle) ||
           Contains(event.ExtendedText, needle);
  }
}

// The folded code points of a text with the byte offset each starts at.
struct TFolded {
  std::u32string Points;
  std::vector<std::size_t> Offsets; // one more than Points: the end
};

TFolded Fold(std::string_view text) {
  TFolded out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t start = pos;
    const std::optional<char32_t> c = frame::NextCodePoint(text, pos);
    out.Points.push_back(
        c ? frame::FoldCase(*c)
          : static_cast<char32_t>(0xDC00 + static_cast<std::uint8_t>(text[start])));
    out.Offsets.push_back(start);
  }
  out.Offsets.push_back(text.size());
  return out;
}

std::int64_t DayStart(std::int64_t localSeconds) {
  const std::int64_t days =
      localSeconds >= 0 ? localSeconds / kDay : (localSeconds - kDay + 1) / kDay;
  return days * kDay;
}

TLocalWindow Days(std::int64_t today, int fromDay, int toDay) {
  return {today + fromDay * kDay, today + toDay * kDay + kEndOfDay};
}

} // namespace

int NowNextMode(bool nowDown, bool nextDown) { return (nowDown ? 1 : 0) + (nextDown ? 2 : 0); }

bool EventVisible(const TEpgEvent &event, const TEpgFilters &filters, std::int64_t nowUtc) {
  const std::int64_t start = event.StartTime;
  const std::int64_t end = start + event.Duration;
  if (filters.PerChannel &&
      (event.ServiceId != filters.ChannelSid || event.TransportStreamId != filters.ChannelTid))
    return false;
  if (!NowNextPasses(filters.NowNext, start, end, nowUtc))
    return false;
  if (filters.ContentValue != kAnyContent &&
      (event.Content == 0 || (event.Content & filters.ContentMask) != filters.ContentValue))
    return false;
  if ((filters.WindowFrom != 0 || filters.WindowTo != 0) &&
      !(filters.WindowFrom <= start && end <= filters.WindowTo))
    return false;
  return filters.SearchText.empty() || SearchPasses(event, filters);
}

std::optional<TTextRange> FindIgnoringCase(std::string_view text, std::string_view needle) {
  if (needle.empty())
    return std::nullopt;
  const TFolded hay = Fold(text);
  const std::u32string pattern = Fold(needle).Points;
  const std::size_t at = hay.Points.find(pattern);
  if (at == std::u32string::npos)
    return std::nullopt;
  const std::size_t pos = hay.Offsets[at];
  return TTextRange{pos, hay.Offsets[at + pattern.size()] - pos};
}

std::vector<TContentItem> EpgContentList(std::uint8_t value, std::uint8_t mask, bool skipGroups,
                                         std::optional<std::string_view> firstText) {
  std::vector<TContentItem> list;
  if (firstText)
    list.push_back({std::string(*firstText), kAnyContent});
  for (const TEventContent &entry : EventContentTable()) {
    const bool group = (entry.Code & 0x0F) == 0;
    if ((!skipGroups || !group) && (entry.Code & mask) == value)
      list.push_back({entry.Text, entry.Code});
  }
  return list;
}

TContentChooser::TContentChooser() : groups_(EpgContentList(0x00, 0x0F, false, kAnyContentText)) {
  ChooseGroup(0);
}

void TContentChooser::ChooseGroup(int index) {
  group_ = std::clamp(index, 0, static_cast<int>(groups_.size()) - 1);
  subgroup_ = 0;
  if (group_ == 0)
    subgroups_ = {{kNoSubgroupText, kAnyContent}};
  else
    subgroups_ = EpgContentList(groups_[static_cast<std::size_t>(group_)].Value, 0xF0, true,
                                kSelectSubgroupText);
}

void TContentChooser::ChooseSubgroup(int index) {
  subgroup_ = std::clamp(index, 0, static_cast<int>(subgroups_.size()) - 1);
}

std::uint8_t TContentChooser::Value() const {
  if (group_ == 0)
    return kAnyContent;
  if (subgroup_ == 0)
    return groups_[static_cast<std::size_t>(group_)].Value;
  return subgroups_[static_cast<std::size_t>(subgroup_)].Value;
}

std::uint8_t TContentChooser::Mask() const {
  const std::uint8_t value = Value();
  if (value == kAnyContent)
    return 0;
  return (value & 0x0F) != 0 ? 0xFF : 0xF0;
}

void TContentChooser::ApplyTo(TEpgFilters &filters) const {
  filters.ContentValue = Value();
  filters.ContentMask = Mask();
}

int LocalWeekday(std::int64_t localSeconds) {
  // Day 0, 1970-01-01, was a Thursday (weekday 5).
  const std::int64_t days = DayStart(localSeconds) / kDay;
  return static_cast<int>(((days + 4) % 7 + 7) % 7) + 1;
}

TLocalWindow QuickWindow(TQuickWindow choice, std::int64_t nowUtc) {
  const std::int64_t local = data::UtcToLocal(nowUtc);
  const std::int64_t today = DayStart(local);
  const int weekday = LocalWeekday(local);
  switch (choice) {
  case TQuickWindow::Today:
    return Days(today, 0, 0);
  case TQuickWindow::ThisEvening:
    return {today + kEvening, today + kEndOfDay};
  case TQuickWindow::Tomorrow:
    return Days(today, 1, 1);
  case TQuickWindow::ThisWeek:
    return Days(today, 2 - weekday, 8 - weekday);
  case TQuickWindow::ThisWeekend:
    return Days(today, 7 - weekday, 8 - weekday);
  }
  return {};
}

void SetTimeWindow(TEpgFilters &filters, const TLocalWindow &window) {
  filters.WindowFrom = data::UtcFromLocal(window.LocalFrom);
  filters.WindowTo = data::UtcFromLocal(window.LocalTo);
}

void ClearTimeWindow(TEpgFilters &filters) {
  filters.WindowFrom = 0;
  filters.WindowTo = 0;
}

} // namespace qev::guide
