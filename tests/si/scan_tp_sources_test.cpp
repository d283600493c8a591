// The sources the scanner's transponder list is completed from: the web source list, the NIT of
// the tuned transponder, another INI file, SATCODX items and downloads.
#include "si/scan_tp_sources.h"

#include "frame/options.h"
#include "psi_test_sections.h"
#include "si/scan_texts.h"
#include "si_tables.h"
#include "support/scripted_presenter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace qev::si::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::vector<std::string> Texts(const data::TSatTransponders &list) {
  std::vector<std::string> texts;
  for (const data::TTransponder &tp : list.Items())
    texts.push_back(data::TpText(tp));
  return texts;
}

data::TSatTransponders ListOf(std::initializer_list<data::TTransponder> entries) {
  data::TSatTransponders list;
  for (const data::TTransponder &tp : entries)
    list.TpAdd(tp);
  return list;
}

TEST(WebUpdTp, ListsCaptionAndAddressOfEverySourceLine) {
  const auto sources = ParseWebUpdTp("; transponder lists on the web\r\n"
                                     "\n"
                                     "  Lyngsat | http://lists.example/<N>.ini \r\n"
                                     "no bar on this line\n"
                                     ";Hidden|http://x\n"
                                     "King of Sat|http://kos.example/<L>/<N>-<L>.ini");
  ASSERT_EQ(sources.size(), 2u);
  EXPECT_EQ(sources[0].Caption, "Lyngsat");
  EXPECT_EQ(sources[0].AddressTemplate, "http://lists.example/<N>.ini");
  EXPECT_EQ(sources[1].Caption, "King of Sat");
}

TEST(WebUpdTp, TemplateTakesFourDigitPositionAndPositionText) {
  EXPECT_EQ(WebTpAddress("http://lists.example/<N>.ini", 192), "http://lists.example/0192.ini");
  EXPECT_EQ(WebTpAddress("http://kos.example/<L>/<N>-<L>.ini", 3300),
            "http://kos.example/30.0W/3300-30.0W.ini");
  EXPECT_EQ(WebTpAddress("http://plain.example/list.ini", 130), "http://plain.example/list.ini");
}

