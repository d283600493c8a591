#pragma once

#include "data/sat_rec.h"

#include <cstdint>
#include <string_view>
#include <utility>

namespace qev::device {

// Points the dish and tunes one transponder of the loaded satellite. The tuning engine and
// the scanner depend on this, not on the tuner itself, so they can be tested without a module.
class ITransponderTuner {
public:
  virtual ~ITransponderTuner() = default;
  // Frequency and symbol rate in MHz / Msym/s (up to 99999) or kHz / sym/s. Answers 0 on
  // success, 1 when no lock came within lockWaitMs, else the device's error code.
  virtual std::int32_t TuneTransponder(std::uint32_t frequency, std::string_view polarisation,
                                       std::uint32_t symbolRate, std::uint16_t lockWaitMs,
                                       bool satelliteChanged) = 0;
};

// The copy of the satellite the tuner points at: the tuning engine loads the satellite of the
// channel it switches to, the scanner the satellite it scans.
class TLoadedSat {
public:
  bool Loaded() const { return loaded_; }
  // 0 while nothing is loaded.
  int Index() const { return loaded_ ? rec_.SatIdx : 0; }
  const data::TSatRec &Rec() const { return rec_; }
  void Load(const data::TSatRec &rec) {
    rec_ = rec;
    loaded_ = true;
  }
  void Clear() {
    rec_ = {};
    loaded_ = false;
  }
  // An edited copy of the loaded satellite replaces the old one; the next tune then sends the
  // switch and positioner commands again, as for another satellite.
  void Refresh(const data::TSatRec &rec) {
    if (!loaded_ || rec.SatIdx != rec_.SatIdx)
      return;
    rec_ = rec;
    edited_ = true;
  }
  // Whether an edit came since the last call.
  bool TakeEdited() { return std::exchange(edited_, false); }

private:
  data::TSatRec rec_{};
  bool loaded_ = false;
  bool edited_ = false;
};

// The program's loaded satellite.
TLoadedSat &LoadedSat();

} // namespace qev::device
