#include "berlin_time.h"
#include "data/channel_list.h"
#include "data/channel_rec.h"
#include "guide/epg_store.h"
#include "guide/epg_view_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace qev::guide {
namespace {

using ::testing::ElementsAre;
using ::testing::MatchesRegex;

constexpr std::int64_t kNow = 1'800'000'000;

data::TChannelRec Channel(std::uint16_t tid, std::uint16_t sid, std::string_view name,
                          std::string_view provider, std::initializer_list<std::uint8_t> favs) {
  data::TChannelRec rec{};
  rec.Freq = 11'000'000;
  rec.TID = tid;
  rec.SID = sid;
  data::SetChName(rec, name);
  data::SetChProv(rec, provider);
  std::copy(favs.begin(), favs.end(), rec.FavCat);
  return rec;
}

TEpgEvent Event(std::uint16_t tid, std::uint16_t sid, std::uint16_t id, std::int64_t start,
                std::uint32_t duration, std::string name) {
  TEpgEvent e;
  e.OriginalNetworkId = 1;
  e.TransportStreamId = tid;
  e.ServiceId = sid;
  e.EventId = id;
  e.StartTime = static_cast<std::uint32_t>(start);
  e.Duration = duration;
  e.Name = std::move(name);
  return e;
}

std::vector<std::string> Texts(const std::vector<TEpgTreeRow> &rows) {
  std::vector<std::string> out;
  for (const TEpgTreeRow &r : rows)
    out.push_back(r.Text);
  return out;
}

class EpgViewModelTest : public test::BerlinTime {
protected:
  EpgViewModelTest() {
    // Ascending (TID, SID), as the list keeps them.
    list.ListAppend(Channel(1, 10, "Alpha", "ProvA", {1, 2}));
    list.ListAppend(Channel(1, 11, "beta channel with a long name", "", {}));
    list.ListAppend(Channel(2, 20, "Gamma", " provA ", {2}));
  }

  void Insert(std::uint16_t tid, std::uint16_t sid, std::uint16_t id, std::int64_t start,
              std::uint32_t duration = 3600, std::string name = "Show") {
    ASSERT_TRUE(store.Insert(Event(tid, sid, id, start, duration, std::move(name))));
  }
  // One event on each listed channel and one on a channel the list lacks.
  void InsertAllChannels() {
    Insert(1, 10, 1, kNow + 100);
    Insert(1, 11, 2, kNow + 200);
    Insert(2, 20, 3, kNow + 300);
    Insert(9, 9, 4, kNow + 400);
  }
  std::vector<std::string> RowNames() const {
    std::vector<std::string> out;
    for (int r = 0; r < static_cast<int>(model.EventRows().size()); ++r)
      out.push_back(model.RowTexts(r).Name);
    return out;
  }