class TpSourceFiles : public ::testing::Test {
protected:
  TpSourceFiles()
      : dir(fs::temp_directory_path() / ("qev-tp-sources-" + std::to_string(::getpid()))) {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  ~TpSourceFiles() override { fs::remove_all(dir); }

  fs::path Write(const std::string &name, const std::string &text) {
    std::ofstream(dir / name) << text;
    return dir / name;
  }

  TTpSources Sources(TDownload download = {}) {
    return TTpSources({filters, options, {}, [] {}, std::move(download)}, target);
  }

  const fs::path dir;
  FakeFilterSource filters;
  frame::TScanningOptions options;
  qev::test::ScriptedPresenter presenter;
  data::TSatTransponders target =
      ListOf({data::MakeTransponder(11778, 'V', 27500), data::MakeTransponder(12188, 'H', 27500)});
};

TEST_F(TpSourceFiles, WebSourceFileMissingListsNoneButUnreadableSaysWhy) {
  std::string error;
  EXPECT_TRUE(LoadWebUpdTp(dir / "WebUpdTP.cfg", error).empty());
  EXPECT_EQ(error, "");
  fs::create_directory(dir / "folder.cfg");
  EXPECT_TRUE(LoadWebUpdTp(dir / "folder.cfg", error).empty());
  EXPECT_THAT(error, HasSubstr("folder.cfg"));
  const fs::path file = Write("WebUpdTP.cfg", "A|http://a/<N>\n");
  ASSERT_EQ(LoadWebUpdTp(file, error).size(), 1u);
}

TEST_F(TpSourceFiles, NitAddsOnlyTheTranspondersTheListLacks) {
  tsgen::Transponder tp;
  tp.networkName = "Demo Net";
  tp.delivery.frequencyKhz = 11778000;
  tp.delivery.orbitalTenths = 192;
  tp.delivery.polarisation = tsgen::Polarisation::Vertical;
  tp.delivery.symbolRate = 27500000;
  tsgen::OtherTransport other;
  other.delivery = tp.delivery;
  other.delivery.frequencyKhz = 10788000;
  tp.others.push_back(other);
  filters.Script(0x0010, tsgen::BuildNit(tp), true);

  EXPECT_EQ(Sources().FromNit(), 1);
  EXPECT_THAT(Texts(target), ElementsAre("10788,V,27500", "11778,V,27500", "12188,H,27500"));
  // Read again, nothing is new.
  EXPECT_EQ(Sources().FromNit(), 0);
  EXPECT_EQ(target.Count(), 3);

  EXPECT_EQ(Sources().NetworkName(), "0192 - Demo Net (19.2E)");
}

TEST_F(TpSourceFiles, NitThatCannotBeReadChangesNothing) {
  filters.Refuse(0x0010);
  EXPECT_EQ(Sources().FromNit(), std::nullopt);
  EXPECT_EQ(Sources().NetworkName(), std::nullopt);
  EXPECT_EQ(target.Count(), 2);
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(TpSourceFiles, IniFileWithoutValidEntryIsInvalid) {
  const fs::path noPosition = Write("a.ini", "[SATTYPE]\n1=\n[DVB]\n0=1\n1=10700,H,22000\n");
  const fs::path noEntry = Write("b.ini", "[SATTYPE]\n1=0192\n[DVB]\n0=1\n1=11778,,27500\n");
  EXPECT_EQ(Sources().FromIniFile(noPosition), std::nullopt);
  EXPECT_EQ(Sources().FromIniFile(noEntry), std::nullopt);
  EXPECT_EQ(Sources().FromIniFile(dir / "missing.ini"), std::nullopt);
  EXPECT_THAT(presenter.Texts(),
              ElementsAre(data::kInvalidTpFile, data::kInvalidTpFile, data::kInvalidTpFile));
  EXPECT_EQ(target.Count(), 2);
}

TEST_F(TpSourceFiles, IniFileThatCannotBeReadSaysWhy) {
  fs::create_directory(dir / "folder.ini");
  EXPECT_EQ(Sources().FromIniFile(dir / "folder.ini"), std::nullopt);
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_THAT(presenter.shown[0].text, HasSubstr(std::string(data::kInvalidTpFile) + "\r\r"));
  EXPECT_GT(presenter.shown[0].text.size(), std::string(data::kInvalidTpFile).size() + 2);
}

TEST_F(TpSourceFiles, IniFileAddsItsNewEntries) {
  const fs::path file = Write("c.ini", "[SATTYPE]\n1=0192\n2=Astra\n[DVB]\n0=3\n"
                                       "1=12188,h,27500\n2=10714, H ,22000,5/6\n3=10714,H,22000\n");
  EXPECT_EQ(Sources().FromIniFile(file), 1);
  EXPECT_THAT(Texts(target), ElementsAre("10714,H,22000", "11778,V,27500", "12188,H,27500"));
  EXPECT_TRUE(target.Modified());
}

TEST_F(TpSourceFiles, SatcodxTransponderListSkipsDuplicates) {
  data::TSdxFile sdx;
  for (std::uint16_t sid : {1, 2, 3}) {
    data::TSdxItem item;
    item.FreqMHz = sid == 3 ? 11954 : 11778;
    item.Polar = sid == 3 ? 'H' : 'V';
    item.SRate = 27500;
    item.SID = sid;
    sdx.Items.push_back(item);
  }
  const data::TSatTransponders list = SdxTransponderList(sdx, "Astra");
  EXPECT_EQ(list.Name, "Astra");
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(Sources().FromSdx(sdx, "Astra"), 1);
  EXPECT_THAT(Texts(target), ElementsAre("11778,V,27500", "11954,H,27500", "12188,H,27500"));
}

TEST_F(TpSourceFiles, DownloadFromTheExpandedAddress) {
  std::vector<std::string> asked;
  std::string reply = "[SATTYPE]\n1=0192\n[DVB]\n0=1\n1=12552,V,22000\n";
  bool fail = false;
  TTpSources sources = Sources([&](const std::string &address, std::string &error) {
    asked.push_back(address);
    if (fail) {
      error = "Connection refused";
      return std::optional<std::string>();
    }
    return std::optional(reply);
  });
  ASSERT_TRUE(sources.WebAvailable());
  const TWebTpSource source{"Lists", "http://lists.example/<N>.ini"};
  EXPECT_EQ(sources.FromWeb(source, 192), 1);
  EXPECT_THAT(asked, ElementsAre("http://lists.example/0192.ini"));
  EXPECT_EQ(target.Count(), 3);

  reply = "<html>not found</html>";
  EXPECT_EQ(sources.FromWeb(source, 192), std::nullopt);
  fail = true;
  EXPECT_EQ(sources.FromWeb(source, 192), std::nullopt);
  EXPECT_THAT(presenter.Texts(), ElementsAre(kDownloadInvalid, "Connection refused"));
  EXPECT_EQ(target.Count(), 3);
  EXPECT_FALSE(Sources().WebAvailable());
}

TEST_F(TpSourceFiles, EverySourceGoesThroughTheSynchronisation) {
  std::vector<std::string> offered;
  bool accept = false;
  TTpSources sources(
      {filters,
       options,
       {},
       [] {},
       [](const std::string &, std::string &) {
         return std::optional<std::string>("[SATTYPE]\n1=0192\n[DVB]\n0=1\n1=12552,V,22000\n");
       },
       [&](const data::TSatTransponders &newList, data::TSatTransponders &current) {
         offered.push_back(newList.PositionText + ":" + std::to_string(newList.Count()));
         if (!accept)
           return false;
         current.TpDelete(0);
         current.TpAdd(newList.TpGet(0));
         return true;
       }},
      target);
  EXPECT_EQ(sources.FromWeb({"Lists", "http://lists.example/<N>.ini"}, 192), 0);
  EXPECT_THAT(Texts(target), ElementsAre("11778,V,27500", "12188,H,27500")) << "cancelled";

  data::TSdxFile sdx;
  data::TSdxItem item;
  item.FreqMHz = 10700;
  item.Polar = 'H';
  item.SRate = 22000;
  sdx.Items.push_back(item);
  accept = true;
  // Same count, other entries: the caller still refreshes, and the list stays in its order.
  EXPECT_EQ(sources.FromSdx(sdx, "Astra"), 0);
  EXPECT_THAT(Texts(target), ElementsAre("10700,H,22000", "12188,H,27500"));
  // The SATCODX list is the satellite's own, so it carries the scanner list's position.
  EXPECT_THAT(offered, ElementsAre("0192:1", target.PositionText + ":1"));
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(TpSourceFiles, FailedDownloadsShownElsewhereAreNotShownAgain) {
  TTpSources sources =
      Sources([](const std::string &, std::string &) { return std::optional<std::string>(); });
  EXPECT_EQ(sources.FromWeb({"Lists", "http://lists.example/<N>.ini"}, 192), std::nullopt);
  EXPECT_TRUE(presenter.shown.empty());
}

TEST(WebUpdTp, SourcesThatNeedHttpsAreKnown) {
  EXPECT_TRUE(NeedsHttps({"A", "https://lists.example/<N>.ini"}));
  EXPECT_TRUE(NeedsHttps({"A", "HTTPS://lists.example/<N>.ini"}));
  EXPECT_FALSE(NeedsHttps({"A", "http://lists.example/<N>.ini"}));
  EXPECT_FALSE(NeedsHttps({"A", "lists.example/https://x"}));
}

} // namespace
} // namespace qev::si::test
