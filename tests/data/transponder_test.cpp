// Transponder lists and every file they come from, hostile input included.
#include "data/tp_files.h"
#include "data/tp_import.h"
#include "data/transponder_list.h"
#include "temp_root.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <future>

using namespace qev::data;
namespace fs = std::filesystem;

namespace {

class TpFiles : public qev::test::TempRoot {};

std::string SdxService(char kind, const std::string &name, const std::string &freq, char pol,
                       const std::string &srate, const std::string &beam, const std::string &sid,
                       const std::string &tid, std::size_t length = 128) {
  std::string line(length, ' ');
  auto put = [&](std::size_t col, const std::string &text) {
    line.replace(col - 1, text.size(), text);
  };
  put(29, std::string(1, kind));
  put(30, "MPG2");
  put(34, freq);
  put(43, std::string(1, pol));
  put(44, name.substr(0, 8));
  put(56, beam);
  put(70, srate);
  put(88, sid);
  put(98, tid);
  return line;
}

TSatTransponders FiveMarkedTwo() {
  TSatTransponders list;
  list.TpAdd(MakeTransponder(12000, 'V', 27500));
  list.TpAdd(MakeTransponder(11000, 'H', 22000, true));
  list.TpAdd(MakeTransponder(11500, 'V', 27500));
  list.TpAdd(MakeTransponder(10800, 'H', 27500, true));
  list.TpAdd(MakeTransponder(12500, 'H', 30000));
  return list;
}

} // namespace

TEST(Transponder, LayoutTextAndParsing) {
  const TTransponder tp = MakeTransponder(11778, 'V', 27500, true);
  const auto *b = reinterpret_cast<const std::uint8_t *>(&tp);
  EXPECT_EQ(b[0], 0x02);
  EXPECT_EQ(b[1], 0x2E);
  EXPECT_EQ(b[4], 1);
  EXPECT_EQ(b[5], 'V');
  EXPECT_EQ(b[6], 0x6C);
  EXPECT_EQ(b[10], 1);
  EXPECT_EQ(TpText(tp), "11778,V,27500");
  const auto parsed = ParseTpText("11778, v ,27500,3/4");
  ASSERT_TRUE(parsed);
  EXPECT_TRUE(TpSameChannel(*parsed, tp));
  EXPECT_FALSE(ParseTpText("11778,,27500"));
  EXPECT_FALSE(ParseTpText("abc,V,27500"));
}

TEST(TransponderList, SortFindDuplicatesAndBadIndexes) {
  TSatTransponders list = FiveMarkedTwo();
  EXPECT_EQ(list.TpAdd(MakeTransponder(0, 'V', 1)), -1);
  EXPECT_TRUE(list.TpIsDuplicate(MakeTransponder(11500, 'V', 27500)));
  list.TpSort(kTpOrderFreq);
  EXPECT_EQ(list.TpGet(0).TpFreq, 10800u);
  EXPECT_EQ(list.TpFind(MakeTransponder(12000, 'V', 27500)), 3);
  list.TpSort(kTpOrderPolar);
  EXPECT_EQ(TpPolar(list.TpGet(0)), 'H');
  EXPECT_EQ(list.TpFind(MakeTransponder(12000, 'V', 27500)), 4);
  EXPECT_EQ(list.TpFind(MakeTransponder(12000, 'H', 27500)), -1);
  list.TpSort(kTpOrderSRate);
  EXPECT_EQ(list.TpGet(0).TpSRate, 22000u);

  list.TpSet(-1, MakeTransponder(1, 'H', 1));
  list.TpSet(5, MakeTransponder(1, 'H', 1));
  list.TpDelete(99);
  list.TpSetMarked(-3, true);
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.MarkedCount(), 2);
  EXPECT_EQ(list.TpGet(7).TpFreq, 0u);
}

TEST(TransponderList, DeleteMarkedRemovesByMark) {
  TSatTransponders list = FiveMarkedTwo();
  list.TpAdd(MakeTransponder(0x0FFFFFFF, 'V', 27500)); // no sentinel value is special
  list.TpDeleteMarked();
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.MarkedCount(), 0);
  EXPECT_EQ(TpPolar(list.TpGet(0)), 'H');
  EXPECT_EQ(list.TpGet(0).TpFreq, 12500u);
  EXPECT_EQ(list.TpGet(3).TpFreq, 0x0FFFFFFFu);
}

