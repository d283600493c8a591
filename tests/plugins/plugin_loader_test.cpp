#include "frame/fast_ini_file.h"
#include "plugin_fixture.h"
#include "plugins/plugin_config.h"
#include "plugins/plugin_library.h"

#include <gmock/gmock.h>

namespace qev::plugins::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class PluginLoaderTest : public THostFixture {
protected:
  std::vector<std::pair<std::string, int>> LoadedFilesAndSlots() {
    std::vector<std::pair<std::string, int>> loaded;
    for (int i = 0; i < Host().Count(); ++i)
      loaded.emplace_back(Host().Entry(i).DllName, Host().Entry(i).AvSlot);
    return loaded;
  }
};

TEST_F(PluginLoaderTest, ScansFoldersInOrderWithSlotsSkippingHashFoldersAndWrongLibraries) {
  AddTestPlugin("b.so");
  AddTestPlugin("a.so");
  AddTestPlugin("AV0/c.so");
  AddTestPlugin("AV0/deeper/d.so");
  AddTestPlugin("AV0/#off/e.so");
  AddTestPlugin("AV1/f.so");
  AddTestPlugin("PIP/g.so");
  AddTestPlugin("AV3/h.so");
  AddTestPlugin("sub/not_scanned.so"); // the plugins folder itself has no subfolders
  AddTestPlugin("readme.txt");
  CopyLibrary(QEV_TEST_NONAME_PLUGIN, PluginsDir() / "noname.so");

  ASSERT_TRUE(Host().LoadPlugins(true));
  EXPECT_THAT(LoadedFilesAndSlots(),
              ElementsAre(std::pair<std::string, int>{"a.so", 0}, std::pair{"b.so", 0},
                          std::pair{"c.so", 0}, std::pair{"d.so", 0}, std::pair{"g.so", 1},
                          std::pair{"f.so", 1}, std::pair{"h.so", 3}));
  EXPECT_EQ(Host().Entry(0).PluginName, "QEV Test Plugin");
  EXPECT_TRUE(Host().Entry(0).Enabled);
  EXPECT_FALSE(Host().LoadPlugins(true)) << "loaded once per run";

  frame::TFastIniFile config(ConfigFile());
  EXPECT_THAT(ReadKnowPlugins(config),
              ElementsAre("a.so", "b.so", "c.so", "d.so", "f.so", "g.so", "h.so"));
  EXPECT_THAT(LogTexts(), ::testing::Contains("KnowPlugins was updated (0).."));
}

TEST_F(PluginLoaderTest, WithoutSecondPictureOnlySlotZeroFoldersAreScanned) {
  AddTestPlugin("a.so");
  AddTestPlugin("AV1/f.so");
  AddTestPlugin("AV2/g.so");
  ASSERT_TRUE(Host().LoadPlugins(false));
  EXPECT_THAT(LoadedFilesAndSlots(), ElementsAre(std::pair<std::string, int>{"a.so", 0}));
}

TEST_F(PluginLoaderTest, SameNameInTwoFoldersLoadsTwiceAndIsKnownOnce) {
  AddTestPlugin("twin.so");
  AddTestPlugin("AV0/TWIN.so");
  ASSERT_TRUE(Host().LoadPlugins(false));
  EXPECT_EQ(Host().Count(), 2);
  frame::TFastIniFile config(ConfigFile());
  EXPECT_EQ(ReadKnowPlugins(config).size(), 1u);
}

TEST_F(PluginLoaderTest, TableHoldsOneHundredAndOneAndLogsTheRest) {
  const fs::path first = AddTestPlugin("p000.so");
  for (int i = 1; i < 102; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "p%03d.so", i);
    fs::create_symlink(first, PluginsDir() / name);
  }
  ASSERT_TRUE(Host().LoadPlugins(false));
  EXPECT_EQ(Host().Count(), kMaxPlugins);
  EXPECT_THAT(LogTexts(), ::testing::Contains(HasSubstr("p101.so")));
  EXPECT_EQ(Host().Entry(100).DllName, "p100.so");
}

