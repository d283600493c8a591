#include "ui/gesture_actions.h"
#include "ui/gesture_table.h"
#include "ui/mouse_gesture.h"

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

namespace qev::ui {
namespace {

struct TRecorded {
  int Event;
  std::string Gesture;
  std::uint32_t Tag;
};

class RecogniserTest : public ::testing::Test {
protected:
  RecogniserTest() : gesture_(7) {
    gesture_.SetHandler([this](TMouseGesture &, TMouseGesture::TEvent event,
                               const std::string &text, std::uint32_t tag) {
      events_.push_back({event, text, tag});
    });
  }

  TMouseGesture gesture_;
  std::vector<TRecorded> events_;
};

TEST_F(RecogniserTest, TurnsStepsIntoLettersWithoutRepeats) {
  gesture_.Start(100, 100);
  gesture_.Move(130, 110); // 30 right, 10 down: R
  gesture_.Move(160, 100); // right again: dropped
  gesture_.Move(160, 140); // D
  gesture_.End();
  ASSERT_EQ(events_.size(), 4u);
  EXPECT_EQ(events_[0].Event, TMouseGesture::kStarted);
  EXPECT_EQ(events_[1].Gesture, "R");
  EXPECT_EQ(events_[2].Gesture, "RD");
  EXPECT_EQ(events_[3].Event, TMouseGesture::kEnded);
  EXPECT_EQ(events_[3].Gesture, "RD");
  EXPECT_EQ(events_[3].Tag, 7u);
  EXPECT_EQ(gesture_.Gesture(), "RD"); // kept until the next start
  EXPECT_FALSE(gesture_.Active());
}

TEST_F(RecogniserTest, SmallAndDiagonalStepsGiveNoLetter) {
  gesture_.Start(0, 0);
  gesture_.Move(19, 19); // below the threshold: the reference stays
  gesture_.Move(20, 20); // diagonal: no letter, but the reference moves to (20, 20)
  gesture_.Move(39, 25); // 19 from the new reference: ignored
  EXPECT_EQ(gesture_.Gesture(), "");
  gesture_.Move(40, 25); // the small moves add up to 20: R
  EXPECT_EQ(gesture_.Gesture(), "R");
  gesture_.Move(40, 5); // U
  gesture_.Move(20, 5); // L
  EXPECT_EQ(gesture_.Gesture(), "RUL");
}

TEST_F(RecogniserTest, RaisesNoEndWithoutLetterAndIgnoresMovesWhenIdle) {
  gesture_.Move(500, 0);
  gesture_.End();
  EXPECT_TRUE(events_.empty());
  gesture_.Start(0, 0);
  gesture_.Move(5, 5);
  gesture_.End();
  ASSERT_EQ(events_.size(), 1u); // the start only
  gesture_.End();
  EXPECT_EQ(events_.size(), 1u);
}

TEST(GestureTable, LooksUpByGroupInTableOrder) {
  TGestureTable table;
  EXPECT_EQ(table.Lookup("DL", kGroupVideo), 5);    // Hide Video
  EXPECT_EQ(table.Lookup("DL", kGroupTeletext), 8); // Home (100)
  EXPECT_EQ(table.Lookup("DL", 0), 5);
  EXPECT_EQ(table.Lookup("dl", 0), -1); // letter case counts
  EXPECT_EQ(table.Lookup("", 0), -1);
  EXPECT_EQ(table.Lookup("UU", 0), -1);
  table.SetGesture(1, "R"); // two video entries with R: the first wins
  EXPECT_EQ(table.Lookup("R", kGroupVideo), 0);
  table.SetGesture(0, std::string(40, 'U'));
  EXPECT_EQ(table.Entry(0).Gesture.size(), 32u);
}

TEST(GestureTable, WritesTheFileFormat) {
  const std::string text = TGestureTable().ToText();
  EXPECT_EQ(text.substr(0, text.find('\n')), "1001,R         ,\"Channel +\"");
  EXPECT_NE(text.find("1014,URDL      ,\"Video - Show PIP\"\n"), std::string::npos);
  EXPECT_NE(text.find("2006,U         ,\"Subpage -\"\n"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 14);
  TGestureTable table;
  table.SetGesture(0, "URDLURDLURDL");
  EXPECT_EQ(table.ToText().substr(0, 30), "1001,URDLURDLURDL,\"Channel +\"\n");
}

TEST(GestureTable, ReadsLinesByTheirRules) {
  TGestureTable table;
  table.ReadText("; comment\n"
                 "\n"
                 "1002,UR\n"                  // two fields: ignored
                 "  1010 , UR , x\r\n"        // blanks around fields
                 "9999,R,x\n"                 // no such code
                 "zz,R,x\n"                   // not hexadecimal
                 "2001,\"\",\"Home (100)\"\n" // quoted empty gesture
                 "1011,\"U,D\",name\n"        // a comma inside quotes
                 "1010,DLR,again\n");         // a later line wins
  EXPECT_EQ(table.Entry(1).Gesture, "L");
  EXPECT_EQ(table.Entry(2).Gesture, "DLR");
  EXPECT_EQ(table.Entry(3).Gesture, "U,D");
  EXPECT_EQ(table.Entry(8).Gesture, "");
  EXPECT_EQ(table.Lookup("", kGroupTeletext), -1);
  EXPECT_EQ(table.Entry(0).Name, "Channel +");
}

TEST(GestureTable, ReadableFormSkipsOtherCharacters) {
  EXPECT_EQ(GestureText("DR"), "Down+Right");
  EXPECT_EQ(GestureText("URDL"), "Up+Right+Down+Left");
  EXPECT_EQ(GestureText("U x"), "Up");
  EXPECT_EQ(GestureText(""), "");
  EXPECT_EQ(GestureGroupName(0x1013), "Video Window");
  EXPECT_EQ(GestureGroupName(0x2002), "Teletext Window");
}

TEST(GesturesFile, SavesAndLoadsAndKeepsTheTableOnErrors) {
  test::TTempDir dir("gestures");
  const auto path = dir / "Gestures.cfg";
  TGestureTable table;
  EXPECT_EQ(GesturesLoad(table, path), ""); // missing: nothing changes
  EXPECT_EQ(table.Entry(0).Gesture, "R");
  table.SetGesture(0, "UD");
  ASSERT_EQ(GesturesSave(table, path), "");
  TGestureTable loaded;
  ASSERT_EQ(GesturesLoad(loaded, path), "");
  EXPECT_EQ(loaded.ToText(), table.ToText());

  const auto folder = dir / "Folder.cfg";
  std::filesystem::create_directory(folder);
  TGestureTable untouched;
  EXPECT_NE(GesturesLoad(untouched, folder), "");
  EXPECT_EQ(untouched.ToText(), TGestureTable().ToText());
  EXPECT_NE(GesturesSave(untouched, folder), "");
}

TEST(GestureActions, VideoGesturesNeedTheOptionAndMapTheEmbeddedTag) {
  const TGestureTable table;
  const auto embedded = VideoGestureCommand(table, "DL", kEmbeddedVideoTag, 1, true);
  ASSERT_TRUE(embedded);
  EXPECT_EQ(embedded->Command, 0x1013);
  EXPECT_EQ(embedded->Output, 1);
  const auto floating = VideoGestureCommand(table, "URDL", 3, 0, true);
  ASSERT_TRUE(floating);
  EXPECT_EQ(floating->Output, 3);
  EXPECT_EQ(VideoGestureCommand(table, "R", kEmbeddedVideoTag, 255, true)->Output, 255);
  EXPECT_FALSE(VideoGestureCommand(table, "DL", 0, 0, false));
  EXPECT_FALSE(VideoGestureCommand(table, "UDU", 0, 0, true));
  EXPECT_EQ(TeletextGestureCode(table, "DL"), kTtxGestureHome);
  EXPECT_FALSE(TeletextGestureCode(table, "URDL"));
}

} // namespace
} // namespace qev::ui
