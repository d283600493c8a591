// The loader, the facade and the device callback, end to end through real modules.
#include "device/device_loader.h"
#include "device/device_messages.h"
#include "device/device_module.h"
#include "frame/app_paths.h"
#include "frame/event_loop.h"
#include "frame/fast_ini_file.h"
#include "frame/options.h"
#include "frame/process_flags.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fstream>
#include <future>
#include <thread>

using namespace qev::device;
using ::testing::ElementsAre;
namespace fs = std::filesystem;

namespace {

const fs::path kFixtures = QEV_FIXTURE_DEVICES;

std::vector<std::string> logged;
void RecordingCallback(std::int32_t message, std::int32_t value, void* data) {
  if (message == QEV_MSG_LOG)
    logged.push_back(std::to_string(value) + " " + static_cast<const char*>(data));
}

// A test hook of a loaded fixture module.
template <typename F> F Hook(const char* module, const char* name) {
  void* handle = dlopen((kFixtures / module).c_str(), RTLD_NOW | RTLD_NOLOAD);
  EXPECT_NE(handle, nullptr) << module << " is not loaded";
  F hook = reinterpret_cast<F>(dlsym(handle, name));
  dlclose(handle); // only drops the reference taken just now
  return hook;
}

class Loader : public ::testing::Test {
protected:
  void SetUp() override { logged.clear(); }
  void TearDown() override { device.Unload(); }
  int Load(const char* module) {
    return LoadDeviceModule(device, kFixtures / module, &RecordingCallback, &helpers);
  }
  TDeviceModule device;
  DsHelperTable helpers = [] {
    DsHelperTable table{};
    table.Version = QEV_DEVAPI_VERSION;
    return table;
  }();
};

} // namespace

TEST_F(Loader, EveryCheckFailsWithItsCodeAndText) {
  struct Case {
    const char* module;
    int code;
    const char* text;
  } cases[] = {
      {"Dev_NoCallback.int", 2, "2 DevInt: No callback function"},
      {"Dev_NoInterface.int", 2, "2 DevInt: No interface function"},
      {"Dev_NoDescription.int", 3, "2 DevInt: No description function"},
      {"Dev_DescriptionFails.int", 4, "2 DevInt: Error checking description"},
      {"Dev_Version0201.int", 5, "2 Incompatible interface version: 0x0201 (expected 0x0200)"},
      {"Dev_InterfaceFails.int", 6, "2 DevInt: Cannot get interface"},
  };
  for (const Case& c : cases) {
    logged.clear();
    EXPECT_EQ(Load(c.module), c.code) << c.module;
    EXPECT_THAT(logged, ElementsAre("0 Loading \"" + std::string(c.module) + "\"", c.text));
    EXPECT_FALSE(device.Loaded());
    EXPECT_EQ(device.Name(), "OFFLINE");
  }
}

TEST_F(Loader, OpenDeviceFailuresReturnTheirOwnResultWithoutMessage) {
  EXPECT_EQ(Load("Dev_OpenFails.int"), 7);
  EXPECT_FALSE(device.Loaded());
  EXPECT_EQ(Load("Dev_NoOpen.int"), kNotAvailable);
  EXPECT_FALSE(device.Loaded());
  EXPECT_THAT(logged, ElementsAre("0 Loading \"Dev_OpenFails.int\"", "0 Loading \"Dev_NoOpen.int\""));
}

TEST_F(Loader, AFileThatIsNoLibraryCannotBeLoaded) {
  const fs::path broken = fs::temp_directory_path() / "Dev_Broken.int";
  std::ofstream(broken) << "not a library";
  EXPECT_EQ(LoadDeviceModule(device, broken, &RecordingCallback, nullptr), 1);
  // The system's reason follows the known text.
  EXPECT_THAT(logged, ElementsAre("2 Cannot load: Dev_Broken.int",
                                  ::testing::StartsWith("2 " + broken.string() + ": ")));
  fs::remove(broken);
}

TEST_F(Loader, HelpersThatFailAreLoggedAndLoadingGoesOn) {
  EXPECT_EQ(Load("Dev_HelpersFail.int"), 0);
  EXPECT_TRUE(device.Loaded());
  EXPECT_THAT(logged, ElementsAre("0 Loading \"Dev_HelpersFail.int\"",
                                  "2 DevInt: Error in SetHelpers()"));
}

