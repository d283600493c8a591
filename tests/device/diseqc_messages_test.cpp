// DiSEqC messages built from satellite records, options and console input, byte for byte.
#include "device/diseqc_messages.h"
#include "device/signal_display.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace qev::device;
using qev::data::TSatRec;
using qev::data::TSwitchCfg;
using qev::frame::TDiseqcOptions;
using Bytes = TDiseqcBytes;

namespace {

TDiseqcOptions Plain() {
  TDiseqcOptions options;
  options.AdjustGotoX = false;
  return options;
}

TSwitchCfg Switch(std::uint8_t type, std::uint8_t port) {
  TSwitchCfg sw{};
  sw.SwType = type;
  sw.SwPort = port;
  sw.SwTxCount = 1;
  return sw;
}

TSatRec Usals(std::uint8_t type, std::int32_t angle) {
  TSatRec sat{};
  sat.PosType = type;
  sat.PosAngle = angle;
  return sat;
}

} // namespace

TEST(DiseqcSwitch, CommittedCarriesPortPolarisationAndBand) {
  EXPECT_EQ(CommittedMessage(0x10, 2, true, true), (Bytes{0xE0, 0x10, 0x38, 0xF7}));
  EXPECT_EQ(CommittedMessage(0x10, 1, false, false), (Bytes{0xE0, 0x10, 0x38, 0xF0}));
  EXPECT_EQ(CommittedMessage(0x10, 3, false, true), (Bytes{0xE0, 0x10, 0x38, 0xF9}));
  EXPECT_EQ(CommittedMessage(0x12, 4, true, false), (Bytes{0xE0, 0x12, 0x38, 0xFE}));
  EXPECT_TRUE(CommittedMessage(0x10, 0, true, true).empty());
  EXPECT_TRUE(CommittedMessage(0x10, 5, true, true).empty());
}

TEST(DiseqcSwitch, UncommittedCoversSixteenPorts) {
  EXPECT_EQ(UncommittedMessage(0x10, 16), (Bytes{0xE0, 0x10, 0x39, 0xFF}));
  EXPECT_EQ(UncommittedMessage(0x10, 1), (Bytes{0xE0, 0x10, 0x39, 0xF0}));
  EXPECT_TRUE(UncommittedMessage(0x10, 17).empty());
  EXPECT_TRUE(UncommittedMessage(0x10, 0).empty());
}

TEST(DiseqcSwitch, EachLevelUsesItsOwnAddress) {
  TDiseqcOptions options = Plain();
  options.DiseqSW1Adr = 0x10;
  options.DiseqSW2Adr = 0x11;
  options.DiseqSW3Adr = 0x14;
  const TSwitchCfg sw = Switch(kSwitchUncommitted, 3);
  EXPECT_EQ(SwitchCommand(1, sw, options, false, false).bytes[1], 0x10);
  EXPECT_EQ(SwitchCommand(2, sw, options, false, false).bytes[1], 0x11);
  EXPECT_EQ(SwitchCommand(3, sw, options, false, false).bytes[1], 0x14);
}

TEST(DiseqcSwitch, PortsOutOfRangeAreInvalidNotWrongMessages) {
  const TDiseqcOptions options = Plain();
  for (const TSwitchCfg &sw :
       {Switch(kSwitchCommitted, 0), Switch(kSwitchCommitted, 5), Switch(kSwitchUncommitted, 17),
        Switch(kSwitchSimple, 3), Switch(kSwitchSimple, 0), Switch(9, 1)}) {
    const TDiseqcCommand command = SwitchCommand(1, sw, options, true, true);
    EXPECT_EQ(command.kind, TDiseqcCommand::Invalid) << int(sw.SwType) << "/" << int(sw.SwPort);
    EXPECT_TRUE(command.bytes.empty());
    EXPECT_FALSE(command.reason.empty());
  }
  EXPECT_EQ(SwitchCommand(1, Switch(kSwitchNone, 7), options, true, true).kind,
            TDiseqcCommand::Nothing);
}

