#include "guide/qt/form_epg.h"

#include "data/date_time.h"
#include "guide/epg_content.h"
#include "guide/epg_store.h"
#include "guide/qt/epg_details_panel.h"
#include "support/screenshot.h"
#include "support/scripted_presenter.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

namespace qev::guide {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

constexpr int kSatIndex = 3;

data::TChannelRec Channel(std::uint16_t tid, std::uint16_t sid, std::string_view name) {
  data::TChannelRec rec{};
  rec.Freq = 11'778'000;
  rec.TID = tid;
  rec.SID = sid;
  rec.SatIndex = kSatIndex;
  data::SetChName(rec, name);
  data::SetChProv(rec, "Provider");
  return rec;
}

// Local noon of today, as UTC seconds: events around it stay on today whatever the hour.
std::int64_t TodayNoonUtc() {
  const std::int64_t local = data::UtcToLocal(data::NowUtc());
  return data::UtcFromLocal(local - local % 86400 + 12 * 3600);
}

class FormEpgTest : public ::testing::Test {
protected:
  FormEpgTest() {
    list.ListAppend(Channel(1, 10, "Alpha"));
    list.ListAppend(Channel(1, 11, "Beta"));
    const std::int64_t now = data::NowUtc();
    Insert(1, 10, 1, now - 600, 3600, "Morning News", 0x20, "Headlines of the day",
           "Weather and the markets", 16);
    Insert(1, 10, 2, now + 3000, 1800, "Football Live", 0x43, "Cup final", "", 0);
    Insert(1, 11, 3, now - 60, 7200, "Film Night", 0x10, "", "A long film", 0);
    Insert(9, 99, 4, now + 7200, 600, "Unlisted", 0, "", "", 0);
  }
  ~FormEpgTest() override { form.reset(); }

  void Insert(std::uint16_t tid, std::uint16_t sid, std::uint16_t id, std::int64_t start,
              std::uint32_t duration, std::string name, std::uint8_t content, std::string shortText,
              std::string extended, std::uint8_t age) {
    TEpgEvent event;
    event.OriginalNetworkId = 1;
    event.TransportStreamId = tid;
    event.ServiceId = sid;
    event.EventId = id;
    event.StartTime = static_cast<std::uint32_t>(start);
    event.Duration = duration;
    event.Content = content;
    event.MinAge = age;
    event.Language = "ENG";
    event.Name = std::move(name);
    event.ShortText = std::move(shortText);
    event.ExtendedText = std::move(extended);
    ASSERT_TRUE(store.Insert(std::move(event)));
  }

  void Open() {
    form =
        std::make_unique<TFormEpg>(nullptr, store, links, list, list.Item(0), options, categories);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    events = form->findChild<QTreeWidget *>("eventList");
    channels = form->findChild<QTreeWidget *>("channelTree");
    ASSERT_TRUE(events && channels);
  }
  template <class T> T *Child(const char *name) const { return form->findChild<T *>(name); }
  void Click(const char *button) const {
    QTest::mouseClick(Child<QPushButton>(button), Qt::LeftButton);
  }

  // The names of the rows not hidden, in list order.
  std::vector<std::string> ShownNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < events->topLevelItemCount(); ++i)
      if (!events->topLevelItem(i)->isHidden())
        names.push_back(events->topLevelItem(i)->text(3).toStdString());
    return names;
  }
  QTreeWidgetItem *Row(const std::string &name) const {
    const auto found = events->findItems(QString::fromStdString(name), Qt::MatchExactly, 3);
    return found.isEmpty() ? nullptr : found.front();
  }
  void DoubleClick(QTreeWidget *tree, QTreeWidgetItem *item, int column) const {
    const QPoint at = tree->visualItemRect(item).topLeft() +
                      QPoint(tree->header()->sectionPosition(column) + 4, 4);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
  }
  std::vector<std::string> StatusTexts() const {
    std::vector<std::string> texts;
    for (QLabel *label : form->findChildren<QLabel *>("statusFigure"))
      texts.push_back(label->text().toStdString());
    return texts;
  }
  void PerChannelOff() {
    Click("perChannelButton");
    QTest::qWait(50); // the splitter, then the name column, settle
  }

  qev::test::ScriptedPresenter presenter;
  data::TChannelsList list{192, kSatIndex};
  TEpgStore store;
  frame::TOptions options;
  data::TCategories categories;
  TEpgWindowLinks links;
  std::unique_ptr<TFormEpg> form;
  QTreeWidget *events = nullptr;
  QTreeWidget *channels = nullptr;
};

