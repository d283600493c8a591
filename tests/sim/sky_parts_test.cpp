// The module's parts on their own, where the module as a whole cannot show them: the pacing
// arithmetic without a clock, and the sky file's forms.
#include "devapi/qev_devapi.h"
#include "diseqc_state.h"
#include "devkit/ini_reader.h"
#include "pcr_pacer.h"
#include "sky_config.h"

#include <gtest/gtest.h>

namespace qev::sim {
namespace {

using namespace std::chrono_literals;
constexpr std::uint64_t kTicksPerMs = 27'000;

TEST(PcrPacerTest, PcrsAreDueAsFarApartAsTheyAre) {
  PcrPacer pacer;
  const auto t0 = PcrPacer::Clock::time_point{} + 1h;
  EXPECT_EQ(pacer.Due(1'000'000, t0), t0);
  EXPECT_EQ(pacer.Due(1'000'000 + 40 * kTicksPerMs, t0), t0 + 40ms);
  // Late calls do not move the schedule: the stream catches up.
  EXPECT_EQ(pacer.Due(1'000'000 + 80 * kTicksPerMs, t0 + 70ms), t0 + 80ms);
}

TEST(PcrPacerTest, AJumpBackContinuesOneIntervalLater) {
  PcrPacer pacer;
  const auto t0 = PcrPacer::Clock::time_point{} + 1h;
  pacer.Due(5'000'000, t0);
  pacer.Due(5'000'000 + 40 * kTicksPerMs, t0);
  EXPECT_EQ(pacer.Due(100, t0), t0 + 80ms); // the file starts again
  EXPECT_EQ(pacer.Due(100 + 40 * kTicksPerMs, t0), t0 + 120ms);
}

TEST(PcrPacerTest, FallingFarBehindStartsAfreshInsteadOfBursting) {
  PcrPacer pacer;
  const auto t0 = PcrPacer::Clock::time_point{} + 1h;
  pacer.Due(0, t0);
  EXPECT_EQ(pacer.Due(40 * kTicksPerMs, t0 + 5s), t0 + 5s);
}

TEST(PcrPacerTest, ReadsThePcrOfAnAdaptationField) {
  std::uint8_t packet[188] = {0x47, 0x01, 0x01, 0x30, 7, 0x10};
  const std::uint64_t base = 0x1'2345'6789, extension = 0x123;
  packet[6] = std::uint8_t(base >> 25);
  packet[7] = std::uint8_t(base >> 17);
  packet[8] = std::uint8_t(base >> 9);
  packet[9] = std::uint8_t(base >> 1);
  packet[10] = std::uint8_t(((base & 1) << 7) | 0x7E | (extension >> 8));
  packet[11] = std::uint8_t(extension);
  EXPECT_EQ(ReadPcr(packet), base * 300 + extension);
  packet[5] = 0; // no PCR flag
  EXPECT_FALSE(ReadPcr(packet));
}

TEST(DiseqcStateTest, GotoAngleInEveryEncoding) {
  EXPECT_DOUBLE_EQ(DecodeGotoAngle(0x00, 0xA8), 10.5);  // plain, west
  EXPECT_DOUBLE_EQ(DecodeGotoAngle(0xFF, 0x58), -10.5); // plain, east
  EXPECT_DOUBLE_EQ(DecodeGotoAngle(0xD0, 0xA8), 10.5);  // direction nibble D, west
  EXPECT_DOUBLE_EQ(DecodeGotoAngle(0xE0, 0xA8), -10.5); // direction nibble E, east
  EXPECT_DOUBLE_EQ(DecodeGotoAngle(0x00, 0x00), 0);
}

TEST(DiseqcStateTest, UnknownMessagesChangeNothing) {
  DiseqcState state;
  SatellitePath port3;
  port3.committedPort = 3;
  const std::uint8_t port3Message[] = {0xE0, 0x10, 0x38, 0xF8};
  ASSERT_TRUE(state.Apply(port3Message, 0));
  const std::uint8_t stop[] = {0xE0, 0x31, 0x60};
  const std::uint8_t notFramed[] = {0x10, 0x10, 0x38, 0xF0};
  EXPECT_FALSE(state.Apply(stop, 0));
  EXPECT_FALSE(state.Apply(notFramed, 0));
  EXPECT_FALSE(state.Apply({}, 3));
  EXPECT_TRUE(state.Reaches(port3));
}

TEST(SkyConfigTest, ReadsTheSkyInBothUnitsAndAllPathKinds) {
  const IniFile ini = IniFile::Parse(R"(; the sky
[sky]
name = Mine
fast = 1
[Hot Bird]
Uncommitted=3
Burst=a
Angle=13.0E
Position=7
tp7 = 10719, h , 27500, /abs/hb.ts, 120, 50, 40
TPX=ignored
)");
  std::string error;
  const auto sky = ParseSky(ini, "/sky", error);
  ASSERT_TRUE(sky) << error;
  EXPECT_EQ(sky->name, "Mine");
  EXPECT_TRUE(sky->fast);
  EXPECT_EQ(sky->lnbLowKhz, 9750000u);
  ASSERT_EQ(sky->satellites.size(), 1u);
  const SkySatellite &sat = sky->satellites[0];
  EXPECT_EQ(sat.name, "Hot Bird");
  EXPECT_EQ(sat.path.uncommittedPort, 3);
  EXPECT_EQ(sat.path.toneBurst, 1);
  EXPECT_EQ(sat.path.storedPosition, 7);
  EXPECT_DOUBLE_EQ(*sat.path.angle, -13.0);
  ASSERT_EQ(sat.transponders.size(), 1u);
  const SkyTransponder &tp = sat.transponders[0];
  EXPECT_EQ(tp.frequencyKhz, 10719000u);
  EXPECT_EQ(tp.polarisation, Polarisation::Horizontal);
  EXPECT_EQ(tp.symbolRate, 27500000u);
  EXPECT_EQ(tp.file, "/abs/hb.ts");
  EXPECT_EQ(tp.level, 100); // clamped
  EXPECT_EQ(tp.lockDelay, 40ms);
}

TEST(SkyConfigTest, ReadsLnbKindsDeliverySystemsFadesAndTheSkysMotion) {
  const IniFile ini = IniFile::Parse(R"([Sky]
LnbLow=9750
LnbHigh=10600
MotorSpeed=2.5
Drift=0
DriftPeriod=30
[Default]
TP1=10788,V,22000,a.ts,80,80,0,S2-16APSK
[Own]
LnbLow=10000
[C]
Lnb=CBAND
TP1=3900,H,27500,c.ts,80,80,0,dvb-s
Fade=3900,1.5,2,40
Fade7=3900000,10,1,5
[Single]
Lnb=single:10750
)");
  std::string error;
  const auto sky = ParseSky(ini, "/sky", error);
  ASSERT_TRUE(sky) << error;
  EXPECT_DOUBLE_EQ(sky->motorSpeed, 2.5);
  EXPECT_DOUBLE_EQ(sky->driftPoints, 0);
  EXPECT_EQ(sky->driftPeriod, 30s);
  ASSERT_EQ(sky->satellites.size(), 4u);
  const auto &defaults = sky->satellites[0];
  EXPECT_EQ(defaults.lnb.Oscillator(false), 9750000u);
  EXPECT_EQ(defaults.lnb.Oscillator(true), 10600000u);
  EXPECT_EQ(defaults.transponders[0].delivery,
            (Delivery{QEV_DELIVERY_DVBS2, QEV_MODULATION_16APSK}));
  EXPECT_EQ(DeliveryName(defaults.transponders[0].delivery), "DVB-S2 16APSK");
  EXPECT_EQ(sky->satellites[1].lnb.lowKhz, 10000000u);
  EXPECT_EQ(sky->satellites[1].lnb.highKhz, 10600000u);
  const auto &cBand = sky->satellites[2];
  EXPECT_TRUE(cBand.lnb.Single());
  EXPECT_EQ(cBand.lnb.Oscillator(true), 5150000u);
  EXPECT_EQ(DeliveryName(cBand.transponders[0].delivery), "DVB-S QPSK");
  ASSERT_EQ(cBand.transponders[0].fades.size(), 2u);
  EXPECT_EQ(cBand.transponders[0].fades[0].start, 1500ms);
  EXPECT_EQ(cBand.transponders[0].fades[0].duration, 2s);
  EXPECT_EQ(cBand.transponders[0].fades[0].depth, 40);
  EXPECT_EQ(sky->satellites[3].lnb.Oscillator(false), 10750000u);
  EXPECT_EQ(sky->satellites[3].lnb.Oscillator(true), 10750000u);
}

TEST(SkyConfigTest, WrongLnbDeliveryFadeAndMotionNameThemselves) {
  const std::pair<const char *, const char *> cases[] = {
      {"[S]\nLnb=quad\n", "[S] Lnb: quad"},
      {"[S]\nLnb=single:x\n", "[S] Lnb: single:x"},
      {"[S]\nTP1=10788,V,22000,a.ts,1,1,0,S3\n", "[S] TP1: 10788,V,22000,a.ts,1,1,0,S3"},
      {"[S]\nTP1=10788,V,22000,a.ts,1,1,0\nFade=10789,1,1,10\n", "[S] Fade: 10789,1,1,10"},
      {"[S]\nTP1=10788,V,22000,a.ts,1,1,0\nFade=10788,1,0,10\n", "[S] Fade: 10788,1,0,10"},
      {"[S]\nTP1=10788,V,22000,a.ts,1,1,0\nFade=10788,1,0.0001,10\n",
       "[S] Fade: 10788,1,0.0001,10"},
      {"[S]\nTP1=10788,V,22000,a.ts,1,1,0\nFade=10788,1e300,1,10\n", "[S] Fade: 10788,1e300,1,10"},
      {"[Sky]\nMotorSpeed=-1\n", "[Sky] MotorSpeed: -1"},
      {"[Sky]\nDrift=1e300\n", "[Sky] Drift: 1e300"},
      {"[Sky]\nDriftPeriod=0\n", "[Sky] DriftPeriod: 0"},
  };
  for (const auto &[text, message] : cases) {
    std::string error;
    EXPECT_FALSE(ParseSky(IniFile::Parse(text), "/", error)) << text;
    EXPECT_EQ(error, message);
  }
}

TEST(PositionerTest, TravelsAtItsSpeedAndTurnsBackFromWhereItIs) {
  const auto t0 = Positioner::Clock::time_point{} + 1h;
  Positioner motor(2);
  motor.MoveTo(10, t0);
  EXPECT_EQ(motor.Arrival(), t0 + 5s);
  EXPECT_DOUBLE_EQ(motor.AngleAt(t0 + 2s), 4);
  motor.MoveTo(0, t0 + 2s); // back from 4 degrees
  EXPECT_EQ(motor.Arrival(), t0 + 4s);
  EXPECT_DOUBLE_EQ(motor.AngleAt(t0 + 10s), 0);
  Positioner instant(0);
  instant.MoveTo(-30, t0);
  EXPECT_EQ(instant.Arrival(), t0);
}

TEST(SkyConfigTest, AWrongLineNamesItself) {
  std::string error;
  EXPECT_FALSE(ParseSky(IniFile::Parse("[S]\nTP2=1,V,2,f.ts,1,1,x\n"), "/", error));
  EXPECT_EQ(error, "[S] TP2: 1,V,2,f.ts,1,1,x");
  EXPECT_FALSE(ParseSky(IniFile::Parse("[S]\nAngle=west\n"), "/", error));
  EXPECT_EQ(error, "[S] Angle: west");
}

} // namespace
} // namespace qev::sim