TEST(DiseqcSwitch, SimpleIsAToneBurstOfItsPort) {
  const TDiseqcCommand a = SwitchCommand(1, Switch(kSwitchSimple, 1), Plain(), false, false);
  const TDiseqcCommand b = SwitchCommand(1, Switch(kSwitchSimple, 2), Plain(), false, false);
  EXPECT_EQ(a.kind, TDiseqcCommand::ToneBurst);
  EXPECT_EQ(a.burst, 1);
  EXPECT_EQ(b.burst, 2);
}

TEST(DiseqcSwitch, RawLengthIsClampedToEightBytes) {
  TSwitchCfg sw = Switch(kSwitchRaw, 1);
  for (std::uint8_t i = 0; i < 8; ++i)
    sw.SwRaw[i] = static_cast<std::uint8_t>(0xE1 + i);
  sw.SwRawLen = 200;
  EXPECT_EQ(SwitchCommand(1, sw, Plain(), false, false).bytes.size(), 8u);
  sw.SwRawLen = 3;
  EXPECT_EQ(SwitchCommand(1, sw, Plain(), false, false).bytes, (Bytes{0xE1, 0xE2, 0xE3}));
  sw.SwRawLen = 0;
  EXPECT_EQ(SwitchCommand(1, sw, Plain(), false, false).kind, TDiseqcCommand::Nothing);
}

TEST(DiseqcPositioner, GotoStoredPosition) {
  TSatRec sat{};
  sat.PosType = kPosDiseqc12;
  sat.PosStored = 7;
  EXPECT_EQ(PositionerCommand(sat, Plain()).bytes, (Bytes{0xE0, 0x31, 0x6B, 0x07}));
  sat.PosStored = 256;
  EXPECT_EQ(PositionerCommand(sat, Plain()).kind, TDiseqcCommand::Invalid);
  sat.PosType = kPosSmartPos;
  EXPECT_EQ(PositionerCommand(sat, Plain()).kind, TDiseqcCommand::Nothing);
}

TEST(DiseqcPositioner, UsalsVariantsOfTheWorkedAngles) {
  const TDiseqcOptions options = Plain();
  EXPECT_EQ(PositionerCommand(Usals(kPosUsalsGeneric, -105), options).bytes,
            (Bytes{0xE0, 0x31, 0x6E, 0xFF, 0x58}));
  EXPECT_EQ(PositionerCommand(Usals(kPosUsalsGeneric, 105), options).bytes,
            (Bytes{0xE0, 0x31, 0x6E, 0x00, 0xA8}));
  EXPECT_EQ(PositionerCommand(Usals(kPosUsalsStabHH, 105), options).bytes,
            (Bytes{0xE0, 0x31, 0x6E, 0xD0, 0xA8}));
  EXPECT_EQ(PositionerCommand(Usals(kPosUsalsStabHH, -105), options).bytes,
            (Bytes{0xE0, 0x31, 0x6E, 0xE0, 0xA8}));
  EXPECT_EQ(PositionerCommand(Usals(kPosUsalsSG2100, 105), options).bytes,
            (Bytes{0xE0, 0x31, 0x6E, 0x00, 0xA8}));
  EXPECT_EQ(PositionerCommand(Usals(kPosUsalsGeneric, 0), options).bytes,
            (Bytes{0xE0, 0x31, 0x6E, 0x00, 0x00}));
}

TEST(DiseqcPositioner, GotoAngleRoundsToSixteenthsAndSpreadsWholeDegrees) {
  // 75.3 degrees: 1204.8 sixteenths round to 1205 = 75 + 5/16; 75 = 0x4B.
  EXPECT_EQ(GotoAngleMessage(0x31, 75.3, true, kUsalsStabHH),
            (Bytes{0xE0, 0x31, 0x6E, 0xD4, 0xB5}));
  EXPECT_EQ(GotoAngleMessage(0x31, 75.3, false, kUsalsGeneric),
            (Bytes{0xE0, 0x31, 0x6E, 0xFB, 0x4B}));
}

