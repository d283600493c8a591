#include "recording/qt/form_scheduler_task.h"
#include "recording/qt/frame_scheduler_view.h"

#include "device/engine_fakes.h"
#include "frame/file_reader.h"
#include "support/screenshot.h"
#include "support/scripted_presenter.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace qev::recording {
namespace {

namespace fs = std::filesystem;

class NoManager final : public ISchManager {
public:
  bool Reload() override { return false; }
  void Enable(const std::string &, bool) override {}
};

template <typename T> T *Field(QWidget &form, const char *name) {
  T *widget = form.findChild<T *>(name);
  EXPECT_NE(widget, nullptr) << name;
  return widget;
}

class SchedulerWindowsTest : public ::testing::Test {
protected:
  SchedulerWindowsTest() {
    root.AddSat(1, 192, "QEV Sat 19.2E", 1);
    root.AddSat(2, 130, "QEV Sat 13.0E", 2);
    data::TChannelRec one = device::test::Channel(10788000, 'V', 22000, 0x411, "QEV One");
    one.TID = 0x401;
    root.AddChannel(1, one);
    scheduler.SchStartup();
  }

  TSchJob Job(std::uint16_t sat, std::uint16_t tid, std::uint16_t sid, int minutes) {
    TSchJob job;
    job.Start = JoinLocal(2027, 1, 1, 20, 15);
    job.Command.Action = frame::TCommandRecord::kActionRecord;
    job.Command.SatId = sat;
    job.Command.Tid = tid;
    job.Command.Sid = sid;
    job.Command.Duration = minutes;
    job.Command.ChannelName = "QEV One";
    return job;
  }

