#pragma once

#include "device/tuner_clock.h"
#include "device/tuner_device.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qev::device::test {

// Milliseconds that pass only when slept on, or when a test or fake spends them.
class FakeClock final : public ITunerClock {
public:
  std::int64_t NowMs() override { return now; }
  void SleepMs(int ms) override { now += ms; }
  void Pump() override { ++pumps; }

  std::int64_t now = 1000;
  int pumps = 0;
};

// A device that records what reaches it, stamped with the fake clock.
class FakeDevice final : public ITunerDevice {
public:
  explicit FakeDevice(FakeClock &clock) : clock_(clock) {}

  struct Diseqc {
    std::vector<std::uint8_t> bytes;
    std::int32_t burst;
    std::int64_t at;
  };
  struct Tuned {
    TuneRequest request;
    std::int64_t at;
  };

  std::int32_t Tune(const TuneRequest &request) override {
    tunes.push_back({request, clock_.now});
    if (onTune)
      onTune();
    return tuneResult;
  }
  std::int32_t GetSignalStatus(SignalStatus &out) override {
    ++reads;
    if (onRead)
      onRead();
    out = status;
    if (lockAfterReads > 0 && reads >= lockAfterReads)
      out.Bits |= QEV_SIGNAL_LOCK;
    return readResult;
  }
  std::int32_t SendDiseqc(std::span<const std::uint8_t> bytes, std::int32_t burst) override {
    diseqc.push_back({{bytes.begin(), bytes.end()}, burst, clock_.now});
    clock_.now += busyMs;
    return 0;
  }
  std::intptr_t DiseqcLevel() override { return level; }

  std::vector<std::string> DiseqcHex() const {
    std::vector<std::string> lines;
    for (const Diseqc &d : diseqc) {
      std::string line;
      for (const std::uint8_t b : d.bytes)
        line += (line.empty() ? "" : " ") + Hex(b);
      lines.push_back(d.burst != 0 ? "burst " + std::to_string(d.burst) : line);
    }
    return lines;
  }

  std::intptr_t level = 12;
  int busyMs = 0; // time one SendDiseqc takes
  std::function<void()> onTune;
  std::function<void()> onRead;
  std::int32_t tuneResult = 0;
  std::int32_t readResult = 0;
  SignalStatus status{70, 80, QEV_SIGNAL_SIGNAL | QEV_SIGNAL_CARRIER};
  int lockAfterReads = 0; // 0: never locks
  int reads = 0;
  std::vector<Diseqc> diseqc;
  std::vector<Tuned> tunes;

private:
  static std::string Hex(std::uint8_t b) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[b >> 4], kDigits[b & 15]};
  }
  FakeClock &clock_;
};

} // namespace qev::device::test
