#include "berlin_time.h"
#include "guide/epg_filters.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qev::guide {
namespace {

using test::BerlinTime;

TEpgEvent Event(std::uint32_t start, std::uint32_t duration) {
  TEpgEvent e;
  e.TransportStreamId = 1;
  e.ServiceId = 10;
  e.StartTime = start;
  e.Duration = duration;
  return e;
}

TEpgFilters AllChannels() {
  TEpgFilters f;
  f.PerChannel = false;
  return f;
}

int GroupIndex(const TContentChooser &chooser, std::uint8_t code) {
  const auto &groups = chooser.Groups();
  const auto it = std::find_if(groups.begin(), groups.end(),
                               [&](const TContentItem &i) { return i.Value == code; });
  return static_cast<int>(it - groups.begin());
}

TEST(EpgFilters, NowNextModeFollowsTheSwitches) {
  EXPECT_EQ(NowNextMode(false, false), 0);
  EXPECT_EQ(NowNextMode(true, false), 1);
  EXPECT_EQ(NowNextMode(false, true), 2);
  EXPECT_EQ(NowNextMode(true, true), 3);
}

TEST(EpgFilters, AnEventThatStartedASecondAgoIsNowAndNotNext) {
  const std::int64_t now = 1'800'000'000;
  const TEpgEvent started = Event(now - 1, 3600);
  const TEpgEvent later = Event(now + 60, 3600);
  const TEpgEvent over = Event(now - 7200, 3600);
  TEpgFilters f = AllChannels();
  f.NowNext = 1;
  EXPECT_TRUE(EventVisible(started, f, now));
  EXPECT_FALSE(EventVisible(later, f, now));
  EXPECT_FALSE(EventVisible(over, f, now));
  f.NowNext = 2;
  EXPECT_FALSE(EventVisible(started, f, now));
  EXPECT_TRUE(EventVisible(later, f, now));
  f.NowNext = 3;
  EXPECT_TRUE(EventVisible(started, f, now));
  EXPECT_TRUE(EventVisible(later, f, now));
  EXPECT_FALSE(EventVisible(over, f, now));
  // Both ends of an event on air count as now.
  f.NowNext = 1;
  EXPECT_TRUE(EventVisible(Event(now, 60), f, now));
  EXPECT_TRUE(EventVisible(Event(now - 60, 60), f, now));
}

TEST(EpgFilters, PerChannelModeKeepsOnlyTheSelectedService) {
  TEpgFilters f;
  f.ChannelTid = 1;
  f.ChannelSid = 10;
  TEpgEvent e = Event(100, 60);
  EXPECT_TRUE(EventVisible(e, f, 0));
  e.ServiceId = 11;
  EXPECT_FALSE(EventVisible(e, f, 0));
  e.ServiceId = 10;
  e.TransportStreamId = 2; // the same service id on another transponder
  EXPECT_FALSE(EventVisible(e, f, 0));
  f.PerChannel = false;
  EXPECT_TRUE(EventVisible(e, f, 0));
}

TEST(EpgFilters, SearchLooksInTheChosenFieldOnly) {
  TEpgEvent e = Event(100, 60);
  e.Name = "Evening News";
  e.ShortText = "Weather";
  e.ExtendedText = "With a report on the Ölpreis";
  e.Items = "Director:Hidden\r";
  TEpgFilters f = AllChannels();
  f.SearchText = "ölPREIS"; // only in the extended text, other letter case
  EXPECT_TRUE(EventVisible(e, f, 0));
  f.SearchField = 1;
  EXPECT_FALSE(EventVisible(e, f, 0));
  f.SearchField = 2;
  EXPECT_FALSE(EventVisible(e, f, 0));
  f.SearchField = 3;
  EXPECT_TRUE(EventVisible(e, f, 0));
  f.SearchField = 0;
  f.SearchText = "hidden"; // items are never searched
  EXPECT_FALSE(EventVisible(e, f, 0));
  f.SearchText = "news";
  f.SearchField = 1;
  EXPECT_TRUE(EventVisible(e, f, 0));
}

TEST(EpgFilters, FindIgnoringCaseGivesTheByteRangeOfTheFirstMatch) {
  const auto m = FindIgnoringCase("Viel Ärger, viel ärger", "ÄRGER");
  ASSERT_TRUE(m);
  EXPECT_EQ(m->Pos, 5u);
  EXPECT_EQ(m->Length, 6u); // Ä takes two bytes
  EXPECT_FALSE(FindIgnoringCase("abc", ""));
  EXPECT_FALSE(FindIgnoringCase("abc", "abcd"));
  const auto broken = FindIgnoringCase("a\xFF"
                                       "bc",
                                       "BC"); // a stray byte stays one byte
  ASSERT_TRUE(broken);
  EXPECT_EQ(broken->Pos, 2u);
}

TEST(EpgFilters, ContentTestNeedsAContentAndTheMaskedValue) {
  TEpgFilters f = AllChannels();
  TContentChooser chooser;
  chooser.ChooseGroup(GroupIndex(chooser, 0x40));
  ASSERT_EQ(chooser.Subgroups()[0].Text, kSelectSubgroupText);
  chooser.ApplyTo(f);
  EXPECT_EQ(f.ContentValue, 0x40);
  EXPECT_EQ(f.ContentMask, 0xF0);
  TEpgEvent e = Event(100, 60);
  e.Content = 0x43;
  EXPECT_TRUE(EventVisible(e, f, 0));
  e.Content = 0;
  EXPECT_FALSE(EventVisible(e, f, 0));
  e.Content = 0x53;
  EXPECT_FALSE(EventVisible(e, f, 0));

  chooser.ChooseSubgroup(4); // after ">> Select <<": 0x41 0x42 0x43 0x44
  EXPECT_EQ(chooser.Subgroups()[4].Text, "Tennis/squash");
  chooser.ApplyTo(f);
  EXPECT_EQ(f.ContentValue, 0x44);
  EXPECT_EQ(f.ContentMask, 0xFF);
  e.Content = 0x43;
  EXPECT_FALSE(EventVisible(e, f, 0));
  e.Content = 0x44;
  EXPECT_TRUE(EventVisible(e, f, 0));
}

TEST(EpgFilters, ContentChooserOffersGroupsThenTheirSubgroups) {
  TContentChooser chooser;
  const auto &groups = chooser.Groups();
  ASSERT_EQ(groups.size(), 12u); // "<< Any Content >>" and 0x10 to 0xB0
  EXPECT_EQ(groups[0].Text, kAnyContentText);
  EXPECT_EQ(groups[4].Text, "Sports");
  EXPECT_EQ(groups[11].Value, 0xB0);
  EXPECT_FALSE(chooser.SubgroupEnabled());
  ASSERT_EQ(chooser.Subgroups().size(), 1u);
  EXPECT_EQ(chooser.Subgroups()[0].Text, kNoSubgroupText);
  EXPECT_EQ(chooser.Value(), kAnyContent);

  chooser.ChooseGroup(GroupIndex(chooser, 0x40));
  EXPECT_TRUE(chooser.SubgroupEnabled());
  EXPECT_EQ(chooser.Subgroups().size(), 12u); // ">> Select <<" and 0x41 to 0x4B
  EXPECT_EQ(chooser.Subgroups().back().Value, 0x4B);

  // Back to any content: the test is off.
  chooser.ChooseGroup(0);
  TEpgFilters f;
  chooser.ApplyTo(f);
  EXPECT_EQ(f.ContentValue, kAnyContent);
  TEpgEvent e = Event(100, 60);
  f.PerChannel = false;
  EXPECT_TRUE(EventVisible(e, f, 0)); // content 0 passes without a content test
}

TEST(EpgFilters, ContentListFiltersByMaskedValue) {
  const auto withFirst = EpgContentList(0xB0, 0xF0, false, "first");
  ASSERT_EQ(withFirst.size(), 5u);
  EXPECT_EQ(withFirst[0].Text, "first");
  EXPECT_EQ(withFirst[0].Value, kAnyContent);
  EXPECT_EQ(withFirst[1].Value, 0xB0);
  const auto skip = EpgContentList(0xB0, 0xF0, true, std::nullopt);
  ASSERT_EQ(skip.size(), 3u);
  EXPECT_EQ(skip[0].Text, "Black & white");
  EXPECT_TRUE(EpgContentList(0xC0, 0xF0, false, std::nullopt).empty());
}

TEST_F(BerlinTime, TodayExcludesAnEventEndingAtMidnight) {
  const std::int64_t now = Berlin(2026, 12, 10, 15, 0);
  const TLocalWindow w = QuickWindow(TQuickWindow::Today, now);
  EXPECT_EQ(w.LocalFrom, Local(2026, 12, 10));
  EXPECT_EQ(w.LocalTo, Local(2026, 12, 10, 23, 59));
  TEpgFilters f = AllChannels();
  SetTimeWindow(f, w);
  const auto at = [](std::int64_t t) { return static_cast<std::uint32_t>(t); };
  EXPECT_FALSE(EventVisible(Event(at(Berlin(2026, 12, 10, 23, 0)), 3600), f, now));
  EXPECT_TRUE(EventVisible(Event(at(Berlin(2026, 12, 10, 22, 0)), 3600), f, now));
  EXPECT_TRUE(EventVisible(Event(at(Berlin(2026, 12, 10, 0, 0)), 60), f, now));
  EXPECT_FALSE(EventVisible(Event(at(Berlin(2026, 12, 9, 23, 59)), 120), f, now));
  ClearTimeWindow(f);
  EXPECT_TRUE(EventVisible(Event(at(Berlin(2026, 12, 10, 23, 0)), 3600), f, now));
}

TEST_F(BerlinTime, EveningAndTomorrowAreLocalDays) {
  // Just after local midnight it is already the next day in Berlin, not yet in UTC.
  const std::int64_t now = Berlin(2026, 12, 10, 0, 30);
  ASSERT_EQ(now, Utc(2026, 12, 9, 23, 30));
  const TLocalWindow evening = QuickWindow(TQuickWindow::ThisEvening, now);
  EXPECT_EQ(evening.LocalFrom, Local(2026, 12, 10, 18, 0));
  EXPECT_EQ(evening.LocalTo, Local(2026, 12, 10, 23, 59));
  const TLocalWindow tomorrow = QuickWindow(TQuickWindow::Tomorrow, now);
  EXPECT_EQ(tomorrow.LocalFrom, Local(2026, 12, 11));
  EXPECT_EQ(tomorrow.LocalTo, Local(2026, 12, 11, 23, 59));
}

TEST_F(BerlinTime, WeekAndWeekendForEveryWeekday) {
  // Sunday 6 December 2026 to Saturday 12 December: a Sunday already looks at the week ahead,
  // so every day of it gives Monday 7 to Sunday 13 and the weekend 12 and 13.
  for (unsigned day = 6; day <= 12; ++day) {
    SCOPED_TRACE(day);
    const std::int64_t now = Berlin(2026, 12, day, 12, 0);
    EXPECT_EQ(LocalWeekday(data::UtcToLocal(now)), static_cast<int>(day) - 5);
    const TLocalWindow week = QuickWindow(TQuickWindow::ThisWeek, now);
    EXPECT_EQ(week.LocalFrom, Local(2026, 12, 7));
    EXPECT_EQ(week.LocalTo, Local(2026, 12, 13, 23, 59));
    const TLocalWindow weekend = QuickWindow(TQuickWindow::ThisWeekend, now);
    EXPECT_EQ(weekend.LocalFrom, Local(2026, 12, 12));
    EXPECT_EQ(weekend.LocalTo, Local(2026, 12, 13, 23, 59));
  }
  // The following Sunday moves on to the next week.
  const std::int64_t sunday = Berlin(2026, 12, 13, 12, 0);
  EXPECT_EQ(QuickWindow(TQuickWindow::ThisWeek, sunday).LocalFrom, Local(2026, 12, 14));
  EXPECT_EQ(QuickWindow(TQuickWindow::ThisWeekend, sunday).LocalTo, Local(2026, 12, 20, 23, 59));
  EXPECT_EQ(LocalWeekday(Local(1969, 12, 31)), 4); // before 1970 too
}

TEST_F(BerlinTime, WindowAcrossTheEndOfSummerTimeUsesEachEndsOffset) {
  // Summer time ends on Sunday 25 October 2026: Monday 19 starts at UTC+2, Sunday 25 ends at
  // UTC+1.
  const std::int64_t wednesday = Berlin(2026, 10, 21, 12, 0);
  TEpgFilters f = AllChannels();
  SetTimeWindow(f, QuickWindow(TQuickWindow::ThisWeek, wednesday));
  EXPECT_EQ(f.WindowFrom, Utc(2026, 10, 18, 22, 0));
  EXPECT_EQ(f.WindowTo, Utc(2026, 10, 25, 22, 59));
  SetTimeWindow(f, QuickWindow(TQuickWindow::ThisWeekend, wednesday));
  EXPECT_EQ(f.WindowFrom, Utc(2026, 10, 23, 22, 0));
  EXPECT_EQ(f.WindowTo, Utc(2026, 10, 25, 22, 59));
  // A late film on that Sunday fits, although a summer-time offset would have cut it off.
  const auto film = Event(static_cast<std::uint32_t>(Utc(2026, 10, 25, 21, 0)), 7000);
  EXPECT_TRUE(EventVisible(film, f, wednesday));
}

} // namespace
} // namespace qev::guide
