// Starts the program's composition root on a temporary root, as main does, and looks at it.
#include "app/qev_application.h"
#include "device/device_module.h"
#include "frame/app_paths.h"
#include "frame/busy_tracker.h"
#include "frame/log.h"
#include "frame/process_flags.h"
#include "frame/qt/form_startup.h"
#include "frame/qt/logind_sleep_monitor.h"
#include "frame/qt/qt_message_presenter.h"
#include "frame/window_placement.h"
#include "support/screenshot.h"
#include "support/scripted_presenter.h"
#include "ui/qt/form_dvb_main.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

using namespace qev;
using ::testing::ElementsAre;
namespace fs = std::filesystem;

namespace {

class AppStart : public ::testing::Test {
protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("qev-app-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root / "Configs");
    frame::SetPaths(frame::TAppPaths(root));
    frame::Flags().Closing = false;
  }
  void TearDown() override {
    fs::remove_all(root);
    frame::Flags().Closing = false;
  }
  fs::path Placement() const { return root / "qevdvb.INI"; }
  static frame::ProgramOptions Offline() {
    frame::ProgramOptions options;
    options.offline = true;
    return options;
  }

  fs::path root;
  test::ScriptedPresenter presenter;
};

} // namespace

TEST_F(AppStart, StartsOfflineShowsTheLogAndSavesThePlacementOnClose) {
  app::TQevApplication application(Offline(), Placement());
  ASSERT_TRUE(application.Start());
  EXPECT_THAT(application.StartupLog(),
              ElementsAre(" Loading resources", " Loading settings", " Loading plugins",
                          " Loading channels", " Scheduler initialization",
                          " Build user interface"));
  ui::TFormDvbMain* window = application.MainWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), "QEV-DVB @ OFFLINE");

  frame::Log("No signal on 11778 V", frame::kLogError);
  EXPECT_EQ(window->MessageLine(), "No signal on 11778 V");
  EXPECT_THAT(window->findChild<QLabel*>("messageLine")->styleSheet().toStdString(),
              ::testing::HasSubstr("red"));
  test::SaveScreenshot(*window, "main_window");

  application.RequestClose();
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(frame::Flags().Closing);
  const auto saved = frame::LoadPlacement(Placement());
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->Width, window->width());
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(AppStart, TheCaptionNamesTheLoadedDevice) {
  frame::ProgramOptions options;
  options.deviceFile = QEV_FIXTURE_DEVICES "/Dev_Null.int";
  app::TQevApplication application(options, Placement());
  ASSERT_TRUE(application.Start());
  EXPECT_EQ(application.MainWindow()->windowTitle(), "QEV-DVB @ Dev_Null [ drives nothing ]");
  EXPECT_THAT(application.StartupLog(), ::testing::Contains(" Loading \"Dev_Null.int\""));
  application.RequestClose();
  EXPECT_FALSE(device::Device().Loaded()); // the shutdown unloaded it
}

TEST_F(AppStart, TheSimulatedSkyNamesItselfInTheCaption) {
  frame::ProgramOptions options;
  options.deviceFile = QEV_SIM_MODULE;
  app::TQevApplication application(options, Placement());
  ASSERT_TRUE(application.Start());
  EXPECT_EQ(application.MainWindow()->windowTitle(), "QEV-DVB @ QEV Sky Simulator [ Demo sky ]");
  application.RequestClose();
}

TEST_F(AppStart, ANewRootStartsOnTheFirstDemoChannelAndShowsItsSignal) {
  fs::remove_all(root);
  ASSERT_EQ(frame::SeedRoot(root, QEV_SHARE_DIR), "");
  frame::ProgramOptions options;
  options.deviceFile = (root / "Devices/Dev_Sim.int").string();
  app::TQevApplication application(options, Placement());
  ASSERT_TRUE(application.Start());
  auto* lock = application.MainWindow()->findChild<QLabel*>("lockPanel");
  auto* level = application.MainWindow()->findChild<QProgressBar*>("levelBar");
  ASSERT_TRUE(lock && level);
  EXPECT_TRUE(QTest::qWaitFor([&] { return lock->styleSheet().contains("#2e9d3a"); }, 10000));
  EXPECT_EQ(level->value(), 82); // the sky's level for 10788 V on 19.2E
  test::SaveScreenshot(*application.MainWindow(), "main_window_demo_channel");
  application.RequestClose();
}

