#include "device/slot_state.h"

#include <algorithm>

namespace qev::device {

void TSlotState::ClearCurrent() {
  CurrentHandle = 0;
  CurrentChannel = {};
}

bool OnSameTransponder(const data::TChannelRec &a, const data::TChannelRec &b) {
  return a.SatIndex == b.SatIndex && a.Freq == b.Freq && a.Polar == b.Polar;
}

int SlotVolume(int baseVolume, int factor, bool muted) {
  return muted ? 0 : std::clamp(baseVolume * factor / 100, 0, 100);
}

} // namespace qev::device
