// Stopwatches, string helpers, letter case and the program's own options.
#include "frame/case_fold.h"
#include "frame/program_options.h"
#include "frame/stopwatch.h"
#include "frame/string_utils.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace qev::frame;
using ::testing::ElementsAre;

TEST(Stopwatch, ElapsedMsTruncatesToWholeMilliseconds) {
  const std::int64_t perMs = StopwatchFrequency() / 1000;
  EXPECT_EQ(ElapsedMs(StopwatchNow() - perMs * 3 / 2), 1);
  EXPECT_EQ(ElapsedMs(StopwatchNow() - perMs / 2), 0);
  // Two hundred days stay exact: no overflow in the arithmetic.
  const std::int64_t days200 = perMs * 1000 * 86400 * 200;
  EXPECT_EQ(ElapsedMs(StopwatchNow() - days200), 1000LL * 86400 * 200);
}

TEST(Stopwatch, SlotsStartAtZeroAndIgnoreOutOfRange) {
  EXPECT_EQ(StopwatchValue(200), 0);
  const std::int64_t before = StopwatchNow();
  StopwatchMark(200);
  EXPECT_GE(StopwatchValue(200), before);
  StopwatchMark(256);
  StopwatchMark(-1);
  EXPECT_EQ(StopwatchValue(256), 0);
  EXPECT_EQ(StopwatchValue(-1), 0);
}

TEST(StringUtils, TrimSearchReplaceDelete) {
  EXPECT_EQ(Trim("  \t a b \r\n"), "a b");
  EXPECT_EQ(Trim(""), "");
  EXPECT_TRUE(EqualsNoCase("Configs", "CONFIGS"));
  EXPECT_FALSE(EqualsNoCase("Config", "Configs"));
  EXPECT_EQ(FindNoCase("a /min b", "/MIN"), 2u);
  EXPECT_EQ(FindNoCase("abc", "x"), std::string::npos);
  EXPECT_EQ(FindNoCase("abc", "c", 5), std::string::npos);
  EXPECT_EQ(ReplaceAll("aXbXc", "X", "XX"), "aXXbXXc");
  EXPECT_EQ(ReplaceAll("<name> <NAME>", "<Name>", "x", true), "x x");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(DeleteChars("a-b_c-", "-_"), "abc");
}

TEST(StringUtils, PadSplitHexJoin) {
  EXPECT_EQ(PadLeft("7", 3, '0'), "007");
  EXPECT_EQ(PadRight("ab", 4), "ab  ");
  EXPECT_EQ(PadLeft("toolong", 3), "toolong");
  EXPECT_THAT(SplitAt("a,b;;c", ",;"), ElementsAre("a", "b", "", "c"));
  EXPECT_THAT(SplitAt("", ","), ElementsAre(""));
  const std::uint8_t bytes[] = {0x47, 0x00, 0x1F, 0xFF};
  EXPECT_EQ(HexDump(bytes), "47 00 1F FF");
  EXPECT_EQ(HexDump({}), "");
  const std::vector<std::string> args{" /VIEW", "", "/SAT", "3 "};
  EXPECT_EQ(JoinArguments(args), "/VIEW  /SAT 3");
}

TEST(ProgramOptions, SeparatesOwnOptionsFromTheCommandLanguage) {
  const auto parsed =
      ParseProgramOptions({"/VIEW", "--root", "/tmp/r", "/SAT", "--quit-after=1500", "2"});
  ASSERT_EQ(parsed.error, "");
  EXPECT_EQ(parsed.options.root, std::filesystem::path("/tmp/r"));
  EXPECT_EQ(parsed.options.quitAfterMs, 1500);
  EXPECT_THAT(parsed.options.commandWords, ElementsAre("/VIEW", "/SAT", "2"));
  EXPECT_TRUE(ParseProgramOptions({"--help"}).options.help);
  EXPECT_TRUE(ParseProgramOptions({"--version"}).options.version);
}

TEST(ProgramOptions, ExplainsBadArguments) {
  EXPECT_EQ(ParseProgramOptions({"--bogus"}).error, "unknown option --bogus");
  EXPECT_EQ(ParseProgramOptions({"--root"}).error, "--root needs a value");
  EXPECT_EQ(ParseProgramOptions({"--root="}).error, "--root needs a folder");
  EXPECT_EQ(ParseProgramOptions({"--quit-after", "soon"}).error,
            "--quit-after needs a number of milliseconds, not \"soon\"");
  EXPECT_NE(ParseProgramOptions({"--quit-after=-5"}).error, "");
  EXPECT_NE(ProgramHelp("qevdvb").find("--quit-after MS"), std::string::npos);
}