  TEpgStore store;
  data::TChannelsList list{192, 3};
  TEpgViewModel model{store,
                      list,
                      [](int c) { return c == 1   ? "Sport"
                                         : c == 2 ? "movies"
                                                  : ""; },
                      {[] { return std::size_t{7}; }, [] { return std::size_t{2048}; }},
                      [] { return kNow; }};
};

TEST_F(EpgViewModelTest, TreeListsChannelsWithEventsByGrouping) {
  InsertAllChannels();
  const TEpgRefreshResult r = model.Refresh();
  EXPECT_TRUE(r.ChannelsAdded);
  EXPECT_EQ(r.EventsAdded, 4u);
  ASSERT_EQ(model.Tree().Entries().size(), 3u); // the unknown channel gets none
  EXPECT_EQ(model.Tree().Entries()[2].ListIndex, 2);
  EXPECT_THAT(Texts(model.Tree().Rows()), ElementsAre("Alpha", "beta channel with a ", "Gamma"));

  // By favourite category: twice for two categories, ":: none ::" without any.
  model.Tree().SetGrouping(2);
  const auto &byFav = model.Tree().Rows();
  ASSERT_THAT(Texts(byFav), ElementsAre(":: none ::", "movies", "Sport"));
  EXPECT_THAT(Texts(byFav[0].Children), ElementsAre("beta channel with a "));
  EXPECT_THAT(Texts(byFav[1].Children), ElementsAre("Alpha", "Gamma"));
  EXPECT_THAT(Texts(byFav[2].Children), ElementsAre("Alpha"));
  EXPECT_EQ(byFav[2].Children[0].ListIndex, 0);
  EXPECT_TRUE(byFav[2].IsGroup());

  // By provider: trimmed names that differ in case share one group.
  model.Tree().SetGrouping(1);
  const auto &byProv = model.Tree().Rows();
  ASSERT_THAT(Texts(byProv), ElementsAre(":: none ::", "ProvA"));
  EXPECT_THAT(Texts(byProv[1].Children), ElementsAre("Alpha", "Gamma"));

  model.Tree().SetOnlyFavourites(true);
  EXPECT_THAT(Texts(model.Tree().Rows()), ElementsAre("ProvA"));
  model.Tree().SetGrouping(0);
  EXPECT_THAT(Texts(model.Tree().Rows()), ElementsAre("Alpha", "Gamma"));
  EXPECT_EQ(model.Tree().Entries().size(), 3u); // hidden channels keep their entries
}

TEST_F(EpgViewModelTest, TreeSortsGroupsFirstIgnoringCase) {
  std::vector<TEpgTreeRow> rows{
      {"zulu", 1, {}}, {"Bravo", -1, {}}, {"alpha", 2, {}}, {"ärger", 3, {}}, {"Charlie", 4, {}}};
  std::sort(rows.begin(), rows.end(), TreeRowLess);
  EXPECT_THAT(Texts(rows), ElementsAre("Bravo", "alpha", "Charlie", "zulu", "ärger"));
  EXPECT_EQ(TreeRowText("ÄÖÜäöüÄÖÜäöüÄÖÜäöüÄÖÜ"), "ÄÖÜäöüÄÖÜäöüÄÖÜäöüÄÖ"); // characters, not bytes
}

TEST_F(EpgViewModelTest, RefreshAddsNewEventsSortedByStart) {
  Insert(1, 10, 1, kNow + 300, 3600, "third");
  Insert(1, 10, 2, kNow + 100, 3600, "first");
  model.Refresh();
  EXPECT_THAT(RowNames(), ElementsAre("first", "third"));
  Insert(1, 10, 3, kNow + 200, 3600, "second");
  Insert(1, 10, 4, kNow + 50, 3600, "zeroth");
  const TEpgRefreshResult r = model.Refresh();
  EXPECT_FALSE(r.Cleared);
  EXPECT_FALSE(r.ChannelsAdded);
  EXPECT_EQ(r.EventsAdded, 2u);
  EXPECT_THAT(RowNames(), ElementsAre("zeroth", "first", "second", "third"));
  EXPECT_EQ(model.RowOfStoreIndex(1), 1); // "first" moved down by one
  EXPECT_EQ(model.RowOfStoreIndex(4), -1);
  EXPECT_EQ(model.Refresh().EventsAdded, 0u);
  EXPECT_THAT(model.RefreshTimeText(), MatchesRegex(" Refresh: [0-9]+ ms"));
}

TEST_F(EpgViewModelTest, StoreClearEmptiesTheListsEvenWhenTheStoreGrewPastTheOldCount) {
  InsertAllChannels();
  model.Refresh();
  ASSERT_EQ(model.EventRows().size(), 4u);
  model.ClearStore();
  for (std::uint16_t id = 10; id < 16; ++id)
    Insert(2, 20, id, kNow + id, 60, "new");
  const TEpgRefreshResult r = model.Refresh();
  EXPECT_TRUE(r.Cleared);
  EXPECT_EQ(model.EventRows().size(), 6u);
  EXPECT_THAT(RowNames(), ::testing::Each(std::string("new")));
  ASSERT_EQ(model.Tree().Entries().size(), 1u);
  EXPECT_EQ(model.Tree().Entries()[0].Sid, 20);

  model.ClearStore();
  EXPECT_TRUE(model.Refresh().Cleared);
  EXPECT_TRUE(model.EventRows().empty());
  EXPECT_TRUE(model.Tree().Rows().empty());
}

TEST_F(EpgViewModelTest, FiltersPickTheEventOnAirAsTarget) {
  model.Filters().PerChannel = false;
  Insert(1, 10, 1, kNow - 7200, 3600, "over");
  Insert(1, 10, 2, kNow + 600, 3600, "later");
  Insert(2, 20, 3, kNow - 1, 3600, "on air");
  model.Refresh();
  ASSERT_THAT(RowNames(), ElementsAre("over", "on air", "later"));
  EXPECT_EQ(model.ApplyFilters(), 1);
  EXPECT_EQ(model.VisibleCount(), 3u);
  EXPECT_THAT(model.SearchTimeText(), MatchesRegex(" Search:[0-9]+ ms"));

  model.Filters().NowNext = NowNextMode(false, true);
  EXPECT_EQ(model.ApplyFilters(), 2); // nothing on air passes: the first visible
  EXPECT_EQ(model.VisibleCount(), 1u);

  model.Filters().NowNext = 0;
  model.SelectChannel(0);
  model.Filters().PerChannel = true;
  EXPECT_EQ(model.ApplyFilters(), 0);
  EXPECT_FALSE(model.EventRows()[1].Visible);

  model.Filters().SearchText = "nothing like it";
  EXPECT_EQ(model.ApplyFilters(), -1);
  EXPECT_EQ(model.VisibleCount(), 0u);
  model.Content().ChooseGroup(1);
  model.ApplyContentChoice();
  SetTimeWindow(model.Filters(), {kNow, kNow + 60});
  model.ClearPanelFilters();
  EXPECT_TRUE(model.Filters().SearchText.empty());
  EXPECT_EQ(model.Filters().ContentValue, kAnyContent);
  EXPECT_EQ(model.Filters().WindowFrom, 0);
  EXPECT_EQ(model.Content().Group(), 0);
  model.Filters().SearchText = "nothing like it";
  // New rows come in already filtered.
  Insert(1, 10, 4, kNow + 900, 60, "nothing like it");
  Insert(1, 10, 5, kNow + 950, 60, "other");
  model.Refresh();
  EXPECT_EQ(model.VisibleCount(), 1u);
}

TEST_F(EpgViewModelTest, RowTextsAndDetails) {
  const std::int64_t start = Berlin(2026, 7, 4, 20, 15); // summer time
  TEpgEvent e = Event(1, 10, 0xBEEF, start, 5399, "Final");
  e.Language = "DEU";
  e.ShortText = "Football";
  e.ExtendedText = "The world cup final. WORLD champions.";
  e.Content = 0x43;
  e.MinAge = 12;
  ASSERT_TRUE(store.Insert(e));
  ASSERT_TRUE(store.Insert(Event(0x1A, 0xBC, 1, start + 10, 60, "Lost")));
  model.Refresh();

  const TEpgRowTexts t = model.RowTexts(0);
  EXPECT_EQ(t.Channel, "Alpha");
  EXPECT_EQ(t.Start, "04/07/2026 20:15");
  EXPECT_EQ(t.Duration, "01:29");
  EXPECT_EQ(t.Name, "Final");
  EXPECT_EQ(t.Language, "DEU");
  EXPECT_EQ(model.RowTexts(1).Channel, "<Unknow Ch_001A/00BC>");
  EXPECT_EQ(model.RowTexts(2).Channel, kNilDataText);

  model.Filters().SearchText = "World";
  const TEpgEventDetails d = model.Details(0);
  ASSERT_TRUE(d.Present);
  EXPECT_EQ(d.ShortText, "Football");
  EXPECT_FALSE(d.ShortMatch);
  ASSERT_TRUE(d.ExtendedMatch);
  EXPECT_EQ(d.ExtendedMatch->Pos, 4u);
  EXPECT_EQ(d.ExtendedMatch->Length, 5u);
  EXPECT_EQ(d.ContentText, "Content: Football/soccer (0x43)");
  EXPECT_EQ(d.EventIdText, "0000BEEF");
  EXPECT_EQ(d.MinAge, 12);
  EXPECT_FALSE(model.Details(-1).Present);
  EXPECT_FALSE(model.Details(5).Present);
}

TEST_F(EpgViewModelTest, StatusTextsAndHashInformation) {
  InsertAllChannels();
  model.Refresh();
  model.Filters().NowNext = 1; // none is on air
  model.ApplyFilters();
  const auto status = model.StatusTexts();
  ASSERT_EQ(status.size(), 6u);
  EXPECT_EQ(status[0], " Events: 4");
  EXPECT_EQ(status[1], " Filtered: 0");
  EXPECT_EQ(status[2], " Channels: 3");
  EXPECT_EQ(status[3], " Mem: " + std::to_string(store.Memory() / 1024) + " KB");
  EXPECT_EQ(status[4], " Errors: 7");
  EXPECT_EQ(status[5], " Buf: 2 KB");
  EXPECT_EQ(model.HashInfoText(), "Hash: Eficiency=" + std::to_string(store.HashEfficiency()) +
                                      " % , Memory=" + std::to_string(store.HashMemory() / 1024) +
                                      " KB");
}

TEST_F(EpgViewModelTest, TuneHandleAndScheduleRequest) {
  EXPECT_EQ(model.ChannelHandle(2), 3 * 65536 + 2);
  const std::int64_t start = Berlin(2026, 12, 24, 18, 0);
  Insert(2, 20, 1, start, 5399, "Carols");
  Insert(9, 9, 2, start + 60, 600, "Nowhere");
  model.Refresh();
  EXPECT_EQ(model.RowChannel(0), 2);
  const auto request = model.ScheduleRequest(0);
  ASSERT_TRUE(std::holds_alternative<TEpgScheduleRequest>(request));
  const auto &job = std::get<TEpgScheduleRequest>(request);
  EXPECT_EQ(data::ChName(job.Channel), "Gamma");
  EXPECT_EQ(job.Minutes, 89); // 5399 s, truncated
  EXPECT_EQ(job.Comment, "Carols");
  EXPECT_EQ(job.Action, 1);
  EXPECT_EQ(job.LocalStart, Local(2026, 12, 24, 18, 0));

  EXPECT_EQ(model.RowChannel(1), -1);
  const auto missing = model.ScheduleRequest(1);
  ASSERT_TRUE(std::holds_alternative<std::string>(missing));
  EXPECT_EQ(std::get<std::string>(missing), kUnknownChannelError);
}

TEST_F(EpgViewModelTest, RefreshKeepsUpWithAWriterThatClears) {
  model.Filters().PerChannel = false;
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (std::uint16_t id = 1; id <= 3000; ++id) {
      store.Insert(Event(1, 10, id, kNow + (id * 7919) % 5000, 60, "w"));
      if (id == 1500)
        store.Clear();
    }
    done = true;
  });
  while (!done) {
    model.Refresh();
    model.ApplyFilters();
    model.RowTexts(0);
  }
  writer.join();
  model.Refresh();
  ASSERT_EQ(model.EventRows().size(), store.Count());
  EXPECT_EQ(store.Count(), 1500u);
  std::vector<std::size_t> indexes;
  for (const TEpgEventRow &row : model.EventRows())
    indexes.push_back(row.StoreIndex);
  std::sort(indexes.begin(), indexes.end());
  EXPECT_EQ(std::adjacent_find(indexes.begin(), indexes.end()), indexes.end()); // no duplicates
  EXPECT_LT(indexes.back(), store.Count());
  EXPECT_TRUE(std::is_sorted(
      model.EventRows().begin(), model.EventRows().end(),
      [](const TEpgEventRow &a, const TEpgEventRow &b) { return a.StartTime < b.StartTime; }));
}

} // namespace
} // namespace qev::guide
