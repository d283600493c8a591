#include "frame/command_line.h"
#include "frame/command_receiver.h"
#include "frame/log.h"
#include "frame/process_flags.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace qev::frame;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

using R = TCommandRecord;

TEST(CommandLineParse, WordsCaseOccurrenceAndValues) {
  struct Case {
    const char *text;
    R expected;
  };
  auto rec = [](auto &&fill) {
    R r;
    fill(r);
    return r;
  };
  const Case cases[] = {
      {"", R{}},
      {"   ", R{}},
      {"/view", rec([](R &r) { r.Action = R::kActionView; })},
      // Later table words win over earlier ones, whatever their place in the text.
      {"/CH+ /VIEW", rec([](R &r) { r.Action = R::kActionNext; })},
      {"/ch- /ch+ /rec", rec([](R &r) { r.Action = R::kActionPrevious; })},
      {"/EXIT /view", rec([](R &r) { r.Action = R::kActionView; })},
      {"/FLOAT /min /norm", rec([](R &r) { r.WindowState = kStartWindowFloating; })},
      // A word inside a longer word still counts: "/RECORD" holds "/REC".
      {"/RECORD", rec([](R &r) { r.Action = R::kActionRecord; })},
      {"/view /tid $3F /sid 63", rec([](R &r) {
         r.Action = R::kActionView;
         r.Tid = 0x3F;
         r.Sid = 63;
       })},
      // The first occurrence decides the value.
      {"/sat 5 /sat 7", rec([](R &r) { r.SatId = 5; })},
      {"/sat x12 /dur 12abc", R{}},
      {"/sat -1", rec([](R &r) { r.SatId = 0xFFFF; })},
      {"/dur 99999999999", R{}},
      {"/dur $FFFFFFFF", rec([](R &r) { r.Duration = -1; })},
      {"/atend hibernate", rec([](R &r) { r.AtEnd = kAtEndHibernate; })},
      {"/atend reboot", R{}},
      {"/novid /full", rec([](R &r) {
         r.NoVideo = 1;
         r.WindowState = kStartWindowFullScreen;
       })},
  };
  for (const Case &c : cases)
    EXPECT_EQ(ParseCommandLine(c.text), c.expected) << c.text;
}

TEST(CommandLineParse, RecordWithNameSatDurationAndSuspend) {
  const R r = ParseCommandLine("/rec /chn  Das Erste HD /sat 3 /dur 60 /atend suspend");
  EXPECT_EQ(r.Action, R::kActionRecord);
  EXPECT_EQ(r.ChannelName, "DAS ERSTE HD");
  EXPECT_EQ(r.SatId, 3);
  EXPECT_EQ(r.Duration, 60);
  EXPECT_EQ(r.AtEnd, kAtEndSuspend);
  EXPECT_EQ(r.ChannelHandle, -1);
}

TEST(CommandLineParse, NameIsCutAtSixtyFourCharactersOnACharacterBoundary) {
  const std::string ascii(80, 'a');
  EXPECT_EQ(ParseCommandLine("/chn " + ascii).ChannelName, std::string(64, 'A'));
  std::string umlauts;
  for (int i = 0; i < 70; ++i)
    umlauts += "\xC3\xA4"; // ä
  std::string expected;
  for (int i = 0; i < 64; ++i)
    expected += "\xC3\x84"; // Ä
  EXPECT_EQ(ParseCommandLine("/chn " + umlauts).ChannelName, expected);
}

TEST(CommandLineNumber, DecimalHexAndGarbage) {
  EXPECT_EQ(CommandNumber("42"), 42);
  EXPECT_EQ(CommandNumber("$ff"), 255);
  EXPECT_EQ(CommandNumber("$FF"), 255);
  EXPECT_EQ(CommandNumber("-7"), -7);
  EXPECT_EQ(CommandNumber("0x10"), 0);
  EXPECT_EQ(CommandNumber("$"), 0);
  EXPECT_EQ(CommandNumber(""), 0);
  EXPECT_EQ(CommandNumber("1 2"), 0);
  EXPECT_EQ(CommandNumber("2147483648"), 0);
}

