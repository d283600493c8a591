// The guide on the real simulator module playing a tsgen stream whose EIT follows the clock:
// the payload filter, the collection into the store, and the channel switch driving both.
#include "guide/guide.h"
#include "support/wait_until.h"

#include "data/date_time.h"
#include "device/device_loader.h"
#include "device/device_module.h"
#include "device/engine_fixture.h"
#include "guide/device_eit_feed.h"
#include "guide/epg_store.h"
#include "multiplexer.h"
#include "tool/ts_sky.h"

#include "eit_payloads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <unistd.h>

namespace qev::guide {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr std::uint16_t kTsid = 7;
constexpr std::uint16_t kSid = 0x21;
constexpr int kEventCount = 12;

void Ignore(std::int32_t, std::int32_t, void *) noexcept {}

using test::WaitUntil;

// The first event began a minute ago, so it is on air while the tests run.
fs::path MakeGuideStream() {
  tsgen::Transponder tp = testing::EventTransponder(kTsid, data::NowUtc() - 60, kEventCount);
  tp.durationSeconds = 3;
  tsgen::Service &service = tp.services[0];
  service.pcrPid = 0x101;
  tsgen::Stream video;
  video.pid = 0x101;
  service.streams.push_back(video);
  const fs::path file =
      fs::temp_directory_path() / ("qev-guide-" + std::to_string(::getpid()) + ".ts");
  tsgen::GenerateFile(tp, file.string());
  return file;
}

// Made once for all tests of the program, removed when it ends.
const fs::path &GuideStream() {
  static const struct TStream {
    fs::path file = MakeGuideStream();
    ~TStream() { fs::remove(file); }
  } stream;
  return stream.file;
}

// The module loaded from a sky that plays the guide stream, paced and looped so that the EIT
// comes round again however long a test takes.
struct TSimModule {
  tool::TTsSky sky{GuideStream(), QEV_SIM_MODULE, true};
  device::TDeviceModule &device = device::Device();

  bool Load() {
    return sky.Error().empty() &&
           device::LoadDeviceModule(device, sky.ModuleFile(), &Ignore, nullptr) == 0;
  }
  ~TSimModule() { device.Unload(); }
};

class GuideDeviceSim : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(module_.Load());
    const tool::TTsSky &sky = module_.sky;
    TuneRequest request{};
    request.Frequency = tool::TTsSky::kFrequency;
    request.Always2 = 2;
    request.SymbolRate = tool::TTsSky::kSymbolRate;
    request.LnbFrequency = static_cast<std::uint32_t>(sky.Satellite().LofHigh);
    request.Tone = 1;
    request.Voltage = 18;
    ASSERT_EQ(device_.Tune(request), 0);
  }

  bool CollectedAll(const TGuide &guide) {
    return WaitUntil([&] { return guide.Store().Count() == kEventCount; });
  }

  TSimModule module_;
  device::TDeviceModule &device_ = module_.device;
};

TEST_F(GuideDeviceSim, CollectsEveryEventAndFindsTheOneOnAir) {
  TGuide guide(device_);
  ASSERT_TRUE(guide.EpgStart());
  ASSERT_TRUE(CollectedAll(guide));
  const auto now = guide.FindNow(kTsid, kSid);
  ASSERT_TRUE(now);
  EXPECT_EQ(now->Name, "Event 1");
  EXPECT_EQ(now->ShortText, "About event 1");
  EXPECT_FALSE(guide.FindNow(kTsid + 1, kSid));
  EXPECT_EQ(guide.ErrorCount(), 0u);
  guide.EpgStop();
  EXPECT_FALSE(guide.Collecting());
  EXPECT_EQ(device::TDeviceModule::HeldSubscriptions(), 0u);
  guide.EpgClear();
  EXPECT_EQ(guide.Store().Count(), 0u);
}

TEST_F(GuideDeviceSim, NoPayloadArrivesAfterCloseAndTheConsumerIsReleased) {
  TDeviceEitFeed feed(device_);
  auto token = std::make_shared<int>(0);
  std::atomic<int> calls{0};
  std::atomic<bool> closed{false};
  std::atomic<int> late{0};
  const std::int32_t handle = feed.Open([token, &calls, &closed, &late](auto payloads) {
    EXPECT_EQ(payloads.size() % 184, 0u);
    ++calls;
    late += closed.load();
    std::this_thread::sleep_for(1ms); // widens the window a late delivery would hit
  });
  ASSERT_GT(handle, 0);
  ASSERT_TRUE(WaitUntil([&] { return calls > 2; }));
  feed.Close(handle);
  closed = true;
  EXPECT_EQ(token.use_count(), 1);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(late, 0);
}

