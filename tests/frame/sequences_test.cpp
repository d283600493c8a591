// Start-up steps, the guarded shutdown, deferred closes and suspend/resume.
#include "frame/busy_tracker.h"
#include "frame/event_loop.h"
#include "frame/log.h"
#include "frame/power_events.h"
#include "frame/process_flags.h"
#include "frame/shutdown_sequence.h"
#include "frame/startup_sequence.h"
#include "support/scripted_presenter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

using namespace qev::frame;
using ::testing::ElementsAre;

namespace {

class Sequences : public ::testing::Test {
protected:
  void SetUp() override {
    SetLogTarget([this](int, int, const char* text) { log.push_back(text); });
    ResetFlags();
  }
  void TearDown() override {
    SetLogTarget(nullptr);
    ResetFlags();
  }
  static void ResetFlags() {
    Flags().Closing = false;
    Flags().ForceExit = false;
    Flags().EngineSuspended = false;
  }
  TShutdownSequence::Action Step(const std::string& name,
                                 std::optional<std::string> error = std::nullopt) {
    return [this, name, error] {
      ran.push_back(name);
      return error;
    };
  }

  std::vector<std::string> log;
  std::vector<std::string> ran;
  qev::test::ScriptedPresenter presenter;
};

} // namespace

TEST_F(Sequences, StartupLogsItsLinesInOrderAndRunsPluggedSteps) {
  TStartupSequence steps;
  steps.Plug(StartupStep::Satellites, [this] {
    log.push_back("satellites loaded");
    return 0;
  });
  steps.Plug(StartupStep::RemoteControl, [this] {
    log.push_back("remote");
    return 0;
  });
  EXPECT_EQ(steps.Run(), 0);
  EXPECT_THAT(log, ElementsAre("Loading resources", "Loading settings", "satellites loaded",
                               "Loading plugins", "Loading channels", "remote"));
}

TEST_F(Sequences, StartupStopsAtTheFirstFailingStep) {
  TStartupSequence steps;
  steps.Plug(StartupStep::Device, [] { return 2; });
  steps.Plug(StartupStep::Channels, [this] {
    log.push_back("must not run");
    return 0;
  });
  EXPECT_EQ(steps.Run(), 2);
  EXPECT_THAT(log, ElementsAre("Loading resources", "Loading settings"));
}

TEST_F(Sequences, ShutdownRunsEveryStepAndReportsFailuresWithTheirTexts) {
  TShutdownSequence shutdown;
  shutdown.Plug(ShutdownStep::SavePlacement, Step("placement"));
  shutdown.Plug(ShutdownStep::SaveSettings, Step("settings", "disk full"));
  shutdown.Plug(ShutdownStep::ReleaseEngine, Step("engine", "x"));
  shutdown.Plug(ShutdownStep::StopRemoteControl, [this]() -> std::optional<std::string> {
    ran.push_back("remote");
    throw std::runtime_error("ignored");
  });
  shutdown.Plug(ShutdownStep::HideTeletext, Step("teletext", "x"));
  shutdown.Plug(ShutdownStep::UnloadDevice, Step("device", "x"));
  shutdown.Plug(ShutdownStep::FreePlugins, [this]() -> std::optional<std::string> {
    ran.push_back("plugins");
    throw std::runtime_error("Access violation");
  });
  shutdown.Plug(ShutdownStep::ReleaseGraphSlots, Step("graphs", "graph busy"));

  EXPECT_TRUE(shutdown.RequestClose());
  EXPECT_TRUE(Flags().Closing);
  EXPECT_THAT(ran, ElementsAre("placement", "settings", "engine", "remote", "teletext", "device",
                               "plugins", "graphs"));
  EXPECT_THAT(presenter.Texts(),
              ElementsAre("Settings could not be saved: disk full",
                          "Error in DvbEngine_ReleaseResources()", "Error hidding TTX/SUB.",
                          "Error on FreeHardware()", "Error on Plugins_FreeAll(): Access violation",
                          "Error on DsHelper_Free(): graph busy"));
  for (const auto& shown : presenter.shown)
    EXPECT_EQ(shown.caption, "Error");

  // A second close is allowed at once and runs nothing again.
  ran.clear();
  EXPECT_TRUE(shutdown.RequestClose());
  EXPECT_TRUE(ran.empty());
}

TEST_F(Sequences, AFailedSaveIsShownAndRememberedForTheExitCode) {
  TShutdownSequence shutdown;
  shutdown.Plug(ShutdownStep::SavePlacement, [this]() -> std::optional<std::string> {
    ran.push_back("placement");
    throw std::runtime_error("no space left");
  });
  shutdown.Plug(ShutdownStep::SaveSettings, Step("settings", "Cannot replace Options.cfg"));
  shutdown.Plug(ShutdownStep::ReleaseEngine, Step("engine"));
  EXPECT_TRUE(shutdown.RequestClose());
  EXPECT_THAT(ran, ElementsAre("placement", "settings", "engine"));
  EXPECT_THAT(presenter.Texts(), ElementsAre("Settings could not be saved: no space left",
                                             "Settings could not be saved: Cannot replace "
                                             "Options.cfg"));
  EXPECT_THAT(shutdown.SaveFailures(), ElementsAre("Settings could not be saved: no space left",
                                                   "Settings could not be saved: Cannot replace "
                                                   "Options.cfg"));

  TShutdownSequence clean;
  clean.Plug(ShutdownStep::SaveSettings, Step("settings"));
  Flags().Closing = false;
  EXPECT_TRUE(clean.RequestClose());
  EXPECT_TRUE(clean.SaveFailures().empty());
}

