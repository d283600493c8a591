#pragma once

#include "data/channel_lists.h"
#include "data/sat_list.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qev::recording {

inline constexpr const char *kSchUnknownSatellite = "<Unknow satellite>";
inline constexpr const char *kSchNoList = "<No list>";
inline constexpr const char *kSchEmptyList = "<Empty List>";
inline constexpr const char *kSchInvalidChannel = "<Invalid Channel>";
inline constexpr const char *kSchInvalidChannelParams = "Invalid channel params !";
inline constexpr const char *kSchInvalidDuration = "Invalid duration !";
inline constexpr int kSchMaxDuration = 9999;

// What the job dialog shows for its channel fields: the satellite by its id, the channel by its
// ids in that satellite's list, each with whether it was found.
struct TSchChannelDisplay {
  std::string SatName;
  bool SatValid = false;
  std::string ChannelName;
  bool ChannelValid = false;
};
TSchChannelDisplay DescribeJobChannel(const data::TSatList &sats, const data::TChannelLists &lists,
                                      int satId, std::uint16_t tid, std::uint16_t sid);

// Why OK is refused, and the field that gets the focus.
enum class TSchEntry { TransportStreamId, Duration };
struct TSchRefusal {
  std::string Text;
  TSchEntry Focus;
};
std::optional<TSchRefusal> CheckJobEntries(const TSchChannelDisplay &channel, int minutes);

} // namespace qev::recording