  device::test::EngineRoot root;
  test::TTempDir units{"qev_sch_qt_"};
  test::ScriptedPresenter presenter;
  NoManager manager;
  frame::TNotificationHub hub;
  TScheduler scheduler{std::make_unique<TSchStore>(
                           units.Path(), TSchLaunch{"/usr/bin/qevdvb", "/r"}, manager, false),
                       hub};
  TFormSchedulerTask form{nullptr, root.sats, root.lists};
};

TEST_F(SchedulerWindowsTest, ChannelDisplaysNameWhatTheIdsFind) {
  form.Load(Job(1, 0x401, 0x411, 30), "Add job");
  EXPECT_TRUE(form.windowTitle().startsWith("Add job   [ Now: 20"))
      << form.windowTitle().toStdString();
  auto *satName = Field<QLineEdit>(form, "EditSatName");
  auto *chanName = Field<QLineEdit>(form, "EditChanName");
  EXPECT_EQ(satName->text(), "QEV Sat 19.2E");
  EXPECT_EQ(chanName->text(), "QEV One");
  EXPECT_EQ(chanName->styleSheet(), "color: blue");
  Field<QLineEdit>(form, "EditChSID")->setText("412");
  EXPECT_EQ(chanName->text(), "<Invalid Channel>");
  EXPECT_EQ(chanName->styleSheet(), "color: red");
  Field<QLineEdit>(form, "EditSatID")->setText("2");
  EXPECT_EQ(chanName->text(), "<Empty List>");
  Field<QLineEdit>(form, "EditSatID")->setText("9");
  EXPECT_EQ(satName->text(), "<Unknow satellite>");
  EXPECT_EQ(chanName->text(), "<No list>");
}

TEST_F(SchedulerWindowsTest, OkIsRefusedForAnUnknownSatelliteAndForNoDuration) {
  form.Load(Job(9, 0x401, 0x411, 30), "Add job");
  form.show();
  form.accept();
  EXPECT_EQ(presenter.Texts(), std::vector<std::string>{"Invalid channel params !"});
  EXPECT_TRUE(form.isVisible());
  EXPECT_NE(form.result(), QDialog::Accepted);

  form.Load(Job(1, 0x401, 0x411, 0), "Add job");
  form.accept();
  EXPECT_EQ(presenter.Texts().back(), "Invalid duration !");
  EXPECT_TRUE(form.isVisible());

  Field<QSpinBox>(form, "EditDuration")->setValue(45);
  form.accept();
  EXPECT_EQ(presenter.shown.size(), 2u);
  EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST_F(SchedulerWindowsTest, FieldsShowOnlyWhereTheyApplyAndStoreTheJobBack) {
  TSchJob job = Job(1, 0x401, 0x411, 0);
  job.Command.NoVideo = 1;
  job.Comment = "Film";
  form.Load(job, "Edit");
  form.show();
  auto *monday = Field<QCheckBox>(form, "CkMo");
  auto *atEnd = Field<QComboBox>(form, "ComboAtEnd");
  auto *noVideo = Field<QCheckBox>(form, "CkOptNV");
  EXPECT_FALSE(monday->isVisible());
  EXPECT_FALSE(atEnd->isVisible());
  EXPECT_TRUE(noVideo->isVisible());
  Field<QComboBox>(form, "ComboTrigger")->setCurrentIndex(kTriggerWeekly);
  EXPECT_TRUE(monday->isVisible());
  monday->setChecked(true);
  Field<QSpinBox>(form, "EditDuration")->setValue(30);
  EXPECT_TRUE(atEnd->isVisible());
  atEnd->setCurrentIndex(frame::kAtEndHibernate);
  Field<QComboBox>(form, "ComboAction")->setCurrentIndex(0);
  EXPECT_FALSE(noVideo->isVisible());
  EXPECT_FALSE(noVideo->isChecked());
  test::SaveScreenshot(form, "scheduler_task_dialog");

  TSchJob stored;
  form.Store(stored);
  EXPECT_EQ(stored.TriggerKind, kTriggerWeekly);
  EXPECT_EQ(stored.Days, kMonday);
  EXPECT_EQ(stored.Start, job.Start);
  EXPECT_EQ(stored.Comment, "Film");
  EXPECT_EQ(stored.Command.Action, frame::TCommandRecord::kActionView);
  EXPECT_EQ(stored.Command.Duration, 30);
  EXPECT_EQ(stored.Command.AtEnd, frame::kAtEndHibernate);
  EXPECT_EQ(stored.Command.NoVideo, 0);
  EXPECT_EQ(stored.Command.Tid, 0x401);
  EXPECT_EQ(stored.Command.Sid, 0x411);
  EXPECT_EQ(stored.Command.ChannelName, "QEV One");
}

TEST_F(SchedulerWindowsTest, AJobMadeInTheDialogBecomesAUnitPairAndListsBack) {
  TQtSchJobEditor editor(nullptr, root.sats, root.lists);
  QTimer::singleShot(0, [] {
    auto *dialog = qobject_cast<TFormSchedulerTask *>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    Field<QLineEdit>(*dialog, "EditComment")->setText("Evening news");
    Field<QSpinBox>(*dialog, "EditDuration")->setValue(25);
    dialog->accept();
  });
  data::TChannelRec channel = root.lists.ListOf(1)->Item(0);
  ASSERT_TRUE(scheduler.SchAddJob({&channel, 0, "", 1, JoinLocal(2027, 1, 1, 20, 15)}, editor));
  ASSERT_EQ(scheduler.Count(), 1);
  const TSchJob &job = scheduler.Job(0);
  EXPECT_TRUE(fs::exists(units / (job.Id + ".timer")));
  EXPECT_TRUE(fs::exists(units / (job.Id + ".service")));
  EXPECT_EQ(job.Name, "QEVDVB-Rec [QEV One] [01012027 2015]");
  EXPECT_EQ(job.Comment, "Evening news");
  EXPECT_EQ(job.Command.Duration, 25);
  EXPECT_EQ(job.Command.SatId, 1);
  EXPECT_EQ(job.Command.Tid, 0x401);
  EXPECT_EQ(job.Command.Sid, 0x411);
  EXPECT_TRUE(job.Wake);
  EXPECT_NE(frame::ReadFileContent(units / (job.Id + ".service")).Text.find("/REC /SAT 1"),
            std::string::npos);
}

TEST_F(SchedulerWindowsTest, ViewListsTheJobsAndDeletesByItsDeleteColumn) {
  class Accepting final : public ISchJobEditor {
  public:
    bool EditJob(TSchJob &, const std::string &) override { return true; }
  } accepting;
  data::TChannelRec channel = root.lists.ListOf(1)->Item(0);
  ASSERT_TRUE(
      scheduler.SchAddJob({&channel, 30, "Film", 1, JoinLocal(2027, 1, 1, 20, 15)}, accepting));
  ASSERT_TRUE(
      scheduler.SchAddJob({&channel, 90, "News", 0, JoinLocal(2027, 1, 2, 19, 0)}, accepting));
  TFrameSchedulerView view(nullptr, scheduler, accepting, hub);
  view.resize(640, 240);
  view.show();
  QTreeWidget *list = view.List();
  ASSERT_EQ(list->topLevelItemCount(), 2);
  const QTreeWidgetItem *first = list->topLevelItem(0);
  EXPECT_EQ(first->text(TFrameSchedulerView::kColChannel), "QEV One");
  EXPECT_EQ(first->text(TFrameSchedulerView::kColAction), "Record");
  EXPECT_EQ(first->text(TFrameSchedulerView::kColStart), "Fri, 2027-01-01 20:15:00");
  EXPECT_EQ(first->text(TFrameSchedulerView::kColNextRun), "Fri, 2027-01-01 20:15:00");
  EXPECT_EQ(list->topLevelItem(1)->text(TFrameSchedulerView::kColAction), "View");
  EXPECT_EQ(view.StatusText(), "At 20:15 on 2027-01-01 >> Film");
  for (const char *item : {"MnuJobEdit", "MnuJobDel", "MnuJobTask", "MnuJobsRefresh"})
    EXPECT_NE(view.Popup()->findChild<QAction *>(item), nullptr) << item;
  test::SaveScreenshot(view, "scheduler_view");

  const QRect cell = list->visualItemRect(list->topLevelItem(1));
  QTest::mouseClick(
      list->viewport(), Qt::LeftButton, {},
      QPoint(list->columnViewportPosition(TFrameSchedulerView::kColDel) + 4, cell.center().y()));
  QApplication::processEvents();
  EXPECT_EQ(scheduler.Count(), 1);
  ASSERT_EQ(list->topLevelItemCount(), 1);
  EXPECT_EQ(list->topLevelItem(0)->text(TFrameSchedulerView::kColAction), "Record");
}

} // namespace
} // namespace qev::recording
