// The one-file sky of "qevtool --ts": the simulator loaded from it locks on its transponder
// and plays the file.
#include "device/device_loader.h"
#include "support/wait_until.h"
#include "test_stream.h"
#include "tool/ts_sky.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>
#include <unistd.h>

using namespace qev;
namespace fs = std::filesystem;

namespace {

void Ignore(std::int32_t, std::int32_t, void *) noexcept {}

struct PatCounter {
  std::atomic<int> sections{0};
  static void Count(const std::uint8_t *data, std::int32_t length, void *context) {
    if (length > 0 && data[0] == 0x00)
      ++static_cast<PatCounter *>(context)->sections;
  }
};

using test::WaitUntil;

} // namespace

TEST(TsSky, TheSimulatorLocksOnTheOneTransponderAndPlaysTheFile) {
  const fs::path stream = test::MakeTestStream("ts-sky");
  fs::path folder;
  {
    tool::TTsSky sky(stream, QEV_SIM_MODULE);
    ASSERT_EQ(sky.Error(), "");
    folder = sky.ModuleFile().parent_path();
    device::TDeviceModule &device = device::Device();
    ASSERT_EQ(device::LoadDeviceModule(device, sky.ModuleFile(), &Ignore, nullptr), 0);

    const data::TSatRec sat = sky.Satellite();
    TuneRequest request{};
    request.Frequency = tool::TTsSky::kFrequency;
    request.Always2 = 2;
    request.SymbolRate = tool::TTsSky::kSymbolRate;
    request.LnbFrequency = static_cast<std::uint32_t>(sat.LofHigh); // above the switch: high band
    request.Tone = 1;
    request.Voltage = 18;
    ASSERT_EQ(device.Tune(request), 0);
    EXPECT_TRUE(WaitUntil([&] {
      SignalStatus status{};
      return device.GetSignalStatus(status) == 0 && (status.Bits & QEV_SIGNAL_LOCK);
    }));

    PatCounter pat;
    const std::uint8_t match[17] = {}, mask[17] = {0xFF};
    const std::int32_t handle =
        device.StartFilter(0, &PatCounter::Count, QEV_DELIVER_SECTIONS, match, mask, 1, &pat);
    ASSERT_GT(handle, 0);
    EXPECT_TRUE(WaitUntil([&] { return pat.sections > 0; }));
    device.StopFilter(handle);
    device.Unload();
  }
  EXPECT_FALSE(fs::exists(folder)); // the sky goes with its object
  fs::remove(stream);
}

TEST(TsSky, AMissingFileOrModuleIsNamed) {
  tool::TTsSky noFile("/nonexistent/stream.ts", QEV_SIM_MODULE);
  EXPECT_EQ(noFile.Error(), "cannot read /nonexistent/stream.ts");
  EXPECT_TRUE(noFile.ModuleFile().empty());
  tool::TTsSky noModule(QEV_SIM_MODULE, "/nonexistent/Dev_Sim.int");
  EXPECT_EQ(noModule.Error(), "the simulator module is missing: /nonexistent/Dev_Sim.int");
}
