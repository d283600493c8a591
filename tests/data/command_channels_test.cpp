// Command lines find their channels in the program's own lists.
#include "data/command_channels.h"
#include "frame/log.h"
#include "support/scripted_presenter.h"
#include "temp_root.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace qev::data;
using qev::frame::ParseCommandLine;

namespace {

class CommandChannels : public qev::test::TempRoot {
protected:
  void SetUp() override {
    TempRoot::SetUp();
    qev::frame::SetLogTarget(
        [this](int, int level, const char *text) { log.push_back(std::to_string(level) + text); });
    TSatRec sat{};
    sat.SatIdx = 3;
    sat.SatPos = 192;
    sat.SatActive = true;
    SetSatName(sat, "Astra");
    ASSERT_TRUE(sats.SatAdd(sat));
    TChannelsList *list = lists.ListOpen(3, false);
    ASSERT_NE(list, nullptr);
    for (auto [tid, sid, name] :
         {std::tuple{1101, 28106, "Das Erste"}, {1079, 28006, "ZDF"}, {1101, 28107, "das erste"}}) {
      TChannelRec rec{};
      rec.TID = static_cast<std::uint16_t>(tid);
      rec.SID = static_cast<std::uint16_t>(sid);
      SetChName(rec, name);
      list->ListAppend(rec);
    }
    ASSERT_TRUE(list->ListSaveAll());
    lists.ListClose(3);
  }
  void TearDown() override {
    qev::frame::SetLogTarget(nullptr);
    TempRoot::TearDown();
  }
  std::int32_t Handle(const std::string &text) {
    return ParseCommandLine(text, &channels).ChannelHandle;
  }
  std::int32_t HandleOf(std::uint16_t tid, std::uint16_t sid) {
    return 3 * 65536 + lists.ListOf(3)->ListFind(tid, sid);
  }

  qev::test::ScriptedPresenter presenter;
  TSatList sats;
  TChannelLists lists{sats};
  TCommandChannels channels{sats, lists};
  std::vector<std::string> log;
};

TEST_F(CommandChannels, ByNameIgnoringCaseOrByIdsFromTheStoredList) {
  // The list is loaded on demand from its file.
  const std::int32_t byName = Handle("/view /sat 3 /chn DAS ERSTE");
  ASSERT_NE(lists.ListOf(3), nullptr);
  const int first = lists.ListOf(3)->ListFindByName("Das Erste");
  EXPECT_EQ(byName, 3 * 65536 + first);
  EXPECT_EQ(Handle("/rec /sat 3 /tid $437 /sid 28006"), HandleOf(1079, 28006));
  EXPECT_TRUE(log.empty());
}

TEST_F(CommandChannels, UnknownSatelliteAndMissingChannelsAreLogged) {
  EXPECT_EQ(Handle("/view /sat 4 /chn ZDF"), -1);
  EXPECT_EQ(Handle("/view /sat 3 /chn ARTE"), -1);
  EXPECT_EQ(Handle("/view /sat 3 /tid 1 /sid 2"), -1);
  EXPECT_THAT(log, ::testing::ElementsAre("2<Unknow satellite>", "2Cannot find channel by NAME",
                                          "2Cannot find channel by TID/SID"));
}

} // namespace
