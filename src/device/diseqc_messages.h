#pragma once

#include "data/sat_rec.h"
#include "frame/options.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qev::device {

// A DiSEqC message: framing byte, address, command, data; at most 8 bytes. Empty means nothing
// to send.
using TDiseqcBytes = std::vector<std::uint8_t>;
inline constexpr std::size_t kMaxDiseqcLength = 8;
inline constexpr std::uint8_t kDiseqcFraming = 0xE0;

enum TSwitchType : std::uint8_t {
  kSwitchNone = 0,
  kSwitchSimple = 1,
  kSwitchCommitted = 2,
  kSwitchUncommitted = 3,
  kSwitchRaw = 4,
};

enum TPositionerType : std::uint8_t {
  kPosNone = 0,
  kPosSmartPos = 1,
  kPosRaw = 2,
  kPosDiseqc12 = 3,
  kPosUsalsGeneric = 4,
  kPosUsalsStabHH = 5,
  kPosUsalsSG2100 = 6,
};

enum TUsalsVariant : int { kUsalsGeneric = 0, kUsalsStabHH = 1, kUsalsSG2100 = 2 };

// What one switch level or the positioner sends. Invalid is a setting that names no real
// command (a port out of range); it is skipped, never sent as a wrong message.
struct TDiseqcCommand {
  enum Kind { Nothing, Message, ToneBurst, Invalid };
  Kind kind = Nothing;
  TDiseqcBytes bytes; // Message
  int burst = 0;      // ToneBurst: 1 = A, 2 = B
  std::string reason; // Invalid
};

// DiSEqC 1.0: port 1..4; empty for other ports.
TDiseqcBytes CommittedMessage(std::uint8_t address, int port, bool horizontal, bool toneOn);
// DiSEqC 1.1: port 1..16; empty for other ports.
TDiseqcBytes UncommittedMessage(std::uint8_t address, int port);
// Stored bytes, at most 8 of them whatever the length says.
TDiseqcBytes RawMessage(std::span<const std::uint8_t> stored, int length);
TDiseqcBytes GotoStoredMessage(std::uint8_t address, std::uint8_t position);
// Command 0x6E for an angle in degrees (not negative) east or west, in one of the three
// encodings positioners understand.
TDiseqcBytes GotoAngleMessage(std::uint8_t address, double angle, bool west, int variant);

// The angle the motor turns to reach a satellite at satLongitude (degrees, east positive) from
// the receiver's site; east positive, west negative, 0 when it cannot be computed.
double MotorAngle(double satLongitude, double rxLongitude, double rxLatitude);

// A satellite angle as the goto-angle message takes it, turned into the motor angle first when
// AdjustGotoX is on.
struct TDishAngle {
  double angle = 0; // degrees, not negative
  bool west = false;
};
TDishAngle GotoAngleFor(TDishAngle satellite, const frame::TDiseqcOptions &options);
// The goto-angle message for a satellite angle, AdjustGotoX applied.
TDiseqcBytes UsalsMessage(TDishAngle satellite, int variant, const frame::TDiseqcOptions &options);

// Switch level 1..3 of a satellite, with the voltage and tone of the request being prepared.
TDiseqcCommand SwitchCommand(int level, const data::TSwitchCfg &sw,
                             const frame::TDiseqcOptions &options, bool horizontal, bool toneOn);
TDiseqcCommand PositionerCommand(const data::TSatRec &sat, const frame::TDiseqcOptions &options);

// Texts of the positioner console.
inline constexpr const char *kConsoleNotSupported =
    "DiseqC 1.2 is not supported by driver/hardware !";
std::string MoveDishQuestion(int position);     // "Move dish to [ n ] ?"
std::string SavePositionQuestion(int position); // "Save SAT position [ n ] ?"

// Messages of the positioner console.
TDiseqcBytes StepMessage(std::uint8_t address, bool east, int steps);
TDiseqcBytes DriveMessage(std::uint8_t address, bool east);
TDiseqcBytes StopMessage(std::uint8_t address);
TDiseqcBytes LimitMessage(std::uint8_t address, bool east);
TDiseqcBytes DisableLimitsMessage(std::uint8_t address);
TDiseqcBytes EnableLimitsMessage(std::uint8_t address);
// Position 1..255; empty otherwise, because the same command with 0 enables the limits.
TDiseqcBytes StorePositionMessage(std::uint8_t address, int position);

// Hex text typed by the user: blanks, '-', ',' and '.' separate; only 0-9 and A-F count.
struct THexField {
  enum State { Valid, Odd, Invalid };
  State state = Valid;
  TDiseqcBytes bytes; // Valid only; at most 8
};
THexField ParseHexField(std::string_view text);

// "E0 10 38 F7 ": every byte followed by a blank.
std::string HexLine(std::span<const std::uint8_t> bytes);

} // namespace qev::device
