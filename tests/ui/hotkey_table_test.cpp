#include "frame/string_utils.h"
#include "support/scripted_presenter.h"
#include "support/temp_dir.h"
#include "ui/hotkey_file.h"
#include "ui/hotkeys.h"
#include "ui/main_commands.h"
#include "ui/main_keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace qev::ui {
namespace {

std::uint16_t KeyCode(const THotKeyTable &table, std::string_view name) {
  const int row = table.FindByKey(name);
  return row < 0 ? 0 : table.Rows()[row].ActionCode;
}

TEST(HotKeyTableTest, BuiltInRowsCarryTheirDefaultKeys) {
  const THotKeyTable table;
  ASSERT_EQ(table.Rows().size(), 24u);
  EXPECT_EQ(table.Rows().back().ActionCode, 0) << "the last row holds no action";
  const std::pair<const char *, std::uint16_t> defaults[] = {
      {"Num +", 0x1001},     {"Num -", 0x1002},      {"Ctrl+Right", 0x1003}, {"Ctrl+Left", 0x1004},
      {"M", 0x1005},         {"Ctrl+Num +", 0x2001}, {"Ctrl+Num -", 0x2002}, {"Num *", 0x2006},
      {"Alt+Enter", 0x3001}, {"Ctrl+Enter", 0x3002}, {"Num /", 0x3004},      {"Ctrl+Num /", 0x3005},
      {"Alt+Num /", 0x3006}, {"Alt+X", 0x7001},      {"Ctrl+S", 0x8001},     {"Ctrl+R", 0x8002}};
  for (const auto &[name, code] : defaults)
    EXPECT_EQ(KeyCode(table, name), code) << name;
  EXPECT_EQ(KeyCode(table, "m"), 0) << "names compare exactly";
  EXPECT_EQ(table.Rows()[table.FindByKey("Num *")].ActionName, "Show/Hide");
  EXPECT_EQ(HotKeyGroupName(0x3005), "Screen Control");
  EXPECT_EQ(HotKeyGroupName(0x7004), "Power");
  EXPECT_EQ(HotKeyGroupName(0x4001), "");
}

TEST(HotKeyTableTest, EmptyNamesNeverMatchAndPowerActionsStayInert) {
  THotKeyTable table;
  EXPECT_EQ(table.FindByKey(""), -1) << "an unnamed key runs nothing";
  EXPECT_EQ(table.FindByRemote(""), -1) << "a button without a name runs nothing";
  EXPECT_EQ(table.FindByKey("Shift+"), -1);
  for (const std::uint16_t power :
       {kActionStandby, kActionSuspend, kActionShutdown, kActionHibernate}) {
    const THotKeyAction &row = *table.Find(power);
    EXPECT_TRUE(row.HotKey1.empty() && row.HotKey2.empty() && row.Remote1.empty() &&
                row.Remote2.empty());
  }
  // The row with code 0 is skipped even when it holds a name.
  table.Row(table.Rows().size() - 1).HotKey1 = "F5";
  EXPECT_EQ(table.FindByKey("F5"), -1);
  // Assigned explicitly, a power action is found like any other.
  table.Find(kActionSuspend)->Remote2 = "KEY_SLEEP";
  EXPECT_EQ(table.Rows()[table.FindByRemote("KEY_SLEEP")].ActionCode, kActionSuspend);
}

TEST(HotKeyTableTest, LookUpTakesTheFirstRowOfEitherField) {
  THotKeyTable table;
  table.Find(0x2005)->HotKey2 = "M"; // also held by "Mute" of slot 0, earlier in the table
  EXPECT_EQ(KeyCode(table, "M"), 0x1005);
  table.Find(0x1002)->Remote2 = "KEY_DOWN";
  table.Find(0x1001)->Remote1 = "KEY_DOWN";
  EXPECT_EQ(table.Rows()[table.FindByRemote("KEY_DOWN")].ActionCode, 0x1001);
  EXPECT_EQ(table.FindByKey("KEY_DOWN"), -1) << "keys and buttons are apart";
}

TEST(HotKeyTableTest, AssigningAKeyHeldElsewhereAsksFirst) {
  test::ScriptedPresenter presenter;
  THotKeyTable table;
  const auto channelPlus = static_cast<std::size_t>(table.FindByKey("Num +"));

  presenter.AnswerNext(false);
  EXPECT_FALSE(AssignEdited(table, channelPlus, TKeyField::HotKey2, "M"));
  ASSERT_EQ(presenter.Texts().size(), 1u);
  EXPECT_EQ(presenter.Texts()[0], "Duplicate <HotKey> with action : \"Mute\"\r\r"
                                  "Clear existent codes and assign to current action ?");
  EXPECT_EQ(table.Find(0x1005)->HotKey1, "M") << "no keeps everything";
  EXPECT_EQ(table.Find(0x1001)->HotKey2, "");

  presenter.AnswerNext(true);
  EXPECT_TRUE(AssignEdited(table, channelPlus, TKeyField::HotKey2, "M"));
  EXPECT_EQ(table.Find(0x1005)->HotKey1, "") << "yes takes the key from Mute";
  EXPECT_EQ(table.Find(0x1001)->HotKey2, "M");

  // The action's own key, an empty text and a name held only as a button ask nothing.
  table.Find(0x1005)->Remote1 = "KEY_MUTE";
  EXPECT_TRUE(AssignEdited(table, channelPlus, TKeyField::HotKey1, "M"));
  EXPECT_TRUE(AssignEdited(table, channelPlus, TKeyField::HotKey1, ""));
  EXPECT_TRUE(AssignEdited(table, channelPlus, TKeyField::HotKey1, "KEY_MUTE"));
  EXPECT_EQ(presenter.Texts().size(), 2u);

  presenter.AnswerNext(true);
  EXPECT_TRUE(AssignEdited(table, channelPlus, TKeyField::Remote2, "KEY_MUTE"));
  EXPECT_NE(presenter.Texts().back().find("Duplicate <Remote> with action : \"Mute\""),
            std::string::npos);
  EXPECT_EQ(table.Find(0x1005)->Remote1, "");
  EXPECT_EQ(table.Find(0x1001)->HotKey1, "KEY_MUTE") << "the key field keeps its text";
}

TEST(HotKeyTableTest, TextsAreCutToThirtyTwoBytesOnACharacterBoundary) {
  THotKeyTable table;
  const std::string longName = std::string(31, 'x') + "\xC3\xA9"; // 33 bytes, é last
  table.Assign(0, TKeyField::Remote1, longName, false);
  EXPECT_EQ(table.Rows()[0].Remote1, std::string(31, 'x'));
}

TEST(DesktopKeysTest, QuitAndFullScreenAreTheWindowsOwn) {
  const auto quit = DesktopKeyCommand("Ctrl+Q");
  ASSERT_TRUE(quit);
  EXPECT_EQ(quit->Command, kCmdCloseApplication);
  const auto f11 = DesktopKeyCommand("F11");
  ASSERT_TRUE(f11);
  EXPECT_EQ(f11->Command, kCmdWindowMode);
  EXPECT_EQ(f11->Argument, 4) << "output 0, toggle full screen";
  EXPECT_FALSE(DesktopKeyCommand("M"));
}

// --- "HotKeys.cfg" ---------------------------------------------------------------------------

TEST(HotKeysFileTest, FieldsAreReadByPosition) {
  struct TCase {
    const char *line;
    std::vector<std::string> fields;
  };
  const TCase cases[] = {
      {R"(1003,"Ctrl+Right","","","","Volume +")", {"1003", "Ctrl+Right", "", "", "", "Volume +"}},
      {R"( 1001 , "Num +" ,, KEY_UP ,"")", {"1001", "Num +", "", "KEY_UP", ""}},
      {R"(1005,"a,b",x)", {"1005", "a,b", "x"}},
      {R"(1005,"open)", {"1005", "open"}},
      {"1005,,,", {"1005", "", "", ""}},
  };
  for (const TCase &c : cases)
    EXPECT_EQ(SplitHotKeyFields(c.line), c.fields) << c.line;
}

TEST(HotKeysFileTest, LinesOverlayTheTable) {
  struct TCase {
    const char *line;
    bool applied;
    THotKeyAction mute; // row 0x1005 afterwards
  };
  const THotKeyAction defaults{0x1005, "Mute", "M", "", "", ""};
  const TCase cases[] = {
      {R"(1005,"","","","","Mute")", true, {0x1005, "Mute", "", "", "", ""}},
      {"1005,M", false, defaults},
      {"; 1005,X,Y", false, defaults},
      {"", false, defaults},
      {"0,X,Y", false, defaults},
      {"zz05,X,Y", false, defaults},
      {"4001,X,Y", false, defaults},
      {"0x1005,X,Y", false, defaults},
      {R"(1005,"F9",,"KEY_MUTE")", true, {0x1005, "Mute", "F9", "", "KEY_MUTE", ""}},
      {"1005,F9,F10", true, {0x1005, "Mute", "F9", "F10", "", ""}},
      {R"(1005,"","","","KEY_X","Renamed")", true, {0x1005, "Mute", "", "", "", "KEY_X"}},
  };
  for (const TCase &c : cases) {
    THotKeyTable table;
    EXPECT_EQ(ApplyHotKeyLine(table, c.line), c.applied) << c.line;
    EXPECT_EQ(*table.Find(0x1005), c.mute) << c.line;
  }
}

TEST(HotKeysFileTest, WrittenLinesReadBackTheSameTable) {
  THotKeyTable table;
  table.Find(0x1001)->Remote1 = "KEY_CHANNELUP";
  table.Find(0x1005)->HotKey1 = "";
  const std::string text = HotKeysText(table);
  std::istringstream lines(text);
  std::string first;
  std::getline(lines, first);
  EXPECT_EQ(first, "1001,\"Num +\",\"\",\"KEY_CHANNELUP\",\"\",\"Channel +\"\r");
  EXPECT_NE(text.find("1003,\"Ctrl+Right\",\"\",\"\",\"\",\"Volume +\"\r\n"), std::string::npos);
  EXPECT_EQ(text.find("0000"), std::string::npos) << "the empty row is not written";
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 23);