TEST(CommandLineWrite, WordOrderAndHexIds) {
  R r;
  r.Action = R::kActionRecord;
  r.SatId = 1;
  r.Tid = 0x44D;
  r.Sid = 10;
  r.ChannelName = "never written";
  r.Duration = 90;
  r.AtEnd = kAtEndShutdown;
  r.WindowState = kStartWindowMinimised;
  r.NoVideo = 1;
  EXPECT_EQ(WriteCommandLine(r, false),
            "/REC /SAT 1 /TID 1101 /SID 10 /DUR 90 /ATEND SHUTDOWN /MIN /NOVID ");
  EXPECT_EQ(WriteCommandLine(r, true),
            "/REC /SAT $01 /TID $44D /SID $0A /DUR 90 /ATEND SHUTDOWN /MIN /NOVID ");
  r.WindowState = kStartWindowFloating;
  r.NoVideo = 0;
  r.Sid = 0xFFFF;
  r.Duration = 0;
  r.AtEnd = 9;
  EXPECT_EQ(WriteCommandLine(r, false), "/REC /SAT 1 /TID 1101 /FLOAT");
  r.Action = R::kActionNone;
  r.SatId = r.Tid = 0xFFFF;
  EXPECT_EQ(WriteCommandLine(r, false), "/FLOAT");
}

TEST(CommandLineWrite, ParsesBackToTheSameRecord) {
  for (bool hex : {false, true}) {
    for (std::uint16_t action :
         {R::kActionView, R::kActionRecord, R::kActionNext, R::kActionPrevious, R::kActionExit}) {
      for (std::uint8_t state = 0; state <= 4; ++state) {
        R r;
        r.Action = action;
        r.SatId = 2;
        r.Tid = 0xFFFE;
        r.Sid = 0x1234;
        r.Duration = 1440;
        r.AtEnd = static_cast<std::uint16_t>(state % 5);
        r.WindowState = state;
        r.NoVideo = state & 1;
        EXPECT_EQ(ParseCommandLine(WriteCommandLine(r, hex)), r) << WriteCommandLine(r, hex);
      }
    }
  }
}

// Channels of two satellites; satellite 9 has a list that cannot be loaded.
struct FakeResolver : IChannelResolver {
  std::map<int, std::vector<std::tuple<std::string, std::uint16_t, std::uint16_t>>> sats = {
      {0, {{"Alpha", 1, 1}}}, {2, {{"One", 5, 100}, {"Zwei", 5, 200}, {"ZWEI", 6, 200}}}, {9, {}}};
  bool SatelliteExists(int sat) override { return sats.contains(sat); }
  bool LoadChannels(int sat) override { return sat != 9; }
  int FindByName(int sat, std::string_view name) override {
    const auto &list = sats.at(sat);
    for (std::size_t i = 0; i < list.size(); ++i)
      if (EqualsNoCaseAscii(std::get<0>(list[i]), name))
        return static_cast<int>(i);
    return -1;
  }
  int FindByIds(int sat, std::uint16_t tid, std::uint16_t sid) override {
    const auto &list = sats.at(sat);
    for (std::size_t i = 0; i < list.size(); ++i)
      if (std::get<1>(list[i]) == tid && std::get<2>(list[i]) == sid)
        return static_cast<int>(i);
    return -1;
  }
  static bool EqualsNoCaseAscii(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return std::toupper(x) == std::toupper(y); });
  }
};

class CommandLineResolve : public ::testing::Test {
protected:
  void SetUp() override {
    SetLogTarget([this](int, int level, const char *text) {
      lines.push_back(std::to_string(level) + " " + text);
    });
  }
  void TearDown() override { SetLogTarget(nullptr); }
  FakeResolver resolver;
  std::vector<std::string> lines;
};

TEST_F(CommandLineResolve, FindsByNameFirstInListOrderThenByIds) {
  EXPECT_EQ(ParseCommandLine("/view /sat 2 /chn zwei", &resolver).ChannelHandle, 2 * 65536 + 1);
  EXPECT_EQ(ParseCommandLine("/rec /sat 2 /tid 6 /sid 200", &resolver).ChannelHandle,
            2 * 65536 + 2);
  // Satellite 0, position 0 is handle 0: a real channel.
  EXPECT_EQ(ParseCommandLine("/view /chn alpha", &resolver).ChannelHandle, 0);
  EXPECT_THAT(lines, IsEmpty());
}

TEST_F(CommandLineResolve, FailuresLogOneErrorLineAndLeaveMinusOne) {
  EXPECT_EQ(ParseCommandLine("/view /sat 4 /chn one", &resolver).ChannelHandle, -1);
  EXPECT_EQ(ParseCommandLine("/view /sat 9 /chn one", &resolver).ChannelHandle, -1);
  EXPECT_EQ(ParseCommandLine("/view /sat 2 /chn three", &resolver).ChannelHandle, -1);
  EXPECT_EQ(ParseCommandLine("/rec /sat 2 /tid 5 /sid 300", &resolver).ChannelHandle, -1);
  EXPECT_THAT(lines,
              ElementsAre("2 <Unknow satellite>", "2 Cannot load channels list",
                          "2 Cannot find channel by NAME", "2 Cannot find channel by TID/SID"));
}

