#include "recording/sch_task_checks.h"

namespace qev::recording {

TSchChannelDisplay DescribeJobChannel(const data::TSatList &sats, const data::TChannelLists &lists,
                                      int satId, std::uint16_t tid, std::uint16_t sid) {
  TSchChannelDisplay display;
  data::TSatRec sat;
  display.SatValid = satId > 0 && sats.SatGet(satId, sat);
  display.SatName = display.SatValid ? data::SatName(sat) : kSchUnknownSatellite;
  const data::TChannelsList *list = display.SatValid ? lists.ListOf(satId) : nullptr;
  if (!list || !list->ReadError().empty()) {
    display.ChannelName = kSchNoList;
    return display;
  }
  if (list->Count() == 0) {
    display.ChannelName = kSchEmptyList;
    return display;
  }
  const int index = list->ListFind(tid, sid);
  display.ChannelValid = index >= 0;
  display.ChannelName = display.ChannelValid ? data::ChName(list->Item(index)) : kSchInvalidChannel;
  return display;
}

std::optional<TSchRefusal> CheckJobEntries(const TSchChannelDisplay &channel, int minutes) {
  if (!channel.SatValid)
    return TSchRefusal{kSchInvalidChannelParams, TSchEntry::TransportStreamId};
  if (minutes <= 0)
    return TSchRefusal{kSchInvalidDuration, TSchEntry::Duration};
  return std::nullopt;
}

} // namespace qev::recording