TEST(DiseqcMotorAngle, KnownSiteAndDirection) {
  // Berlin (52.5N 13.4E): 19.2E lies east, 30W far to the west.
  EXPECT_NEAR(MotorAngle(19.2, 13.4, 52.5), 6.387, 0.001);
  EXPECT_NEAR(MotorAngle(-30, 13.4, 52.5), -47.279, 0.001);
  EXPECT_NEAR(MotorAngle(19.2, 13.4, -52.5), 6.387, 0.001);
  EXPECT_EQ(MotorAngle(13.4, 13.4, 52.5), 0);
}

TEST(DiseqcMotorAngle, LongitudeDifferenceIsTakenTheShortWayRound) {
  // 170E seen from 170W is 20 degrees to the west, not 340 degrees to the east.
  EXPECT_NEAR(MotorAngle(170, -170, 0), MotorAngle(-20, 0, 0), 1e-9);
  EXPECT_LT(MotorAngle(170, -170, 0), 0);
  EXPECT_NEAR(MotorAngle(-170, 170, 10), MotorAngle(20, 0, 10), 1e-9);
  EXPECT_GT(MotorAngle(-170, 170, 10), 0);
}

TEST(DiseqcMotorAngle, AdjustGotoXTurnsTheSatelliteAngleIntoTheMotorAngle) {
  TDiseqcOptions options;
  options.AdjustGotoX = true;
  options.RxLongitude = 13.4;
  options.RxLatitude = 52.5;
  const TDishAngle motor = GotoAngleFor({19.2, false}, options);
  EXPECT_NEAR(motor.angle, 6.387, 0.001);
  EXPECT_FALSE(motor.west);
  // 6.387 degrees = 102.2 sixteenths -> 102 = 0x66, east under Generic = -102 = 0xFF9A.
  EXPECT_EQ(UsalsMessage({19.2, false}, kUsalsGeneric, options),
            (Bytes{0xE0, 0x31, 0x6E, 0xFF, 0x9A}));
  // A satellite straight south of the site: no turn at all.
  EXPECT_EQ(UsalsMessage({13.4, false}, kUsalsGeneric, options),
            (Bytes{0xE0, 0x31, 0x6E, 0x00, 0x00}));
  // Site at 5W, satellite at 0.8W: east of the site.
  options.RxLongitude = -5;
  EXPECT_FALSE(GotoAngleFor({0.8, true}, options).west);
}

TEST(DiseqcConsole, StepsUseTheNRule) {
  EXPECT_EQ(StepMessage(0x31, true, 1), (Bytes{0xE0, 0x31, 0x68, 0xFF}));
  EXPECT_EQ(StepMessage(0x31, false, 3), (Bytes{0xE0, 0x31, 0x69, 0xFD}));
  EXPECT_EQ(StepMessage(0x31, true, 128), (Bytes{0xE0, 0x31, 0x68, 0x80}));
  EXPECT_EQ(StepMessage(0x31, true, 0), (Bytes{0xE0, 0x31, 0x68, 0xFF}));
  EXPECT_EQ(StepMessage(0x31, true, 129), (Bytes{0xE0, 0x31, 0x68, 0xFF}));
}