TEST_F(AppStart, ASystemSuspendGivesUpTheDeviceAndTheResumeLoadsItAgain) {
  frame::ProgramOptions options;
  options.deviceFile = QEV_FIXTURE_DEVICES "/Dev_Null.int";
  app::TQevApplication application(options, Placement());
  ASSERT_TRUE(application.Start());
  application.Power().Suspend();
  EXPECT_FALSE(device::Device().Loaded());
  application.Power().Resume();
  EXPECT_TRUE(device::Device().Loaded());
  EXPECT_EQ(application.MainWindow()->windowTitle(), "QEV-DVB @ Dev_Null [ drives nothing ]");
  application.RequestClose();
}

TEST_F(AppStart, RestoresTheSavedPlacement) {
  ASSERT_EQ(frame::SavePlacement(Placement(), {30, 40, 800, 560, frame::kWindowNormal}), "");
  app::TQevApplication application(Offline(), Placement());
  ASSERT_TRUE(application.Start());
  EXPECT_EQ(application.MainWindow()->size(), QSize(800, 560));
  application.RequestClose();
}

TEST_F(AppStart, AFailedDeviceKeepsTheStartupWindowUntilItIsClosed) {
  frame::ProgramOptions options;
  options.deviceFile = QEV_FIXTURE_DEVICES "/Dev_Version0201.int";
  app::TQevApplication application(options, Placement());
  // Plays the user: once the start-up has ended, the window offers its close button.
  bool waited = false;
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* close = w->findChild<QPushButton*>();
      if (w->isVisible() && w->windowTitle() == frame::TFormStartup::kCaption && close &&
          close->isEnabled()) {
        waited = true;
        test::SaveScreenshot(*w, "startup_window_failed");
        user.stop();
        close->click();
      }
    }
  });
  user.start(5);
  EXPECT_FALSE(application.Start());
  EXPECT_TRUE(waited);
  EXPECT_EQ(application.MainWindow(), nullptr);
  EXPECT_THAT(application.StartupLog(),
              ElementsAre(" Loading resources", " Loading settings",
                          " Loading \"Dev_Version0201.int\"",
                          " Incompatible interface version: 0x0201 (expected 0x0200)"));
}

TEST_F(AppStart, ACloseDuringALongOperationWaitsUntilItReturns) {
  app::TQevApplication application(Offline(), Placement());
  ASSERT_TRUE(application.Start());
  ui::TFormDvbMain* window = application.MainWindow();
  {
    frame::TBusyTracker::Scope busy(frame::Operations());
    window->close();
    QApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(frame::Flags().Closing);
  }
  QApplication::processEvents();
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(frame::Flags().Closing);
}

TEST_F(AppStart, TheApplicationCarriesTheProgramsName) {
  app::TQevApplication application(Offline(), Placement());
  EXPECT_EQ(QCoreApplication::applicationName(), "QEV-DVB");
  ASSERT_TRUE(application.Start());
  // No display name: it would be appended to every caption.
  EXPECT_EQ(application.MainWindow()->windowTitle(), "QEV-DVB @ OFFLINE");
  application.RequestClose();
}

