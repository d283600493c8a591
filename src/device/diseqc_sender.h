#pragma once

#include "data/sat_rec.h"
#include "device/diseqc_messages.h"
#include "device/tuner_clock.h"
#include "device/tuner_device.h"
#include "frame/options.h"

#include <string>

namespace qev::device {

class TDiseqcLog;

// Sends DiSEqC messages with the bus timing, repeats and pauses the equipment needs, and logs
// every transmission.
class TDiseqcSender {
public:
  TDiseqcSender(ITunerDevice &device, ITunerClock &clock, const frame::TDiseqcOptions &options,
                TDiseqcLog &log);

  // Bus time of one transmission, in ms.
  static int BusTimeMs(std::size_t length);
  static constexpr int kToneBurstMs = 53;

  // Whether the device takes DiSEqC at all.
  bool Supported();

  // One level: `repeats` transmissions in all, the first framed E0, the others E0 plus the
  // repeat prefix; then the pause.
  void SendMessage(const TDiseqcBytes &message, int repeats, int pauseMs);
  // Sent at least once.
  void SendToneBurst(int burst, int repeats, int pauseMs);
  // A switch level or the positioner; `what` names it in the line that tells why an invalid
  // setting was skipped.
  void SendCommand(const std::string &what, const TDiseqcCommand &command, int repeats,
                   int pauseMs);

  void SendSwitchSequence(const data::TSatRec &sat, bool horizontal, bool toneOn);
  void SendPositioner(const data::TSatRec &sat);
  // Before a tune: the switches and the positioner when the satellite changed, the switches
  // alone when DiseqOnChan is on, nothing when the device has no DiSEqC.
  void SendForTune(const data::TSatRec &sat, bool horizontal, bool toneOn, bool satelliteChanged);

private:
  void Transmit(std::span<const std::uint8_t> bytes, std::int32_t burst, int busTimeMs);
  void Finish(int pauseMs);
  void Skip(const std::string &what, const std::string &reason);

  ITunerDevice &device_;
  ITunerClock &clock_;
  const frame::TDiseqcOptions &options_;
  TDiseqcLog &log_;
};

} // namespace qev::device