TEST_F(TpFiles, IniRoundTripReplacesTheCommentAndDropsOldEntries) {
  const fs::path file = TransponderFileName(192);
  TSatTransponders list = FiveMarkedTwo();
  list.PositionText = "0192";
  list.Name = "Astra";
  EXPECT_EQ(list.TpSaveIni(file), "");
  list.TpDelete(0);
  EXPECT_EQ(list.TpSaveIni(file), "");
  const std::string text = ReadFile(file);
  EXPECT_EQ(text.find("Transponder list"), text.rfind("Transponder list"));
  EXPECT_EQ(text.find("5="), std::string::npos);
  TSatTransponders again;
  ASSERT_TRUE(again.TpLoadIni(file));
  EXPECT_EQ(again.Count(), 4);
  EXPECT_EQ(again.Name, "Astra");
  EXPECT_FALSE(again.Modified());
}

TEST_F(TpFiles, IniReadingIsBoundedAndStrict) {
  std::stringstream huge("[SATTYPE]\n1=0192\n[DVB]\n0=2147483647\n1=11778,V,27500\n"
                         "3=12000,h,22000\n4=11778,,27500\n");
  TSatTransponders list;
  auto loading = std::async(std::launch::async, [&] { return list.TpLoadStream(huge); });
  ASSERT_EQ(loading.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_TRUE(loading.get());
  EXPECT_EQ(list.Count(), 2);

  std::stringstream noPosition("[SATTYPE]\n1=\n[DVB]\n0=1\n1=11778,V,27500\n");
  EXPECT_FALSE(list.TpLoadStream(noPosition));
  std::stringstream negative("[SATTYPE]\n1=0192\n[DVB]\n0=-5\n1=11778,V,27500\n");
  EXPECT_FALSE(list.TpLoadStream(negative));
}

TEST_F(TpFiles, BlindListRoundTrip) {
  const fs::path file = root / "SatFiles/Transponders/0192.tws";
  EXPECT_EQ(SaveTws(file, {MakeTransponder(11778, 'V', 27500), MakeTransponder(12000, 'H', 1)}),
            "");
  const auto back = LoadTws(file);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(TpText(back[1]), "12000,H,1");
  EXPECT_TRUE(LoadTws(root / "none.tws").empty());
}

TEST_F(TpFiles, SatcodxLinesNamesAndBeams) {
  const std::string text =
      "SATCODX103 ASTRA 19.2E         \n" +
      SdxService('T', "Das Erst", "11836", '1', "27500", "EUROPE", "28106", "1101") + "\n" +
      SdxService('R', "Radio", "11836", '1', "27500", "x/../y", "28107", "1101") + "\n" +
      SdxService('T', "Short", "12000", '0', "22000", "", "1", "2", 126) + "\n" +
      SdxService('T', "Vert", "12000", '0', "22000", "", "5", "1000", 127) + "\n";
  const TSdxFile sdx = ParseSdx(text);
  EXPECT_EQ(sdx.SatName, "ASTRA 19.2E");
  ASSERT_EQ(sdx.Items.size(), 3u); // the 126-character line is ignored
  const TSdxItem *vert = sdx.Find(1000, 5);
  ASSERT_NE(vert, nullptr);
  EXPECT_EQ(vert->Polar, 'V');
  const TSdxItem *erste = sdx.Find(1101, 28106);
  ASSERT_NE(erste, nullptr);
  EXPECT_EQ(erste->Polar, 'H');
  EXPECT_EQ(erste->Kind, 'T');
  EXPECT_EQ(erste->FreqMHz, 11836u);
  EXPECT_EQ(sdx.Find(1101, 28107)->Beam, "x_.._y"); // never a path
  EXPECT_EQ(sdx.Transponders().size(), 2u);
  const auto lines = sdx.CoverageLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(CoverageBeam(lines, 11838, 'H'), "EUROPE");
  EXPECT_EQ(CoverageBeam(lines, 11839, 'H'), "");
  EXPECT_EQ(SaveCoverage(root / "SatFiles/Coverage/0192.cvr", lines), "");

  const fs::path file = root / "SatFiles/SdxFiles/0192.sdx";
  EXPECT_EQ(SaveDownloadedSdx(file, text), "");
  EXPECT_EQ(SaveDownloadedSdx(file, "<html>error</html>"), kErrSdxInvalid);
  EXPECT_EQ(ReadFile(file), text); // the good file stays
}

TEST_F(TpFiles, CategoryFileMatchesWithinOneMegahertz) {
  std::vector<TPcaRec> recs(2050, TPcaRec{1, 'H', 1, 1});
  recs[0] = TPcaRec{11778000, 'V', 28106, 7};
  WriteFile(root / "x.pca", std::string(reinterpret_cast<const char *>(recs.data()),
                                        recs.size() * sizeof(TPcaRec)) +
                                "abc");
  const auto table = LoadPca(root / "x.pca");
  EXPECT_EQ(table.size(), kPcaTableSize);
  EXPECT_EQ(PcaCategory(table, 11778500, 'V', 28106), 7);
  EXPECT_FALSE(PcaCategory(table, 11779100, 'V', 28106));
  EXPECT_FALSE(PcaCategory(table, 11778000, 'H', 28106));
  EXPECT_TRUE(LoadPca(root / "missing.pca").empty());
}

TEST(Dvbv5, BlocksLegacyLinesUnitsAndRefusals) {
  const TImportResult r = ParseDvbv5(
      "# comment\n"
      "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = 11362000\n"
      "\tPOLARIZATION = HORIZONTAL\n\tSYMBOL_RATE = 22000000\n"
      "[c2]\n\tFREQUENCY = 4090\n\tPOLARIZATION = LEFT\n\tSYMBOL_RATE = 3000\n"
      "[c3]\n\tFREQUENCY = 12207000\n\tPOLARIZATION = RIGHT\n\tSYMBOL_RATE = 27500000\n"
      "[c4]\n\tFREQUENCY = 1234000\n\tPOLARIZATION = VERTICAL\n\tSYMBOL_RATE = 27500000\n"
      "[c5]\n\tDELIVERY_SYSTEM = DVBT\n\tFREQUENCY = 11362000\n"
      "[c6]\n\tFREQUENCY = 11362000\n\tPOLARIZATION = X\n\tSYMBOL_RATE = 22000000\n"
      "[c7]\n\tFREQUENCY = 11000000\n\tPOLARIZATION = V\n\tSYMBOL_RATE = 201500000\n"
      "S 12551500 V 22000000 5/6\n"
      "S2 11362000 H 22000000 2/3\n"
      "garbage here\n");
  EXPECT_EQ(r.Entries(), 10);
  ASSERT_EQ(r.Imported.size(), 4u);
  EXPECT_EQ(TpText(r.Imported[0].Tp), "11362,H,22000");
  EXPECT_EQ(TpText(r.Imported[1].Tp), "4090,H,3000");
  EXPECT_EQ(TpText(r.Imported[2].Tp), "12207,V,27500");
  EXPECT_EQ(TpText(r.Imported[3].Tp), "12551,V,22000");
  ASSERT_EQ(r.Refused.size(), 6u);
  EXPECT_NE(r.Refused[0].Reason.find("1234 MHz"), std::string::npos);
  EXPECT_NE(r.Refused[1].Reason.find("DVBT"), std::string::npos);
  EXPECT_NE(r.Refused[2].Reason.find("polarisation"), std::string::npos);
  EXPECT_NE(r.Refused[3].Reason.find("symbol rate"), std::string::npos);
  EXPECT_NE(r.Refused[4].Reason.find("duplicate"), std::string::npos);
  EXPECT_EQ(r.Refused[5].Place.Entry, 10);
  EXPECT_EQ(r.Refused[5].Text, "garbage here");
}

TEST_F(TpFiles, EveryDebianSatelliteFileImportsAndAddsUp) {
  const fs::path folder = "/usr/share/dvb/dvb-s";
  if (!fs::is_directory(folder))
    GTEST_SKIP() << "dtv-scan-tables is not installed";
  int files = 0, imported = 0;
  for (const auto &entry : fs::directory_iterator(folder)) {
    std::string error;
    const TImportResult r = ImportTransponderFile(entry.path(), error);
    EXPECT_EQ(error, "") << entry.path();
    std::ifstream in(entry.path());
    std::size_t blocks = 0;
    for (std::string line; std::getline(in, line);) {
      const auto first = line.find_first_not_of(" \t");
      blocks += first != std::string::npos && line[first] == '[';
    }
    EXPECT_EQ(static_cast<std::size_t>(r.Entries()), blocks) << entry.path();
    for (const auto &refused : r.Refused)
      EXPECT_FALSE(refused.Reason.empty());
    imported += static_cast<int>(r.Imported.size());
    ++files;
  }
  EXPECT_GT(files, 100);
  EXPECT_GT(imported, 5000);
}

TEST_F(TpFiles, BeamNamesSurviveTheCoverageFile) {
  const fs::path file = root / "SatFiles/Coverage/0192.cvr";
  const std::vector<std::string> written = {"11836,H=" + SafeBeamName("W.Europe"),
                                            "12000,V=" + SafeBeamName("Ku_Wide")};
  ASSERT_EQ(SaveCoverage(file, written), "");
  bool ok = false;
  const std::vector<std::string> lines = LoadLines(file, ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(CoverageBeam(lines, 11837, 'H'), "W.Europe");
  EXPECT_EQ(CoverageBeam(lines, 12001, 'V'), "Ku_Wide");
  EXPECT_EQ(CoverageBeam({"11836_h_Spot 2"}, 11836, 'H'), "Spot_2"); // the older separators
}

TEST(TpImport, MalformedIniAndTwsEntriesAreNamedWithTheirLines) {
  bool ok = false;
  const TImportResult ini = ParseIniImport("[SATTYPE]\n1=0192\n2=Astra\n\n[DVB]\n0=4\n"
                                           "1=11778,V,27500\n2=11778,,27500\n3=junk\n"
                                           "4=12000,H,22000\n",
                                           ok);
  EXPECT_TRUE(ok);
  ASSERT_EQ(ini.Imported.size(), 2u);
  ASSERT_EQ(ini.Refused.size(), 2u);
  EXPECT_EQ(ini.Refused[0].Place.Entry, 2);
  EXPECT_EQ(ini.Refused[0].Place.Line, 8);
  EXPECT_EQ(ini.Refused[0].Text, "11778,,27500");
  EXPECT_EQ(ini.Refused[1].Place.Line, 9);
  EXPECT_EQ(ini.Imported[1].Place.Entry, 4);

  const TImportResult tws = ParseTwsImport("\xEF\xBB\xBF"
                                           "11778,V,27500\r\n\r\n12000,X,1\n"
                                           "12100,H,500\n11778,V,27500\n");
  ASSERT_EQ(tws.Imported.size(), 2u);
  EXPECT_EQ(TpText(tws.Imported[1].Tp), "12100,H,500"); // a low rate is a real transponder
  ASSERT_EQ(tws.Refused.size(), 2u);
  EXPECT_EQ(tws.Refused[0].Place.Line, 3);
  EXPECT_EQ(tws.Refused[0].Text, "12000,X,1");
  EXPECT_EQ(tws.Refused[1].Place.Line, 5);
  EXPECT_NE(tws.Refused[1].Reason.find("duplicate"), std::string::npos);
}

TEST(TpImport, AnySymbolRateAChannelCanHoldIsAccepted) {
  EXPECT_EQ(ReceivableCheck(11778, 1), "");
  EXPECT_EQ(ReceivableCheck(11778, 999), "");
  EXPECT_EQ(ReceivableCheck(11778, 65535), "");
  EXPECT_NE(ReceivableCheck(11778, 0), "");
  EXPECT_NE(ReceivableCheck(11778, 65536), "");
}

TEST(TpImport, EntriesAlreadyInTheListKeepTheirNumbers) {
  TSatTransponders list;
  list.TpAdd(MakeTransponder(12000, 'H', 22000));
  TImportResult result = ParseTwsImport("11778,V,27500\n12000,H,22000\n");
  EXPECT_EQ(AddImported(list, result), 1);
  EXPECT_EQ(list.Count(), 2);
  ASSERT_EQ(result.Imported.size(), 1u);
  ASSERT_EQ(result.Refused.size(), 1u);
  EXPECT_EQ(result.Refused[0].Place.Entry, 2);
  EXPECT_EQ(result.Refused[0].Place.Line, 2);
  EXPECT_EQ(result.Entries(), 2);
}
