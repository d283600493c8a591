#include "plugins/plugin_profiles.h"
#include "plugins/profile_applier.h"

#include "fake_plugin_table.h"
#include "frame/fast_ini_file.h"
#include "frame/notification_hub.h"
#include "support/scripted_presenter.h"
#include "support/temp_dir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace qev::plugins {
namespace {

std::string ReadAll(const std::filesystem::path &file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteAll(const std::filesystem::path &file, const std::string &text) {
  std::ofstream(file) << text;
}

class ProfilesTest : public ::testing::Test {
protected:
  ProfilesTest() { frame::AddGlobalNotification(frame::kNotifyPluginHost, &OnHost, this); }
  ~ProfilesTest() override {
    frame::RemoveGlobalNotification(frame::kNotifyPluginHost, &OnHost, this);
  }

  static void OnHost(void *self, std::intptr_t first, std::intptr_t second) {
    static_cast<ProfilesTest *>(self)->events.emplace_back(first, second);
  }

  TProfileApplier &Applier() {
    if (!applier) {
      profiles.LoadNames();
      applier.emplace(table, profiles,
                      TProfileHostLinks{[this] { return loadEnabled; },
                                        [this](int profile) { stored.push_back(profile); },
                                        [this](const std::string &line) { log.push_back(line); }});
    }
    return *applier;
  }

  test::TTempDir dir{"profiles"};
  std::filesystem::path cfg = dir / "Plugins.cfg";
  TPluginProfiles profiles{cfg};
  test::FakePluginTable table;
  bool loadEnabled = true;
  std::vector<std::string> log;
  std::vector<int> stored;
  std::vector<std::pair<std::intptr_t, std::intptr_t>> events;
  std::optional<TProfileApplier> applier;
};

TEST(ProfileMasks, NibblesPerSlotAndSlotNameLists) {
  EXPECT_EQ(SlotState(0x0210, 0), 0);
  EXPECT_EQ(SlotState(0x0210, 1), 1);
  EXPECT_EQ(SlotState(0x0210, 2), 2);
  EXPECT_EQ(SlotState(0x0210, 3), 0);
  EXPECT_EQ(SlotState(0x0210, 4), kStateNoChange);
  EXPECT_EQ(WithSlotState(0x2222, 2, 0), 0x2022);
  EXPECT_EQ(WithSlotState(0x2222, 7, 0), 0x2222);
  EXPECT_EQ(ProfileSection(5), "Profile_05");
  EXPECT_EQ(ProfileSection(63), "Profile_63");

  EXPECT_EQ(SplitSlotNames(" a.so , b.so,,d.so,"), (TSlotNames{"a.so", "b.so", "", "d.so"}));
  EXPECT_EQ(SplitSlotNames("only.so"), (TSlotNames{"only.so", "", "", ""}));
  EXPECT_EQ(SplitSlotNames(""), (TSlotNames{}));
  EXPECT_EQ(SplitSlotNames("a,b,c,d,e,f"), (TSlotNames{"a", "b", "c", "d"}));
  EXPECT_EQ(JoinSlotNames({" a.so ", "", "c.so", ""}), "a.so,,c.so,,");
}

TEST_F(ProfilesTest, NamesOfNumbersAndTheSortedList) {
  WriteAll(cfg, "[Profile_03]\nDescription= zeta \n[Profile_07]\nDescription=Alpha\n"
                "[Profile_09]\nDescription=\n[Profile_64]\nDescription=Beyond\n");
  profiles.LoadNames();
  EXPECT_EQ(profiles.Name(0), "Default");
  EXPECT_EQ(profiles.Name(3), "zeta");
  EXPECT_EQ(profiles.Name(9), "");
  EXPECT_EQ(profiles.Name(64), "<Error>");
  EXPECT_EQ(profiles.Name(-1), "<Error>");
  EXPECT_FALSE(profiles.Exists(9));
  EXPECT_EQ(profiles.SortedNames(),
            (std::vector<std::pair<int, std::string>>{{7, "Alpha"}, {3, "zeta"}}));
  EXPECT_EQ(profiles.ChannelChoices(), (std::vector<std::pair<int, std::string>>{
                                           {0, "<Disabled>"}, {7, "Alpha"}, {3, "zeta"}}));
  EXPECT_EQ(profiles.ApplyChoices().front(), (std::pair<int, std::string>{0, "Default"}));
  EXPECT_EQ(profiles.FirstFree(), 1);
  EXPECT_TRUE(profiles.DescriptionTaken("ALPHA", 3));
  EXPECT_FALSE(profiles.DescriptionTaken("alpha", 7));
  EXPECT_TRUE(profiles.DescriptionTaken("default", 7));
}

TEST_F(ProfilesTest, StoredMask0210SetsEachSlotAsItsNibbleSays) {
  WriteAll(cfg, "[Profile_05]\nDescription=Mixed\ncam.so=$0210\n");
  table.Add(0, "cam.so", true);
  table.Add(1, "CAM.so", false);
  table.Add(2, "cam.so", true);
  table.Add(3, "cam.so", true);
  table.Add(0, "other.so", false); // not named: 0x3333 leaves it alone

  ASSERT_TRUE(Applier().ApplyProfile(5, true));
  EXPECT_FALSE(table.entries[0].Enabled);
  EXPECT_TRUE(table.entries[1].Enabled);
  EXPECT_TRUE(table.entries[2].Enabled);
  EXPECT_FALSE(table.entries[3].Enabled);
  EXPECT_FALSE(table.entries[4].Enabled);
  using Call = std::tuple<int, bool, bool>;
  EXPECT_EQ(table.enables,
            (std::vector<Call>{{0, false, true}, {1, true, true}, {3, false, true}}));

  EXPECT_EQ(Applier().Current(), 5);
  EXPECT_EQ(stored, std::vector<int>{5});
  ASSERT_EQ(log.size(), 1u);
  EXPECT_TRUE(log[0].starts_with("Plugins profile [5] applyed in "));
  EXPECT_TRUE(log[0].ends_with(" ms"));
  EXPECT_EQ(ProfileAppliedLine(7, 12), "Plugins profile [7] applyed in 12 ms");
  EXPECT_EQ(events, (std::vector<std::pair<std::intptr_t, std::intptr_t>>{{5, 5}}));
}

TEST_F(ProfilesTest, SameProfileTwiceDoesNothingTheSecondTime) {
  WriteAll(cfg, "[Profile_05]\nDescription=Five\na.so=$0000\n");
  table.Add(0, "a.so", true);
  EXPECT_TRUE(Applier().ApplyProfile(5, false));
  table.entries[0].Enabled = true;
  EXPECT_FALSE(Applier().ApplyProfile(5, false));
  EXPECT_TRUE(table.entries[0].Enabled);
  EXPECT_EQ(events.size(), 1u);
  EXPECT_EQ(log.size(), 1u);
}

TEST_F(ProfilesTest, ProfileZeroFollowsLoadEnabledAndClearsKeyClicks) {
  WriteAll(cfg, "[Profile_02]\nDescription=Two\nKeyLClick=a.so,,,,\na.so=$3330\nb.so=$3331\n");
  table.Add(0, "a.so", true);
  table.Add(0, "b.so", false);
  ASSERT_TRUE(Applier().ApplyProfile(2, false));
  EXPECT_EQ(Applier().KeyClicks(0)[0], "a.so");
  EXPECT_FALSE(table.entries[0].Enabled);
  EXPECT_TRUE(table.entries[1].Enabled);

  loadEnabled = false;
  ASSERT_TRUE(Applier().ApplyProfile(0, true));
  EXPECT_FALSE(table.entries[0].Enabled);
  EXPECT_FALSE(table.entries[1].Enabled);
  EXPECT_EQ(Applier().KeyClicks(0), TSlotNames{});
  EXPECT_EQ(Applier().KeyClicks(1), TSlotNames{});

  loadEnabled = true;
  ASSERT_TRUE(Applier().ApplyProfile(2, false));
  ASSERT_TRUE(Applier().ApplyProfile(0, false));
  EXPECT_TRUE(table.entries[0].Enabled);
  EXPECT_TRUE(table.entries[1].Enabled);
}

TEST_F(ProfilesTest, NumbersOutsideTheRangeAreRefusedWithoutBecomingCurrent) {
  table.Add(0, "a.so", true);
  ASSERT_TRUE(Applier().ApplyProfile(0, false));
  for (const int bad : {64, -1, 255, 1000}) {
    EXPECT_FALSE(Applier().ApplyProfile(bad, false)) << bad;
    EXPECT_EQ(Applier().Current(), 0) << bad;
  }
  // Profile 0 is still current, so asking for it again changes nothing.
  EXPECT_FALSE(Applier().ApplyProfile(0, false));
  EXPECT_EQ(events.size(), 1u);
  EXPECT_EQ(stored, std::vector<int>{0});
}

TEST_F(ProfilesTest, WrittenProfilesUseFourHexDigitMasksAndCommaEndedNames) {
  profiles.LoadNames();
  TPluginProfile profile;
  profile.Description = " Night ";
  profile.KeyLClick = {"a.so", "", "", ""};
  profile.KeyRClick = {"", " b.so", "", ""};
  profile.Masks = {{"a.so", 0x0210}, {"b.so", kEditorMask}};
  ASSERT_EQ(profiles.Write(4, profile), "");
  const std::string text = ReadAll(cfg);
  EXPECT_NE(text.find("[Profile_04]"), std::string::npos);
  EXPECT_NE(text.find("Description=Night\r\n"), std::string::npos);
  EXPECT_NE(text.find("KeyLClick=a.so,,,,\r\n"), std::string::npos);
  EXPECT_NE(text.find("KeyRClick=,b.so,,,\r\n"), std::string::npos);
  EXPECT_NE(text.find("a.so=$0210\r\n"), std::string::npos);
  EXPECT_NE(text.find("b.so=$2222\r\n"), std::string::npos);
  EXPECT_EQ(profiles.Name(4), "Night");
  EXPECT_NE(profiles.Write(0, profile), "");
  EXPECT_EQ(profiles.Name(0), "Default");
}

class KeyClickTest : public ProfilesTest {
protected:
  void SetUp() override {
    WriteAll(cfg, "[Profile_01]\nDescription=Keys\nKeyLClick= Cam.so ,pip.so,,,\n"
                  "KeyRClick=nomenu.so,missing.so,,,\n");
    table.Add(1, "cam.so", true, 40); // same name but another slot
    table.Add(0, "cam.so", true, 7);
    table.Add(1, "pip.so", true, 0);
    table.Add(0, "nomenu.so", true, -1);
    ASSERT_TRUE(Applier().ApplyProfile(1, false));
  }
  test::ScriptedPresenter presenter;
};

TEST_F(KeyClickTest, FindPluginMatchesSlotAndNameIgnoringCase) {
  EXPECT_EQ(FindPlugin(table, 0, " CAM.SO "), 1);
  EXPECT_EQ(FindPlugin(table, 1, "cam.so"), 0);
  EXPECT_EQ(FindPlugin(table, 2, "cam.so"), -1);
  EXPECT_EQ(FindPlugin(table, 0, ""), -1);
  EXPECT_EQ(FindPlugin(table, 0, "  "), -1);
}

TEST_F(KeyClickTest, ClickRunsTheMenuItemOrWarnsWithoutOne) {
  Applier().KeyClick(0, 0);
  EXPECT_EQ(table.menus, (std::vector<std::pair<int, int>>{{1, 7}}));
  EXPECT_TRUE(presenter.shown.empty());

  Applier().KeyClick(1, 0); // MonitorMenuId 0 counts as none
  Applier().KeyClick(0, 1);
  EXPECT_EQ(table.menus.size(), 1u);
  EXPECT_EQ(presenter.Texts(),
            (std::vector<std::string>{"[ pip.so ] has no MenuID defined...",
                                      "[ nomenu.so ] has no MenuID defined..."}));
  EXPECT_EQ(presenter.shown[0].caption, frame::kCaptionWarning);

  // No plugin named, or named but not loaded, or a slot/button out of range: nothing.
  Applier().KeyClick(1, 1);
  Applier().KeyClick(2, 0);
  Applier().KeyClick(4, 0);
  Applier().KeyClick(0, 2);
  EXPECT_EQ(presenter.shown.size(), 2u);
  EXPECT_EQ(table.menus.size(), 1u);
}

} // namespace
} // namespace qev::plugins
