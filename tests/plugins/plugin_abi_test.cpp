#include "frame/fast_ini_file.h"
#include "plugins/channel_info.h"
#include "plugins/plugin_config.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace qev::plugins {
namespace {

using ::testing::ElementsAre;

template <typename T> std::uint32_t At(const TPlgChannelInfo &info, std::size_t offset) {
  T value{};
  std::memcpy(&value, reinterpret_cast<const std::uint8_t *>(&info) + offset, sizeof value);
  return value;
}

data::TChannelRec GoldenChannel() {
  data::TChannelRec rec{};
  data::SetChName(rec, "QEV One HD with a very long name");
  data::SetChProv(rec, "QEV");
  rec.Freq = 11494000;
  rec.Polar = 'H';
  rec.SRate = 22000;
  rec.TID = 0x0425;
  rec.SID = 0x3021;
  rec.VidPid = 0x0100;
  rec.AudPid = 0x0101;
  rec.TtxPid = 0x0102;
  rec.PmtPid = 0x0064;
  rec.PcrPid = 0x0103;
  rec.EcmPid = 0x0601;
  rec.SrvType = 0x19;
  rec.CaCount = 3;
  rec.CaList[0] = {0x0500, 0x0600, 0x0700, data::kCaDisabledBit | 1};
  rec.CaList[1] = {0x1702, 0x0601, 0x0701, 0x00123456};
  rec.CaList[2] = {0x0B00, 0x0602, 0x0702, 0};
  return rec;
}

TEST(PlgChannelInfo, GoldenLayoutFromAChannelRecord) {
  const TPlgChannelInfo info = BuildChannelInfo(GoldenChannel());
  const auto *bytes = reinterpret_cast<const std::uint8_t *>(&info);
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(bytes)), "QEV One HD with a very long n");
  EXPECT_EQ(bytes[29], 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(bytes + 30)), "QEV");
  EXPECT_EQ(At<std::uint32_t>(info, 92), 11494000u);
  EXPECT_EQ(bytes[97], 18);
  EXPECT_EQ(At<std::uint16_t>(info, 100), 22000u);
  EXPECT_EQ(At<std::uint16_t>(info, 108), 0x0425u);
  EXPECT_EQ(At<std::uint16_t>(info, 110), 0x0100u);
  EXPECT_EQ(At<std::uint16_t>(info, 112), 0x0101u);
  EXPECT_EQ(At<std::uint16_t>(info, 114), 0x0102u);
  EXPECT_EQ(At<std::uint16_t>(info, 116), 0x0064u);
  EXPECT_EQ(At<std::uint16_t>(info, 118), 0x0103u);
  EXPECT_EQ(At<std::uint16_t>(info, 120), 0x0601u);
  EXPECT_EQ(At<std::uint16_t>(info, 122), 0x3021u);
  EXPECT_EQ(bytes[127], 0x19);
  EXPECT_EQ(bytes[128], 0x17) << "high byte of the first copied (enabled) CA id";
  EXPECT_EQ(At<std::uint16_t>(info, 390), 2u);
  const std::uint8_t firstCa[12] = {0x02, 0x17, 0x01, 0x06, 0x01, 0x07, 0, 0, 0x56, 0x34, 0x12, 0};
  EXPECT_EQ(std::memcmp(bytes + 392, firstCa, sizeof firstCa), 0);
  EXPECT_EQ(At<std::uint16_t>(info, 404), 0x0B00u);
  // Everything else is zero.
  std::vector<bool> known(sizeof info, false);
  for (auto [from, to] : std::vector<std::pair<int, int>>{
           {0, 60}, {92, 96}, {97, 98}, {100, 102}, {108, 124}, {127, 129}, {390, 416}})
    for (int i = from; i < to; ++i)
      known[i] = true;
  for (std::size_t i = 0; i < sizeof info; ++i) {
    if (!known[i]) {
      ASSERT_EQ(bytes[i], 0) << "offset " << i;
    }
  }
}

