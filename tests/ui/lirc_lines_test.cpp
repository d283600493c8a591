#include "ui/hotkeys.h"
#include "ui/key_names.h"
#include "ui/lirc_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace qev::ui {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(LircLineTest, PartsAreSplitAtSingleBlanks) {
  const auto button = ParseLircLine("000000037ff07bfe 0a KEY_VOLUMEUP mceusb");
  ASSERT_TRUE(button);
  EXPECT_EQ(button->Code, "000000037ff07bfe");
  EXPECT_EQ(button->Repeat, 10) << "hexadecimal";
  EXPECT_EQ(button->Button, "KEY_VOLUMEUP");
  EXPECT_EQ(button->Remote, "mceusb");

  EXPECT_EQ(ParseLircLine("0 zz OK remote")->Repeat, -1);
  EXPECT_EQ(ParseLircLine("0 -1 OK remote")->Repeat, -1);
  EXPECT_EQ(ParseLircLine("0 01 OK")->Button, "OK") << "three parts suffice";
  EXPECT_EQ(ParseLircLine("0  OK remote")->Button, "OK") << "a double blank makes an empty part";
  EXPECT_FALSE(ParseLircLine("SIGHUP"));
  EXPECT_FALSE(ParseLircLine("0 00"));
  EXPECT_FALSE(ParseLircLine(""));
}

TEST(LircLineTest, AddressesAreHostAndPortOrASocketPath) {
  EXPECT_EQ(ParseLircAddress("127.0.0.1:8765"), (TLircAddress{"", "127.0.0.1", 8765}));
  EXPECT_EQ(ParseLircAddress("127.0.0.1 : 9000"), (TLircAddress{"", "127.0.0.1", 9000}));
  EXPECT_EQ(ParseLircAddress(" /run/lirc/lircd "), (TLircAddress{"/run/lirc/lircd", "", 0}));
  EXPECT_EQ(ParseLircAddress("localhost"), (TLircAddress{"", "localhost", 0}));
  EXPECT_EQ(ParseLircAddress("host:99999").Port, 0);
  EXPECT_EQ(ParseLircAddress("host:12ab").Port, 0);
  EXPECT_EQ(ParseLircAddress("host:1:2").Port, 0) << "split at the first colon";
}

TEST(LircLineTest, TheSplitterCutsAtEveryKindOfLineEnd) {
  TLineSplitter splitter;
  EXPECT_EQ(splitter.Feed("a 00 A r\nb 00 B r\r"),
            (std::vector<std::string>{"a 00 A r", "b 00 B r"}));
  EXPECT_EQ(splitter.Feed("\nc 00 C"), std::vector<std::string>{}) << "LF of a CR LF, then a part";
  EXPECT_EQ(splitter.Feed(" r\r\n\r\n\nd"), std::vector<std::string>{"c 00 C r"});
  EXPECT_EQ(splitter.Feed("\n"), std::vector<std::string>{"d"});

  const std::string endless(3 * TLineSplitter::kLongestLine, 'x');
  EXPECT_TRUE(splitter.Feed(endless).empty());
  EXPECT_EQ(splitter.Feed("tail\ne 00 E r\n"), std::vector<std::string>{"e 00 E r"})
      << "an overlong line is dropped up to its end";
}

class LircProcessorTest : public ::testing::Test {
protected:
  bool Send(const std::string &line, std::chrono::milliseconds antiRepeat = 200ms) {
    return processor.Process(line, antiRepeat, [this](const std::string &button, int repeat) {
      seen.emplace_back(button, repeat);
      now += handlerTakes;
    });
  }

  Clock::time_point now{};
  std::chrono::milliseconds handlerTakes{0};
  TLircLineProcessor processor{[this] { return now; }};
  std::vector<std::pair<std::string, int>> seen;
};

TEST_F(LircProcessorTest, ButtonsCloserThanTheAntiRepeatAreDropped) {
  EXPECT_TRUE(Send("0 00 KEY_UP r"));
  now += 150ms;
  EXPECT_FALSE(Send("0 01 KEY_UP r"));
  now += 100ms; // 250 ms after the first
  EXPECT_TRUE(Send("0 01 KEY_UP r"));
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, int>>{{"KEY_UP", 0}, {"KEY_UP", 1}}));
}

