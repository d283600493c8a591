#pragma once

#include "data/channel_rec.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qev::device {

using TClock = std::chrono::system_clock;

// One channel a slot has left. The text is what the history menu shows; the moment is kept
// apart so that the order does not depend on the text, whose day comes first.
struct THistoryEntry {
  std::int32_t Handle = 0;
  std::string Text;
  TClock::time_point Left;
};

// The channels an AV slot left last, oldest first, at most ten.
class TChannelHistory {
public:
  static constexpr std::size_t kMaxEntries = 10;

  // A channel left again takes its new text and moment; a new one is appended and pushes the
  // oldest out beyond ten.
  void Add(std::int32_t handle, std::string text, TClock::time_point left);
  const std::vector<THistoryEntry> &Entries() const { return entries_; }

private:
  std::vector<THistoryEntry> entries_;
};

// "ddhhnnss" of the local time the channel was left, the icon number as one digit, then
// "(" satellite ") " and the trimmed channel name.
std::string HistoryText(TClock::time_point left, const data::TChannelRec &rec,
                        std::string_view satName);

} // namespace qev::device