  THotKeyTable read;
  for (const std::string &line : frame::SplitAt(text, "\r\n"))
    ApplyHotKeyLine(read, line);
  EXPECT_EQ(read.Rows(), table.Rows());
}

TEST(HotKeysFileTest, LoadingSortsAndKeepsDefaultsWhenMissingOrUnreadable) {
  test::TTempDir dir("hotkeys");
  THotKeyTable table;
  EXPECT_EQ(LoadHotKeys(dir / "HotKeys.cfg", table), "") << "a missing file is no error";
  EXPECT_EQ(table.Rows(), THotKeyTable().Rows());

  std::filesystem::create_directory(dir / "Folder.cfg");
  EXPECT_NE(LoadHotKeys(dir / "Folder.cfg", table), "") << "unreadable is not missing";
  EXPECT_EQ(table.Rows(), THotKeyTable().Rows());
  EXPECT_NE(SaveHotKeys(dir / "Folder.cfg", table), "") << "and it is not written over";

  std::ofstream(dir / "HotKeys.cfg") << "8002,\"\",F5\r\n1005,M\n2003,\"\",\"\",\"KEY_VOLUMEUP\"\n";
  EXPECT_EQ(LoadHotKeys(dir / "HotKeys.cfg", table), "");
  EXPECT_EQ(table.Rows().front().ActionCode, 0) << "sorted by code, the empty row first";
  EXPECT_EQ(table.Rows()[1].ActionCode, 0x1001);
  EXPECT_EQ(KeyCode(table, "F5"), 0x8002);
  EXPECT_EQ(table.Rows()[table.FindByRemote("KEY_VOLUMEUP")].ActionCode, 0x2003);

  EXPECT_EQ(SaveHotKeys(dir / "Saved.cfg", table), "");
  THotKeyTable again;
  EXPECT_EQ(LoadHotKeys(dir / "Saved.cfg", again), "");
  EXPECT_EQ(again.Rows(), table.Rows());
}

} // namespace
} // namespace qev::ui