TEST_F(LircProcessorTest, TheIntervalCountsFromTheEndOfHandling) {
  handlerTakes = 300ms;
  EXPECT_TRUE(Send("0 00 KEY_UP r"));
  now += 150ms; // 450 ms after the start, 150 ms after the end
  EXPECT_FALSE(Send("0 00 KEY_UP r"));
  EXPECT_TRUE(Send("0 00 KEY_UP r", 100ms));
}

TEST_F(LircProcessorTest, BlocksAndShortLinesAreNoButtons) {
  for (const char *line : {"BEGIN", "SIGHUP", "0 00 KEY_IN_BLOCK r", "END", "0 00", "garbage"})
    EXPECT_FALSE(Send(line)) << line;
  EXPECT_TRUE(seen.empty());
  EXPECT_TRUE(Send("0 00 KEY_OK r")) << "no line above counted as accepted";
  EXPECT_EQ(seen.back().first, "KEY_OK");
}

TEST(RemoteActionTest, RepeatsRunOnlyTheMainVolume) {
  THotKeyTable table;
  table.Find(0x1001)->Remote1 = "KEY_CHANNELUP";
  table.Find(0x1003)->Remote1 = "KEY_VOLUMEUP";
  table.Find(0x1004)->Remote2 = "KEY_VOLUMEDOWN";
  table.Find(0x2003)->Remote1 = "KEY_PIPVOL";
  EXPECT_EQ(RemoteAction(table, "KEY_CHANNELUP", 0), 0x1001);
  EXPECT_FALSE(RemoteAction(table, "KEY_CHANNELUP", 1));
  EXPECT_EQ(RemoteAction(table, "KEY_VOLUMEUP", 3), 0x1003);
  EXPECT_EQ(RemoteAction(table, "KEY_VOLUMEDOWN", 1), 0x1004);
  EXPECT_FALSE(RemoteAction(table, "KEY_PIPVOL", 1)) << "only the main slot's volume";
  EXPECT_FALSE(RemoteAction(table, "KEY_VOLUMEUP", -1)) << "an unreadable count";
  EXPECT_FALSE(RemoteAction(table, "KEY_UNKNOWN", 0));
  EXPECT_FALSE(RemoteAction(table, "", 0));
}

TEST(RetryBackOffTest, WaitsGrowFromOneToFiveSeconds) {
  TRetryBackOff backOff(1000ms, 5000ms);
  std::vector<long long> waits;
  for (int i = 0; i < 6; ++i)
    waits.push_back(backOff.Next().count());
  EXPECT_EQ(waits, (std::vector<long long>{1000, 2000, 4000, 5000, 5000, 5000}));
  backOff.Reset();
  EXPECT_EQ(backOff.Next(), 1000ms);
}

TEST(KeyNamesTest, ScanCodesNameKeysByTheirPlace) {
  const std::pair<std::uint32_t, const char *> keys[] = {
      {9, "Esc"},    {10, "1"},     {24, "Q"},       {36, "Enter"},  {58, "M"},     {65, "Space"},
      {67, "F1"},    {95, "F11"},   {96, "F12"},     {63, "Num *"},  {79, "Num 7"}, {82, "Num -"},
      {86, "Num +"}, {90, "Num 0"}, {91, "Num Del"}, {104, "Enter"}, {37, ""},      {50, ""},
      {64, ""},      {0, ""},       {3, ""},         {200, ""}};
  for (const auto &[code, name] : keys)
    EXPECT_EQ(ScanCodeKeyName(code), name) << code;
  EXPECT_EQ(ExtendedKeyName(TExtendedKey::PageDown), "Page Down");
  EXPECT_EQ(ExtendedKeyName(TExtendedKey::Divide), "Num /");
  EXPECT_EQ(KeyNamePrefix({.Ctrl = true, .Shift = true, .Alt = true, .Win = true}),
            "Ctrl+Shift+Alt+Win+");
  EXPECT_EQ(KeyNamePrefix({.Shift = true}), "Shift+");
}

} // namespace
} // namespace qev::ui