TEST_F(Loader, ALoadedModuleAnswersAndUnloadClosesItOnce) {
  ASSERT_EQ(Load("Dev_Null.int"), 0);
  EXPECT_EQ(device.Name(), "Dev_Null");
  EXPECT_EQ(device.DeviceInfoText(), "drives nothing");
  EXPECT_EQ(device.GetDeviceInfo(QEV_INFO_DISEQC_LEVEL, 0), 12);
  SignalStatus status{};
  EXPECT_EQ(device.GetSignalStatus(status), 0);
  EXPECT_EQ(status.Level, 80);
  // Operations the module leaves empty answer for it.
  EXPECT_EQ(device.SendDiseqc({}, 1), kNotAvailable);
  EXPECT_EQ(device.StartVideo(0, 0, 0, 0), 0u);
  EXPECT_EQ(device.SetVideoRect(0, 0, 0, 10, 10), 0);
  EXPECT_EQ(device.VideoError(0), "");

  const auto closeCount = Hook<int (*)()>("Dev_Null.int", "Fixture_CloseCount");
  const int before = closeCount();
  auto keepLoaded = dlopen((kFixtures / "Dev_Null.int").c_str(), RTLD_NOW | RTLD_NOLOAD);
  device.Unload();
  device.Unload();
  EXPECT_EQ(closeCount(), before + 1);
  dlclose(keepLoaded);
  EXPECT_EQ(device.Name(), "OFFLINE");
  // Without a module every operation is "not available".
  EXPECT_EQ(device.Tune(TuneRequest{}), kNotAvailable);
  EXPECT_EQ(device.GetDeviceInfo(QEV_INFO_DISEQC_LEVEL, 0), 0);
  EXPECT_EQ(device.StartFilter(0, [](const std::uint8_t*, std::int32_t, void*) {}, 188, nullptr,
                               nullptr, 1, nullptr),
            kNotAvailable);
}

