// Section filters on the real simulator module, playing a tsgen stream as its one transponder:
// the tables of the stream collected the way a scan collects them.
#include "si/device_filter_source.h"
#include "support/wait_until.h"

#include "device/device_loader.h"
#include "device/device_module.h"
#include "si/psi_parsers.h"
#include "tool/test_stream.h"
#include "tool/ts_sky.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace qev::si {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr std::uint16_t kSid = 0x21; // the service of the test stream
constexpr std::uint16_t kPmtPid = 0x100;

void Ignore(std::int32_t, std::int32_t, void *) noexcept {}

using test::WaitUntil;

// Counts what a filter delivers and checks every section against what it asked for.
struct Tally {
  std::atomic<int> sections{0};
  std::atomic<int> foreign{0};
  SectionTableFilter filter;

  SectionFilterSource::DataCallback Callback() {
    return [this](std::span<const std::uint8_t> s) {
      const bool ours = s.size() > 4 && s[0] == filter.tableId &&
                        ((s[3] << 8 | s[4]) & filter.extensionMask) == filter.extensionValue;
      ++(ours ? sections : foreign);
    };
  }
};

class DeviceFilterSourceSim : public ::testing::Test {
protected:
  static void SetUpTestSuite() { stream_ = test::MakeTestStream("si-filters"); }
  static void TearDownTestSuite() { fs::remove(stream_); }

  void SetUp() override {
    ASSERT_EQ(sky_.Error(), "");
    ASSERT_EQ(device::LoadDeviceModule(device_, sky_.ModuleFile(), &Ignore, nullptr), 0);
    TuneRequest request{};
    request.Frequency = tool::TTsSky::kFrequency;
    request.Always2 = 2;
    request.SymbolRate = tool::TTsSky::kSymbolRate;
    request.LnbFrequency = static_cast<std::uint32_t>(sky_.Satellite().LofHigh);
    request.Tone = 1;
    request.Voltage = 18;
    ASSERT_EQ(device_.Tune(request), 0);
    ASSERT_TRUE(WaitUntil([&] {
      SignalStatus status{};
      return device_.GetSignalStatus(status) == 0 && (status.Bits & QEV_SIGNAL_LOCK);
    }));
  }
  void TearDown() override { device_.Unload(); }

  PsiResult Collect(const std::string &name, std::uint16_t pid, SectionTableFilter filter,
                    PsiTableRequest::Parser parse) {
    TPsiScanThread thread(source_, {name, pid, filter, 10s, 1, std::move(parse)}, parseMutex_,
                          nullptr);
    return thread.Run({});
  }

  static inline fs::path stream_;
  // Paced and looped, so that every table comes round again however long a test takes.
  tool::TTsSky sky_{stream_, QEV_SIM_MODULE, true};
  device::TDeviceModule &device_ = device::Device();
  TDeviceFilterSource source_{device_};
  std::mutex parseMutex_;
};

TEST_F(DeviceFilterSourceSim, CollectsThePatPmtAndSdtOfTheStream) {
  std::vector<data::TChannelRec> scanList;
  ASSERT_EQ(Collect("PAT", 0x0000, {0x00, 0, 0}, [&](TSection s) { ParsePat(s, scanList); }),
            PsiResult::Complete);
  ASSERT_EQ(scanList.size(), 1u);
  data::TChannelRec &rec = scanList[0];
  EXPECT_EQ(rec.TID, 7);
  EXPECT_EQ(rec.SID, kSid);
  EXPECT_EQ(rec.PmtPid, kPmtPid);

  ASSERT_EQ(
      Collect("PMT", rec.PmtPid, {0x02, rec.SID, 0xFFFF}, [&](TSection s) { ParsePmt(s, rec); }),
      PsiResult::Complete);
  EXPECT_EQ(rec.PcrPid, 0x101);
  EXPECT_EQ(rec.VidPid, 0x101);
  ASSERT_EQ(rec.EsCount, 1);
  EXPECT_EQ(rec.EsList[0].Kind, data::kKindVideo);

  ASSERT_EQ(Collect("SDT", 0x0011, {0x42, 0, 0}, [&](TSection s) { ParseSdtOne(s, rec); }),
            PsiResult::Complete);
  EXPECT_EQ(data::ChName(rec), "One");
  EXPECT_EQ(data::FixedText(rec.ChProv), "Test");
  EXPECT_EQ(rec.SrvType, 1);
  EXPECT_EQ(device::TDeviceModule::HeldSubscriptions(), 0u);
}

