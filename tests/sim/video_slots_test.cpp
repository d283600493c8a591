// Dev_Sim.int presenting its AV slots through the program's graph helpers, as a recording fake
// of the program's helper table sees it.
#include "sim/test_sky.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

namespace qev::sim::test {
namespace {

// The program's side: every helper call logged, the fed packets checked and counted. Plain C
// functions, as the table holds, so the state is global.
struct HelperLog {
  std::mutex mutex;
  std::vector<std::string> calls;
  std::array<bool, 2> open{};
  std::array<std::set<std::uint16_t>, 2> pids; // what the slot's feed may carry
  std::array<std::uint64_t, 2> fedBytes{};
  std::array<std::uint64_t, 2> feedCalls{};
  std::vector<std::string> faults; // feeds into closed slots, torn or foreign packets
  bool failOpen = false;

  void Reset() {
    std::lock_guard lock(mutex);
    calls.clear();
    open = {};
    pids = {};
    fedBytes = {};
    feedCalls = {};
    faults.clear();
    failOpen = false;
  }
  void Add(std::string call) {
    std::lock_guard lock(mutex);
    calls.push_back(std::move(call));
  }
  std::vector<std::string> Calls() {
    std::lock_guard lock(mutex);
    return calls;
  }
  std::vector<std::string> Faults() {
    std::lock_guard lock(mutex);
    return faults;
  }
  std::uint64_t Fed(int slot) {
    std::lock_guard lock(mutex);
    return fedBytes[static_cast<std::size_t>(slot)];
  }
  std::uint64_t FeedCalls(int slot) {
    std::lock_guard lock(mutex);
    return feedCalls[static_cast<std::size_t>(slot)];
  }
};

HelperLog helperLog;

constexpr std::uintptr_t kWindowBase = 0x5000;

std::uintptr_t OpenAvGraph(std::int32_t slot, std::uintptr_t owner, std::uintptr_t message,
                           std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d,
                           std::uint32_t style, std::uint8_t pva) {
  helperLog.Add(fmt::format("HlpOpenAvGraph {} {:#x} {:#x} {} {} {} {} {:#x} {}", slot, owner,
                            message, a, b, c, d, style, pva));
  std::lock_guard lock(helperLog.mutex);
  if (helperLog.failOpen)
    return 0;
  helperLog.open.at(static_cast<std::size_t>(slot)) = true;
  return kWindowBase + static_cast<std::uintptr_t>(slot);
}
std::uintptr_t AttachWindow(std::int32_t slot, std::uintptr_t owner, std::uintptr_t message,
                            std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d,
                            std::uint32_t style) {
  helperLog.Add(fmt::format("HlpAttachWindow {} {:#x} {:#x} {} {} {} {} {:#x}", slot, owner,
                            message, a, b, c, d, style));
  return kWindowBase + 0x10 + static_cast<std::uintptr_t>(slot);
}
std::int32_t SetWindowRect(std::int32_t slot, std::int32_t l, std::int32_t t, std::int32_t w,
                           std::int32_t h, std::int32_t r) {
  helperLog.Add(fmt::format("HlpSetWindowRect {} {} {} {} {} {}", slot, l, t, w, h, r));
  return 3;
}
std::int32_t SetVideoProperty(std::int32_t slot, std::int32_t property, std::int32_t value) {
  helperLog.Add(fmt::format("HlpSetVideoProperty {} {} {}", slot, property, value));
  return 4;
}
std::int32_t CloseGraph(std::int32_t slot) {
  helperLog.Add(fmt::format("HlpCloseGraph {}", slot));
  std::lock_guard lock(helperLog.mutex);
  helperLog.open.at(static_cast<std::size_t>(slot)) = false;
  return 0;
}
std::int32_t StartFeed(std::int32_t slot, std::uint16_t audio, std::uint16_t video,
                       std::uint16_t pcr, std::int32_t flags) {
  helperLog.Add(
      fmt::format("HlpStartFeed {} {:#x} {:#x} {:#x} {}", slot, audio, video, pcr, flags));
  return 0;
}
std::int32_t Picture(std::int32_t slot, std::int32_t set, PictureRecord *picture) {
  helperLog.Add(fmt::format("HlpPicture {} {} {}", slot, set, picture->Values[0]));
  return -5;
}
std::int32_t Sound(std::int32_t slot, std::int32_t set, SoundRecord *sound) {
  helperLog.Add(fmt::format("HlpSound {} {} {}", slot, set, sound->Volume));
  return -6;
}
std::int32_t ErrorText(std::int32_t slot, char *text, std::int32_t maxLength) {
  helperLog.Add(fmt::format("HlpErrorText {} {}", slot, maxLength));
  std::snprintf(text, static_cast<std::size_t>(maxLength), "graph %d says no", slot);
  return 0;
}
void FeedData(std::int32_t slot, const std::uint8_t *data, std::int32_t length) {
  std::lock_guard lock(helperLog.mutex);
  const auto s = static_cast<std::size_t>(slot);
  if (!helperLog.open.at(s))
    helperLog.faults.push_back(fmt::format("feed into closed slot {}", slot));
  if (length <= 0 || length % QEV_PACKET_SIZE != 0)
    helperLog.faults.push_back(fmt::format("feed of {} bytes", length));
  for (std::int32_t at = 0; at + QEV_PACKET_SIZE <= length; at += QEV_PACKET_SIZE) {
    const std::uint8_t *p = data + at;
    const auto pid = static_cast<std::uint16_t>((p[1] & 0x1F) << 8 | p[2]);
    if (p[0] != 0x47 || !helperLog.pids[s].contains(pid))
      helperLog.faults.push_back(fmt::format("packet of PID {:#x} on slot {}", pid, slot));
  }
  helperLog.fedBytes[s] += static_cast<std::uint64_t>(std::max(length, 0));
  ++helperLog.feedCalls[s];
}

constexpr DsHelperTable kHelpers = {
    QEV_DEVAPI_VERSION, &OpenAvGraph, &AttachWindow, &SetWindowRect, &SetVideoProperty, &CloseGraph,
    &StartFeed,         &Picture,     &Sound,        &ErrorText,     &FeedData};
// A table of the right version whose every entry is missing.
constexpr DsHelperTable kNoHelpers = [] {
  DsHelperTable table{};
  table.Version = QEV_DEVAPI_VERSION;
  return table;
}();

constexpr std::uint32_t kStyle = QEV_VIDEO_CHILD_STYLE;
constexpr std::int32_t kFlags = QEV_PIDS_BASE | QEV_PIDS_CHANNEL_CHANGED;

class VideoSlotsTest : public SimDeviceTest {
protected:
  void SetUp() override {
    SimDeviceTest::SetUp();
    helperLog.Reset();
    AllowPids(0, {kAudioPid, kVideoPid});
    ASSERT_EQ(Module().SetHelpers(1, &kHelpers), 0);
    Send({0xE0, 0x10, 0x38, 0xF0});
    TuneAndLock(Request(10788000, 'V', 27500000));
  }
  void TearDown() override {
    SimDeviceTest::TearDown();
    Module().SetHelpers(1, &kNoHelpers); // the other tests' module has no video
  }
  static void AllowPids(int slot, std::set<std::uint16_t> pids) {
    std::lock_guard lock(helperLog.mutex);
    helperLog.pids[static_cast<std::size_t>(slot)] = std::move(pids);
  }
  std::uintptr_t StartVideo(int slot) const {
    return Api().StartVideo(slot, 0x1234, 0x5678, 1, 2, 3, 4, kStyle, 0);
  }
  void SetPids(int slot) const {
    ASSERT_EQ(Api().SetChannelPids(slot, kAudioPid, kVideoPid, kVideoPid, kFlags), 0);
  }
  bool FeedArrives(int slot, std::uint64_t bytes) const {
    return WaitFor([&] { return helperLog.Fed(slot) >= bytes; });
  }
  static bool Logged(const std::string &call) {
    const auto calls = helperLog.Calls();
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  }
};

// The bytes per second that the stream carries on the audio and video PIDs.
double ProgrammeRate() {
  std::ifstream in(TestSky::Stream("north_low_v.ts", 0x11), std::ios::binary);
  std::vector<char> packet(QEV_PACKET_SIZE);
  std::uint64_t bytes = 0;
  while (in.read(packet.data(), QEV_PACKET_SIZE)) {
    const auto pid = static_cast<std::uint16_t>((packet[1] & 0x1F) << 8 | (packet[2] & 0xFF));
    if (pid == kAudioPid || pid == kVideoPid)
      bytes += QEV_PACKET_SIZE;
  }
  return static_cast<double>(bytes) / kStreamSeconds;
}

TEST_F(VideoSlotsTest, GraphIsOpenedAndFedTheSlotsProgrammeAtTheStreamsRate) {
  ASSERT_EQ(StartVideo(0), kWindowBase);
  SetPids(0);
  EXPECT_TRUE(Logged(fmt::format("HlpOpenAvGraph 0 0x1234 0x5678 1 2 3 4 {:#x} 0", kStyle)));
  EXPECT_TRUE(Logged(
      fmt::format("HlpStartFeed 0 {:#x} {:#x} {:#x} {}", kAudioPid, kVideoPid, kVideoPid, kFlags)));
  ASSERT_TRUE(FeedArrives(0, 20'000));
  const std::uint64_t fedBefore = helperLog.Fed(0);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(FeedArrives(0, fedBefore + static_cast<std::uint64_t>(ProgrammeRate())));
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // A second of the programme, paced as broadcast (not faster; slower only on a loaded machine).
  EXPECT_GT(seconds, 0.7);
  EXPECT_LT(seconds, 4.0);
  EXPECT_GT(helperLog.FeedCalls(0), 10u); // in blocks, not all at once
  EXPECT_EQ(helperLog.Fed(1), 0u);
  EXPECT_EQ(Api().StopVideo(0), 0);
  EXPECT_TRUE(helperLog.Faults().empty()) << helperLog.Faults().front();
  const auto journal = Module().Journal();
  EXPECT_NE(std::find(journal.begin(), journal.end(),
                      fmt::format("StartVideo 0 0x1234 0x5678 1 2 3 4 {:#x} 0 -> {:#x}", kStyle,
                                  kWindowBase)),
            journal.end());
  EXPECT_NE(std::find(journal.begin(), journal.end(), "StopVideo 0 -> 0"), journal.end());
}

TEST_F(VideoSlotsTest, StopVideoEndsTheFeedBeforeTheGraphCloses) {
  SetPids(0);
  ASSERT_EQ(StartVideo(0), kWindowBase);
  // PIDs given before the graph opened are the feed's from the start.
  EXPECT_EQ(helperLog.Calls().back(), fmt::format("HlpStartFeed 0 {:#x} {:#x} {:#x} {}", kAudioPid,
                                                  kVideoPid, kVideoPid, kFlags));
  ASSERT_TRUE(FeedArrives(0, 10'000));
  ASSERT_EQ(Api().StopVideo(0), 0);
  const std::uint64_t fed = helperLog.Fed(0);
  EXPECT_EQ(helperLog.Calls().back(), "HlpCloseGraph 0");
  std::this_thread::sleep_for(100ms); // long enough for several deliveries
  EXPECT_EQ(helperLog.Fed(0), fed);
  EXPECT_TRUE(helperLog.Faults().empty()) << helperLog.Faults().front();
}

TEST_F(VideoSlotsTest, WindowPictureAndSoundOperationsReachTheHelpers) {
  ASSERT_EQ(StartVideo(1), kWindowBase + 1);
  EXPECT_EQ(Api().MoveVideo(1, 0x11, 0x22, 5, 6, 7, 8, kStyle), kWindowBase + 0x11);
  EXPECT_EQ(Api().SetVideoRect(1, 10, 20, 640, 360, 9), 3);
  EXPECT_EQ(Api().SetVideoOption(1, 1, 12), 4);
  PictureRecord picture{};
  picture.Values[0] = 128;
  EXPECT_EQ(Api().PictureControl(1, 1, &picture), -5);
  SoundRecord sound{};
  sound.Volume = 70;
  EXPECT_EQ(Api().AudioControl(1, 0, &sound), -6);
  char text[256] = {};
  EXPECT_EQ(Api().GetVideoError(1, text, 255), 0);
  EXPECT_STREQ(text, "graph 1 says no");
  EXPECT_EQ(Api().StopVideo(1), 0);
  const std::vector<std::string> expected = {
      fmt::format("HlpOpenAvGraph 1 0x1234 0x5678 1 2 3 4 {:#x} 0", kStyle),
      fmt::format("HlpAttachWindow 1 0x11 0x22 5 6 7 8 {:#x}", kStyle),
      "HlpSetWindowRect 1 10 20 640 360 9",
      "HlpSetVideoProperty 1 1 12",
      "HlpPicture 1 1 128",
      "HlpSound 1 0 70",
      "HlpErrorText 1 255",
      "HlpCloseGraph 1"};
  EXPECT_EQ(helperLog.Calls(), expected);
}

TEST_F(VideoSlotsTest, RefusalsLeaveAClearErrorText) {
  char text[256] = {};
  // A third slot: the module announces two video streams.
  EXPECT_EQ(StartVideo(2), 0u);
  EXPECT_EQ(Api().GetVideoError(2, text, 255), 0);
  EXPECT_NE(std::string(text).find("AV slot 2"), std::string::npos) << text;
  // The program's graph fails to open: no feed is started, and the program has the reason.
  {
    std::lock_guard lock(helperLog.mutex);
    helperLog.failOpen = true;
  }
  SetPids(0);
  EXPECT_EQ(StartVideo(0), 0u);
  EXPECT_EQ(Api().GetVideoError(0, text, 255), 0);
  EXPECT_STREQ(text, "graph 0 says no");
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(helperLog.FeedCalls(0), 0u);
  for (const std::string &call : helperLog.Calls())
    EXPECT_EQ(call.find("HlpStartFeed"), std::string::npos) << call;
  // Without helpers the slots answer as a module without video.
  ASSERT_EQ(Module().SetHelpers(1, &kNoHelpers), 0);
  helperLog.Reset();
  EXPECT_EQ(StartVideo(0), 0u);
  EXPECT_EQ(Api().MoveVideo(0, 1, 2, 0, 0, 0, 0, 0), 0u);
  EXPECT_EQ(Api().SetVideoRect(0, 0, 0, 10, 10, 0), 0);
  EXPECT_EQ(Api().SetVideoOption(0, 0, 1), -2);
  EXPECT_EQ(Api().StopVideo(0), -2);
  EXPECT_EQ(Api().GetVideoError(0, text, 255), 0);
  EXPECT_STREQ(text, "no graph helpers");
  EXPECT_EQ(Api().GetVideoError(0, text, 4), 0); // cut to the buffer
  EXPECT_STREQ(text, "no ");
  EXPECT_TRUE(helperLog.Calls().empty());
  // A table of another kind or none is refused and changes nothing.
  EXPECT_NE(Module().SetHelpers(2, &kHelpers), 0);
  EXPECT_NE(Module().SetHelpers(1, nullptr), 0);
  DsHelperTable otherVersion = kHelpers;
  otherVersion.Version = 0x0100;
  EXPECT_NE(Module().SetHelpers(1, &otherVersion), 0);
  EXPECT_EQ(StartVideo(0), 0u);
  EXPECT_TRUE(helperLog.Calls().empty());
}

TEST_F(VideoSlotsTest, CloseDeviceStopsTheFeedsAndClosesTheGraphs) {
  AllowPids(1, {kAudioPid, kVideoPid});
  SetPids(0);
  SetPids(1);
  ASSERT_NE(StartVideo(0), 0u);
  ASSERT_NE(StartVideo(1), 0u);
  ASSERT_TRUE(FeedArrives(0, 10'000));
  ASSERT_TRUE(FeedArrives(1, 10'000));
  Api().CloseDevice();
  EXPECT_TRUE(Logged("HlpCloseGraph 0"));
  EXPECT_TRUE(Logged("HlpCloseGraph 1"));
  EXPECT_TRUE(helperLog.Faults().empty()) << helperLog.Faults().front();
}

// StartVideo and StopVideo of one slot from two threads while the delivery thread feeds it,
// and the programme switching under them: never a feed into a closed graph, never a torn packet.
TEST_F(VideoSlotsTest, StartAndStopRacingTheDeliveryIsSafe) {
  SetPids(0);
  std::atomic<bool> go{false};
  auto hammer = [&](bool stopsFirst) {
    while (!go.load())
      std::this_thread::yield();
    for (int i = 0; i < 150; ++i) {
      if (stopsFirst)
        Api().StopVideo(0);
      StartVideo(0);
      if (i % 25 == 0) // open long enough for the paced stream to deliver a batch
        std::this_thread::sleep_for(100ms);
      else if (i % 3 == 0)
        std::this_thread::sleep_for(1ms);
      if (!stopsFirst)
        Api().StopVideo(0);
    }
  };
  std::thread first(hammer, true), second(hammer, false);
  std::thread switcher([&] {
    while (!go.load())
      std::this_thread::yield();
    for (int i = 0; i < 50; ++i) {
      SetPids(0);
      std::this_thread::sleep_for(2ms);
    }
  });
  go = true;
  first.join();
  second.join();
  switcher.join();
  const std::uint64_t racedFeeds = helperLog.FeedCalls(0);
  RecordProperty("FeedsDuringTheRace", std::to_string(racedFeeds));
  // The slot still works, and stops as it should.
  ASSERT_NE(StartVideo(0), 0u);
  ASSERT_TRUE(WaitFor([&] { return helperLog.FeedCalls(0) > racedFeeds; }));
  Api().StopVideo(0);
  const std::uint64_t fed = helperLog.Fed(0);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(helperLog.Fed(0), fed);
  EXPECT_TRUE(helperLog.Faults().empty()) << helperLog.Faults().front();
}

// OpenDevice after CloseDevice starts as the first OpenDevice did: the slots play again once
// the programme is told, and nothing of the last session's programme reaches a graph before.
TEST_F(VideoSlotsTest, ReopenedDeviceFeedsTheGraphsAgain) {
  SetPids(0);
  ASSERT_NE(StartVideo(0), 0u);
  ASSERT_TRUE(FeedArrives(0, 10'000));
  ASSERT_EQ(Api().GetDeviceInfo(QEV_INFO_SELECT_DECODER, 0), 1);
  Api().CloseDevice();
  ASSERT_EQ(Api().OpenDevice(), 0);
  EXPECT_EQ(Api().GetDeviceInfo(QEV_INFO_DECODER, 0), 1); // the first decoder again
  helperLog.Reset();
  AllowPids(0, {kAudioPid, kVideoPid});
  Send({0xE0, 0x10, 0x38, 0xF0});
  TuneAndLock(Request(10788000, 'V', 27500000));
  ASSERT_NE(StartVideo(0), 0u);
  std::this_thread::sleep_for(200ms); // long enough for several deliveries
  EXPECT_EQ(helperLog.Fed(0), 0u);
  SetPids(0);
  EXPECT_TRUE(FeedArrives(0, 10'000));
  EXPECT_EQ(Api().StopVideo(0), 0);
  EXPECT_TRUE(helperLog.Faults().empty()) << helperLog.Faults().front();
}

// A copy of the module under a path of its own: unlike the module the other tests share, the
// last dlclose really unloads it.
class ModuleCopy {
public:
  explicit ModuleCopy(const std::filesystem::path &file)
      : handle_(dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (handle_ == nullptr)
      return;
    api_.Version = QEV_DEVAPI_VERSION;
    if (Get<DvbCard_GetInterface_t>("DvbCard_GetInterface")(&api_) != 0)
      api_ = {};
  }
  ~ModuleCopy() {
    if (handle_ != nullptr)
      dlclose(handle_);
  }
  ModuleCopy(const ModuleCopy &) = delete;
  ModuleCopy &operator=(const ModuleCopy &) = delete;

  bool Loaded() const { return handle_ != nullptr && api_.OpenDevice != nullptr; }
  const DeviceInterface &Api() const { return api_; }
  void SetSkyFile(const std::string &path) const {
    Get<void (*)(const char *)>("SimTest_SetSkyFile")(path.c_str());
  }
  std::int32_t SetHelpers(const DsHelperTable &table) const {
    return Get<DvbCard_SetHelpers_t>("DvbCard_SetHelpers")(1, &table);
  }

private:
  template <class Function> Function Get(const char *name) const {
    return reinterpret_cast<Function>(dlsym(handle_, name));
  }

  void *handle_;
  DeviceInterface api_{};
};

bool Mapped(const std::filesystem::path &file) {
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);)
    if (line.find(file.string()) != std::string::npos)
      return true;
  return false;
}

// The program's reload after a resume: the module used, closed with its video running,
// unloaded and loaded again; its AV slots play as after the first load.
TEST(VideoSlotsReload, ModuleUnloadedAndLoadedAgainFeedsTheGraphsAgain) {
  std::filesystem::path copy = TestSky::Folder() / fmt::format("Dev_SimReload{}.int", ::getpid());
  std::filesystem::copy_file(QEV_SIM_MODULE, copy,
                             std::filesystem::copy_options::overwrite_existing);
  copy = std::filesystem::canonical(copy); // as the maps name it
  const std::string sky = TestSky::WriteSky("reload_sky.ini", TestSky::DefaultSky()).string();
  const TuneRequest request = Request(10788000, 'V', 27500000);
  const std::uint8_t port1[] = {0xE0, 0x10, 0x38, 0xF0};
  for (int load = 1; load <= 2; ++load) {
    SCOPED_TRACE(load);
    helperLog.Reset();
    {
      std::lock_guard lock(helperLog.mutex);
      helperLog.pids[0] = {kAudioPid, kVideoPid};
    }
    {
      const ModuleCopy module(copy);
      ASSERT_TRUE(module.Loaded());
      ASSERT_TRUE(Mapped(copy));
      const DeviceInterface &api = module.Api();
      module.SetSkyFile(sky);
      ASSERT_EQ(module.SetHelpers(kHelpers), 0);
      ASSERT_EQ(api.OpenDevice(), 0);
      ASSERT_EQ(api.SendDiseqc(port1, sizeof port1, 0), 0);
      ASSERT_EQ(api.Tune(&request), 0);
      ASSERT_EQ(api.SetChannelPids(0, kAudioPid, kVideoPid, kVideoPid, kFlags), 0);
      ASSERT_NE(api.StartVideo(0, 0x1234, 0x5678, 1, 2, 3, 4, kStyle, 0), 0u);
      EXPECT_TRUE(WaitFor([] { return helperLog.Fed(0) >= 10'000; }));
      api.CloseDevice();
    }
    EXPECT_FALSE(Mapped(copy)) << "dlclose left the module loaded";
    EXPECT_TRUE(helperLog.Faults().empty()) << helperLog.Faults().front();
  }
  std::filesystem::remove(copy);
}

} // namespace
} // namespace qev::sim::test
