// The tuner as a receiver's mistakes meet it: band, tone, voltage, intermediate-frequency range,
// mirror images, LNB kinds, the DiSEqC path, a travelling positioner, DVB-S2, drift and fades.
// The tuner is driven with made-up times, so nothing here waits.
#include "devkit/ini_reader.h"
#include "sky_tuner.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace qev::sim {
namespace {

using namespace std::chrono_literals;
using Message = std::vector<std::uint8_t>;

constexpr const char *kSkyText = R"([Sky]
LnbLow=9750
LnbHigh=10600
MotorSpeed=1.5
Drift=4
DriftPeriod=100

[Ku]
Committed=1
TP1=10788,V,22000,ku_low.ts,82,88,0
TP2=12188,H,27500,ku_high.ts,75,80,0
Fade=10788,20,4,85
Fade2=12188,300,4,30

[C band]
Committed=2
Lnb=cband
TP1=3900,H,27500,c.ts,70,70,0

[Single]
Committed=3
Lnb=single:10750
TP1=11800,V,27500,single.ts,60,60,0

[S2]
Committed=4
TP1=11500,V,27500,s2.ts,65,66,0,S2-8PSK
TP2=11600,H,27500,s.ts,65,66,0,DVB-S

[Motor 10E]
Position=5
Angle=10E
TP1=11000,H,27500,m10.ts,50,50,100

[Motor 13E]
Angle=13E
TP1=11100,V,27500,m13.ts,50,50,0
)";

Sky LoadTestSky() {
  std::string error;
  auto sky = ParseSky(IniFile::Parse(kSkyText), "/sky", error);
  EXPECT_TRUE(sky) << error;
  return sky ? *sky : Sky{};
}

Message Port(int port) {
  return {0xE0, 0x10, 0x38, static_cast<std::uint8_t>(0xF0 + 4 * (port - 1))};
}

TuneRequest Request(std::uint32_t mhz, std::uint32_t oscillatorMhz, bool tone, char pol,
                    std::uint32_t ksymbols = 27500) {
  TuneRequest r{};
  r.Frequency = mhz * 1000;
  r.Always2 = 2;
  r.SymbolRate = ksymbols * 1000;
  r.LnbFrequency = oscillatorMhz * 1000;
  r.Tone = tone ? 1 : 0;
  r.Voltage = pol == 'H' ? 18 : 13;
  return r;
}

class TunerPhysics : public ::testing::Test {
protected:
  static constexpr Clock::time_point kOpened = Clock::time_point{} + 1h;

  void Send(const Message &m, Clock::time_point at = kOpened) {
    ASSERT_TRUE(tuner.SendDiseqc(m, 0, at));
  }
  bool LockedAt(Clock::time_point at) const {
    return (tuner.Status(at).Bits & QEV_SIGNAL_LOCK) != 0;
  }
  // The file that plays once the tuner is tuned at `at`, empty without a lock.
  std::string Tuned(const TuneRequest &request, Clock::time_point at = kOpened + 1s) {
    tuner.Tune(request, at);
    const auto source = tuner.Current(at);
    return source ? source->file.filename().string() : std::string();
  }

  SkyTuner tuner{LoadTestSky(), kOpened};
};

struct LockCase {
  const char *name;
  int port;
  TuneRequest request;
  const char *locksOn; // "" for no lock
};

void PrintTo(const LockCase &c, std::ostream *out) { *out << c.name; }

class LockMatrix : public TunerPhysics, public ::testing::WithParamInterface<LockCase> {};