TEST_F(DeviceFilterSourceSim, TheModuleDropsOtherTablesAndOtherServices) {
  Tally ours{.filter = {0x02, kSid, 0xFFFF}};
  Tally otherService{.filter = {0x02, kSid + 1, 0xFFFF}};
  Tally otherTable{.filter = {0x42, 0, 0}};
  std::vector<std::int32_t> handles;
  for (Tally *tally : {&ours, &otherService, &otherTable})
    handles.push_back(source_.OpenFilter(kPmtPid, tally->filter, tally->Callback()));
  for (const std::int32_t handle : handles)
    ASSERT_GT(handle, 0);
  // The PMT comes round several times while the other filters could have seen it.
  EXPECT_TRUE(WaitUntil([&] { return ours.sections >= 3; }));
  for (const std::int32_t handle : handles)
    source_.CloseFilter(handle);
  EXPECT_EQ(ours.foreign, 0);
  EXPECT_EQ(otherService.sections + otherService.foreign, 0);
  EXPECT_EQ(otherTable.sections + otherTable.foreign, 0);
}

TEST_F(DeviceFilterSourceSim, NoCallbackRunsAfterCloseAndTheConsumerIsReleased) {
  auto token = std::make_shared<int>(0);
  std::atomic<int> calls{0};
  const std::int32_t handle =
      source_.OpenFilter(0x0000, {0x00, 0, 0}, [token, &calls](std::span<const std::uint8_t>) {
        ++calls;
        std::this_thread::sleep_for(1ms); // widens the window a late delivery would hit
      });
  ASSERT_GT(handle, 0);
  ASSERT_TRUE(WaitUntil([&] { return calls > 0; }));
  source_.CloseFilter(handle);
  const int atClose = calls;
  EXPECT_EQ(token.use_count(), 1);

  // Let the PAT come round again on another filter before looking once more.
  Tally later{.filter = {0x00, 0, 0}};
  const std::int32_t second = source_.OpenFilter(0x0000, later.filter, later.Callback());
  ASSERT_GT(second, 0);
  EXPECT_TRUE(WaitUntil([&] { return later.sections >= 2; }));
  source_.CloseFilter(second);
  EXPECT_EQ(calls, atClose);
}

TEST_F(DeviceFilterSourceSim, AConsumerMayCloseItsOwnFilter) {
  auto token = std::make_shared<int>(0);
  std::atomic<std::int32_t> handle{0};
  std::atomic<int> calls{0};
  handle = source_.OpenFilter(0x0000, {0x00, 0, 0},
                              [this, token, &handle, &calls](std::span<const std::uint8_t>) {
                                ++calls;
                                if (const std::int32_t h = handle.load(); h > 0)
                                  source_.CloseFilter(h);
                              });
  ASSERT_GT(handle, 0);
  // The consumer goes with the delivery that closed it.
  EXPECT_TRUE(WaitUntil([&] { return token.use_count() == 1; }));
  EXPECT_LE(calls, 2); // perhaps one delivery before the handle was known
  EXPECT_EQ(device::TDeviceModule::HeldSubscriptions(), 0u);
}

TEST_F(DeviceFilterSourceSim, ARefusedFilterKeepsNothingAndFailsTheCollector) {
  device_.Unload();
  auto token = std::make_shared<int>(0);
  EXPECT_LE(source_.OpenFilter(0x0000, {0x00, 0, 0}, [token](std::span<const std::uint8_t>) {}), 0);
  EXPECT_EQ(token.use_count(), 1);
  EXPECT_EQ(Collect("PAT", 0x0000, {0x00, 0, 0}, {}), PsiResult::FilterFailed);
  EXPECT_EQ(device::TDeviceModule::HeldSubscriptions(), 0u);
}

TEST_F(DeviceFilterSourceSim, TheSourceClosesWhatItsConsumersLeftOpen) {
  auto token = std::make_shared<int>(0);
  {
    TDeviceFilterSource source(device_);
    ASSERT_GT(source.OpenFilter(0x0000, {0x00, 0, 0}, [token](std::span<const std::uint8_t>) {}),
              0);
  }
  EXPECT_EQ(token.use_count(), 1);
  EXPECT_EQ(device::TDeviceModule::HeldSubscriptions(), 0u);
}

} // namespace
} // namespace qev::si
