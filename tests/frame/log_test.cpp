#include "frame/event_loop.h"
#include "frame/log.h"
#include "frame/process_flags.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <thread>

using namespace qev::frame;
using ::testing::ElementsAre;

namespace {

struct FakeStartup : StartupLogView {
  std::vector<std::string> lines;
  std::thread::id thread;
  void AppendLogLine(const std::string& line) override {
    lines.push_back(line);
    thread = std::this_thread::get_id();
  }
};

struct FakeMain : MessageLineView {
  std::string text = "untouched";
  LineColor color = LineColor::Blue;
  void ShowMessageLine(const std::string& t, LineColor c) override {
    text = t;
    color = c;
  }
};

// Routes Log through a router as the program does, with an event loop as the GUI thread.
class LogRouting : public ::testing::Test {
protected:
  void SetUp() override {
    SetCurrentDispatcher(&loop);
    SetLogTarget([this](int message, int level, const char* text) {
      if (message == kMessageLogLine)
        router.Show(level, text);
    });
  }
  void TearDown() override {
    SetLogTarget(nullptr);
    SetCurrentDispatcher(nullptr);
  }

  EventLoop loop;
  TLogRouter router;
  FakeStartup startup;
  FakeMain main;
};

} // namespace

TEST_F(LogRouting, LinesBeforeAnyWindowAreDropped) {
  Log("early");
  router.AttachStartupWindow(&startup);
  EXPECT_TRUE(startup.lines.empty());
}

TEST_F(LogRouting, StartupWindowGetsIndentedLinesAndHasPriority) {
  router.AttachStartupWindow(&startup);
  router.AttachMainWindow(&main);
  Log("Loading settings");
  Log("Device failed", kLogError);
  EXPECT_THAT(startup.lines, ElementsAre(" Loading settings", " Device failed"));
  EXPECT_EQ(main.text, "untouched");
}

TEST_F(LogRouting, MainWindowShowsErrorsRedOthersBlueAndEmptyTextClears) {
  router.AttachMainWindow(&main);
  Log("Tuning failed", kLogError);
  EXPECT_EQ(main.text, "Tuning failed");
  EXPECT_EQ(main.color, LineColor::Red);
  Log("Locked", 1);
  EXPECT_EQ(main.color, LineColor::Blue);
  Log("Locked", kLogInfo);
  EXPECT_EQ(main.color, LineColor::Blue);
  Log("");
  EXPECT_EQ(main.text, "");
}

TEST_F(LogRouting, LinesFromOtherThreadsAreShownOnTheUiThread) {
  router.AttachStartupWindow(&startup);
  std::thread worker([] { Log("from a worker"); });
  worker.join();
  EXPECT_TRUE(startup.lines.empty()); // not shown until the UI thread runs its queue
  loop.ProcessPending();
  EXPECT_THAT(startup.lines, ElementsAre(" from a worker"));
  EXPECT_EQ(startup.thread, std::this_thread::get_id());
}

TEST(Log, WithoutTargetNothingHappens) {
  SetLogTarget(nullptr);
  Log("nobody listens");
  SUCCEED();
}

TEST(LogEcho, ErrorsAndEverythingDuringTheShutdownReachTheStream) {
  std::ostringstream terminal;
  std::vector<std::string> windows;
  SetLogTarget(EchoToStream([&](int, int, const char *text) { windows.push_back(text); }, terminal,
                            "qevdvb: "));
  Log("Loading settings");
  Log("Cannot read Options.cfg: Is a directory", kLogError);
  Flags().Closing = true;
  Log("Options.cfg is read-only and is not rewritten");
  Log("");
  Flags().Closing = false;
  SetLogTarget(nullptr);
  EXPECT_EQ(terminal.str(), "qevdvb: Cannot read Options.cfg: Is a directory\n"
                            "qevdvb: Options.cfg is read-only and is not rewritten\n");
  EXPECT_THAT(windows, ElementsAre("Loading settings", "Cannot read Options.cfg: Is a directory",
                                   "Options.cfg is read-only and is not rewritten", ""));
}
