// Recording on the demo sky through the main window: the record button with its question, the
// command key, the record menu's whole stream and single PID, and the question before closing.
#include "app/qev_application.h"
#include "app/recorder_link.h"
#include "demo_root_test.h"
#include "device/engine_steps.h"
#include "device/tuning_engine.h"
#include "frame/options.h"
#include "recording/recorder.h"
#include "support/run_command.h"
#include "support/screenshot.h"
#include "ui/main_commands.h"
#include "ui/qt/form_dvb_main.h"

#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <filesystem>

using namespace qev;
namespace fs = std::filesystem;

namespace {

// Answers the next recorder question with OK, after `prepare` has filled it in.
class DialogAnswer {
public:
  DialogAnswer(const char *form, std::function<void(QWidget &)> prepare = {})
      : form_(form), prepare_(std::move(prepare)) {
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      QWidget *dialog = QApplication::activeModalWidget();
      if (!dialog || dialog->objectName() != form_)
        return;
      poll_.stop();
      seen = true;
      if (prepare_)
        prepare_(*dialog);
      dialog->findChild<QPushButton *>("BtnOK")->click();
    });
    poll_.start(20);
  }
  bool seen = false;

private:
  QString form_;
  std::function<void(QWidget &)> prepare_;
  QTimer poll_;
};

class AppRecord : public test::DemoRootTest {
protected:
  AppRecord() : DemoRootTest("qev-app-record-") {}
  void SetUp() override {
    DemoRootTest::SetUp();
    application = std::make_unique<app::TQevApplication>(SimDeviceOptions(), PlacementFile());
    ASSERT_TRUE(application->Start());
    ASSERT_TRUE(QTest::qWaitFor([] { return device::TuningEngine().Slot(0).Playing(); }, 15000));
  }
  void TearDown() override {
    if (application) {
      // A recording left running would have the close ask and refuse.
      Recorder().RecStopAll();
      application->RequestClose();
    }
    application.reset();
    frame::Options() = saved_;
    DemoRootTest::TearDown();
  }

  recording::TRecorder &Recorder() { return application->Recorder().Recorder(); }
  ui::TFormDvbMain &Main() { return *application->MainWindow(); }
  QToolButton &RecordButton() { return *Main().findChild<QToolButton *>("recordButton"); }
  // The recording of a slot once its file has grown past `bytes`.
  bool Grows(int slot, std::uintmax_t bytes) {
    return QTest::qWaitFor(
        [&] {
          const std::string file = Recorder().Slots()[slot].FirstFile;
          std::error_code error;
          return !file.empty() && fs::file_size(file, error) > bytes && !error;
        },
        15000);
  }
  // What ffprobe finds in a file: its streams' kinds; empty without ffprobe.
  static std::string StreamKinds(const std::string &file) {
    return test::Capture("ffprobe -v error -show_entries stream=codec_type -of csv=p=0 '" + file +
                         "' 2>/dev/null");
  }
  int RunningSlot() {
    const auto views = Recorder().Slots();
    for (int slot = 0; slot < recording::kRecordSlots; ++slot)
      if (views[slot].State == recording::kRecRunning)
        return slot;
    return -1;
  }

  std::unique_ptr<app::TQevApplication> application;

private:
  frame::TOptions saved_ = frame::Options();
};