TEST_F(AppStart, AnOptionsFileThatCannotBeReadIsReportedAndLeftAlone) {
  const fs::path options = root / "Configs/Options.cfg";
  fs::create_directories(options / "inside");
  app::TQevApplication application(Offline(), Placement());
  ASSERT_TRUE(application.Start());
  const QStringList log = application.StartupLog();
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const QString &line) {
    return line.contains("Cannot read") && line.contains("Options.cfg");
  })) << log.join("|").toStdString();
  application.RequestClose();
  EXPECT_TRUE(fs::is_directory(options / "inside"));
  EXPECT_TRUE(presenter.shown.empty());
  EXPECT_TRUE(application.ShutdownSteps().SaveFailures().empty());
}

TEST_F(AppStart, AFailedSaveAtTheCloseIsShownAndKeptForTheExitCode) {
  // The options lead into a folder that cannot be made, so they cannot be saved.
  fs::create_symlink("/proc/qev-no-such-folder/Options.cfg", root / "Configs/Options.cfg");
  app::TQevApplication application(Offline(), Placement());
  ASSERT_TRUE(application.Start());
  application.RequestClose();
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].caption, "Error");
  EXPECT_THAT(presenter.shown[0].text, ::testing::StartsWith("Settings could not be saved: "));
  EXPECT_THAT(presenter.shown[0].text, ::testing::HasSubstr("qev-no-such-folder"));
  EXPECT_THAT(application.ShutdownSteps().SaveFailures(), ElementsAre(presenter.shown[0].text));
}

TEST(SleepMonitor, TheRefusalFollowsItsConditionsWhileTheProgramRuns) {
  bool allowed = true;
  frame::TLogindSleepMonitor monitor({[&] { return allowed; }, nullptr, nullptr},
                                     std::chrono::milliseconds(10));
  EXPECT_FALSE(monitor.Refusing());
  allowed = false; // the option was switched on
  EXPECT_TRUE(QTest::qWaitFor([&] { return monitor.Refusing(); }, 5000));
  allowed = true; // a forced exit lifts it
  EXPECT_TRUE(QTest::qWaitFor([&] { return !monitor.Refusing(); }, 5000));
}

TEST_F(AppStart, ACloseAskedForInsideAModuleCallRunsAfterTheCallReturns) {
  frame::ProgramOptions options;
  options.deviceFile = QEV_FIXTURE_DEVICES "/Dev_TuneLogs.int";
  app::TQevApplication application(options, Placement());
  ASSERT_TRUE(application.Start());
  ui::TFormDvbMain *window = application.MainWindow();
  // The module logs and pumps from inside Tune; the close waits in the queue until then.
  QTimer::singleShot(0, window, [&] { application.RequestClose(); });
  EXPECT_EQ(device::Device().Tune(TuneRequest{}), 0);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(device::Device().Loaded());
  EXPECT_FALSE(frame::Flags().Closing);
  QApplication::processEvents();
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(device::Device().Loaded());
}

TEST_F(AppStart, ASuspendAskedForInsideAModuleCallRunsAfterTheCallReturns) {
  frame::ProgramOptions options;
  options.deviceFile = QEV_FIXTURE_DEVICES "/Dev_TuneLogs.int";
  app::TQevApplication application(options, Placement());
  ASSERT_TRUE(application.Start());
  QTimer::singleShot(0, application.MainWindow(), [&] { application.SystemSuspend(); });
  EXPECT_EQ(device::Device().Tune(TuneRequest{}), 0);
  EXPECT_FALSE(frame::Flags().EngineSuspended);
  EXPECT_TRUE(device::Device().Loaded());
  QApplication::processEvents();
  EXPECT_TRUE(frame::Flags().EngineSuspended);
  EXPECT_FALSE(device::Device().Loaded());
  application.SystemResume(); // outside any call: at once
  EXPECT_FALSE(frame::Flags().EngineSuspended);
  EXPECT_TRUE(device::Device().Loaded());
  application.RequestClose();
}

TEST(QtMessagePresenter, CarriageReturnsBecomeLineBreaks) {
  EXPECT_EQ(frame::MessageBoxText("one\rtwo\r\nthree"), "one\ntwo\nthree");
}
