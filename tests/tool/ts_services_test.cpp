// The services of a --ts file as the channel records play chooses from.
#include "description_file.h"
#include "multiplexer.h"
#include "tool/ts_services.h"
#include "tool/ts_sky.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace qev;
namespace fs = std::filesystem;

namespace {

constexpr const char *kDescription =
    "[transponder]\ntsid = 9\nonid = 1\nnetwork_id = 1\n"
    "start = 2026-12-09 20:00:00\nduration = 1\n"
    "[service]\nid = 0x31\npmt = 0x100\npcr = 0x101\ntype = 1\nname = Vision\nprovider = P\n"
    "[stream]\nkind = h264\npid = 0x101\n"
    "[stream]\nkind = mpa\npid = 0x102\nlang = ger\n"
    "[stream]\nkind = ac3\npid = 0x103\nlang = eng\n"
    "[service]\nid = 0x32\npmt = 0x200\npcr = 0x201\ntype = 2\nname = Klang\nprovider = P\n"
    "[stream]\nkind = aac\npid = 0x201\nlang = fra\n"
    "[service]\nid = 0x33\npmt = 0x300\npcr = 0x301\ntype = 1\nname = Pay\nprovider = P\n"
    "ca = 0x0100 0x3F0\n"
    "[stream]\nkind = mpeg2\npid = 0x301\n";

fs::path Generate(const char *description, const std::string &name) {
  const fs::path file =
      fs::temp_directory_path() / ("qev-services-" + name + std::to_string(::getpid()) + ".ts");
  std::istringstream in(description);
  tsgen::GenerateFile(tsgen::DescriptionFile::Parse(in), file.string());
  return file;
}

const data::TEsItem *Es(const data::TChannelRec &rec, std::uint16_t pid) {
  for (int i = 0; i < rec.EsCount; ++i)
    if (rec.EsList[i].Pid == pid)
      return &rec.EsList[i];
  return nullptr;
}

TEST(TsServices, PidsLanguagesNamesAndScramblingOfEveryService) {
  const fs::path file = Generate(kDescription, "all");
  std::string error;
  const auto services = tool::ReadTsServices(file, 1, error);
  fs::remove(file);
  EXPECT_EQ(error, "");
  ASSERT_EQ(services.size(), 3u);

  const data::TChannelRec &tv = services[0];
  EXPECT_EQ(data::ChName(tv), "Vision");
  EXPECT_EQ(tv.SID, 0x31);
  EXPECT_EQ(tv.TID, 9);
  EXPECT_EQ(tv.PmtPid, 0x100);
  EXPECT_EQ(tv.PcrPid, 0x101);
  EXPECT_EQ(tv.VidPid, 0x101);
  EXPECT_EQ(tv.AudPid, 0x102);
  EXPECT_EQ(tv.Ac3Pid, 0x103);
  EXPECT_EQ(tv.SrvType, 1);
  EXPECT_EQ(tv.Encrypted, 0);
  EXPECT_EQ(tv.SatIndex, 1);
  EXPECT_EQ(tv.Freq, tool::TTsSky::kFrequency);
  EXPECT_EQ(tv.Polar, tool::TTsSky::kPolarisation);
  ASSERT_NE(Es(tv, 0x102), nullptr);
  EXPECT_EQ(data::EsLang(*Es(tv, 0x102)), "GER");
  ASSERT_NE(Es(tv, 0x103), nullptr);
  EXPECT_EQ(Es(tv, 0x103)->Kind, data::kKindAc3);
  EXPECT_EQ(data::EsLang(*Es(tv, 0x103)), "ENG");

  const data::TChannelRec &radio = services[1];
  EXPECT_EQ(data::ChName(radio), "Klang");
  EXPECT_EQ(radio.SrvType, 2);
  EXPECT_EQ(radio.VidPid, 0);
  EXPECT_EQ(radio.AudPid, 0x201);
  EXPECT_EQ(data::EsLang(*Es(radio, 0x201)), "FRA");

  EXPECT_EQ(data::ChName(services[2]), "Pay");
  EXPECT_EQ(services[2].Encrypted, 1);
}

TEST(TsServices, AFileWithoutTablesOrAMissingFileIsNamed) {
  const fs::path empty =
      fs::temp_directory_path() / ("qev-services-none" + std::to_string(::getpid()) + ".ts");
  std::ofstream(empty) << std::string(188 * 4, '\xFF');
  std::string error;
  EXPECT_TRUE(tool::ReadTsServices(empty, 1, error).empty());
  EXPECT_NE(error.find("no programme association table"), std::string::npos) << error;
  fs::remove(empty);
  error.clear();
  EXPECT_TRUE(tool::ReadTsServices(empty, 1, error).empty());
  EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
}

} // namespace