TEST_F(FormEpgTest, ShowsTheChannelsWithEventsAndTheMainChannelsEventsWithDetails) {
  Open();
  // The unlisted channel has no tree row; the per-channel mode shows the main channel's events.
  ASSERT_EQ(channels->topLevelItemCount(), 2);
  EXPECT_EQ(channels->topLevelItem(0)->text(0), "Alpha");
  ASSERT_NE(channels->currentItem(), nullptr);
  EXPECT_EQ(channels->currentItem()->text(0), "Alpha");
  EXPECT_EQ(events->topLevelItemCount(), 4);
  EXPECT_THAT(ShownNames(), ElementsAre("Morning News", "Football Live"));
  EXPECT_TRUE(events->isColumnHidden(0));
  // The event on air is focused and described.
  ASSERT_NE(events->currentItem(), nullptr);
  EXPECT_EQ(events->currentItem()->text(3), "Morning News");
  EXPECT_EQ(events->currentItem()->text(4), "ENG");
  EXPECT_EQ(events->currentItem()->text(2), "01:00");
  EXPECT_EQ(Child<QPlainTextEdit>("shortText")->toPlainText(), "Headlines of the day");
  EXPECT_EQ(Child<QPlainTextEdit>("extendedText")->toPlainText(), "Weather and the markets");
  EXPECT_EQ(Child<QLabel>("contentLabel")->text(),
            "Content: " + QString::fromStdString(EpgContentText(0x20)));
  EXPECT_EQ(Child<QLabel>("eventIdLabel")->text(), "00000001");
  EXPECT_TRUE(Child<QLabel>("ageBadge")->isVisible());
  EXPECT_THAT(StatusTexts(),
              ElementsAre(" Events: 4", " Filtered: 2", " Channels: 2",
                          testing::StartsWith(" Mem: "), " Errors: 0", " Buf: 0 KB"));
  // Without the per-channel mode the tree hides, the channel column shows, every event is
  // listed by start, and an unlisted channel is named by its ids.
  PerChannelOff();
  EXPECT_FALSE(channels->isVisible());
  EXPECT_FALSE(events->isColumnHidden(0));
  EXPECT_THAT(ShownNames(), ElementsAre("Morning News", "Film Night", "Football Live", "Unlisted"));
  EXPECT_EQ(Row("Unlisted")->text(0), "<Unknow Ch_0009/0063>");
  // The name column takes the width the other columns leave.
  int others = 0;
  for (int column : {0, 1, 2, 4})
    others += events->columnWidth(column);
  EXPECT_EQ(events->columnWidth(3), events->viewport()->width() - others - 10);
  qev::test::SaveScreenshot(*form, "form_epg");
}

TEST_F(FormEpgTest, FocusingAnotherChannelShowsItsEventsAndAnEventWithoutAgeHidesTheBadge) {
  Open();
  channels->setCurrentItem(channels->topLevelItem(1));
  EXPECT_THAT(ShownNames(), ElementsAre("Film Night"));
  EXPECT_EQ(Child<QPlainTextEdit>("shortText")->toPlainText(), "");
  EXPECT_FALSE(Child<QLabel>("ageBadge")->isVisible());
}

