// Stopwatches, string helpers and the program's own options.
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