TEST_F(Loader, UnloadWaitsForACallInFlight) {
  ASSERT_EQ(Load("Dev_Null.int"), 0);
  const auto hold = Hook<void (*)(bool)>("Dev_Null.int", "Fixture_HoldCalls");
  const auto inside = Hook<bool (*)()>("Dev_Null.int", "Fixture_InsideHeldCall");
  // The hooks run outside the gate: the library must stay until hold(false) has returned.
  auto keepLoaded = dlopen((kFixtures / "Dev_Null.int").c_str(), RTLD_NOW | RTLD_NOLOAD);
  hold(true);
  auto tune = std::async(std::launch::async, [&] { return device.Tune(TuneRequest{}); });
  while (!inside())
    std::this_thread::yield();
  auto unload = std::async(std::launch::async, [&] { device.Unload(); });
  EXPECT_EQ(unload.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  EXPECT_EQ(HangingCallText(device).rfind("the device module Dev_Null.int has not returned from "
                                          "Tune for ",
                                          0),
            0u)
      << HangingCallText(device);
  hold(false);
  EXPECT_EQ(tune.get(), 0);
  unload.get();
  dlclose(keepLoaded);
  EXPECT_FALSE(device.Loaded());
}

namespace {
std::atomic<int> deliveries{0};
void CountDelivery(const std::uint8_t*, std::int32_t, void*) { ++deliveries; }

std::vector<std::uint8_t> NullPackets(std::uint16_t pid, int count) {
  std::vector<std::uint8_t> data;
  for (int i = 0; i < count; ++i) {
    const std::uint8_t packet[4] = {0x47, static_cast<std::uint8_t>(pid >> 8),
                                    static_cast<std::uint8_t>(pid), 0x10};
    data.insert(data.end(), packet, packet + 4);
    data.resize(data.size() + 184, 0xFF);
  }
  return data;
}
} // namespace

TEST_F(Loader, NoDataReachesAConsumerAfterStopFilterEvenFromACarelessModule) {
  ASSERT_EQ(Load("Dev_Careless.int"), 0);
  const auto feed = Hook<void (*)(const std::uint8_t*, std::int32_t)>("Dev_Careless.int",
                                                                       "Fixture_Feed");
  const auto data = NullPackets(0x100, 3);
  deliveries = 0;
  const std::int32_t handle =
      device.StartFilter(0x100, &CountDelivery, QEV_DELIVER_PACKETS, nullptr, nullptr, 1, nullptr);
  ASSERT_GT(handle, 0);
  feed(data.data(), static_cast<std::int32_t>(data.size()));
  EXPECT_EQ(deliveries, 3);
  device.StopFilter(handle);
  feed(data.data(), static_cast<std::int32_t>(data.size())); // the module ignored the stop
  EXPECT_EQ(deliveries, 3);
}

TEST_F(Loader, AStoppedFilterLeavesNothingBehindAndACarelessModuleReachesNothing) {
  ASSERT_EQ(Load("Dev_Careless.int"), 0);
  const std::size_t before = TDeviceModule::HeldSubscriptions();
  for (int i = 0; i < 1000; ++i)
    device.StopFilter(device.StartFilter(0x100, &CountDelivery, QEV_DELIVER_PACKETS, nullptr,
                                         nullptr, 1, nullptr));
  EXPECT_EQ(TDeviceModule::HeldSubscriptions(), before);
  const std::int32_t handle =
      device.StartFilter(0x100, &CountDelivery, QEV_DELIVER_PACKETS, nullptr, nullptr, 1, nullptr);
  EXPECT_EQ(TDeviceModule::HeldSubscriptions(), before + 1);
  device.Unload(); // the module never stopped it: the unload lets it go
  EXPECT_GT(handle, 0);
  EXPECT_EQ(TDeviceModule::HeldSubscriptions(), before);
}

namespace {
TDeviceModule *unloadFromPump = nullptr;
void UnloadingCallback(std::int32_t message, std::int32_t, void *) {
  if (message == QEV_MSG_PUMP && unloadFromPump != nullptr)
    unloadFromPump->Unload();
}
} // namespace

TEST_F(Loader, AnUnloadFromInsideACallKeepsTheLibraryUntilTheCallReturns) {
  const fs::path module = kFixtures / "Dev_TuneLogs.int";
  ASSERT_EQ(LoadDeviceModule(device, module, &UnloadingCallback, nullptr), 0);
  unloadFromPump = &device;
  // Tune asks for a pump, and the unload comes from there: Tune must still return into its
  // module's code.
  EXPECT_EQ(device.Tune(TuneRequest{}), 0);
  unloadFromPump = nullptr;
  EXPECT_FALSE(device.Loaded());
  EXPECT_EQ(dlopen(module.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr); // released after it
  EXPECT_EQ(device.Tune(TuneRequest{}), kNotAvailable);
}

TEST_F(Loader, HandlesOutsideTheSixteenBitRangeAreRefused) {
  ASSERT_EQ(Load("Dev_HugeHandles.int"), 0);
  EXPECT_EQ(device.StartFilter(0x100, &CountDelivery, QEV_DELIVER_PACKETS, nullptr, nullptr, 1,
                               nullptr),
            kNotAvailable);
}

// The example module, written in C from the contract's header alone, as the program uses it.
TEST_F(Loader, TheExampleModuleWorksAsAVendorsModuleWould) {
  const fs::path example = QEV_EXAMPLE_MODULE;
  // Listing asks only for the description, without the callback.
  const auto rows = ListDeviceModules(example.parent_path());
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(FieldText(rows[0].description.Name), "QEV Example");
  EXPECT_EQ(rows[0].version, "1.0.0.0");
  EXPECT_FALSE(rows[0].descriptionFailed);

  ASSERT_EQ(LoadDeviceModule(device, example, &RecordingCallback, &helpers), 0);
  EXPECT_THAT(logged, ElementsAre("0 Loading \"Dev_Example.int\"", "0 Example: device opened"));
  EXPECT_EQ(device.DeviceInfoText(), "example, no hardware");
  EXPECT_EQ(device.GetDeviceInfo(QEV_INFO_DISEQC_LEVEL, 0), 12);
  const std::uint8_t committed[] = {0xE0, 0x10, 0x38, 0xF0};
  EXPECT_EQ(device.SendDiseqc(committed, 0), 0);
  TuneRequest request{};
  request.Frequency = 10788000;
  request.Voltage = 13;
  EXPECT_EQ(device.Tune(request), 0);
  SignalStatus status{};
  EXPECT_EQ(device.GetSignalStatus(status), 0);
  EXPECT_EQ(status.Bits & QEV_SIGNAL_LOCK, QEV_SIGNAL_LOCK);
  EXPECT_EQ(device.SetChannelPids(0, 0x102, 0x101, 0x101, QEV_PIDS_BASE), 0);
  const std::int32_t first =
      device.StartFilter(0x12, &CountDelivery, QEV_DELIVER_SECTIONS, nullptr, nullptr, 1, nullptr);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(device.StartFilter(QEV_PID_ALL, &CountDelivery, QEV_DELIVER_SECTIONS, nullptr,
                               nullptr, 1, nullptr),
            -1);
  EXPECT_EQ(device.StopFilter(first), 0);
  EXPECT_EQ(device.StartFilter(0x12, &CountDelivery, QEV_DELIVER_PAYLOADS, nullptr, nullptr, 0,
                               nullptr),
            2); // not the stopped handle again at once
}

TEST(DeviceList, ListsModulesWithVersionHwiAndDescription) {
  const auto rows = ListDeviceModules(kFixtures);
  std::map<std::string, DeviceModuleRow> byName;
  for (const auto& row : rows)
    byName[row.fileName] = row;
  ASSERT_TRUE(byName.contains("Dev_Null.int"));
  EXPECT_EQ(byName["Dev_Null.int"].version, "1.2.3.4");
  EXPECT_EQ(HwiText(byName["Dev_Null.int"].description), "0200");
  EXPECT_EQ(byName["Dev_Pip.int"].version, "Unknow");
  EXPECT_EQ(HwiText(byName["Dev_Version0201.int"].description), "0201");
  EXPECT_TRUE(byName["Dev_DescriptionFails.int"].descriptionFailed);
  EXPECT_FALSE(byName.contains("Dev_NoDescription.int")); // nothing to show: not listed
  EXPECT_TRUE(IsDeviceModuleName("dev_x.INT"));
  EXPECT_FALSE(IsDeviceModuleName("Dev_.int"));
  EXPECT_FALSE(IsDeviceModuleName("Device.int"));
}

namespace {

struct ScriptedChooser : DeviceChooser {
  std::optional<std::string> answer;
  int asked = 0;
  std::string storedWhenAsked;
  std::optional<std::string> SelectDevice() override {
    ++asked;
    qev::frame::TFastIniFile file(qev::frame::Paths().OptionsFile);
    storedWhenAsked = file.ReadString("StartUp", "ActiveDevice", "<none>");
    return answer;
  }
};

class Choice : public ::testing::Test {
protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("qev-choice-" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "Configs");
    qev::frame::TAppPaths paths(root);
    paths.Devices = kFixtures;
    qev::frame::SetPaths(paths);
    qev::frame::Options() = qev::frame::TOptions{};
    qev::frame::Flags().PipPossible = false;
  }
  void TearDown() override {
    Device().Unload();
    fs::remove_all(root);
  }
  void Store(const std::string& active) {
    qev::frame::Options().StartUp.ActiveDevice = active;
    std::ofstream(root / "Configs/Options.cfg") << "[StartUp]\r\nActiveDevice=" << active
                                                << "\r\n";
  }
  std::string StoredActiveDevice() {
    qev::frame::TFastIniFile file(qev::frame::Paths().OptionsFile);
    return file.ReadString("StartUp", "ActiveDevice", "<none>");
  }
  static DeviceChoice With(bool showChoice, bool offline = false,
                           std::optional<std::string> deviceFile = std::nullopt) {
    DeviceChoice choice;
    choice.showChoice = showChoice;
    choice.offline = offline;
    choice.deviceFile = std::move(deviceFile);
    return choice;
  }
  fs::path root;
  ScriptedChooser chooser;
};

} // namespace

TEST_F(Choice, TheStoredDeviceLoadsWithoutAsking) {
  Store("Dev_Pip.int");
  EXPECT_EQ(ChooseAndLoadDevice({}, chooser, nullptr), kDeviceReady);
  EXPECT_EQ(chooser.asked, 0);
  EXPECT_EQ(Device().Name(), "Dev_Pip");
  EXPECT_TRUE(qev::frame::Flags().PipPossible);
}

TEST_F(Choice, AFailingStoredDeviceIsForgottenInTheFile) {
  Store("Dev_OpenFails.int");
  EXPECT_EQ(ChooseAndLoadDevice({}, chooser, nullptr), kDeviceFailed);
  EXPECT_EQ(StoredActiveDevice(), "");
  EXPECT_EQ(qev::frame::Options().StartUp.ActiveDevice, "");
}

TEST_F(Choice, AMissingOrEmptyDeviceAsksAndTheAnswerDecides) {
  Store("Dev_Gone.int");
  chooser.answer = std::nullopt;
  EXPECT_EQ(ChooseAndLoadDevice({}, chooser, nullptr), kChoiceCancelled);
  chooser.answer = "";
  EXPECT_EQ(ChooseAndLoadDevice({}, chooser, nullptr), kDeviceReady);
  EXPECT_FALSE(Device().Loaded());
  chooser.answer = "Dev_Null.int";
  EXPECT_EQ(ChooseAndLoadDevice({}, chooser, nullptr), kDeviceReady);
  EXPECT_EQ(Device().Name(), "Dev_Null");
  EXPECT_EQ(chooser.asked, 3);
  EXPECT_FALSE(qev::frame::Flags().PipPossible);
}

TEST_F(Choice, AskingOnPurposeClearsTheStoredDeviceFirst) {
  Store("Dev_Null.int");
  chooser.answer = "Dev_Pip.int";
  EXPECT_EQ(ChooseAndLoadDevice(With(true), chooser, nullptr), kDeviceReady);
  EXPECT_EQ(chooser.storedWhenAsked, "");
  EXPECT_EQ(Device().Name(), "Dev_Pip");
}

TEST_F(Choice, DeviceOrOfflineForOneStartLeaveTheOptionsAlone) {
  Store("Dev_Null.int");
  EXPECT_EQ(ChooseAndLoadDevice(With(false, true), chooser, nullptr), kDeviceReady);
  EXPECT_FALSE(Device().Loaded());
  EXPECT_EQ(ChooseAndLoadDevice(With(false, false, (kFixtures / "Dev_OpenFails.int").string()),
                                chooser, nullptr),
            kDeviceFailed);
  EXPECT_EQ(ChooseAndLoadDevice(With(false, false, "Dev_Pip.int"), chooser, nullptr), kDeviceReady);
  EXPECT_EQ(Device().Name(), "Dev_Pip");
  EXPECT_EQ(chooser.asked, 0);
  EXPECT_EQ(StoredActiveDevice(), "Dev_Null.int");
}

namespace {

class Messages : public ::testing::Test {
protected:
  void SetUp() override {
    qev::frame::SetCurrentDispatcher(&loop);
    SetDeviceMessageHandlers(
        {[this](int level, const std::string& text) {
           seen.push_back("log " + std::to_string(level) + " " + text);
           onUiThread &= loop.IsUiThread();
         },
         [this](int bits, const ProgressRecord& p) {
           seen.push_back("progress " + std::to_string(bits) + " " + std::to_string(p.Position));
         },
         [this](int value) { seen.push_back("reception " + std::to_string(value)); },
         [this](int value) {
           seen.push_back("mode " + std::to_string(value));
           onUiThread &= loop.IsUiThread();
         }});
  }
  void TearDown() override {
    SetDeviceMessageHandlers({});
    qev::frame::SetCurrentDispatcher(nullptr);
    qev::frame::Flags().Closing = false;
  }
  qev::frame::EventLoop loop;
  std::vector<std::string> seen;
  bool onUiThread = true;
};

} // namespace

TEST_F(Messages, MessagesFromAModuleThreadAreHandledOnTheUiThread) {
  std::thread module([] {
    char text[] = "tuner ready";
    ProgramDeviceCallback(QEV_MSG_LOG, 0, text);
    text[0] = 'X'; // the text was copied before the call returned
    ProgressRecord progress{0, 10, 4, 1};
    ProgramDeviceCallback(QEV_MSG_PROGRESS, QEV_PROGRESS_SET_POSITION, &progress);
    ProgramDeviceCallback(QEV_MSG_RECEPTION, 0x13, nullptr);
    ProgramDeviceCallback(QEV_MSG_WINDOW_MODE, 0x0102, nullptr); // posted: returns at once
    ProgramDeviceCallback(99, 0, nullptr);                      // unknown: ignored
  });
  module.join();
  EXPECT_TRUE(seen.empty());
  loop.ProcessPending();
  EXPECT_THAT(seen, ElementsAre("log 0 tuner ready", "progress 4 4", "reception 19", "mode 258"));
  EXPECT_TRUE(onUiThread);
}

TEST_F(Messages, EverythingIsIgnoredWhileTheProgramCloses) {
  qev::frame::Flags().Closing = true;
  char text[] = "late";
  ProgramDeviceCallback(QEV_MSG_LOG, 2, text);
  ProgramDeviceCallback(QEV_MSG_WINDOW_MODE, 1, nullptr);
  loop.ProcessPending();
  EXPECT_TRUE(seen.empty());
}

TEST(CallGate, ClosedGateRefusesAndAThreadInsideMayCloseIt) {
  TCallGate gate;
  {
    TCallGate::Pass pass(gate, "Tune");
    EXPECT_FALSE(pass);
  }
  EXPECT_FALSE(gate.Oldest());
  gate.Open();
  TCallGate::Pass pass(gate, "Tune");
  EXPECT_TRUE(pass);
  EXPECT_TRUE(TCallGate::CallerInside());
  {
    TCallGate::Pass inner(gate, "GetSignalStatus");
    ASSERT_TRUE(gate.Oldest());
    EXPECT_STREQ(gate.Oldest()->name, "Tune"); // the oldest call in flight is the one named
  }
  gate.Close(); // from inside a call on this thread: must not wait for itself
  TCallGate::Pass later(gate, "Tune");
  EXPECT_FALSE(later);
}