TEST_F(Sequences, AnsweringNoToTheRecordingQuestionKeepsTheProgramRunning) {
  TShutdownSequence shutdown;
  shutdown.Plug(ShutdownStep::SavePlacement, Step("placement"));
  shutdown.Plug(ShutdownStep::SaveSettings, Step("settings"));
  shutdown.SetRecordingQuery([] { return true; });
  presenter.AnswerNext(false);
  EXPECT_FALSE(shutdown.RequestClose());
  EXPECT_FALSE(Flags().Closing);
  EXPECT_THAT(ran, ElementsAre("placement"));
  EXPECT_THAT(presenter.Texts(), ElementsAre("Recording is active ! Stop all && EXIT ?"));
  EXPECT_EQ(presenter.shown[0].caption, "Confirmation");

  presenter.AnswerNext(true);
  EXPECT_TRUE(shutdown.RequestClose());
  EXPECT_THAT(ran, ElementsAre("placement", "placement", "settings"));
}

TEST_F(Sequences, ForcedExitDoesNotAskAboutRecordings) {
  TShutdownSequence shutdown;
  shutdown.SetRecordingQuery([] { return true; });
  Flags().ForceExit = true;
  EXPECT_TRUE(shutdown.RequestClose());
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(Sequences, ACloseWhileTheQuestionIsOpenIsRefusedAtOnce) {
  TShutdownSequence shutdown;
  struct Nested : qev::test::ScriptedPresenter {
    TShutdownSequence* shutdown = nullptr;
    bool nestedResult = true;
    bool Ask(const std::string& c, const std::string& t, MessageIcon i) override {
      nestedResult = shutdown->RequestClose(); // the user clicks close again
      return ScriptedPresenter::Ask(c, t, i);
    }
  } nested;
  nested.shutdown = &shutdown;
  shutdown.SetRecordingQuery([] { return true; });
  nested.AnswerNext(true);
  EXPECT_TRUE(shutdown.RequestClose());
  EXPECT_FALSE(nested.nestedResult);
  EXPECT_EQ(nested.shown.size(), 1u);
}

TEST(BusyTracker, DefersUntilTheLastOperationReturns) {
  EventLoop loop;
  SetCurrentDispatcher(&loop);
  TBusyTracker tracker;
  int closes = 0;
  tracker.WhenIdle([&] { ++closes; });
  EXPECT_EQ(closes, 1); // idle: at once
  {
    TBusyTracker::Scope outer(tracker);
    {
      TBusyTracker::Scope inner(tracker);
      tracker.WhenIdle([&] { ++closes; });
    }
    loop.ProcessPending();
    EXPECT_EQ(closes, 1); // the outer operation still runs
  }
  EXPECT_EQ(closes, 1); // posted, not run inside the operation's unwinding
  loop.ProcessPending();
  EXPECT_EQ(closes, 2);
  SetCurrentDispatcher(nullptr);
}

TEST_F(Sequences, SuspendReleasesOnceAndResumeRestoresOnlyAfterASuspend) {
  TShutdownSequence shutdown;
  shutdown.Plug(ShutdownStep::ReleaseEngine, Step("engine"));
  shutdown.Plug(ShutdownStep::UnloadDevice, Step("unload"));
  TPowerEvents power(shutdown, {nullptr, [this] { ran.push_back("reload"); },
                                [this] { ran.push_back("switch"); }});
  power.Resume(); // without a suspend: nothing happens to the device
  EXPECT_TRUE(ran.empty());
  power.Suspend();
  power.Suspend();
  EXPECT_TRUE(Flags().EngineSuspended);
  power.Resume();
  power.Resume();
  EXPECT_FALSE(Flags().EngineSuspended);
  EXPECT_THAT(ran, ElementsAre("engine", "unload", "reload", "switch"));
}

TEST_F(Sequences, ARefusedSuspendIsAllowedAfterAForcedExit) {
  TShutdownSequence shutdown;
  bool refuse = true;
  TPowerEvents power(shutdown, {[&] { return refuse; }, nullptr, nullptr});
  EXPECT_FALSE(power.SuspendAllowed());
  Flags().ForceExit = true;
  EXPECT_TRUE(power.SuspendAllowed());
  Flags().ForceExit = false;
  refuse = false;
  EXPECT_TRUE(power.SuspendAllowed());
}