TEST_F(GuideDeviceSim, ARefusedFilterLeavesTheGuideIdle) {
  device_.Unload();
  TGuide guide(device_);
  EXPECT_FALSE(guide.EpgStart());
  EXPECT_FALSE(guide.Collecting());
  EXPECT_EQ(device::TDeviceModule::HeldSubscriptions(), 0u);
}

TEST_F(GuideDeviceSim, TheGuideClosesItsFilterWhenItGoes) {
  {
    TGuide guide(device_);
    ASSERT_TRUE(guide.EpgStart());
    ASSERT_TRUE(WaitUntil([&] { return guide.Store().Count() > 0; }));
  }
  EXPECT_EQ(device::TDeviceModule::HeldSubscriptions(), 0u);
}

// The channel switch of the engine (with a recording tuner) driving the guide on the module.
class GuideSwitchSim : public device::test::EngineTest {
protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_TRUE(module_.Load());
    PlugSwitchHooks(guide_, engine.Hooks());
  }
  void TearDown() override {
    UnplugSwitchHooks(engine.Hooks());
    EngineTest::TearDown();
  }
  // An event no broadcast brings, so that a clear shows.
  void InsertMarker() {
    TEpgEvent marker;
    marker.OriginalNetworkId = marker.ServiceId = marker.EventId = 9;
    marker.StartTime = 1000;
    ASSERT_TRUE(guide_.Store().Insert(marker));
  }
  bool MarkerKept() const {
    return guide_.Store().Count() > 0 && guide_.Store().Get(0)->EventId == 9;
  }

  TSimModule module_;
  TGuide guide_{module_.device};
};

TEST_F(GuideSwitchSim, EveryTuneRestartsTheCollectionAndAnotherSatelliteClears) {
  InsertMarker(); // kept from the last run
  ASSERT_TRUE(engine.SwitchChannel(0, alpha, true));
  EXPECT_TRUE(guide_.Collecting());
  EXPECT_TRUE(MarkerKept()); // the first satellite of a run adds to the kept guide

  ASSERT_TRUE(engine.SwitchChannel(0, charlie, true)); // another transponder, same satellite
  EXPECT_TRUE(guide_.Collecting());
  EXPECT_TRUE(MarkerKept());
  const std::uint64_t generation = guide_.Store().Generation();

  ASSERT_TRUE(engine.SwitchChannel(0, delta, true)); // another satellite
  EXPECT_TRUE(guide_.Collecting());
  EXPECT_GT(guide_.Store().Generation(), generation);
  EXPECT_FALSE(MarkerKept());
}

TEST_F(GuideSwitchSim, TheSessionSettingClearsOnEveryTransponderChange) {
  ASSERT_TRUE(engine.SwitchChannel(0, alpha, true));
  const std::uint64_t generation = guide_.Store().Generation();
  frame::Options().Session.ClearGuideOnTpChange = true;
  ASSERT_TRUE(engine.SwitchChannel(0, charlie, true));
  EXPECT_GT(guide_.Store().Generation(), generation);
}

TEST_F(GuideSwitchSim, WithoutTheBackgroundParserATuneLeavesTheGuideStopped) {
  ASSERT_TRUE(engine.SwitchChannel(0, alpha, true));
  ASSERT_TRUE(guide_.Collecting());
  frame::Options().General.EpgBgParser = false;
  ASSERT_TRUE(engine.SwitchChannel(0, charlie, true));
  EXPECT_FALSE(guide_.Collecting());
}

TEST_F(GuideSwitchSim, ReleasingTheDeviceStopsTheCollection) {
  ASSERT_TRUE(engine.SwitchChannel(0, alpha, true));
  ASSERT_TRUE(guide_.Collecting());
  engine.DvbEngine_ReleaseResources();
  EXPECT_FALSE(guide_.Collecting());
  EXPECT_EQ(device::TDeviceModule::HeldSubscriptions(), 0u);
}

} // namespace
} // namespace qev::guide
