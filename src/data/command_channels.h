#pragma once

#include "data/channel_lists.h"
#include "data/sat_list.h"
#include "frame/command_line.h"

namespace qev::data {

// Finds the channels of command lines in the program's satellite and channel lists. A list that
// is open already is searched as it stands; another one is opened (empty when it has no file).
class TCommandChannels final : public frame::IChannelResolver {
public:
  TCommandChannels(const TSatList &sats, TChannelLists &lists) : sats_(sats), lists_(lists) {}

  bool SatelliteExists(int satId) override;
  bool LoadChannels(int satId) override;
  int FindByName(int satId, std::string_view name) override;
  int FindByIds(int satId, std::uint16_t tid, std::uint16_t sid) override;

private:
  const TSatList &sats_;
  TChannelLists &lists_;
};

} // namespace qev::data