TEST_F(FormEpgTest, TypingASearchTextFiltersAndSelectsTheMatchInTheTexts) {
  Open();
  PerChannelOff();
  auto *search = Child<QLineEdit>("searchEdit");
  search->setFocus();
  QTest::keyClicks(search, "MARKETS");
  // All fields are searched: the text is only in the extended text.
  EXPECT_THAT(ShownNames(), ElementsAre("Morning News"));
  EXPECT_EQ(Child<QPlainTextEdit>("extendedText")->textCursor().selectedText(), "markets");
  // Searching the name alone finds nothing.
  Child<QComboBox>("searchFieldBox")->setCurrentIndex(1);
  EXPECT_THAT(ShownNames(), ElementsAre());
  EXPECT_EQ(Child<QPlainTextEdit>("extendedText")->toPlainText(), "");
  // The filter button hides the panel and with it the search.
  Click("filterButton");
  EXPECT_TRUE(search->text().isEmpty());
  EXPECT_EQ(ShownNames().size(), 4u);
}

TEST_F(FormEpgTest, NowAndNextSwitchesAndContentChoosersFilter) {
  Open();
  PerChannelOff();
  Click("nowButton");
  EXPECT_THAT(ShownNames(), ElementsAre("Morning News", "Film Night"));
  Click("nextButton"); // both: not ended yet
  EXPECT_EQ(ShownNames().size(), 4u);
  Click("nowButton"); // next alone
  EXPECT_THAT(ShownNames(), ElementsAre("Football Live", "Unlisted"));
  Click("nextButton");

  auto *group = Child<QComboBox>("contentGroupBox");
  auto *subgroup = Child<QComboBox>("contentSubgroupBox");
  EXPECT_FALSE(subgroup->isEnabled());
  group->setFocus();
  group->setCurrentIndex(group->findText(
      QString::fromStdString(EpgContentText(0x40)).section(" (", 0, 0), Qt::MatchStartsWith));
  ASSERT_GT(group->currentIndex(), 0);
  EXPECT_TRUE(subgroup->isEnabled());
  EXPECT_EQ(subgroup->currentText(), ">> Select <<");
  EXPECT_THAT(ShownNames(), ElementsAre("Football Live"));
  // A subgroup other than the event's hides it.
  subgroup->setFocus();
  QTest::keyClick(subgroup, Qt::Key_Down);
  EXPECT_NE(subgroup->currentText(), ">> Select <<");
  EXPECT_THAT(ShownNames(), ElementsAre());
  group->setCurrentIndex(0);
  EXPECT_EQ(ShownNames().size(), 4u);
}

TEST_F(FormEpgTest, TheTodayChoiceKeepsTodaysEventsThatEndBeforeMidnight) {
  const std::int64_t noon = TodayNoonUtc();
  Insert(1, 11, 5, noon, 3600, "Noon Show", 0, "", "", 0);
  Insert(1, 11, 6, noon + 11 * 3600, 3600, "Last Hour", 0, "", "", 0); // ends at 24:00
  Insert(1, 11, 7, noon + 86400, 3600, "Tomorrow Show", 0, "", "", 0);
  Open();
  PerChannelOff();
  Click("todayButton");
  EXPECT_THAT(ShownNames(), Contains("Noon Show"));
  EXPECT_THAT(ShownNames(), Not(Contains("Last Hour")));
  EXPECT_THAT(ShownNames(), Not(Contains("Tomorrow Show")));
  Click("tomorrowButton");
  EXPECT_THAT(ShownNames(), Contains("Tomorrow Show"));
}