TEST_F(AppRecord, TheRecordButtonRecordsTheMainChannelIntoAFileThatPlays) {
  ASSERT_TRUE(RecordButton().isVisible());
  DialogAnswer ask("FormRecordAsk");
  RecordButton().click();
  EXPECT_TRUE(ask.seen);
  ASSERT_TRUE(Recorder().RecIsAvSlotActive(0));
  EXPECT_TRUE(RecordButton().isChecked());
  const std::string file = Recorder().Slots()[0].FirstFile;
  EXPECT_EQ(fs::path(file).parent_path(), root / "Records");
  ASSERT_TRUE(Grows(0, 0));
  const auto first = fs::file_size(file);
  ASSERT_TRUE(Grows(0, first));

  // The recordings came to front with the running one in its row.
  auto *tabs = Main().findChild<QTabWidget *>("infoTabs");
  EXPECT_EQ(tabs->currentWidget()->objectName(), "recordsTab");
  auto *rows = Main().findChild<QTreeWidget *>("TreeRecords");
  EXPECT_TRUE(QTest::qWaitFor([&] { return !rows->topLevelItem(0)->isHidden(); }));
  EXPECT_TRUE(Main().findChild<QToolButton *>("recordsActiveButton")->isEnabled());
  test::SaveScreenshot(Main(), "app_recording");
  // Folded away and turned to another tab, the status button brings the recordings back.
  auto *split = Main().findChild<QSplitter *>("mainSplitter");
  split->setSizes({200, 800, 0});
  tabs->setCurrentIndex(1);
  Main().findChild<QToolButton *>("recordsActiveButton")->click();
  EXPECT_EQ(tabs->currentWidget()->objectName(), "recordsTab");
  EXPECT_GT(split->sizes().value(2), 0);

  // Long enough for the broadcast PMT that the recording carries to have come by.
  ASSERT_TRUE(Grows(0, 512 * 1024));
  RecordButton().click();
  EXPECT_FALSE(Recorder().RecIsActive());
  EXPECT_FALSE(RecordButton().isChecked());
  EXPECT_TRUE(QTest::qWaitFor([&] { return rows->topLevelItem(0)->isHidden(); }));
  if (!test::HaveFfprobe())
    GTEST_SKIP() << "no ffprobe to play the file";
  const std::string kinds = StreamKinds(file);
  EXPECT_NE(kinds.find("video"), std::string::npos) << kinds;
  EXPECT_NE(kinds.find("audio"), std::string::npos) << kinds;
}

TEST_F(AppRecord, TheRecordKeyTogglesWithoutAsking) {
  Main().Execute(ui::kCommandMessage, ui::kCmdRecord, 0);
  EXPECT_TRUE(Recorder().RecIsAvSlotActive(0));
  EXPECT_TRUE(RecordButton().isChecked());
  Main().Execute(ui::kCommandMessage, ui::kCmdRecord, 0);
  EXPECT_FALSE(Recorder().RecIsActive());
}

TEST_F(AppRecord, TheMenuRecordsTheWholeStreamAndOnePid) {
  QMenu *menu = RecordButton().menu();
  emit menu->aboutToShow();
  auto *fullTs = menu->findChild<QAction *>("recordFullTsItem");
  ASSERT_TRUE(fullTs);
  ASSERT_TRUE(fullTs->isEnabled());
  {
    DialogAnswer ask("FormRecord1Pid");
    fullTs->trigger();
    ASSERT_TRUE(ask.seen);
  }
  const int whole = RunningSlot();
  ASSERT_GE(whole, 0);
  EXPECT_EQ(Recorder().Slots()[whole].Title.rfind("FTS-", 0), 0u);
  ASSERT_TRUE(Grows(whole, 188 * 1000));
  const std::string wholeFile = Recorder().Slots()[whole].FirstFile;
  Recorder().RecStopAll();

  const std::uint16_t video = device::TuningEngine().Slot(0).CurrentChannel.VidPid;
  {
    DialogAnswer ask("FormRecord1Pid", [video](QWidget &dialog) {
      dialog.findChild<QSpinBox *>("EditPID")->setValue(video);
    });
    menu->findChild<QAction *>("recordPidItem")->trigger();
    ASSERT_TRUE(ask.seen);
  }
  const int one = RunningSlot();
  ASSERT_GE(one, 0);
  EXPECT_EQ(Recorder().Slots()[one].Pids, (std::vector<recording::TRecordPid>{{video, 188}}));
  // Enough for a whole group of pictures: a bare PID has no table that names its stream.
  ASSERT_TRUE(Grows(one, 188 * 2000));
  const std::string pidFile = Recorder().Slots()[one].FirstFile;
  Recorder().RecStopAll();

  if (!test::HaveFfprobe())
    GTEST_SKIP() << "no ffprobe to play the files";
  EXPECT_NE(StreamKinds(wholeFile).find("video"), std::string::npos);
  EXPECT_NE(StreamKinds(pidFile).find("video"), std::string::npos);
}

TEST_F(AppRecord, ClosingWhileRecordingAsksFirst) {
  Main().Execute(ui::kCommandMessage, ui::kCmdRecord, 0);
  ASSERT_TRUE(Recorder().RecIsActive());
  presenter.AnswerNext(false);
  Main().close();
  EXPECT_TRUE(Main().isVisible());
  EXPECT_TRUE(Recorder().RecIsActive());
  ASSERT_FALSE(presenter.Texts().empty());
  EXPECT_EQ(presenter.Texts().back(), "Recording is active ! Stop all && EXIT ?");
  presenter.AnswerNext(true);
  Main().close();
  EXPECT_FALSE(Recorder().RecIsActive());
  EXPECT_TRUE(frame::Flags().Closing);
}

} // namespace
