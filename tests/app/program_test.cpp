// Runs the real qevdvb program as a script or a user's session would.
#include "frame/instance_hand_over.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
extern char** environ;

namespace {

class Program : public ::testing::Test {
protected:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    root = fs::temp_directory_path() /
           ("qev-program-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
  }
  void TearDown() override { fs::remove_all(root); }

  pid_t Spawn(std::vector<std::string> args) {
    args.insert(args.begin(), QEVDVB_BINARY);
    std::vector<char*> argv;
    for (auto& a : args)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    EXPECT_EQ(posix_spawn(&pid, QEVDVB_BINARY, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }
  static int ExitCode(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  static std::string Text(const fs::path &file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::string Output() const { return Text(output); }
  std::string Errors() const { return Text(errors); }
  // Starts on an existing root, with no device, until --quit-after closes the window.
  int RunOffline() {
    return ExitCode(Spawn({"--root", root.string(), "--offline", "--quit-after", "300"}));
  }

  fs::path root;
  fs::path output = fs::temp_directory_path() / ("qev-program-out-" + std::to_string(::getpid()));
  fs::path errors = fs::temp_directory_path() / ("qev-program-err-" + std::to_string(::getpid()));
};

} // namespace

TEST_F(Program, QuitAfterClosesNormallyAndLeavesThePlacementFile) {
  EXPECT_EQ(ExitCode(Spawn({"--root", root.string(), "--offline", "--quit-after", "300"})), 0);
  EXPECT_TRUE(fs::is_directory(root / "Configs")); // a new root is seeded
  EXPECT_TRUE(fs::exists(root / "qevdvb.INI"));
}

TEST_F(Program, TerminationSignalRunsTheOrdinaryClose) {
  const pid_t pid = Spawn({"--root", root.string(), "--offline"});
  // The root is seeded after the signals are taken over, so from then on SIGTERM is safe.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!fs::exists(root / "Configs") && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ::kill(pid, SIGTERM);
  EXPECT_EQ(ExitCode(pid), 0);
  EXPECT_TRUE(fs::exists(root / "qevdvb.INI"));
}

TEST_F(Program, AModuleCallThatNeverReturnsEndsTheProcessPastTheGraceWithAMessage) {
  const fs::path hanging =
      fs::temp_directory_path() / ("qev-tune-hangs-" + std::to_string(getpid()));
  fs::remove(hanging);
  setenv("FIXTURE_HANG_MARK", hanging.c_str(), 1);
  // A new root starts on the demo channel, and the module's Tune never returns.
  const pid_t pid =
      Spawn({"--root", root.string(), "--device", QEV_FIXTURE_DEVICES "/Dev_TuneHangs.int"});
  unsetenv("FIXTURE_HANG_MARK");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!fs::exists(hanging) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(fs::exists(hanging));
  fs::remove(hanging);
  ::kill(pid, SIGTERM);
  EXPECT_EQ(ExitCode(pid), 1);
  EXPECT_NE(Text(errors).find("the close did not finish within 10 s: the device module "
                              "Dev_TuneHangs.int has not returned from Tune"),
            std::string::npos)
      << Text(errors);
}

TEST_F(Program, AFailingStoredDeviceEndsWithExitCodeOneAndIsForgotten) {
  fs::create_directories(root / "Devices");
  fs::create_directories(root / "Configs");
  fs::copy_file(QEV_FIXTURE_DEVICES "/Dev_OpenFails.int", root / "Devices/Dev_OpenFails.int");
  std::ofstream(root / "Configs/Options.cfg") << "[StartUp]\r\nActiveDevice=Dev_OpenFails.int\r\n";
  // The start-up window waits for its close, which --quit-after gives.
  EXPECT_EQ(ExitCode(Spawn({"--root", root.string(), "--quit-after", "500"})), 1);
  std::ifstream in(root / "Configs/Options.cfg");
  const std::string options{std::istreambuf_iterator<char>(in), {}};
  EXPECT_NE(options.find("ActiveDevice=\r\n"), std::string::npos) << options;
}

TEST_F(Program, HelpVersionAndBadArguments) {
  EXPECT_EQ(ExitCode(Spawn({"--help"})), 0);
  EXPECT_NE(Output().find("--quit-after MS"), std::string::npos);
  EXPECT_EQ(ExitCode(Spawn({"--version"})), 0);
  EXPECT_EQ(Output().rfind("QEV-DVB ", 0), 0u);
  EXPECT_EQ(ExitCode(Spawn({"--frobnicate"})), 2);
}

TEST_F(Program, OptionsThatCannotBeReadAreReportedAndLeftAsTheyAre) {
  const fs::path options = root / "Configs/Options.cfg";
  fs::create_directories(options / "inside");
  EXPECT_EQ(RunOffline(), 0);
  EXPECT_TRUE(fs::is_directory(options / "inside"));
  EXPECT_NE(Errors().find("Cannot read " + options.string()), std::string::npos) << Errors();

  fs::remove_all(options);
  ASSERT_EQ(::mkfifo(options.c_str(), 0644), 0);
  EXPECT_EQ(RunOffline(), 0); // never waits for a writer
  EXPECT_TRUE(fs::is_fifo(options));
  EXPECT_NE(Errors().find("not a regular file"), std::string::npos) << Errors();
  EXPECT_EQ(std::distance(fs::directory_iterator(root / "Configs"), fs::directory_iterator()), 1);
}

TEST_F(Program, AChannelListThatCannotBeReadIsReportedOnceADeviceRunsAndLeftAsItIs) {
  // The first start seeds the root with the demo sky and its lists.
  ASSERT_EQ(ExitCode(Spawn({"--root", root.string(), "--quit-after", "1500"})), 0);
  const fs::path list = root / "SatFiles/Channels/0192.bch";
  ASSERT_TRUE(fs::exists(list));
  fs::remove(list);
  fs::create_directories(list / "inside");
  EXPECT_EQ(ExitCode(Spawn({"--root", root.string(), "--quit-after", "1500"})), 0);
  EXPECT_TRUE(fs::is_directory(list / "inside"));
  EXPECT_NE(Errors().find("Cannot read " + list.string()), std::string::npos) << Errors();
}

TEST_F(Program, LinkedOptionsAreSavedThroughTheLink) {
  fs::create_directories(root / "Configs");
  fs::create_directories(root / "mine");
  std::ofstream(root / "mine/Options.cfg") << "[WinLirc]\r\nAntiRepeat=250\r\n";
  fs::create_symlink("../mine/Options.cfg", root / "Configs/Options.cfg");
  EXPECT_EQ(RunOffline(), 0);
  EXPECT_TRUE(fs::is_symlink(root / "Configs/Options.cfg"));
  const std::string saved = Text(root / "mine/Options.cfg");
  EXPECT_NE(saved.find("AntiRepeat=250\r\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("[StartUp]"), std::string::npos) << saved;
  EXPECT_EQ(Errors().find("qevdvb: "), std::string::npos) << Errors();
}

TEST_F(Program, AFailedSaveAtTheCloseReachesStandardErrorAndTheExitCode) {
  fs::create_directories(root / "Configs");
  fs::create_symlink("/proc/qev-no-such-folder/Options.cfg", root / "Configs/Options.cfg");
  EXPECT_EQ(RunOffline(), 1); // the box that says so does not keep the script waiting
  EXPECT_NE(Errors().find("Settings could not be saved: "), std::string::npos) << Errors();
}

TEST_F(Program, ASecondStartOnTheSameRootHandsOverItsExitAndEndsAtOnce) {
  const pid_t first = Spawn({"--root", root.string(), "--offline", "--quit-after", "60000"});
  const fs::path socket =
      qev::frame::HandOverPlaceOf(root, qev::frame::HandOverRuntimeFolder()).Socket;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!fs::exists(socket) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(fs::exists(socket));
  // The first instance may still be starting and drop the text: then it is sent again.
  const auto started = std::chrono::steady_clock::now();
  int firstStatus = 0;
  while (::waitpid(first, &firstStatus, WNOHANG) == 0 &&
         std::chrono::steady_clock::now() - started < std::chrono::seconds(30)) {
    EXPECT_EQ(ExitCode(Spawn({"--root", root.string(), "/EXIT"})), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  EXPECT_TRUE(WIFEXITED(firstStatus) && WEXITSTATUS(firstStatus) == 0);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
  EXPECT_FALSE(fs::exists(socket));
}
