#include "device/diseqc_messages.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qev::device {

namespace {

constexpr std::uint8_t kCmdCommitted = 0x38;
constexpr std::uint8_t kCmdUncommitted = 0x39;
constexpr std::uint8_t kCmdStop = 0x60;
constexpr std::uint8_t kCmdLimitsOff = 0x63;
constexpr std::uint8_t kCmdLimitEast = 0x66;
constexpr std::uint8_t kCmdLimitWest = 0x67;
constexpr std::uint8_t kCmdDriveEast = 0x68;
constexpr std::uint8_t kCmdDriveWest = 0x69;
constexpr std::uint8_t kCmdStorePosition = 0x6A; // with 0: limits on
constexpr std::uint8_t kCmdGotoStored = 0x6B;
constexpr std::uint8_t kCmdGotoAngle = 0x6E;
constexpr std::uint8_t kDriveSeconds = 10;
constexpr int kMaxSteps = 128;

constexpr double kOrbitRadiusKm = 42170;
constexpr double kEarthRadiusKm = 6378;

TDiseqcBytes Message(std::uint8_t address, std::uint8_t command) {
  return {kDiseqcFraming, address, command};
}

TDiseqcBytes Message(std::uint8_t address, std::uint8_t command, std::uint8_t data) {
  return {kDiseqcFraming, address, command, data};
}

double Radians(double degrees) { return degrees * std::numbers::pi / 180; }

// The shortest way from one longitude to another, in (-180, 180].
double LongitudeDifference(double to, double from) {
  double d = std::fmod(to - from, 360.0);
  if (d > 180)
    d -= 360;
  else if (d <= -180)
    d += 360;
  return d;
}

std::uint8_t SwitchAddress(int level, const frame::TDiseqcOptions &options) {
  switch (level) {
  case 1:
    return options.DiseqSW1Adr;
  case 2:
    return options.DiseqSW2Adr;
  default:
    return options.DiseqSW3Adr;
  }
}

TDiseqcCommand AsMessage(TDiseqcBytes bytes) {
  TDiseqcCommand command;
  command.kind = bytes.empty() ? TDiseqcCommand::Nothing : TDiseqcCommand::Message;
  command.bytes = std::move(bytes);
  return command;
}

TDiseqcCommand Invalid(std::string reason) {
  TDiseqcCommand command;
  command.kind = TDiseqcCommand::Invalid;
  command.reason = std::move(reason);
  return command;
}

bool IsSeparator(char c) { return c == ' ' || c == '-' || c == ',' || c == '.'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

} // namespace

TDiseqcBytes CommittedMessage(std::uint8_t address, int port, bool horizontal, bool toneOn) {
  if (port < 1 || port > 4)
    return {};
  const int data = 0xF0 + 4 * (port - 1) + (horizontal ? 2 : 0) + (toneOn ? 1 : 0);
  return Message(address, kCmdCommitted, static_cast<std::uint8_t>(data));
}

TDiseqcBytes UncommittedMessage(std::uint8_t address, int port) {
  if (port < 1 || port > 16)
    return {};
  return Message(address, kCmdUncommitted, static_cast<std::uint8_t>(0xF0 + port - 1));
}

TDiseqcBytes RawMessage(std::span<const std::uint8_t> stored, int length) {
  const auto count = std::min<std::size_t>(
      {static_cast<std::size_t>(std::max(length, 0)), kMaxDiseqcLength, stored.size()});
  return TDiseqcBytes(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(count));
}

TDiseqcBytes GotoStoredMessage(std::uint8_t address, std::uint8_t position) {
  return Message(address, kCmdGotoStored, position);
}

TDiseqcBytes GotoAngleMessage(std::uint8_t address, double angle, bool west, int variant) {
  const auto sixteenths = static_cast<int>(std::lround(angle * 16));
  const int whole = sixteenths / 16;
  const int fraction = sixteenths % 16;
  std::uint8_t high = 0;
  std::uint8_t low = 0;
  if (variant == kUsalsGeneric) {
    const auto value = static_cast<std::uint16_t>(west ? sixteenths : -sixteenths);
    high = static_cast<std::uint8_t>(value >> 8);
    low = static_cast<std::uint8_t>(value & 0xFF);
  } else {
    const int westNibble = variant == kUsalsStabHH ? 0xD : 0x0;
    const int nibble = west ? westNibble : 0xE;
    high = static_cast<std::uint8_t>(nibble * 16 + (whole / 16) % 16);
    low = static_cast<std::uint8_t>((whole % 16) * 16 + fraction);
  }
  return {kDiseqcFraming, address, kCmdGotoAngle, high, low};
}

double MotorAngle(double satLongitude, double rxLongitude, double rxLatitude) {
  const double difference = LongitudeDifference(satLongitude, rxLongitude);
  const double d = std::abs(difference);
  if (d == 0)
    return 0;
  const double a = kOrbitRadiusKm * std::sin(Radians(d));
  const double b = kOrbitRadiusKm * std::cos(Radians(d));
  const double c = kEarthRadiusKm * std::cos(Radians(std::abs(rxLatitude)));
  if (b - c == 0)
    return 0;
  const double angle = std::atan(a / (b - c)) * 180 / std::numbers::pi;
  if (!std::isfinite(angle))
    return 0;
  return difference < 0 ? -std::abs(angle) : std::abs(angle);
}

TDishAngle GotoAngleFor(TDishAngle satellite, const frame::TDiseqcOptions &options) {
  if (!options.AdjustGotoX)
    return satellite;
  const double longitude = satellite.west ? -satellite.angle : satellite.angle;
  const double motor = MotorAngle(longitude, options.RxLongitude, options.RxLatitude);
  return {std::abs(motor), motor < 0};
}

TDiseqcBytes UsalsMessage(TDishAngle satellite, int variant, const frame::TDiseqcOptions &options) {
  const TDishAngle motor = GotoAngleFor(satellite, options);
  return GotoAngleMessage(options.DiseqPOSAdr, motor.angle, motor.west, variant);
}

TDiseqcCommand SwitchCommand(int level, const data::TSwitchCfg &sw,
                             const frame::TDiseqcOptions &options, bool horizontal, bool toneOn) {
  const std::uint8_t address = SwitchAddress(level, options);
  const std::string badPort = fmt::format("port {} out of range", sw.SwPort);
  switch (sw.SwType) {
  case kSwitchNone:
    return {};
  case kSwitchSimple: {
    if (sw.SwPort != 1 && sw.SwPort != 2)
      return Invalid(badPort);
    TDiseqcCommand command;
    command.kind = TDiseqcCommand::ToneBurst;
    command.burst = sw.SwPort;
    return command;
  }
  case kSwitchCommitted: {
    TDiseqcBytes bytes = CommittedMessage(address, sw.SwPort, horizontal, toneOn);
    return bytes.empty() ? Invalid(badPort) : AsMessage(std::move(bytes));
  }
  case kSwitchUncommitted: {
    TDiseqcBytes bytes = UncommittedMessage(address, sw.SwPort);
    return bytes.empty() ? Invalid(badPort) : AsMessage(std::move(bytes));
  }
  case kSwitchRaw:
    return AsMessage(RawMessage(sw.SwRaw, sw.SwRawLen));
  default:
    return Invalid(fmt::format("unknown type {}", sw.SwType));
  }
}

TDiseqcCommand PositionerCommand(const data::TSatRec &sat, const frame::TDiseqcOptions &options) {
  switch (sat.PosType) {
  case kPosNone:
  case kPosSmartPos:
    return {};
  case kPosRaw:
    return AsMessage(RawMessage(sat.PosRaw, sat.PosRawLen));
  case kPosDiseqc12:
    if (sat.PosStored < 1 || sat.PosStored > 255)
      return Invalid(fmt::format("stored position {} out of range", sat.PosStored));
    return AsMessage(
        GotoStoredMessage(options.DiseqPOSAdr, static_cast<std::uint8_t>(sat.PosStored)));
  case kPosUsalsGeneric:
  case kPosUsalsStabHH:
  case kPosUsalsSG2100: {
    const TDishAngle satellite{std::abs(sat.PosAngle) / 10.0, sat.PosAngle > 0};
    return AsMessage(UsalsMessage(satellite, sat.PosType - kPosUsalsGeneric, options));
  }
  default:
    return Invalid(fmt::format("unknown type {}", sat.PosType));
  }
}

std::string MoveDishQuestion(int position) {
  return fmt::format("Move dish to [ {} ] ?", position);
}

std::string SavePositionQuestion(int position) {
  return fmt::format("Save SAT position [ {} ] ?", position);
}

TDiseqcBytes StepMessage(std::uint8_t address, bool east, int steps) {
  if (steps < 1 || steps > kMaxSteps)
    steps = 1;
  return Message(address, east ? kCmdDriveEast : kCmdDriveWest,
                 static_cast<std::uint8_t>(0xFF - (steps - 1)));
}

TDiseqcBytes DriveMessage(std::uint8_t address, bool east) {
  return Message(address, east ? kCmdDriveEast : kCmdDriveWest, kDriveSeconds);
}

TDiseqcBytes StopMessage(std::uint8_t address) { return Message(address, kCmdStop); }

TDiseqcBytes LimitMessage(std::uint8_t address, bool east) {
  return Message(address, east ? kCmdLimitEast : kCmdLimitWest);
}

TDiseqcBytes DisableLimitsMessage(std::uint8_t address) { return Message(address, kCmdLimitsOff); }

TDiseqcBytes EnableLimitsMessage(std::uint8_t address) {
  return Message(address, kCmdStorePosition, 0);
}

TDiseqcBytes StorePositionMessage(std::uint8_t address, int position) {
  if (position < 1 || position > 255)
    return {};
  return Message(address, kCmdStorePosition, static_cast<std::uint8_t>(position));
}

THexField ParseHexField(std::string_view text) {
  std::string digits;
  for (const char c : text) {
    if (IsSeparator(c))
      continue;
    if (HexDigit(c) < 0)
      return {THexField::Invalid, {}};
    digits += c;
  }
  if (digits.size() % 2 != 0)
    return {THexField::Odd, {}};
  THexField field;
  for (std::size_t i = 0; i + 1 < digits.size() && field.bytes.size() < kMaxDiseqcLength; i += 2)
    field.bytes.push_back(
        static_cast<std::uint8_t>(HexDigit(digits[i]) * 16 + HexDigit(digits[i + 1])));
  return field;
}

std::string HexLine(std::span<const std::uint8_t> bytes) {
  std::string line;
  for (const std::uint8_t b : bytes)
    line += fmt::format("{:02X} ", b);
  return line;
}

} // namespace qev::device
