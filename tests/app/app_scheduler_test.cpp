// The program's scheduled jobs on the demo sky: the scheduler tab of the main window, the
// tree's and the guide's schedule entries, and a job made from them as a unit pair.
#include "app/qev_application.h"
#include "app/scheduler_link.h"
#include "demo_root_test.h"
#include "recording/qt/form_scheduler_task.h"
#include "recording/sch_scheduler.h"
#include "support/temp_dir.h"
#include "ui/qt/form_dvb_main.h"
#include "ui/ui_context.h"

#include <QApplication>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>

using namespace qev;
namespace fs = std::filesystem;

namespace {

class AppScheduler : public test::DemoRootTest {
protected:
  AppScheduler() : DemoRootTest("qev-app-scheduler-") {}
  test::TTempDir config{"qev-app-config-"};
};

TEST_F(AppScheduler, TheSchedulerTabListsAJobMadeFromTheChannel) {
  const std::string saved = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
  ::setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
  {
    app::TQevApplication application(SimDeviceOptions(), PlacementFile());
    ASSERT_TRUE(application.Start());
    QTabWidget *tabs = application.MainWindow()->InfoTabs();
    ASSERT_EQ(tabs->widget(0)->objectName(), "schedulerTab");
    ASSERT_TRUE(application.UiContext()->Subsystems.SchAddJob);
    ASSERT_TRUE(application.UiContext()->Subsystems.SchJobList);
    recording::TScheduler &scheduler = application.Scheduler()->Scheduler();
    EXPECT_TRUE(scheduler.Initialized());

    tabs->setCurrentIndex(1);
    QTimer::singleShot(0, [] {
      for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *dialog = qobject_cast<recording::TFormSchedulerTask *>(window))
          dialog->accept();
      }
    });
    const data::TChannelsList *list = application.UiContext()->Lists.ListOf(1);
    ASSERT_TRUE(list && list->Count() > 0);
    application.UiContext()->Subsystems.SchAddJob(list->Item(0), {30, "From the tree", 1, 0});
    ASSERT_EQ(scheduler.Count(), 1);
    const recording::TSchJob &job = scheduler.Job(0);
    EXPECT_EQ(job.Comment, "From the tree");
    EXPECT_TRUE(fs::exists(config / ("systemd/user/" + job.Id + ".timer")));
    EXPECT_TRUE(fs::exists(config / ("systemd/user/" + job.Id + ".service")));
    // The change brings the scheduler tab to front.
    EXPECT_TRUE(QTest::qWaitFor([&] { return tabs->currentIndex() == 0; }, 2000));
    application.RequestClose();
  }
  ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
}

} // namespace
