#pragma once

#include "devapi/qev_devapi.h"

#include <array>

namespace qev::device {

enum class TLampColor { Red, Green };

// What the signal indicators show: two bars 0..100 and a lamp per status bit (signal,
// carrier, Viterbi, sync, lock), green when the bit is set.
struct TSignalDisplay {
  int level = 0;
  int quality = 0;
  std::array<TLampColor, 5> lamps{};
  TLampColor Lock() const { return lamps[4]; }
};

TSignalDisplay SignalDisplay(const SignalStatus &status);

} // namespace qev::device
