#include "recording/qt/frame_records_list.h"

#include "frame/notification_hub.h"
#include "recording/qt/record_edit_stop_form.h"
#include "support/screenshot.h"

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <gtest/gtest.h>

#include <mutex>
#include <thread>

namespace qev::recording {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::system_clock;

// A recorder as the list sees it: slots that a test starts and grows, stops that notify as the
// engine does, from whichever thread.
class FakeRecorder {
public:
  explicit FakeRecorder(frame::TNotificationHub &hub) : hub_(hub) {}

  void Start(int slot, TRecordSlotView view) {
    view.State = kRecRunning;
    Set(slot, std::move(view));
    hub_.Notify(frame::kNotifyRecording, 1, 0);
  }
  void Stop(int slot) {
    Set(slot, {});
    hub_.Notify(frame::kNotifyRecording, 0, 0);
  }
  void Grow(int slot, std::int64_t bytes) {
    const std::lock_guard lock(mutex_);
    views_[slot].TotalBytes += bytes;
  }
  std::array<TRecordSlotView, kRecordSlots> Views() const {
    const std::lock_guard lock(mutex_);
    return views_;
  }
  bool SetLimit(int slot, std::uint32_t seconds) {
    const std::lock_guard lock(mutex_);
    if (views_[slot].State != kRecRunning)
      return false;
    views_[slot].Limits.StopAfterSeconds = seconds;
    return true;
  }

  std::vector<int> stops;
  int stopAlls = 0;
  std::vector<QUrl> opened;

private:
  void Set(int slot, TRecordSlotView view) {
    const std::lock_guard lock(mutex_);
    views_[slot] = std::move(view);
  }

  frame::TNotificationHub &hub_;
  mutable std::mutex mutex_;
  std::array<TRecordSlotView, kRecordSlots> views_{};
};

TRecordSlotView Channel(std::string title, std::chrono::seconds elapsed) {
  TRecordSlotView view;
  view.Title = std::move(title);
  view.FileName = "20261210_0500 " + view.Title + ".ts";
  view.FirstFile = "/rec/" + view.FileName;
  view.TotalBytes = 5 * 1024 + 10;
  view.Elapsed = elapsed;
  view.StartTime = Clock::now() - elapsed;
  view.Pids = {{0x100, 0x13}, {0x101, 0x13}, {0x20, 188}};
  return view;
}

class FrameRecordsListTest : public ::testing::Test {
protected:
  FrameRecordsListTest() {
    TRecordsListLinks links;
    links.Slots = [this] { return recorder.Views(); };
    links.StopSlot = [this](int slot) {
      recorder.stops.push_back(slot);
      recorder.Stop(slot);
    };
    links.StopAll = [this] { ++recorder.stopAlls; };
    links.SetStopAfterSeconds = [this](int slot, std::uint32_t s) {
      return recorder.SetLimit(slot, s);
    };
    links.OpenFile = [this](const QUrl &url) { recorder.opened.push_back(url); };
    frame = std::make_unique<TFrameRecordsList>(nullptr, hub, links);
    frame->resize(900, 260);
    frame->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    tree = frame->findChild<QTreeWidget *>("TreeRecords");
  }

  // Starts a recording from another thread, as the watch thread or a device thread may.
  void StartElsewhere(int slot, TRecordSlotView view) {
    std::thread([&] { recorder.Start(slot, std::move(view)); }).join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tree->topLevelItem(slot)->isHidden(); }));
  }
  QString Cell(int row, int column) const { return tree->topLevelItem(row)->text(column); }
  QPoint CellCentre(int row, int column) const {
    return tree->visualRect(tree->model()->index(row, column)).center();
  }
  QAction *Item(const char *name) const { return tree->findChild<QAction *>(name); }

  frame::TNotificationHub hub;
  FakeRecorder recorder{hub};
  std::unique_ptr<TFrameRecordsList> frame;
  QTreeWidget *tree = nullptr;
};

TEST_F(FrameRecordsListTest, ShowsOnlyTheSlotsThatRecord) {
  for (int row = 0; row < kRecordSlots; ++row)
    EXPECT_TRUE(tree->topLevelItem(row)->isHidden()) << row;
  StartElsewhere(3, Channel("Demo One", 25h + 5s));
  TRecordSlotView pid = Channel("PID-0x0101", 70s);
  pid.Limits.StopAfterSeconds = 3600;
  pid.Pids = {{0x101, 1}};
  StartElsewhere(5, pid);
  EXPECT_TRUE(tree->topLevelItem(0)->isHidden());
  EXPECT_EQ(tree->headerItem()->text(1), "Name/Channel");
  EXPECT_EQ(Cell(3, 1), "Demo One");
  EXPECT_EQ(Cell(3, 2), "5 Kb");
  EXPECT_EQ(Cell(3, 3), "25:00:05");
  EXPECT_EQ(Cell(3, 4), "---");
  EXPECT_EQ(Cell(3, 5), "3");
  EXPECT_EQ(Cell(3, 6), "20261210_0500 Demo One.ts");
  EXPECT_EQ(Cell(5, 4), "00:58:50");

  auto *pids = frame->findChild<QTreeWidget *>("ListPids");
  EXPECT_EQ(pids->topLevelItemCount(), 0);
  EXPECT_FALSE(Item("MnuRec_ChangeStop")->isEnabled());
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, CellCentre(5, 1));
  ASSERT_EQ(pids->topLevelItemCount(), 1);
  EXPECT_EQ(pids->topLevelItem(0)->text(0), "0101");
  EXPECT_EQ(pids->topLevelItem(0)->text(1), "01");
  EXPECT_TRUE(Item("MnuRec_ChangeStop")->isEnabled());
  test::SaveScreenshot(*frame, "records_list");
}