TEST(DiseqcConsole, MotionAndLimitCommands) {
  EXPECT_EQ(DriveMessage(0x31, true), (Bytes{0xE0, 0x31, 0x68, 0x0A}));
  EXPECT_EQ(DriveMessage(0x31, false), (Bytes{0xE0, 0x31, 0x69, 0x0A}));
  EXPECT_EQ(StopMessage(0x31), (Bytes{0xE0, 0x31, 0x60}));
  EXPECT_EQ(LimitMessage(0x31, true), (Bytes{0xE0, 0x31, 0x66}));
  EXPECT_EQ(LimitMessage(0x31, false), (Bytes{0xE0, 0x31, 0x67}));
  EXPECT_EQ(DisableLimitsMessage(0x31), (Bytes{0xE0, 0x31, 0x63}));
  EXPECT_EQ(EnableLimitsMessage(0x31), (Bytes{0xE0, 0x31, 0x6A, 0x00}));
  EXPECT_EQ(GotoStoredMessage(0x31, 12), (Bytes{0xE0, 0x31, 0x6B, 0x0C}));
}

TEST(DiseqcConsole, StorePositionZeroWouldEnableLimitsSoItIsRefused) {
  EXPECT_TRUE(StorePositionMessage(0x31, 0).empty());
  EXPECT_TRUE(StorePositionMessage(0x31, 256).empty());
  EXPECT_TRUE(StorePositionMessage(0x31, -1).empty());
  EXPECT_EQ(StorePositionMessage(0x31, 5), (Bytes{0xE0, 0x31, 0x6A, 0x05}));
  EXPECT_EQ(StorePositionMessage(0x31, 255), (Bytes{0xE0, 0x31, 0x6A, 0xFF}));
}

TEST(DiseqcConsole, ConfirmationTexts) {
  EXPECT_EQ(MoveDishQuestion(12), "Move dish to [ 12 ] ?");
  EXPECT_EQ(SavePositionQuestion(3), "Save SAT position [ 3 ] ?");
}

TEST(DiseqcConsole, HexFieldIsClassifiedAndParsed) {
  EXPECT_EQ(ParseHexField("E0 10 38 F0").state, THexField::Valid);
  EXPECT_EQ(ParseHexField("E0-10,38.F0").bytes, (Bytes{0xE0, 0x10, 0x38, 0xF0}));
  EXPECT_EQ(ParseHexField("e0 10").state, THexField::Invalid);
  EXPECT_EQ(ParseHexField("E0 1G").state, THexField::Invalid);
  EXPECT_EQ(ParseHexField("E0 1").state, THexField::Odd);
  EXPECT_TRUE(ParseHexField("E0 1").bytes.empty());
  EXPECT_EQ(ParseHexField("E0 1X0").state, THexField::Invalid); // invalid wins over odd
  EXPECT_EQ(ParseHexField("00112233445566778899").bytes.size(), 8u);
  EXPECT_EQ(ParseHexField("").state, THexField::Valid);
}

TEST(DiseqcLine, EveryByteIsFollowedByABlank) {
  const Bytes bytes{0xE0, 0x10, 0x38, 0x0F};
  EXPECT_EQ(HexLine(bytes), "E0 10 38 0F ");
  EXPECT_EQ(HexLine({}), "");
}

TEST(SignalDisplay, LampsFollowTheBitsAndBarsStayInRange) {
  const TSignalDisplay locked = SignalDisplay({55, 66, 0x1F});
  EXPECT_EQ(locked.level, 55);
  EXPECT_EQ(locked.quality, 66);
  EXPECT_THAT(locked.lamps, ::testing::Each(TLampColor::Green));
  const TSignalDisplay carrier = SignalDisplay({250, 101, QEV_SIGNAL_SIGNAL | QEV_SIGNAL_CARRIER});
  EXPECT_EQ(carrier.level, 100);
  EXPECT_EQ(carrier.quality, 100);
  EXPECT_THAT(carrier.lamps,
              ::testing::ElementsAre(TLampColor::Green, TLampColor::Green, TLampColor::Red,
                                     TLampColor::Red, TLampColor::Red));
  EXPECT_EQ(carrier.Lock(), TLampColor::Red);
  EXPECT_THAT(SignalDisplay({}).lamps, ::testing::Each(TLampColor::Red));
}
