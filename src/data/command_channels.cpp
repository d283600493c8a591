#include "data/command_channels.h"

namespace qev::data {

bool TCommandChannels::SatelliteExists(int satId) {
  TSatRec sat;
  return sats_.SatGet(satId, sat);
}

bool TCommandChannels::LoadChannels(int satId) {
  return lists_.ListOf(satId) || lists_.ListOpen(satId, true);
}

int TCommandChannels::FindByName(int satId, std::string_view name) {
  const TChannelsList *list = lists_.ListOf(satId);
  return list ? list->ListFindByName(name) : -1;
}

int TCommandChannels::FindByIds(int satId, std::uint16_t tid, std::uint16_t sid) {
  const TChannelsList *list = lists_.ListOf(satId);
  return list ? list->ListFind(tid, sid) : -1;
}

} // namespace qev::data