TEST_F(PluginLoaderTest, StartGetsHostTableWindowNumberStartAreaAndVersion) {
  AddTestPlugin("first.so");
  const auto plugin = LoadWithTestPlugin(); // qev_test.so sorts after first.so
  const auto &state = *plugin->state;
  EXPECT_EQ(state.Number, 2);
  EXPECT_EQ(state.LogFlag, -1);
  EXPECT_EQ(state.Version, "MD-API Version 01.03 - 1.06");
  EXPECT_EQ(state.ResultPreset, -1);
  ASSERT_NE(state.Host, nullptr);
  EXPECT_EQ(state.Host->Version, QEV_MDAPI_HOST_VERSION);
  EXPECT_EQ(state.Window, Host().WindowOf(1));
  EXPECT_NE(state.Window, Host().WindowOf(0));
  ASSERT_NE(state.StartArea, nullptr);
  EXPECT_THAT(state.StartAreaAtStart, ::testing::Each(0));
}

TEST_F(PluginLoaderTest, MenuComesFromTheExportedText) {
  const auto plugin = LoadWithTestPlugin();
  const auto &menu = Host().Entry(0).Menu;
  ASSERT_EQ(menu.size(), 3u);
  EXPECT_EQ(menu[0].Id, 1);
  EXPECT_EQ(menu[1].Text, "More");
  ASSERT_EQ(menu[1].Items.size(), 1u);
  EXPECT_EQ(menu[1].Items[0].Id, 2);
  EXPECT_EQ(menu[2].Text, "Third");
  Host().MenuSelect(0, 3);
  EXPECT_EQ(plugin->state->MenuSelected, 3);
}

TEST(PluginMenuText, ParsesItemsPopupsAndSkipsNoise) {
  const auto items = ParseMenuText("; a comment\n10=Ten\n\nbad line\n0=zero\n70000=big\n"
                                   "POPUP Sub\n 11 = Eleven \nEND\n-\n12=Twelve");
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].Text, "Ten");
  EXPECT_EQ(items[1].Items[0].Text, "Eleven");
  EXPECT_EQ(items[1].Items[0].Id, 11);
  EXPECT_EQ(items[2].Id, 12);
}

TEST(PluginName, IsCutAtTheFirstZeroTrimmedAndBounded) {
  char buffer[QEV_MDAPI_NAME_BUFFER];
  std::memset(buffer, 0x55, sizeof buffer); // never terminated
  EXPECT_EQ(PluginNameFrom(buffer).size(), kPluginNameChars);
  std::memcpy(buffer, "  Name \0rest", 12);
  EXPECT_EQ(PluginNameFrom(buffer), "Name");
}

TEST_F(PluginLoaderTest, MonitorMenuIdIsReadAndStartProfileApplied) {
  {
    frame::TFastIniFile config(ConfigFile());
    WriteMonitorMenuId(config, "qev_test.so", 3, "Third");
    config.WriteInteger(kPluginsOptionsSection, "StartProfile", 7);
    config.WriteBool(kPluginsOptionsSection, "PluginsLoadEn", false);
  }
  std::vector<std::pair<int, bool>> applied;
  Host().SetApplyProfile([&](int profile, bool notify) {
    applied.emplace_back(profile, notify);
    return true;
  });
  const auto plugin = LoadWithTestPlugin();
  EXPECT_EQ(Host().Entry(0).MonitorMenuId, 3);
  EXPECT_FALSE(Host().Entry(0).Enabled);
  EXPECT_THAT(applied, ElementsAre(std::pair{7, false}));
}

TEST_F(PluginLoaderTest, FreePluginsClosesFiltersThenJoinsFeedsThenExitsAndStaysDown) {
  const auto plugin = LoadWithTestPlugin();
  PlayChannel(0x10001, "One");
  ASSERT_NE(plugin->StartFilter(4, 0x100), 0u);
  ASSERT_NE(plugin->StartFilter(9, 0x200), 0u);
  const int changes = plugin->state->ChannelChanges;

  Host().FreePlugins();
  EXPECT_THAT(plugin->state->Journal, ElementsAre("close4:1", "close9:1", "exit:1"));
  EXPECT_EQ(plugin->state->ChannelChanges, changes + 1) << "the zero record before the closes";
  EXPECT_EQ(plugin->state->LastChannel.ChName[0], 0);
  EXPECT_TRUE(device_.Open().empty());
  EXPECT_EQ(Host().Count(), 0);
  EXPECT_FALSE(Host().Active());
  EXPECT_FALSE(Host().LoadPlugins(false));
  char version[64] = {};
  EXPECT_EQ(plugin->send(QEV_MDAPI_GET_VERSION, reinterpret_cast<std::intptr_t>(version)), 0);
}

} // namespace
} // namespace qev::plugins::test
