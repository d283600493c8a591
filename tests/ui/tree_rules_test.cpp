#include "tree_fixture.h"

#include <gtest/gtest.h>

namespace qev::ui {
namespace {

using test::AddCa;
using test::AddEs;
using test::TFakeSky;

std::vector<std::string> Texts(const std::vector<TGroupText> &groups) {
  std::vector<std::string> out;
  for (const TGroupText &g : groups)
    out.push_back(g.Text);
  return out;
}

TEST(TreeGroupTexts, EachKindNamesItsGroups) {
  TFakeSky sky;
  data::TChannelRec &rec = sky.Add(0x30005, "  zdf info");
  rec.Freq = 11'953'000;
  rec.SRate = 2750;
  data::SetChProv(rec, "  ZDFvision ");
  rec.Categ = 4;
  rec.Encrypted = 1;
  rec.TID = 0x0437;
  rec.SID = 0x6DCA;
  rec.TimeAdd = 45000.5 + 1.0 / 1440 * 7; // 2023-03-15 12:07
  rec.FavCat[0] = 3;
  AddCa(rec, 0x0500, 0x1234567);
  AddEs(rec, data::kKindAudio, "deu");
  AddEs(rec, data::kKindSubtitle, "eng");
  AddEs(rec, data::kKindTeletext, "fra");
  const auto l = sky.Lookups();
  const struct {
    int kind;
    std::vector<std::string> texts;
  } cases[] = {
      {0, {}},
      {1, {"Sat3"}},
      {2, {"ZDFvision"}},
      {3, {"11953 H"}},
      {4, {"02750"}},
      {5, {"Cat4"}},
      {6, {"TV PAY"}},
      {7, {"Viaccess"}},
      {8, {"0500-234567-VIAC"}},
      {9, {"Z"}},
      {10, {"DEU-Audio"}},
      {11, {"ENG-Subtitle"}},
      {12, {"FRA-Teletext"}},
      {13, {"Fav3"}},
      {14, {"2023-03-15 12:07"}},
      {15, {"04376DCA"}},
      {16, {}},
      {-1, {}},
  };
  for (const auto &c : cases)
    EXPECT_EQ(Texts(GroupTexts(c.kind, 0x30005, rec, l)), c.texts) << "kind " << c.kind;
}

TEST(TreeGroupTexts, EmptyValuesFallIntoTheNoneGroupOrNoGroup) {
  TFakeSky sky;
  data::TChannelRec &rec = sky.Add(0x10001, "");
  rec.SRate = 27500;
  const auto l = sky.Lookups();
  for (const int kind : {2, 5, 7, 8, 13})
    EXPECT_EQ(Texts(GroupTexts(kind, 0x10001, rec, l)), std::vector<std::string>{kNoGroupText})
        << "kind " << kind;
  EXPECT_EQ(Texts(GroupTexts(4, 0x10001, rec, l)), std::vector<std::string>{"27500"});
  EXPECT_EQ(Texts(GroupTexts(9, 0x10001, rec, l)), std::vector<std::string>{""});
  // Without streams of the kind the channel has no language group at all.
  for (const int kind : {10, 11, 12})
    EXPECT_TRUE(GroupTexts(kind, 0x10001, rec, l).empty()) << "kind " << kind;
  AddEs(rec, data::kKindAudio, "");
  EXPECT_EQ(Texts(GroupTexts(10, 0x10001, rec, l)), std::vector<std::string>{kNoGroupText});
}

TEST(TreeGroupTexts, MultiGroupKindsListEachTextOnceIgnoringCase) {
  TFakeSky sky;
  data::TChannelRec &rec = sky.Add(0x10001, "élan");
  AddCa(rec, 0x0500, 1);
  AddCa(rec, 0x0500, 2);
  AddCa(rec, 0x1801, 0);
  AddEs(rec, data::kKindAudio, "deu");
  AddEs(rec, data::kKindAudio, "eng");
  AddEs(rec, data::kKindAudio, "DEU");
  rec.FavCat[0] = 1;
  rec.FavCat[1] = 5;
  const auto l = sky.Lookups();
  EXPECT_EQ(Texts(GroupTexts(7, 0x10001, rec, l)),
            (std::vector<std::string>{"Viaccess", "Nagravision"}));
  EXPECT_EQ(Texts(GroupTexts(8, 0x10001, rec, l)),
            (std::vector<std::string>{"0500-00001-VIAC", "0500-00002-VIAC", "1801-00000-NAGR"}));
  EXPECT_EQ(Texts(GroupTexts(8, 0x10001, rec, l, 0x18)),
            (std::vector<std::string>{"1801-00000-NAGR"}));
  EXPECT_EQ(Texts(GroupTexts(10, 0x10001, rec, l)),
            (std::vector<std::string>{"DEU-Audio", "ENG-Audio"}));
  EXPECT_EQ(Texts(GroupTexts(13, 0x10001, rec, l)), (std::vector<std::string>{"Fav1", "Fav5"}));
  // The first letter is upper-cased beyond ASCII.
  EXPECT_EQ(Texts(GroupTexts(9, 0x10001, rec, l)), std::vector<std::string>{"É"});
}

TEST(TreeFilter, PassesOnlyWhatEveryRuleAllows) {
  TFakeSky sky;
  data::TChannelRec base = sky.Add(0x10001, "Das Erste HD");
  sky.Channels.erase(0x10001);
  struct Case {
    const char *what;
    std::function<void(data::TChannelRec &, TGSFRules &, TFakeSky &)> set;
    bool passes;
  };
  const Case cases[] = {
      {"defaults pass a free TV channel", [](auto &, auto &, auto &) {}, true},
      {"unknown handle", [](auto &, auto &, TFakeSky &s) { s.Channels.clear(); }, false},
      {"locked while the lock is active",
       [](auto &r, auto &, TFakeSky &s) { r.ChildLock = 1, s.ChildLock = true; }, false},
      {"locked while the lock is off", [](auto &r, auto &, auto &) { r.ChildLock = 1; }, true},
      {"TV without the TV bit", [](auto &, TGSFRules &f, auto &) { f.ChfServType = 30; }, false},
      {"radio without the radio bit",
       [](auto &r, TGSFRules &f, auto &) { r.SrvType = 2, f.ChfServType = 29; }, false},
      {"radio with the radio bit", [](auto &r, auto &, auto &) { r.SrvType = 2; }, true},
      {"data kind 7 needs the data bit",
       [](auto &r, TGSFRules &f, auto &) { r.SrvType = 7, f.ChfServType = 27; }, false},
      {"data kind 0 with the data bit",
       [](auto &r, TGSFRules &f, auto &) { r.SrvType = 0, f.ChfServType = 31; }, true},
      {"scrambled without bit 8",
       [](auto &r, TGSFRules &f, auto &) { r.Encrypted = 1, f.ChfServType = 17; }, false},
      {"free without bit 16", [](auto &, TGSFRules &f, auto &) { f.ChfServType = 9; }, false},
      {"scrambled with bit 8", [](auto &r, auto &, auto &) { r.Encrypted = 2; }, true},
      {"category matches k - 1",
       [](auto &r, TGSFRules &f, auto &) { r.Categ = 2, f.ChfCategory = 3; }, true},
      {"category differs", [](auto &r, TGSFRules &f, auto &) { r.Categ = 2, f.ChfCategory = 2; },
       false},
      {"category below 1 means any",
       [](auto &r, TGSFRules &f, auto &) { r.Categ = 9, f.ChfCategory = -4; }, true},
      {"teletext wanted, none", [](auto &, TGSFRules &f, auto &) { f.ChfFlagTTX = true; }, false},
      {"teletext wanted, present",
       [](auto &r, TGSFRules &f, auto &) { r.TtxPid = 33, f.ChfFlagTTX = true; }, true},
      {"favourite wanted, none", [](auto &, TGSFRules &f, auto &) { f.ChfFavorite = true; }, false},
      {"favourite wanted, last place",
       [](auto &r, TGSFRules &f, auto &) { r.FavCat[3] = 1, f.ChfFavorite = true; }, true},
      {"subtitles wanted, none", [](auto &, TGSFRules &f, auto &) { f.ChfFlagSUB = true; }, false},
      {"subtitles wanted, present",
       [](auto &r, TGSFRules &f, auto &) { AddEs(r, 5, "deu"), f.ChfFlagSUB = true; }, true},
      {"subtitle entry beyond EsCount",
       [](auto &r, TGSFRules &f, auto &) {
         AddEs(r, 5, "deu"), r.EsCount = 0, f.ChfFlagSUB = true;
       },
       false},
      {"AC-3 wanted, none",
       [](auto &r, TGSFRules &f, auto &) { AddEs(r, 2, ""), f.ChfFlagAC3 = true; }, false},
      {"AC-3 wanted, present",
       [](auto &r, TGSFRules &f, auto &) { AddEs(r, 3, ""), f.ChfFlagAC3 = true; }, true},
      {"name fragment in another case",
       [](auto &, TGSFRules &f, auto &) { f.ChfContain = "erste h"; }, true},
      {"name fragment absent", [](auto &, TGSFRules &f, auto &) { f.ChfContain = "zdf"; }, false},
      {"Cyrillic fragment ignoring case",
       [](auto &r, TGSFRules &f, auto &) { data::SetChName(r, "Первый"), f.ChfContain = "ПЕРВ"; },
       true},
  };
  for (const Case &c : cases) {
    TFakeSky local;
    TGSFRules rules;
    local.Channels[0x10001] = base;
    c.set(local.Channels[0x10001], rules, local);
    EXPECT_EQ(ChannelPassesFilter(rules, 0x10001, local.Lookups()), c.passes) << c.what;
  }
}

TEST(TreeSort, KeysCompareIgnoringCaseAndFrequencyAsSigned) {
  TGSFRules rules;
  data::TChannelRec a{}, b{};
  data::SetChName(a, "arte");
  data::SetChName(b, "ARTE");
  data::SetChProv(a, "b");
  data::SetChProv(b, "A");
  rules.SortRule1 = 1;
  rules.SortRule2 = 0;
  EXPECT_EQ(CompareChannelRows(rules, &a, "x", &b, "y"), 0);
  rules.SortRule2 = 2;
  EXPECT_GT(CompareChannelRows(rules, &a, "x", &b, "y"), 0);
  rules.SortRule1 = 3;
  a.Freq = 0x80000000u; // negative as a signed number
  b.Freq = 10'000'000;
  EXPECT_LT(CompareChannelRows(rules, &a, "x", &b, "y"), 0);
  a.Freq = b.Freq;
  a.Polar = 'V';
  b.Polar = 'H';
  EXPECT_GT(CompareChannelRows(rules, &a, "x", &b, "y"), 0);
  // A handle that no longer resolves orders both rows by their texts.
  EXPECT_LT(CompareChannelRows(rules, nullptr, "abc", &b, "ABD"), 0);
}

TEST(TreeSort, PrecomputedKeysOrderAsTheComparison) {
  std::vector<data::TChannelRec> recs(5, data::TChannelRec{});
  const char *names[] = {"arte", "ARTE", "Zdf", "\xC3\xA9t\xC3\xA9", "b"};
  const char *provs[] = {"b", "A", "a", "", "B"};
  const std::uint32_t freqs[] = {0x80000000u, 10'000'000, 10'000'000, 12'000'000, 10'000'000};
  const char polars[] = {'H', 'V', 'H', 'H', static_cast<char>(0xE9)};
  for (std::size_t i = 0; i < recs.size(); ++i) {
    data::SetChName(recs[i], names[i]);
    data::SetChProv(recs[i], provs[i]);
    recs[i].Freq = freqs[i];
    recs[i].Polar = polars[i];
  }
  TGSFRules rules;
  for (rules.SortRule1 = 0; rules.SortRule1 < 4; ++rules.SortRule1)
    for (rules.SortRule2 = 0; rules.SortRule2 < 4; ++rules.SortRule2)
      for (std::size_t a = 0; a <= recs.size(); ++a)
        for (std::size_t b = 0; b <= recs.size(); ++b) {
          // Index recs.size() stands for a handle that no longer resolves.
          const data::TChannelRec *ra = a < recs.size() ? &recs[a] : nullptr;
          const data::TChannelRec *rb = b < recs.size() ? &recs[b] : nullptr;
          const std::string ta = "t" + std::to_string(a), tb = "T" + std::to_string(b);
          EXPECT_EQ(
              CompareChannelKeys(ChannelSortKey(rules, ra, ta), ChannelSortKey(rules, rb, tb)),
              CompareChannelRows(rules, ra, ta, rb, tb))
              << rules.SortRule1 << rules.SortRule2 << " " << a << " " << b;
        }
}

TEST(TreeInfoColumn, EachValueShowsItsText) {
  TFakeSky sky;
  data::TChannelRec &rec = sky.Add(0x20001, "N");
  data::SetChProv(rec, "Prov");
  rec.Categ = 2;
  rec.FavCat[0] = 7;
  const auto l = sky.Lookups();
  const std::vector<std::string> expected{"Cat2", "Prov", "11000 H", "Pos2", "F7", "", "Cat2"};
  for (int col = 0; col < 7; ++col)
    EXPECT_EQ(InfoColumnText(col, rec, l), expected[static_cast<std::size_t>(col)]) << col;
  rec.PlgProfile = 4;
  EXPECT_EQ(InfoColumnText(5, rec, l), "Profile4");
}

TEST(TreeRules, SecondRuleSetListsTvScrambledAndFreeUngrouped) {
  const TGSFRules rules = SecondRuleSet();
  EXPECT_EQ(rules.ChfServType, 25);
  EXPECT_EQ(rules.Group1By, 0);
  EXPECT_EQ(rules.SortRule1, 0);
}

} // namespace
} // namespace qev::ui

namespace qev::ui {
namespace {

TEST(TreeRowText, KeepsFiftyCharactersWithoutSplittingOne) {
  std::string name;
  for (int i = 0; i < 60; ++i)
    name += "ü";
  EXPECT_EQ(RowTextOf(name), name.substr(0, 100));
  EXPECT_EQ(RowTextOf("short"), "short");
}

} // namespace
} // namespace qev::ui
