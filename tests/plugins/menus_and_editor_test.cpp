#include "plugins/monitor_menu.h"
#include "plugins/profile_editor_model.h"

#include "fake_plugin_table.h"
#include "frame/fast_ini_file.h"
#include "support/scripted_presenter.h"
#include "support/temp_dir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace qev::plugins {
namespace {

std::vector<std::string> Lines(const std::filesystem::path &file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  // Settings files end their lines with CR LF.
  for (std::string line; std::getline(in, line);)
    lines.push_back(line.ends_with('\r') ? line.substr(0, line.size() - 1) : line);
  return lines;
}

class MonitorMenuTest : public ::testing::Test {
protected:
  test::TTempDir dir{"monitor"};
  std::filesystem::path cfg = dir / "Plugins.cfg";
  test::FakePluginTable table;
  test::ScriptedPresenter presenter;
  std::vector<TPluginMenuItem> menu{{5, "  Show counter ", {}},
                                    {0, "Sub", {{9, "Inner", {}}}},
                                    {-3, "Broken", {}},
                                    {12, "Reset", {}}};
};

TEST_F(MonitorMenuTest, ChoicesListNoneThenTopLevelItemsWithIds) {
  const auto choices = MonitorMenuChoices(menu);
  ASSERT_EQ(choices.size(), 3u);
  EXPECT_EQ(choices[0].Id, 0);
  EXPECT_EQ(choices[0].Line, "[ None ]");
  EXPECT_EQ(choices[1].Line, "5 = Show counter");
  EXPECT_EQ(choices[2].Line, "12 = Reset");
  EXPECT_EQ(MonitorMenuTitle("count.so"), "[count.so] Select action");
}

TEST_F(MonitorMenuTest, ChosenItemReachesEveryPluginOfTheLibraryAndTheFile) {
  table.Add(0, "count.so", true, -1);
  table.Add(1, "COUNT.so", true, -1);
  table.Add(0, "other.so", true, 3);
  std::string askedTitle, askedLabel;
  std::vector<std::string> askedLines;
  const auto pick = [&](int index) {
    return [&, index](const std::string &title, const std::string &label,
                      const std::vector<std::string> &lines, int) {
      askedTitle = title;
      askedLabel = label;
      askedLines = lines;
      return index;
    };
  };
  ASSERT_TRUE(ChooseMonitorMenu(table, cfg, "count.so", menu, pick(1)));
  EXPECT_EQ(askedTitle, "[count.so] Select action");
  EXPECT_EQ(askedLabel, "Menu item:");
  EXPECT_EQ(askedLines.size(), 3u);
  EXPECT_EQ(table.entries[0].MonitorMenuId, 5);
  EXPECT_EQ(table.entries[1].MonitorMenuId, 5);
  EXPECT_EQ(table.entries[2].MonitorMenuId, 3);
  // The comment starts at column 25.
  EXPECT_EQ(Lines(cfg), (std::vector<std::string>{"[MonitorMenuID]",
                                                  "count.so=5              ;Action:Show counter"}));
  EXPECT_EQ(frame::TFastIniFile(cfg).ReadInteger(kMonitorMenuSection, "count.so", -1), 5);

  ASSERT_TRUE(ChooseMonitorMenu(table, cfg, "count.so", menu, pick(2)));
  EXPECT_EQ(Lines(cfg).at(1), "count.so=12             ;Action:Reset");
  ASSERT_TRUE(ChooseMonitorMenu(table, cfg, "count.so", menu, pick(0)));
  EXPECT_EQ(Lines(cfg).at(1), "count.so=0");
  EXPECT_EQ(table.entries[1].MonitorMenuId, 0);

  EXPECT_FALSE(ChooseMonitorMenu(table, cfg, "count.so", menu, pick(-1)));
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(MonitorMenuTest, LongNamesPushTheCommentOneBlankBehind) {
  ASSERT_EQ(StoreMonitorMenuId(cfg, "a_rather_long_plugin_name.so", {3, "3 = Go"}), "");
  EXPECT_EQ(Lines(cfg).at(1), "a_rather_long_plugin_name.so=3 ;Action:Go");
}

TEST_F(MonitorMenuTest, ACurrentChoiceIsPreselectedAndAFailedSaveIsShown) {
  table.Add(0, "count.so", true, 12);
  std::filesystem::create_directory(cfg);
  int preselected = -1;
  ASSERT_TRUE(ChooseMonitorMenu(table, cfg, "count.so", menu,
                                [&](const auto &, const auto &, const auto &, int selected) {
                                  preselected = selected;
                                  return 1;
                                }));
  EXPECT_EQ(preselected, 2);
  EXPECT_EQ(table.entries[0].MonitorMenuId, 5);
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].caption, frame::kCaptionError);
  EXPECT_TRUE(std::filesystem::is_directory(cfg));
}

