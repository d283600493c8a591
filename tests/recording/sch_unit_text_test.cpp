#include "recording/sch_unit_text.h"

#include <gtest/gtest.h>

namespace qev::recording {
namespace {

TEST(SchUnitValue, EscapesWhatAUnitLineCannotHoldAndReadsItBack) {
  EXPECT_EQ(EscapeUnitValue("plain text"), "plain text");
  EXPECT_EQ(EscapeUnitValue(" two\nlines\t"), "\\x20two\\nlines\\t");
  EXPECT_EQ(EscapeUnitValue("a\\b\\"), "a\\\\b\\x5c");
  for (const std::string value :
       {"", " edge ", "C:\\dir\\", "100% $HOME \"q\" 'x'", "line\r\nnext", "\x01\x7f", "ü€"}) {
    const std::string escaped = EscapeUnitValue(value);
    EXPECT_EQ(escaped.find('\n'), std::string::npos);
    EXPECT_NE(escaped.empty() ? ' ' : escaped.back(), '\\');
    EXPECT_EQ(UnescapeUnitValue(escaped), value) << escaped;
  }
  EXPECT_EQ(EscapeSpecifiers("100% %n"), "100%% %%n");
}

TEST(SchExecLine, QuotesEveryArgumentAgainstSplittingAndExpansion) {
  EXPECT_EQ(QuoteExecArgument("/usr/bin/qevdvb"), "\"/usr/bin/qevdvb\"");
  EXPECT_EQ(QuoteExecArgument("/REC /TID $0A"), "\"/REC /TID $$0A\"");
  EXPECT_EQ(QuoteExecArgument("50% \"x\" a\\b"), "\"50%% \\\"x\\\" a\\\\b\"");
  const std::vector<std::string> arguments = {
      "/opt/my dir/qevdvb", "--root", "/home/u/it's 100%/", ";", "-x", "$HOME ${X}", "a\nb", ""};
  std::string line;
  for (const std::string &argument : arguments)
    line += QuoteExecArgument(argument) + " ";
  EXPECT_EQ(SplitExecLine(line), arguments);
}

TEST(SchExecLine, SplitsAsSystemdDoes) {
  EXPECT_EQ(SplitExecLine("-/bin/true  a 'b c' \"d\\\"e\"  "),
            (std::vector<std::string>{"/bin/true", "a", "b c", "d\"e"}));
  EXPECT_EQ(SplitExecLine(""), std::vector<std::string>{});
  EXPECT_FALSE(SplitExecLine("\"open quote"));
}

TEST(SchUnitFile, ReadsSectionsKeysCommentsAndContinuations) {
  const TUnitFile unit = TUnitFile::Parse("# comment\n[Unit]\nDescription = a job \n; other\n"
                                          "X-Qev-Name=one\nX-Qev-Name=two\n[Service]\n"
                                          "ExecStart=/bin/a \\\n  b\nBroken line\n");
  EXPECT_EQ(unit.Value("Unit", "Description"), "a job");
  EXPECT_EQ(unit.Value("Unit", "X-Qev-Name"), "two");
  EXPECT_EQ(unit.Value("Service", "ExecStart"), "/bin/a  b");
  EXPECT_FALSE(unit.Value("Service", "Description"));
  EXPECT_FALSE(unit.Value("Timer", "OnCalendar"));
}

} // namespace
} // namespace qev::recording