TEST(PlgChannelInfo, OnlyDisabledCaEntriesGiveNoCaAndNoEcm) {
  data::TChannelRec rec = GoldenChannel();
  rec.CaCount = 1;
  const TPlgChannelInfo info = BuildChannelInfo(rec);
  EXPECT_EQ(info.CaCount, 0);
  EXPECT_EQ(info.EcmPid, 0x1FFF);
  EXPECT_EQ(info.CaIdHigh, 0);
  EXPECT_EQ(NoChannelInfo().EcmPid, 0x1FFF);
  EXPECT_EQ(NoChannelInfo().ChName[0], 0);
  EXPECT_EQ(BuildChannelInfo(data::TChannelRec{}).Voltage, 0);
}

class PluginConfigTest : public ::testing::Test {
protected:
  std::string Text() {
    std::ifstream in(file_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  qev::test::TTempDir dir_{"qev-plugcfg-"};
  std::filesystem::path file_ = dir_ / "Plugins.cfg";
};

TEST_F(PluginConfigTest, OptionsHaveTheirDefaultsAndAreWrittenBack) {
  {
    frame::TFastIniFile config(file_);
    const TPluginOptions options = ReadPluginOptions(config);
    EXPECT_EQ(options.PkSize, 0);
    EXPECT_TRUE(options.FixCrc && options.ChSave && options.LoadEn && options.LogBadApiCmd);
    EXPECT_EQ(options.StartProfile, 0);
    TPluginOptions changed = options;
    changed.PkSize = 9; // stored as given, clamped when read
    changed.LoadEn = false;
    changed.StartProfile = 12;
    WritePluginOptions(config, changed);
  }
  frame::TFastIniFile config(file_);
  const TPluginOptions read = ReadPluginOptions(config);
  EXPECT_EQ(read.PkSize, 3);
  EXPECT_FALSE(read.LoadEn);
  EXPECT_EQ(read.StartProfile, 12);
}

TEST_F(PluginConfigTest, KnowPluginsAreSortedAndUniqueWhateverTheCase) {
  std::vector<std::string> names;
  EXPECT_TRUE(AddKnownPlugin(names, " beta.so "));
  EXPECT_TRUE(AddKnownPlugin(names, "Alpha.so"));
  EXPECT_FALSE(AddKnownPlugin(names, "BETA.so"));
  EXPECT_FALSE(AddKnownPlugin(names, "  "));
  EXPECT_TRUE(AddKnownPlugin(names, "gamma.so"));
  EXPECT_THAT(names, ElementsAre("Alpha.so", "beta.so", "gamma.so"));
  {
    frame::TFastIniFile config(file_);
    WriteKnowPlugins(config, {"zeta.so", "Alpha.so", "ALPHA.so"});
  }
  frame::TFastIniFile config(file_);
  EXPECT_THAT(ReadKnowPlugins(config), ElementsAre("Alpha.so", "zeta.so"));
}

TEST_F(PluginConfigTest, MonitorMenuIdCarriesItsActionAtColumnTwentyFive) {
  {
    frame::TFastIniFile config(file_);
    EXPECT_EQ(ReadMonitorMenuId(config, "qev_sample.so"), -1);
    WriteMonitorMenuId(config, "qev_sample.so", 101, "Show counter");
  }
  EXPECT_NE(Text().find("qev_sample.so=101       ;Action:Show counter"), std::string::npos)
      << Text();
  {
    frame::TFastIniFile config(file_);
    EXPECT_EQ(ReadMonitorMenuId(config, "QEV_SAMPLE.so"), 101);
    WriteMonitorMenuId(config, "qev_sample.so", 0, "");
  }
  EXPECT_EQ(Text().find("Action"), std::string::npos) << Text();
  frame::TFastIniFile config(file_);
  EXPECT_EQ(ReadMonitorMenuId(config, "qev_sample.so"), 0);
}

} // namespace
} // namespace qev::plugins
