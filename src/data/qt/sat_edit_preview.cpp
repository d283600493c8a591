#include "data/qt/sat_edit_preview.h"

#include "device/diseqc_messages.h"

#include <cstdlib>
#include <fmt/format.h>

namespace qev::data {

namespace {

std::string CommandText(const device::TDiseqcCommand &command) {
  switch (command.kind) {
  case device::TDiseqcCommand::Nothing:
    return "Disabled";
  case device::TDiseqcCommand::ToneBurst:
    return command.burst == 1 ? "ToneBurst A" : "ToneBurst B";
  case device::TDiseqcCommand::Message: {
    std::string hex = device::HexLine(command.bytes);
    while (!hex.empty() && hex.back() == ' ')
      hex.pop_back();
    return hex.empty() ? "?" : hex;
  }
  case device::TDiseqcCommand::Invalid:
    break;
  }
  return "?";
}

bool IsUsals(int type) {
  return type >= device::kPosUsalsGeneric && type <= device::kPosUsalsSG2100;
}

} // namespace

std::string SwitchPreview(int level, const TSwitchCfg &sw, const frame::TDiseqcOptions &options) {
  return CommandText(device::SwitchCommand(level, sw, options, false, false));
}

std::string PositionerPreview(const TSatRec &sat, const frame::TDiseqcOptions &options) {
  return CommandText(device::PositionerCommand(sat, options));
}

std::string DriveAngleText(const TSatRec &sat, const frame::TDiseqcOptions &options) {
  if (!IsUsals(sat.PosType))
    return {};
  const device::TDishAngle drive = device::GotoAngleFor(
      device::TDishAngle{std::abs(sat.PosAngle) / 10.0, sat.PosAngle > 0}, options);
  return fmt::format("{:.1f}{}", drive.angle, drive.west ? 'W' : 'E');
}

} // namespace qev::data
