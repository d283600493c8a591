#pragma once

#include "device/diseqc_messages.h"
#include "device/diseqc_sender.h"
#include "frame/options.h"

#include <array>
#include <string>
#include <string_view>

namespace qev::ui {

// The encodings of the goto-angle command, in the order of device::TUsalsVariant.
inline constexpr std::array<const char *, 3> kUsalsVariantNames = {"USALS Generic", "USALS STAB HH",
                                                                   "USALS SG2100"};

// A step count as typed: 1..128, anything else counts as one step.
int StepCount(std::string_view text);

// The motor angle AdjustGotoX turns a satellite angle into, as shown beside the angle field:
// east as a plain number, west as a negative one.
struct TMotorAngleHint {
  std::string Text; // "12.3", "-4.5"
  bool West = false;
};
TMotorAngleHint MotorAngleHint(device::TDishAngle satellite, const frame::TDiseqcOptions &options);

// The positioner console's commands: every message goes to the positioner's address, once,
// without a pause, through the sender the tuner uses (so each one is in the DiSEqC log).
class TDiseqcConsoleModel {
public:
  TDiseqcConsoleModel(device::TDiseqcSender &sender, const frame::TDiseqcOptions &options)
      : sender_(sender), options_(options) {}

  void Step(bool east, std::string_view count);
  // Drives for at most 10 seconds, until Stop.
  void Drive(bool east);
  void Stop();
  void SetLimit(bool east);
  void DisableLimits();
  void EnableLimits();
  // After the user's confirmation; false when not sent.
  bool GotoStored(int position);
  bool StorePosition(int position);
  void GotoAngle(device::TDishAngle satellite, int variant);
  // Only a complete hex text is sent; false otherwise.
  bool SendRaw(std::string_view text);

private:
  void Send(const device::TDiseqcBytes &message);
  std::uint8_t Address() const { return options_.DiseqPOSAdr; }

  device::TDiseqcSender &sender_;
  const frame::TDiseqcOptions &options_;
};

} // namespace qev::ui