class ProfileEditorTest : public ::testing::Test {
protected:
  void Store(int number, const std::string &name) {
    TPluginProfile profile;
    profile.Description = name;
    ASSERT_EQ(profiles.Write(number, profile), "");
  }

  test::TTempDir dir{"editor"};
  TPluginProfiles profiles{dir / "Plugins.cfg"};
  test::ScriptedPresenter presenter;
  std::vector<std::string> known{"a.so", "b.so"};
};

TEST_F(ProfileEditorTest, NewTakesTheLowestFreeNumberAndNoneWhenAllAreTaken) {
  profiles.LoadNames();
  Store(1, "One");
  Store(2, "Two");
  Store(4, "Four");
  auto editor = TProfileEditorModel::ForNew(profiles, known);
  ASSERT_TRUE(editor);
  EXPECT_EQ(editor->Number(), 3);
  EXPECT_EQ(editor->NumberText(), "03");
  EXPECT_EQ(editor->State("a.so", 0), kStateNoChange);

  for (int number = 3; number < kProfileCount; ++number)
    if (number != 4)
      Store(number, "P" + std::to_string(number));
  EXPECT_FALSE(TProfileEditorModel::ForNew(profiles, known));
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(ProfileEditorTest, DefaultCannotBeEditedOrDeleted) {
  profiles.LoadNames();
  EXPECT_FALSE(TProfileEditorModel::ForEdit(profiles, 0, known));
  EXPECT_FALSE(DeleteProfile(profiles, 0));
  EXPECT_EQ(presenter.Texts(), (std::vector<std::string>{"Default profile cannot be edited...",
                                                         "Default profile cannot be deleted..."}));
  EXPECT_FALSE(TProfileEditorModel::ForEdit(profiles, 9, known)); // not there
}

TEST_F(ProfileEditorTest, DescriptionMustBeGivenAndUnique) {
  profiles.LoadNames();
  Store(1, "Sports");
  auto editor = TProfileEditorModel::ForNew(profiles, known);
  ASSERT_TRUE(editor);
  editor->Profile().Description = "   ";
  EXPECT_EQ(editor->Check(), "No description...");
  editor->Profile().Description = "SPORTS";
  EXPECT_EQ(editor->Check(), "Duplicate description !");
  editor->Profile().Description = "News";
  EXPECT_EQ(editor->Check(), "");

  auto same = TProfileEditorModel::ForEdit(profiles, 1, known);
  ASSERT_TRUE(same);
  EXPECT_EQ(same->Profile().Description, "Sports");
  EXPECT_EQ(same->Check(), ""); // its own name is no duplicate
}

TEST_F(ProfileEditorTest, StatesChangeOnlyTheirSlotAndAreSaved) {
  profiles.LoadNames();
  auto editor = TProfileEditorModel::ForNew(profiles, known);
  ASSERT_TRUE(editor);
  editor->Profile().Description = "Mixed";
  editor->SetState("a.so", 1, kStateEnabled);
  editor->SetState("a.so", 3, kStateDisabled);
  EXPECT_EQ(editor->Profile().Masks.at("a.so"), 0x0212);
  EXPECT_EQ(editor->State("a.so", 1), kStateEnabled);
  editor->Profile().KeyLClick[1] = "a.so";
  ASSERT_EQ(editor->Save(), "");
  EXPECT_EQ(profiles.Name(1), "Mixed");

  auto again = TProfileEditorModel::ForEdit(profiles, 1, known);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->Profile().Masks.at("a.so"), 0x0212);
  EXPECT_EQ(again->Profile().Masks.at("b.so"), kEditorMask);
  EXPECT_EQ(again->Profile().KeyLClick, (TSlotNames{"", "a.so", "", ""}));
}

TEST_F(ProfileEditorTest, DeleteAsksWithNumberAndNameThenErasesTheSection) {
  profiles.LoadNames();
  Store(6, "Late");
  EXPECT_EQ(DeleteProfileQuestion(6, "Late"), "Delete plugins profile ?\n\n[6] Late");
  presenter.AnswerNext(false);
  EXPECT_FALSE(DeleteProfile(profiles, 6));
  EXPECT_EQ(profiles.Name(6), "Late");
  presenter.AnswerNext(true);
  EXPECT_TRUE(DeleteProfile(profiles, 6));
  EXPECT_EQ(presenter.shown.back().text, "Delete plugins profile ?\n\n[6] Late");
  EXPECT_EQ(profiles.Name(6), "");
  EXPECT_FALSE(frame::TFastIniFile(profiles.File()).SectionExists("Profile_06"));
}

} // namespace
} // namespace qev::plugins