TEST_F(FormEpgTest, DoubleClicksTuneTheChannelOrScheduleTheEvent) {
  std::vector<std::int32_t> tuned;
  std::vector<std::pair<std::string, ui::TSchJobRequest>> jobs;
  links.SwitchChannel = [&](std::int32_t handle) { tuned.push_back(handle); };
  links.SchAddJob = [&](const data::TChannelRec &rec, const ui::TSchJobRequest &job) {
    jobs.emplace_back(data::ChName(rec), job);
  };
  Open();
  DoubleClick(channels, channels->topLevelItem(1), 0);
  PerChannelOff();
  DoubleClick(events, Row("Film Night"), 0);
  EXPECT_THAT(tuned, ElementsAre(kSatIndex * 65536 + 1, kSatIndex * 65536 + 1));

  DoubleClick(events, Row("Football Live"), 3);
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].first, "Alpha");
  EXPECT_EQ(jobs[0].second.Minutes, 30);
  EXPECT_EQ(jobs[0].second.Comment, "Football Live");
  EXPECT_EQ(jobs[0].second.Action, 1);
  EXPECT_EQ(jobs[0].second.StartLocal, data::UtcToLocal(store.Get(1)->StartTime));
  // The add-task button schedules the focused event; an unlisted channel cannot be scheduled.
  events->setCurrentItem(Row("Unlisted"));
  Click("addTaskButton");
  EXPECT_EQ(jobs.size(), 1u);
  EXPECT_THAT(presenter.Texts(), ElementsAre("Unknow channel..."));
}

TEST_F(FormEpgTest, WithoutASchedulerThereIsNoAddTaskButton) {
  Open();
  EXPECT_FALSE(Child<QPushButton>("addTaskButton")->isVisible());
  PerChannelOff();
  DoubleClick(events, Row("Football Live"), 3); // nothing to call
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(FormEpgTest, NewEventsJoinTheListsAndAClearEmptiesThemAtTheNextRefresh) {
  Open();
  Insert(2, 20, 8, data::NowUtc() + 100, 600, "Late Comer", 0, "", "", 0);
  list.ListAppend(Channel(2, 20, "Gamma"));
  form->Refresh();
  EXPECT_EQ(events->topLevelItemCount(), 5);
  EXPECT_EQ(channels->topLevelItemCount(), 3);
  EXPECT_TRUE(Row("Late Comer")->isHidden()); // another channel than the selected one

  Click("clearButton");
  EXPECT_EQ(store.Count(), 0u);
  form->Refresh();
  EXPECT_EQ(events->topLevelItemCount(), 0);
  EXPECT_EQ(channels->topLevelItemCount(), 0);
  EXPECT_EQ(Child<QPlainTextEdit>("shortText")->toPlainText(), "");
  QTest::qWait(350);
  EXPECT_EQ(StatusTexts().front(), " Events: 0");
}

TEST_F(FormEpgTest, TheGroupingIsKeptInTheOptionsAndTheMemoryFigureShowsTheHashInfo) {
  Open();
  Child<QComboBox>("groupingBox")->setCurrentIndex(1);
  EXPECT_EQ(options.General.EpgChanGroup, 1);
  ASSERT_EQ(channels->topLevelItemCount(), 1);
  EXPECT_EQ(channels->topLevelItem(0)->text(0), "Provider");
  EXPECT_EQ(channels->topLevelItem(0)->childCount(), 2);

  QLabel *memory = form->findChildren<QLabel *>("statusFigure")[3];
  QTest::mouseDClick(memory, Qt::LeftButton);
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_THAT(presenter.shown[0].text, testing::StartsWith("Hash: Eficiency="));
}

TEST(EpgAgeBadge, IsARedDiscOfFourteenPixels) {
  const QImage badge = AgeBadge(12).toImage();
  EXPECT_EQ(badge.size(), QSize(14, 14));
  EXPECT_EQ(badge.pixelColor(0, 0).alpha(), 0);
  const QColor edge = badge.pixelColor(1, 7);
  EXPECT_GT(edge.red(), 200);
  EXPECT_LT(edge.green(), 80);
}

// Closing the window stops only a collection its opening started.
TEST(EpgCollectionGuard, StopsOnlyWhatItStarted) {
  struct Case {
    bool before, starts, stopExpected;
  };
  for (const Case c :
       {Case{false, true, true}, Case{true, true, false}, Case{false, false, false}}) {
    int stops = 0;
    {
      const TEpgCollectionGuard guard([&] { return c.before; }, [&] { return c.starts; },
                                      [&] { ++stops; });
    }
    EXPECT_EQ(stops, c.stopExpected ? 1 : 0) << c.before << c.starts;
  }
}

} // namespace
} // namespace qev::guide
