#include "sim/test_sky.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qev::sim::test {
namespace {

std::vector<std::string> Only(const std::vector<std::string> &lines, const std::string &prefix) {
  std::vector<std::string> kept;
  std::copy_if(lines.begin(), lines.end(), std::back_inserter(kept),
               [&](const std::string &line) { return line.rfind(prefix, 0) == 0; });
  return kept;
}

TEST_F(SimDeviceTest, JournalKeepsTheDiseqcBytesInOrderWithTimes) {
  Module().ClearJournal();
  Send({0xE0, 0x10, 0x38, 0xF3});
  Send({0xE1, 0x10, 0x38, 0xF3});
  ASSERT_EQ(Api().SendDiseqc(nullptr, 0, 2), 0);
  Send({0xE0, 0x10, 0x39, 0xFF});
  Send({0xE0, 0x31, 0x6E, 0xFF, 0x58});
  EXPECT_EQ(Only(Module().Journal(), "SendDiseqc"),
            (std::vector<std::string>{"SendDiseqc E0 10 38 F3 -> 0", "SendDiseqc E1 10 38 F3 -> 0",
                                      "SendDiseqc burst B -> 0", "SendDiseqc E0 10 39 FF -> 0",
                                      "SendDiseqc E0 31 6E FF 58 -> 0"}));
  const auto timed = Module().TimedJournal();
  EXPECT_TRUE(std::is_sorted(timed.begin(), timed.end(),
                             [](const auto &a, const auto &b) { return a.first < b.first; }));
}

TEST_F(SimDeviceTest, JournalRecordsEveryCallWithItsArguments) {
  Module().ClearJournal();
  const TuneRequest request = Request(12188000, 'H', 22000000);
  Api().Tune(&request);
  Api().SetChannelPids(0, 0x0102, 0x0101, 0x0101, 23);
  Api().SetTeletextPid(0, 0x1FFF);
  const std::int32_t handle = Api().StartFilter(
      0x0012, [](const std::uint8_t *, std::int32_t, void *) {}, QEV_DELIVER_PAYLOADS, nullptr,
      nullptr, 1, nullptr);
  Api().StopFilter(handle);
  Api().CloseDevice();
  const auto lines = Module().Journal();
  const std::vector<std::string> expected = {
      "Tune 12188000 2 22000000 10600000 1 18 0 0 -> 0",
      "SetChannelPids 0 0x0102 0x0101 0x0101 23",
      "SetTeletextPid 0x1FFF",
      "StartFilter 0x0012 1 1 -> " + std::to_string(handle),
      "StopFilter " + std::to_string(handle) + " -> 0",
      "CloseDevice",
  };
  EXPECT_EQ(lines, expected);
}

} // namespace
} // namespace qev::sim::test