TEST_F(FrameRecordsListTest, FiguresFollowTheRecordingBetweenNotifications) {
  StartElsewhere(0, Channel("Demo One", 1s));
  std::thread grower([&] {
    for (int i = 0; i < 10; ++i)
      recorder.Grow(0, 1024 * 1024);
  });
  grower.join();
  EXPECT_TRUE(QTest::qWaitFor([&] { return Cell(0, 2) == "10245 Kb"; }, 2000));
}

TEST_F(FrameRecordsListTest, TheStopColumnStopsTheClickedRecording) {
  StartElsewhere(1, Channel("Demo One", 10s));
  StartElsewhere(2, Channel("Demo Two", 10s));
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, CellCentre(2, 1));
  EXPECT_TRUE(recorder.stops.empty());
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, CellCentre(2, 0));
  EXPECT_EQ(recorder.stops, std::vector<int>{2});
  EXPECT_TRUE(QTest::qWaitFor([&] { return tree->topLevelItem(2)->isHidden(); }));
  EXPECT_FALSE(tree->topLevelItem(1)->isHidden());
  Item("MnuRec_StopAll")->trigger();
  EXPECT_EQ(recorder.stopAlls, 1);
}

TEST_F(FrameRecordsListTest, DoubleClickOpensTheFirstFile) {
  TRecordSlotView view = Channel("Demo One", 10s);
  view.FileName = "a_001.ts";
  view.FirstFile = "/rec/a b.ts";
  StartElsewhere(0, view);
  const QPoint name = CellCentre(0, 1);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, name);
  QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, name);
  ASSERT_EQ(recorder.opened.size(), 1u);
  EXPECT_EQ(recorder.opened[0], QUrl::fromLocalFile("/rec/a b.ts"));
  EXPECT_EQ(recorder.opened[0].toString(), "file:///rec/a b.ts");
}

TEST_F(FrameRecordsListTest, ChangingTheStopTimeReachesTheRecorder) {
  TRecordSlotView view = Channel("Demo One", 10s);
  view.Limits.StopAfterSeconds = 600;
  StartElsewhere(4, view);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, CellCentre(4, 1));
  QTimer::singleShot(0, [] {
    QWidget *form = QApplication::activeModalWidget();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), "Demo One");
    form->findChild<QPushButton *>("BtnClrStopTime")->click();
  });
  Item("MnuRec_ChangeStop")->trigger();
  EXPECT_EQ(recorder.Views()[4].Limits.StopAfterSeconds, 0u);
  EXPECT_EQ(Cell(4, 4), "---");
}

TEST(RecordEditStopForm, ShowsTheStopAndTurnsTheChoiceIntoALimit) {
  TRecordSlotView view;
  view.Title = "Demo One";
  view.State = kRecRunning;
  view.StartTime = Clock::time_point{
      std::chrono::seconds(QDateTime(QDate(2026, 12, 10), QTime(5, 0, 0)).toSecsSinceEpoch())};
  view.Limits.StopAfterSeconds = 2 * 3600 + 30;
  TRecordEditStopForm form(nullptr, view);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  EXPECT_EQ(form.windowTitle(), "Demo One");
  auto *date = form.findChild<QDateEdit *>("EditStopDate");
  auto *time = form.findChild<QTimeEdit *>("EditStopTime");
  EXPECT_EQ(date->date(), QDate(2026, 12, 10));
  EXPECT_EQ(time->time(), QTime(7, 0, 30));
  test::SaveScreenshot(form, "record_edit_stop");

  const auto now = view.StartTime + 1h;
  EXPECT_EQ(form.NewLimit(QDialog::Rejected, now), std::nullopt);
  EXPECT_EQ(form.NewLimit(TRecordEditStopForm::kClearResult, now), 0u);
  EXPECT_EQ(form.NewLimit(TRecordEditStopForm::kSetResult, now), 2u * 3600 + 30);
  // The next day at 04:00: the date field counts, not only the time.
  date->setDate(QDate(2026, 12, 11));
  time->setTime(QTime(4, 0, 0));
  EXPECT_EQ(form.NewLimit(TRecordEditStopForm::kSetResult, now), 23u * 3600);
  // A stop already past ends the recording now.
  date->setDate(QDate(2026, 12, 10));
  EXPECT_EQ(form.NewLimit(TRecordEditStopForm::kSetResult, now), 3600u);
  form.findChild<QPushButton *>("BtnClrStopTime")->click();
  EXPECT_EQ(form.result(), TRecordEditStopForm::kClearResult);
}

} // namespace
} // namespace qev::recording
