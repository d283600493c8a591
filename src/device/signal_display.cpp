#include "device/signal_display.h"

#include <algorithm>
#include <cstdint>

namespace qev::device {

TSignalDisplay SignalDisplay(const SignalStatus &status) {
  constexpr std::uint16_t kBits[] = {QEV_SIGNAL_SIGNAL, QEV_SIGNAL_CARRIER, QEV_SIGNAL_VITERBI,
                                     QEV_SIGNAL_SYNC, QEV_SIGNAL_LOCK};
  TSignalDisplay display;
  display.level = std::min<int>(status.Level, 100);
  display.quality = std::min<int>(status.Quality, 100);
  for (std::size_t i = 0; i < display.lamps.size(); ++i)
    display.lamps[i] = (status.Bits & kBits[i]) != 0 ? TLampColor::Green : TLampColor::Red;
  return display;
}

} // namespace qev::device