TEST(CaseFold, LettersOfLatinGreekAndCyrillicChangeCase) {
  EXPECT_EQ(UpperCase(U'é'), U'É');
  EXPECT_EQ(LowerCase(U'Ä'), U'ä');
  EXPECT_EQ(UpperCase(U'ÿ'), U'Ÿ');
  EXPECT_EQ(LowerCase(U'Ÿ'), U'ÿ');
  EXPECT_EQ(UpperCase(U'ł'), U'Ł');
  EXPECT_EQ(LowerCase(U'Ŋ'), U'ŋ');
  EXPECT_EQ(LowerCase(U'Ž'), U'ž');
  EXPECT_EQ(UpperCase(U'ώ'), U'Ώ');
  EXPECT_EQ(LowerCase(U'Ά'), U'ά');
  EXPECT_EQ(UpperCase(U'ς'), U'Σ');
  EXPECT_EQ(UpperCase(U'ё'), U'Ё');
  EXPECT_EQ(LowerCase(U'Ж'), U'ж');
  EXPECT_EQ(UpperCase(U'ӏ'), U'Ӏ');
  EXPECT_EQ(UpperCase(U'ệ'), U'Ệ');
  // No simple mapping: these stay.
  EXPECT_EQ(UpperCase(U'ß'), U'ß');
  EXPECT_EQ(UpperCase(U'ΐ'), U'ΐ');
  EXPECT_EQ(UpperCase(U'×'), U'×');
  EXPECT_EQ(LowerCase(U'中'), U'中');
  // Folding joins the variants of a letter, but the dotted and dotless i stay apart.
  EXPECT_EQ(FoldCase(U'µ'), U'μ');
  EXPECT_EQ(FoldCase(U'ſ'), U's');
  EXPECT_EQ(FoldCase(U'ẞ'), U'ß');
  EXPECT_EQ(FoldCase(U'ϴ'), U'θ');
  EXPECT_EQ(FoldCase(U'İ'), U'İ');
  EXPECT_EQ(FoldCase(U'ı'), U'ı');
}

TEST(CaseFold, ChangingCaseNeverChangesTheFoldedLetter) {
  for (char32_t c = 0; c < 0x2000; ++c) {
    if (c == 0x130 || c == 0x131)
      continue;
    EXPECT_EQ(FoldCase(UpperCase(c)), FoldCase(c)) << std::hex << static_cast<unsigned>(c);
    EXPECT_EQ(FoldCase(LowerCase(c)), FoldCase(c)) << std::hex << static_cast<unsigned>(c);
  }
}

TEST(CaseFold, TextsCompareByFoldedLettersAndBrokenBytesExactly) {
  EXPECT_TRUE(EqualsNoCase("éLAN über ÄRGER", "Élan Über Ärger"));
  EXPECT_TRUE(EqualsNoCase("ΣΟΦΙΑ", "σοφια"));
  EXPECT_TRUE(EqualsNoCase("ΟΔΟΣ", "οδος"));
  EXPECT_FALSE(EqualsNoCase("ΟΔΟΣ", "οδoς")); // a Latin o is no omicron
  EXPECT_TRUE(EqualsNoCase("Москва", "МОСКВА"));
  EXPECT_TRUE(EqualsNoCase("ſ", "S")); // two bytes against one
  EXPECT_FALSE(EqualsNoCase("İ", "i"));
  EXPECT_FALSE(EqualsNoCase("straße", "STRASSE")); // full folding is not simple folding
  EXPECT_FALSE(EqualsNoCase("Über", "Übe"));
  EXPECT_TRUE(EqualsNoCase("a\xFF", "A\xFF"));
  EXPECT_FALSE(EqualsNoCase("a\xFF", "a\xFE"));
  EXPECT_FALSE(EqualsNoCase("\xC3", "\xC3\xA4"));
  EXPECT_TRUE(EqualsNoCase("\xC3", "\xC3"));
}

TEST(CaseFold, Utf8DecodingRejectsWhatIsNotUtf8) {
  for (const char32_t c : {0x7FU, 0x80U, 0x7FFU, 0x800U, 0xFFFFU, 0x10000U, 0x10FFFFU}) {
    std::string text;
    AppendUtf8(text, c);
    std::size_t pos = 0;
    EXPECT_EQ(NextCodePoint(text, pos), c);
    EXPECT_EQ(pos, text.size());
  }
  for (const std::string_view bad :
       {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\x80", "\xC3\x28"}) {
    std::size_t pos = 0;
    EXPECT_EQ(NextCodePoint(bad, pos), std::nullopt);
    EXPECT_EQ(pos, 1u);
  }
}