TEST_F(CommandLineResolve, OnlyViewAndRecordAreResolved) {
  EXPECT_EQ(ParseCommandLine("/ch+ /sat 2 /chn one", &resolver).ChannelHandle, -1);
  EXPECT_EQ(ParseCommandLine("/sat 4 /chn one", &resolver).ChannelHandle, -1);
  EXPECT_THAT(lines, IsEmpty());
}

// Records what a received command did, in order.
class CommandReceiver : public CommandLineResolve {
protected:
  void SetUp() override {
    CommandLineResolve::SetUp();
    Flags().ForceExit = false;
  }
  void TearDown() override {
    Flags().ForceExit = false;
    CommandLineResolve::TearDown();
  }
  TCommandHooks Hooks() {
    TCommandHooks h;
    h.Ready = [this] { return ready; };
    h.ResumeEngine = [this] { did.push_back("resume"); };
    h.View = [this](std::int32_t handle) { did.push_back("view " + std::to_string(handle)); };
    h.Record = [this](std::int32_t handle, int minutes) {
      did.push_back("rec " + std::to_string(handle) + " " + std::to_string(minutes));
    };
    h.StepChannel = [this](int direction) { did.push_back("step " + std::to_string(direction)); };
    h.Close = [this] { did.push_back(Flags().ForceExit ? "close forced" : "close"); };
    h.StartRequest.SetSleepTimer = [this](std::int64_t seconds, int action) {
      did.push_back("sleep " + std::to_string(seconds) + " " + std::to_string(action));
    };
    h.StartRequest.ApplyWindowState = [this](int state) {
      did.push_back("window " + std::to_string(state));
    };
    return h;
  }
  bool ready = true;
  std::vector<std::string> did;
  TCommandReceiver receiver{resolver, Hooks()};
};

TEST_F(CommandReceiver, DropsTextsUntilTheMainWindowIsReady) {
  ready = false;
  receiver.ReceiveCommand("/EXIT");
  EXPECT_THAT(did, IsEmpty());
  EXPECT_FALSE(Flags().ForceExit);
  ready = true;
  receiver.ReceiveCommand(""); // a start without words changes nothing
  EXPECT_THAT(did, ElementsAre("resume"));
}

TEST_F(CommandReceiver, ActionsThenWindowStateThenSleepTimer) {
  receiver.ReceiveCommand("/view /sat 2 /chn zwei /full");
  receiver.ReceiveCommand("/rec /sat 2 /chn one /dur 60 /atend suspend /min");
  receiver.ReceiveCommand("/ch+ /view");
  receiver.ReceiveCommand("/ch-");
  EXPECT_THAT(did,
              ElementsAre("resume", "view 131073", "window 3", "resume", "rec 131072 60",
                          "window 2", "sleep 3602 2", "resume", "step 1", "resume", "step -1"));
}

TEST_F(CommandReceiver, AnUnresolvedChannelStillAppliesTheRest) {
  receiver.ReceiveCommand("/rec /sat 2 /chn nowhere /dur 1 /atend exit /norm");
  EXPECT_THAT(did, ElementsAre("resume", "window 1", "sleep 62 1"));
  EXPECT_THAT(lines, ElementsAre("2 Cannot find channel by NAME"));
}

TEST_F(CommandReceiver, ExitClosesWithoutAskingAboutRecordings) {
  receiver.ReceiveCommand("/exit");
  EXPECT_THAT(did, ElementsAre("resume", "close forced"));
}

TEST(StartRequest, SleepTimerNeedsBothActionAndDurationAndNeverWraps) {
  std::vector<std::string> did;
  TStartRequestHooks hooks{[&](std::int64_t seconds, int action) {
                             did.push_back(std::to_string(seconds) + "/" + std::to_string(action));
                           },
                           [&](int state) { did.push_back("w" + std::to_string(state)); }};
  ExecuteStartRequest(ParseCommandLine("/dur 30 /atend shutdown /float"), hooks,
                      TStartRequestOrder::SleepTimerFirst);
  ExecuteStartRequest(ParseCommandLine("/dur 30"), hooks, TStartRequestOrder::SleepTimerFirst);
  ExecuteStartRequest(ParseCommandLine("/atend exit"), hooks, TStartRequestOrder::SleepTimerFirst);
  ExecuteStartRequest(ParseCommandLine("/dur -5 /atend exit"), hooks,
                      TStartRequestOrder::SleepTimerFirst);
  // The largest duration: far ahead, not a 32-bit wrap into the past.
  ExecuteStartRequest(ParseCommandLine("/dur 2147483647 /atend exit"), hooks,
                      TStartRequestOrder::SleepTimerFirst);
  EXPECT_THAT(did, ElementsAre("1802/4", "w4", "128849018822/1"));
}

} // namespace
