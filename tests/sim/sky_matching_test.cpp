#include "sim/test_sky.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace qev::sim::test {
namespace {

using Message = std::vector<std::uint8_t>;
constexpr std::int32_t kNoBurst = 0;
constexpr std::int32_t kBurstA = 1;
constexpr std::int32_t kBurstB = 2;

struct Case {
  const char *name;
  std::vector<Message> messages;
  std::int32_t burst;
  TuneRequest request;
  bool locks;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const Case &c, std::ostream *out) { *out << c.name; }

TuneRequest With(TuneRequest request, void (*change)(TuneRequest &)) {
  change(request);
  return request;
}

const Message kPort1LowV = {0xE0, 0x10, 0x38, 0xF0};
const Message kPort1HighH = {0xE0, 0x10, 0x38, 0xF3};
const Message kPort2LowV = {0xE0, 0x10, 0x38, 0xF4};
const Message kPort2HighH = {0xE0, 0x10, 0x38, 0xF7};

std::vector<Case> Cases() {
  const TuneRequest northLow = Request(10788000, 'V', 27500000);
  const TuneRequest northHigh = Request(12188000, 'H', 22000000);
  return {
      {"port 1, low band, vertical", {kPort1LowV}, kNoBurst, northLow, true},
      {"port 1, high band, horizontal", {kPort1HighH}, kNoBurst, northHigh, true},
      {"repeated message with framing E1", {{0xE1, 0x10, 0x38, 0xF3}}, kNoBurst, northHigh, true},
      {"port 2 reaches the other satellite's transponder", {kPort2LowV}, kNoBurst, northLow, true},
      {"port 2 has no such transponder", {kPort2HighH}, kNoBurst, northHigh, false},
      {"no DiSEqC at all", {}, kNoBurst, northLow, false},
      {"tone off with the high oscillator",
       {kPort1HighH},
       kNoBurst,
       With(northHigh, [](TuneRequest &r) { r.Tone = 0; }),
       false},
      {"high oscillator with the tone off",
       {kPort1LowV},
       kNoBurst,
       With(northLow, [](TuneRequest &r) { r.LnbFrequency = 10600000; }),
       false},
      {"an oscillator the LNB does not have",
       {kPort1LowV},
       kNoBurst,
       With(northLow, [](TuneRequest &r) { r.LnbFrequency = 10000000; }),
       false},
      {"wrong voltage",
       {kPort1LowV},
       kNoBurst,
       With(northLow, [](TuneRequest &r) { r.Voltage = 18; }),
       false},
      {"1.9 MHz off locks",
       {kPort1LowV},
       kNoBurst,
       With(northLow, [](TuneRequest &r) { r.Frequency += 1900; }),
       true},
      {"2.5 MHz off does not",
       {kPort1LowV},
       kNoBurst,
       With(northLow, [](TuneRequest &r) { r.Frequency -= 2500; }),
       false},
      {"symbol rate 0.9 % off locks",
       {kPort1LowV},
       kNoBurst,
       With(northLow, [](TuneRequest &r) { r.SymbolRate = 27747500; }),
       true},
      {"symbol rate 1.5 % off does not",
       {kPort1LowV},
       kNoBurst,
       With(northLow, [](TuneRequest &r) { r.SymbolRate = 27087500; }),
       false},
      {"positioner at stored position 5",
       {{0xE0, 0x31, 0x6B, 0x05}},
       kNoBurst,
       Request(10971000, 'H', 27500000),
       true},
      {"positioner at stored position 6",
       {{0xE0, 0x31, 0x6B, 0x06}},
       kNoBurst,
       Request(10971000, 'H', 27500000),
       false},
      {"goto 30 W, plain encoding",
       {{0xE0, 0x31, 0x6E, 0x01, 0xE0}},
       kNoBurst,
       Request(11222000, 'V', 27500000),
       true},
      {"goto 30 W, direction nibble D",
       {{0xE0, 0x31, 0x6E, 0xD1, 0xE0}},
       kNoBurst,
       Request(11222000, 'V', 27500000),
       true},
      {"goto 30 E",
       {{0xE0, 0x31, 0x6E, 0xE1, 0xE0}},
       kNoBurst,
       Request(11222000, 'V', 27500000),
       false},
      {"goto 29 W",
       {{0xE0, 0x31, 0x6E, 0x01, 0xD0}},
       kNoBurst,
       Request(11222000, 'V', 27500000),
       false},
      {"tone burst B", {}, kBurstB, Request(12603000, 'H', 22000000), true},
      {"tone burst A", {}, kBurstA, Request(12603000, 'H', 22000000), false},
  };
}

class SkyMatchingTest : public SimDeviceTest, public ::testing::WithParamInterface<Case> {};

TEST_P(SkyMatchingTest, LocksOnlyWhenTheRequestReachesATransponder) {
  const Case &c = GetParam();
  for (const Message &message : c.messages)
    Send(message);
  if (c.burst != kNoBurst) {
    ASSERT_EQ(Api().SendDiseqc(nullptr, 0, c.burst), 0);
  }
  ASSERT_EQ(Api().Tune(&c.request), 0);
  if (c.locks) {
    EXPECT_TRUE(WaitFor([this] { return Locked(); })) << c.name;
  } else {
    const SignalStatus status = Status();
    EXPECT_EQ(status.Bits, 0) << c.name;
    EXPECT_EQ(status.Level, 0) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Requests, SkyMatchingTest, ::testing::ValuesIn(Cases()));

TEST_F(SimDeviceTest, TheLastMessageOfEachKindSelects) {
  Send(kPort2LowV);
  Send({0xE0, 0x31, 0x6B, 0x05});
  Send(kPort1LowV); // the switch changes, the positioner stays
  TuneAndLock(Request(10971000, 'H', 27500000));
  TuneAndLock(Request(10788000, 'V', 27500000));
}

TEST_F(SimDeviceTest, LnbSupplySwitchesWithoutRetuning) {
  Send(kPort1LowV);
  TuneAndLock(Request(10788000, 'V', 27500000));
  TuneRequest supply = Request(10788000, 'V', 27500000);
  supply.Voltage = QEV_LNB_SUPPLY_OFF;
  ASSERT_EQ(Api().Tune(&supply), 0);
  EXPECT_EQ(Status().Bits, 0);
  supply.Voltage = QEV_LNB_SUPPLY_ON;
  ASSERT_EQ(Api().Tune(&supply), 0);
  EXPECT_TRUE(WaitFor([this] { return Locked(); }));
}

TEST_F(SimDeviceTest, ALaterWrongTuneLosesTheLock) {
  Send(kPort1LowV);
  TuneAndLock(Request(10788000, 'V', 27500000));
  const TuneRequest wrong = Request(10808000, 'V', 27500000);
  ASSERT_EQ(Api().Tune(&wrong), 0);
  EXPECT_EQ(Status().Bits, 0);
}

} // namespace
} // namespace qev::sim::test
