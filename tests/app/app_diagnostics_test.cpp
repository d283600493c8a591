// The diagnostic windows in the program on the demo sky: the statistics window lists every PID
// of the tuned transponder with rates that add up to the transponder's own rate; the bitrate
// viewer charts the current channel's streams; the resource monitor feeds the load bar.
#include "app/qev_application.h"
#include "demo_root_test.h"
#include "description_file.h"
#include "device/engine_steps.h"
#include "device/tuning_engine.h"
#include "diagnostics/qt/form_bitrate_viewer.h"
#include "diagnostics/qt/form_ts_statistics.h"
#include "diagnostics/qt/hist_scope.h"
#include "support/screenshot.h"
#include "ui/qt/form_dvb_main.h"

#include <QAction>
#include <QApplication>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <set>

using namespace qev;

namespace {

class AppDiagnostics : public test::DemoRootTest {
protected:
  AppDiagnostics() : DemoRootTest("qev-app-diagnostics-") {}

  // The sky's description of the transponder of AV slot 0.
  std::optional<tsgen::Transponder> TunedTransponder() const {
    const std::uint32_t freq = device::TuningEngine().Slot(0).CurrentChannel.Freq;
    for (const auto &entry : std::filesystem::directory_iterator(root / "Devices/Sky"))
      if (entry.path().extension() == ".txt") {
        tsgen::Transponder tp = tsgen::DescriptionFile::Load(entry.path().string());
        if (tp.delivery.frequencyKhz / 1000 == freq / 1000)
          return tp;
      }
    return std::nullopt;
  }
};

template <typename T> T *Window(const char *name) {
  for (QWidget *w : QApplication::topLevelWidgets())
    if (w->objectName() == name && w->isVisible())
      return qobject_cast<T *>(w);
  return nullptr;
}

// Runs `check` on the modal window the action opens, then closes it.
template <typename T>
void WithModal(QAction *action, const char *name, const std::function<void(T &)> &check) {
  bool ran = false;
  QTimer::singleShot(0, [&] {
    T *window = nullptr;
    if (QTest::qWaitFor([&] { return (window = Window<T>(name)) != nullptr; }, 5000)) {
      check(*window);
      window->accept();
    }
    ran = true;
  });
  action->trigger();
  ASSERT_TRUE(ran);
}

TEST_F(AppDiagnostics, StatisticsBitrateViewerAndLoadBarOnTheDemoSky) {
  app::TQevApplication application(SimDeviceOptions(), PlacementFile());
  ASSERT_TRUE(application.Start());
  ui::TFormDvbMain &main = *application.MainWindow();
  ASSERT_TRUE(QTest::qWaitFor(
      [] { return device::TuningEngine().Slot(0).CurrentChannel.Freq != 0; }, 15000));
  const std::optional<tsgen::Transponder> tp = TunedTransponder();
  ASSERT_TRUE(tp);

  auto *statistics = main.findChild<QAction *>("tsStatisticsItem");
  ASSERT_TRUE(statistics);
  WithModal<diagnostics::TFormTsStatistics>(
      statistics, "tsStatistics", [&](diagnostics::TFormTsStatistics &window) {
        QTest::qWait(3500); // the last of three refreshes covered a whole second
        double sum = 0;
        std::set<std::uint16_t> pids;
        for (const auto &row : window.List().Rows()) {
          sum += row.RateKBs;
          pids.insert(row.Pid);
        }
        // The window measures by the wall clock over a second, and the simulated sky paces its
        // packets by it too: on a busy machine a late block lands in the next second. The exact
        // agreement is checked on files, whose rates come from their own clock.
        const double expected = static_cast<double>(tp->bitrate) / 8 / 1024;
        EXPECT_NEAR(sum, expected, expected * 0.05);
        for (const auto &service : tp->services) {
          EXPECT_TRUE(pids.count(service.pmtPid)) << service.pmtPid;
          for (const auto &stream : service.streams)
            EXPECT_TRUE(pids.count(stream.pid)) << stream.pid;
        }
        EXPECT_TRUE(pids.count(0));
        test::SaveScreenshot(window, "app_ts_statistics");
      });

  auto *viewer = main.findChild<QAction *>("bitrateViewerItem");
  ASSERT_TRUE(viewer);
  WithModal<diagnostics::TFormBitrateViewer>(viewer, "bitrateViewer",
                                             [&](diagnostics::TFormBitrateViewer &window) {
                                               window.StartRun(0);
                                               QTest::qWait(3300);
                                               int measured = 0;
                                               for (const auto &entry : window.Meter().Entries())
                                                 if (entry.Ticked) {
                                                   EXPECT_GT(entry.CurrentRate, 0) << entry.Pid;
                                                   ++measured;
                                                 }
                                               EXPECT_GE(measured, 1);
                                               test::SaveScreenshot(window, "app_bitrate_viewer");
                                               window.StopRun();
                                             });

  // The resource monitor samples while hidden and moves the load bar.
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return main.findChild<QProgressBar *>("processorLoadBar"); }, 3000));
  application.RequestClose();
}

} // namespace
