#include "recording/record_name.h"

#include "frame/options.h"

#include <gtest/gtest.h>

namespace qev::recording {
namespace {

// 3 May 2009, 21:05:07, a Sunday.
std::tm Clock() {
  std::tm t{};
  t.tm_year = 109;
  t.tm_mon = 4;
  t.tm_mday = 3;
  t.tm_hour = 21;
  t.tm_min = 5;
  t.tm_sec = 7;
  t.tm_wday = 0;
  return t;
}

std::string Name(std::string_view format, std::string_view name, std::string_view info,
                 bool clean = true) {
  return FormatRecordName(format, name, info, clean, Clock());
}

TEST(RecordName, TheDefaultFormatWithAnEmptyInfoLeavesDateAndName) {
  EXPECT_EQ(Name(frame::kDefaultRecNameFormat, "QEV One", ""), "20090503_2105 QEV One");
  EXPECT_EQ(Name(frame::kDefaultRecNameFormat, "  QEV One ", " Top100 "),
            "20090503_2105 QEV One (Top100)");
  EXPECT_EQ(Name("[<Info>] <Name>", "QEV One", ""), "QEV One");
}

TEST(RecordName, PlaceholdersAndPatternLettersIgnoreCase) {
  EXPECT_EQ(Name("<DATE>_<name>_<INFO>", "A", "B"), "20090503_A_B");
  EXPECT_EQ(Name("YYYY-MM-DD HH.NN.SS", "", ""), "2009-05-03 21_05_07");
  EXPECT_EQ(Name("d-m-yy h:n:s", "", "", false), "3-5-09 21:5:7");
  EXPECT_EQ(Name("hh:mm", "", "", false), "21:05"); // minutes after an hour
  EXPECT_EQ(Name("ddd dddd mmm mmmm", "", "", false), "Sun Sunday May May");
}

TEST(RecordName, LettersAndQuotesOfNamesNeverReachThePattern) {
  EXPECT_EQ(Name("<Name>", "Sky Sports HD mm", ""), "Sky Sports HD mm");
  EXPECT_EQ(Name("<Name> <Info>", "Say \"hi\"", "it's"), "Say \"hi\" it's");
  EXPECT_EQ(Name("yyyy \"Rec of\" <Name>", "dd", ""), "2009 Rec of dd");
  EXPECT_EQ(Name("'hh' hh <Name>", "'yy'", ""), "hh 21 'yy'");
}

TEST(RecordName, CleaningMakesAFileName) {
  EXPECT_EQ(Name("<Name>", "a/b:c.d\\e|f?g*h<i>j", ""), "a_b_c_d_e_f_g_h_i_j");
  EXPECT_EQ(Name("<Name>  [ ]  ( )  <Info>", "x", "y"), "x y");
  EXPECT_EQ(Name("<Name>", "tab\there\nnew", ""), "tab_here_new");
  // Without cleaning only what no file name may hold is replaced.
  EXPECT_EQ(Name("<Name> (<Info>)", "a/b.c", "", false), "a_b.c ()");
}

TEST(RecordName, ExtensionsAndPartNames) {
  EXPECT_EQ(NormalizeExtension("  TS \t"), ".TS");
  EXPECT_EQ(NormalizeExtension(".ts"), ".ts");
  EXPECT_EQ(NormalizeExtension("   "), "");
  EXPECT_EQ(SafeExtension(" mpeg2"), ".mpe");
  EXPECT_EQ(SafeExtension("../x"), ".__x");
  EXPECT_EQ(SafeExtension("a\x01"
                          "b"),
            ".a_b");
  EXPECT_EQ(RecFileName("base", 0, ".TS"), "base.TS");
  EXPECT_EQ(RecFileName("base", 1, ".TS"), "base_001.TS");
  EXPECT_EQ(RecFileName("base", 1234, ".TS"), "base_1234.TS");
}

TEST(RecordName, LongNamesFitIntoOneFileNameAtACharacterBoundary) {
  std::string longName;
  for (int i = 0; i < 200; ++i)
    longName += "\xC3\xA9"; // é, two bytes
  const std::string base = FitBaseName(longName, ".TS");
  const std::string worst = base + "_Dup99" + "_999" + ".TS";
  EXPECT_LE(worst.size(), kMaxFileNameBytes);
  EXPECT_GE(worst.size(), kMaxFileNameBytes - 1);
  EXPECT_EQ(base.size() % 2, 0u) << "cut inside a character";
  EXPECT_EQ(FitBaseName("  ", ".TS"), "REC");
  EXPECT_EQ(CutUtf8Chars("\xC3\xA9\xC3\xA9x", 2), "\xC3\xA9\xC3\xA9");
  EXPECT_EQ(CutUtf8("a\xE2\x82\xAC", 3), "a");
}

} // namespace
} // namespace qev::recording