TEST_P(LockMatrix, LocksOnlyWhereTheDishAndTheRequestMeet) {
  const LockCase &c = GetParam();
  Send(Port(c.port));
  EXPECT_EQ(Tuned(c.request), c.locksOn) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Requests, LockMatrix,
    ::testing::Values(
        LockCase{"Ku low band, tone off, 13 V", 1, Request(10788, 9750, false, 'V', 22000),
                 "ku_low.ts"},
        LockCase{"Ku high band, tone on, 18 V", 1, Request(12188, 10600, true, 'H'), "ku_high.ts"},
        LockCase{"band switch reversed: low band with the tone on", 1,
                 Request(10788, 9750, true, 'V', 22000), ""},
        LockCase{"band switch reversed: high band with the tone off", 1,
                 Request(12188, 10600, false, 'H'), ""},
        LockCase{"wrong voltage", 1, Request(10788, 9750, false, 'H', 22000), ""},
        // The LNB's low oscillator does give 12188 MHz an IF of 2438 MHz, above the tuner.
        LockCase{"IF 2438 MHz is above the tuner's range", 1, Request(12188, 9750, false, 'H'), ""},
        // The high oscillator gives 10788 MHz an IF of 188 MHz, below the tuner.
        LockCase{"IF 188 MHz is below the tuner's range", 1,
                 Request(10788, 10600, true, 'V', 22000), ""},
        LockCase{"mirror image below a Ku oscillator", 1, Request(8712, 9750, false, 'V', 22000),
                 ""},
        LockCase{"C band, oscillator above the frequency", 2, Request(3900, 5150, true, 'H'),
                 "c.ts"},
        LockCase{"C band without the tone: one oscillator", 2, Request(3900, 5150, false, 'H'),
                 "c.ts"},
        LockCase{"C band mirror image above the oscillator", 2, Request(6400, 5150, true, 'H'), ""},
        LockCase{"C band asked with a Ku oscillator", 2, Request(3900, 9750, false, 'H'), ""},
        LockCase{"Ku request behind the C band LNB", 2, Request(10788, 9750, false, 'V', 22000),
                 ""},
        LockCase{"single oscillator, tone off", 3, Request(11800, 10750, false, 'V'), "single.ts"},
        LockCase{"single oscillator, tone on", 3, Request(11800, 10750, true, 'V'), "single.ts"},
        LockCase{"wrong DiSEqC port", 2, Request(10788, 9750, false, 'V', 22000), ""},
        LockCase{"DVB-S2 transponder", 4, Request(11500, 9750, false, 'V'), "s2.ts"}));

TEST_F(TunerPhysics, TheDeliverySystemOfTheLockIsReported) {
  Send(Port(4));
  tuner.Tune(Request(11500, 9750, false, 'V'), kOpened);
  EXPECT_EQ(tuner.DeliveryCode(kOpened), QEV_DELIVERY_DVBS2 | QEV_MODULATION_8PSK << 8);
  tuner.Tune(Request(11600, 9750, false, 'H'), kOpened);
  EXPECT_EQ(tuner.DeliveryCode(kOpened), QEV_DELIVERY_DVBS | QEV_MODULATION_QPSK << 8);
  tuner.Tune(Request(11700, 9750, false, 'H'), kOpened);
  EXPECT_EQ(tuner.DeliveryCode(kOpened), 0);
}

TEST_F(TunerPhysics, ASatelliteBehindThePositionerIsReachedOnlyOnceTheMotorIsThere) {
  // From due south to 10 degrees east at 1.5 degrees a second: 6.67 s, then 100 ms lock delay.
  Send({0xE0, 0x31, 0x6B, 0x05}, kOpened);
  tuner.Tune(Request(11000, 9750, false, 'H'), kOpened);
  EXPECT_EQ(tuner.Status(kOpened + 6500ms).Bits, 0);
  EXPECT_EQ(tuner.Status(kOpened + 6500ms).Level, 0);
  EXPECT_EQ(tuner.Status(kOpened + 6700ms).Bits, QEV_SIGNAL_SIGNAL | QEV_SIGNAL_CARRIER);
  EXPECT_TRUE(LockedAt(kOpened + 6800ms));
  // On to 13 degrees east by angle: 2 s more.
  const auto moved = kOpened + 10s;
  Send({0xE0, 0x31, 0x6E, 0xE0, 0xD0}, moved);
  tuner.Tune(Request(11100, 9750, false, 'V'), moved);
  EXPECT_FALSE(LockedAt(moved + 1900ms));
  EXPECT_TRUE(LockedAt(moved + 2100ms));
  // Back by angle to the stored position's place reaches its satellite too.
  Send({0xE0, 0x31, 0x6E, 0xE0, 0xA0}, moved + 3s);
  tuner.Tune(Request(11000, 9750, false, 'H'), moved + 3s);
  EXPECT_FALSE(LockedAt(moved + 4900ms));
  EXPECT_TRUE(LockedAt(moved + 5100ms + 100ms));
}

