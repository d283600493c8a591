#pragma once

#include "devapi/qev_devapi.h"
#include "sim/sim_module.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qev::sim::test {

// The PIDs of the one service in every test stream.
inline constexpr std::uint16_t kPmtPid = 0x0100;
inline constexpr std::uint16_t kVideoPid = 0x0101; // also the PCR
inline constexpr std::uint16_t kAudioPid = 0x0102;
inline constexpr std::uint64_t kStreamBitrate = 2'000'000;
inline constexpr double kStreamSeconds = 2;

// Test streams made by tsgen once per test program, and skies written beside them.
class TestSky {
public:
  static const std::filesystem::path &Folder();
  // A stream named `name` in the folder; its transport stream id is `tsid`.
  static std::filesystem::path Stream(const std::string &name, std::uint16_t tsid);
  // Writes `text` as an .ini in the folder and returns its path.
  static std::filesystem::path WriteSky(const std::string &name, const std::string &text);
  // Two satellites behind committed ports 1 and 2 of a universal LNB, one behind positioner
  // position 5, one at 30 degrees west and one behind tone burst B; the motor moves at once.
  static std::string DefaultSky(bool fast = false);
};

// Universal LNB (9750/10600 MHz, switch 11700 MHz) as the program computes a request.
TuneRequest Request(std::uint32_t frequencyKhz, char polarisation, std::uint32_t symbolRate);

// The device opened on a sky; closed again after each test.
class SimDeviceTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;
  void OpenSky(const std::string &text);
  const DeviceInterface &Api() const { return SimModule::Get().Api(); }
  SimModule &Module() const { return SimModule::Get(); }
  SignalStatus Status() const;
  bool Locked() const { return (Status().Bits & QEV_SIGNAL_LOCK) != 0; }
  void Send(const std::vector<std::uint8_t> &message) const;
  void TuneAndLock(const TuneRequest &request) const;
};

} // namespace qev::sim::test
