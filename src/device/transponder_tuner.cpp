#include "device/transponder_tuner.h"

namespace qev::device {

TLoadedSat &LoadedSat() {
  static TLoadedSat loaded;
  return loaded;
}

} // namespace qev::device