TEST_F(TunerPhysics, TheStreamChangesWhenTheMotorArrivesElsewhere) {
  Send({0xE0, 0x31, 0x6E, 0xE0, 0xD0}, kOpened); // 13E: 8.67 s away
  const TuneRequest request = Request(11100, 9750, false, 'V');
  tuner.Tune(request, kOpened);
  EXPECT_FALSE(tuner.Current(kOpened + 8s));
  const auto arrived = tuner.Current(kOpened + 9s);
  ASSERT_TRUE(arrived);
  EXPECT_EQ(arrived->file.filename(), "m13.ts");
  EXPECT_EQ(tuner.Current(kOpened + 10s)->generation, arrived->generation);
}

TEST_F(TunerPhysics, TheSignalDriftsSlowlyAFewPointsAfterTheLock) {
  Send(Port(1));
  tuner.Tune(Request(12188, 10600, true, 'H'), kOpened);
  const SignalStatus first = tuner.Status(kOpened);
  EXPECT_EQ(first.Level, 75);
  EXPECT_EQ(first.Quality, 80);
  EXPECT_EQ(tuner.Status(kOpened + 5s).Level, 75); // still settled
  const SignalStatus deepest = tuner.Status(kOpened + 50s);
  EXPECT_EQ(deepest.Level, 71);
  EXPECT_EQ(deepest.Quality, 76);
  EXPECT_TRUE(LockedAt(kOpened + 50s));
  for (auto t = 0s; t <= 200s; t += 7s) {
    const SignalStatus s = tuner.Status(kOpened + t);
    EXPECT_TRUE(s.Level >= 71 && s.Level <= 75) << t.count();
  }
}

TEST_F(TunerPhysics, ADeepFadeLosesTheLockAndTheStreamUntilItPasses) {
  Send(Port(1));
  tuner.Tune(Request(10788, 9750, false, 'V', 22000), kOpened);
  ASSERT_TRUE(tuner.Current(kOpened));
  // Deepest 2 s into the fade that starts 20 s after the device opened: 85 points.
  const SignalStatus deepest = tuner.Status(kOpened + 22s);
  EXPECT_EQ(deepest.Bits, QEV_SIGNAL_SIGNAL | QEV_SIGNAL_CARRIER);
  EXPECT_EQ(deepest.Quality, 0);
  EXPECT_LT(deepest.Level, 82 - 80);
  EXPECT_FALSE(tuner.Current(kOpened + 22s));
  EXPECT_EQ(tuner.DeliveryCode(kOpened + 22s), 0);
  // The fade's edges only weaken the signal.
  const SignalStatus edge = tuner.Status(kOpened + 20500ms);
  EXPECT_NE(edge.Bits & QEV_SIGNAL_LOCK, 0);
  EXPECT_LT(edge.Quality, 88);
  EXPECT_GT(edge.Quality, 70);
  EXPECT_TRUE(tuner.Current(kOpened + 25s));
}

TEST_F(TunerPhysics, AShallowFadeKeepsTheLock) {
  Send(Port(1));
  tuner.Tune(Request(12188, 10600, true, 'H'), kOpened + 299s);
  const SignalStatus deepest = tuner.Status(kOpened + 302s);
  EXPECT_NE(deepest.Bits & QEV_SIGNAL_LOCK, 0);
  EXPECT_EQ(deepest.Quality, 80 - 30);
}

TEST_F(TunerPhysics, ASwitchChangedAfterTheTuneLosesTheSatellite) {
  Send(Port(1));
  EXPECT_EQ(Tuned(Request(10788, 9750, false, 'V', 22000)), "ku_low.ts");
  Send(Port(2), kOpened + 2s);
  EXPECT_FALSE(LockedAt(kOpened + 2s));
}

TEST_F(TunerPhysics, AStreamEndsOnlyForItsOwnGeneration) {
  Send(Port(1));
  tuner.Tune(Request(10788, 9750, false, 'V', 22000), kOpened);
  const auto source = tuner.Current(kOpened);
  ASSERT_TRUE(source);
  tuner.MarkEnded(source->generation - 1);
  EXPECT_FALSE(tuner.Ended());
  tuner.MarkEnded(source->generation);
  EXPECT_TRUE(tuner.Ended());
  tuner.Tune(Request(12188, 10600, true, 'H'), kOpened);
  EXPECT_FALSE(tuner.Ended());
}

} // namespace
} // namespace qev::sim
