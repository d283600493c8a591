// The satellite list file, its order and operations, position texts and editor checks.
#include "data/sat_editing.h"
#include "data/sat_list.h"
#include "frame/log.h"
#include "support/scripted_presenter.h"
#include "temp_root.h"
#include "unprivileged.h"

#include <gtest/gtest.h>

using namespace qev::data;
namespace fs = std::filesystem;

namespace {

TSatRec Sat(int index, int position, int dish = 0, bool active = false) {
  TSatRec rec{};
  rec.SatIdx = static_cast<std::uint8_t>(index);
  rec.SatPos = static_cast<std::uint16_t>(position);
  rec.SatDish = static_cast<std::uint8_t>(dish);
  rec.SatActive = active;
  SetSatName(rec, "S" + std::to_string(index));
  return rec;
}

std::string Bytes(const std::vector<TSatRec> &recs) {
  return std::string(reinterpret_cast<const char *>(recs.data()), recs.size() * sizeof(TSatRec));
}

class SatListFile : public qev::test::TempRoot {
protected:
  fs::path File() { return root / "SatFiles/SatList.dat"; }
  qev::test::ScriptedPresenter presenter;
  TSatList sats;
};

} // namespace

TEST(SatRecord, LayoutOfAHandMadeRecord) {
  TSatRec rec = Sat(5, 192);
  rec.LofLow = 9750000; // 0x0094C5F0
  rec.Sw2.SwType = 3;
  rec.PosRawLen = 2;
  const auto *b = reinterpret_cast<const std::uint8_t *>(&rec);
  EXPECT_EQ(b[0], 5);
  EXPECT_EQ(b[1], 2);
  EXPECT_EQ(b[2], 'S');
  EXPECT_EQ(b[32], 192);
  EXPECT_EQ(b[49], 3);
  EXPECT_EQ(b[96], 2);
  EXPECT_EQ(b[107], 0xF0);
  EXPECT_EQ(b[110], 0x00);
  EXPECT_EQ(b[109], 0x94);
}

TEST_F(SatListFile, LoadCapsSortsAndIgnoresRemainders) {
  WriteFile(File(), Bytes({Sat(1, 192)}) + "x"); // 120 bytes
  EXPECT_TRUE(sats.SatLoad());
  EXPECT_EQ(sats.Count(), 1);

  std::vector<TSatRec> many;
  for (int i = 1; i <= 256; ++i)
    many.push_back(Sat(i % 256 == 0 ? 1 : i, i));
  WriteFile(File(), Bytes(many));
  sats.SatLoad();
  EXPECT_EQ(sats.Count(), 255);

  WriteFile(File(), Bytes({Sat(1, 192, 1), Sat(2, 192), Sat(3, 130), Sat(3, 282)}));
  sats.SatLoad();
  ASSERT_EQ(sats.Count(), 3); // the second record with index 3 is dropped
  EXPECT_EQ(sats.At(0).SatIdx, 3);
  EXPECT_EQ(sats.At(1).SatIdx, 2);
  EXPECT_EQ(sats.At(2).SatIdx, 1);
  EXPECT_EQ(sats.SatPosTextOf(3), "13.0E");
  EXPECT_EQ(sats.SatPosTextOf(9), "<NoSat>");
}

TEST_F(SatListFile, AMissingFileGivesAnEmptyListSilently) {
  EXPECT_FALSE(sats.SatLoad());
  EXPECT_EQ(sats.Count(), 0);
  EXPECT_TRUE(presenter.Texts().empty());
  EXPECT_EQ(sats.SatNextIndex(), 1);
}

TEST_F(SatListFile, AnAddWithoutSaveLeavesTheFile) {
  EXPECT_TRUE(sats.SatAdd(Sat(1, 192)));
  EXPECT_TRUE(sats.SatAdd(Sat(7, 1), false));
  EXPECT_EQ(sats.Count(), 2);
  EXPECT_EQ(fs::file_size(File()), sizeof(TSatRec));
  EXPECT_FALSE(sats.SatAdd(Sat(8, 1), false)); // the same rules
}

TEST_F(SatListFile, AddRefusesDuplicatesAndSavesWhatItTakes) {
  EXPECT_TRUE(sats.SatAdd(Sat(1, 192)));
  EXPECT_FALSE(sats.SatAdd(Sat(2, 192))); // same position, same channel file
  EXPECT_FALSE(sats.SatAdd(Sat(1, 130))); // index taken
  EXPECT_FALSE(sats.SatAdd(Sat(0, 130)));
  EXPECT_TRUE(sats.SatAdd(Sat(4, 130)));
  EXPECT_EQ(fs::file_size(File()), 2 * sizeof(TSatRec));
  EXPECT_EQ(sats.SatNextIndex(), 5);
  TSatRec moved = sats.At(0);
  moved.SatPos = 192;
  EXPECT_FALSE(sats.SatModify(0, moved));
  TSatList again;
  again.SatLoad();
  EXPECT_EQ(again.Count(), 2);
  sats.SatDelete(0);
  EXPECT_EQ(sats.SatPosTextOf(4), "<NoSat>");
}

TEST_F(SatListFile, NextIndexFindsAFreeOneWhen255IsTaken) {
  sats.SatAdd(Sat(255, 10));
  sats.SatAdd(Sat(1, 20));
  EXPECT_EQ(sats.SatNextIndex(), 2);
}

TEST_F(SatListFile, OneActiveSatellitePerMobileDish) {
  sats.SatAdd(Sat(1, 100, 2, true));
  sats.SatAdd(Sat(2, 200, 2, false));
  sats.SatAdd(Sat(3, 300, 0, true));
  int changes = 0;
  sats.SetChangeHandler([&] { ++changes; });
  const int pos = 1; // dish 0 first, then dish 2 by position: 3, 1, 2
  ASSERT_EQ(sats.At(2).SatIdx, 2);
  EXPECT_TRUE(sats.SatSetActive(pos + 1, true, true));
  TSatRec r;
  sats.SatGet(1, r);
  EXPECT_EQ(r.SatActive, 0);
  sats.SatGet(2, r);
  EXPECT_EQ(r.SatActive, 1);
  sats.SatGet(3, r);
  EXPECT_EQ(r.SatActive, 1);
  EXPECT_EQ(changes, 1);
  sats.SatSetActive(pos + 1, true, true); // no change, no save
  EXPECT_EQ(changes, 1);
}

TEST(PositionTexts, EastWestAndErrors) {
  EXPECT_EQ(PositionText(192), "19.2E");
  EXPECT_EQ(PositionText(0), "0.0E");
  EXPECT_EQ(PositionText(1799), "179.9E");
  EXPECT_EQ(PositionText(1800), "180.0W");
  EXPECT_EQ(PositionText(3592), "0.8W");
  EXPECT_EQ(PositionText(3599), "0.1W");
  // The editor accepts 3600 as 0.0 W and names it so.
  EXPECT_EQ(PositionText(3600), "0.0W");
  EXPECT_EQ(PositionText(3601), "ERR");
  EXPECT_EQ(PositionText(-1), "ERR");
}

TEST(SatEditor, RawTextAndSaveChecks) {
  EXPECT_EQ(CheckRawText("e0 10"), RawTextState::Invalid);
  EXPECT_EQ(CheckRawText("E0 1"), RawTextState::Incomplete);
  EXPECT_EQ(CheckRawText(""), RawTextState::Valid);
  EXPECT_EQ(RawTextBytes("E0-10-38-F0"), (std::vector<std::uint8_t>{0xE0, 0x10, 0x38, 0xF0}));
  EXPECT_EQ(RawTextBytes("00 11 22 33 44 55 66 77 88").size(), 8u);

  TSatEditInput in;
  in.Position = 192;
  EXPECT_EQ(CheckSatEdit(in, false).Message, "Please select LNB type...");
  EXPECT_TRUE(CheckSatEdit(in, false).Warning);
  in.LofLow = 9750000;
  EXPECT_TRUE(CheckSatEdit(in, false).Ok);
  EXPECT_EQ(CheckSatEdit(in, true).Message, kErrDuplicateSatPos);
  in.Sw2Raw = "zz";
  EXPECT_EQ(CheckSatEdit(in, false).Message, "Sw2: Invalid raw data");
  in.Sw2Raw.clear();
  in.Position = 3601;
  EXPECT_EQ(CheckSatEdit(in, false).Message, "Invalid SAT position");
  TSatRec rec{};
  ApplyLnbPreset(rec, LnbPreset::KuCircular);
  EXPECT_EQ(rec.LofLow, 10750000);
  EXPECT_EQ(rec.LofSwitch, 0);
}

TEST(SatEditor, ChecksRunInOrderAndStopAtTheFirstFailure) {
  TSatEditForm form;
  form.Position = 0;
  form.LofLow = form.LofHigh = form.LofSwitch = "0";
  form.Sw[0].Raw = "E0 1";
  form.Sw[1].Raw = "xx";
  form.Sw[2].Raw = "e0";
  form.PosRaw = "E";
  const auto message = [&] { return CheckSatEdit(form, true).Message; };
  EXPECT_EQ(message(), "Sw1: Invalid raw data");
  form.Sw[0].Raw.clear();
  EXPECT_EQ(message(), "Sw2: Invalid raw data");
  form.Sw[1].Raw = "E0.10,38";
  // The third switch's raw text is checked like the others.
  EXPECT_EQ(message(), "Sw3: Invalid raw data");
  form.Sw[2].Raw.clear();
  EXPECT_EQ(message(), "POS: Invalid raw data");
  form.PosRaw.clear();
  EXPECT_EQ(message(), "Invalid SAT position");
  form.Position = 3600;
  EXPECT_EQ(message(), kErrDuplicateSatPos);
  EXPECT_EQ(CheckSatEdit(form, false).Message, "Please select LNB type...");
  EXPECT_TRUE(CheckSatEdit(form, false).Warning);
  // Empty or unreadable LOF text counts as the default, so it is no missing LNB.
  form.LofLow = "";
  EXPECT_TRUE(CheckSatEdit(form, false).Ok);
  form.LofLow = "97x";
  EXPECT_TRUE(CheckSatEdit(form, false).Ok);
}

TEST(SatEditor, PortListsKeepThePortWhereItStillExists) {
  EXPECT_EQ(SwitchPortNames(0), (std::vector<std::string>{"None"}));
  EXPECT_EQ(SwitchPortNames(1), (std::vector<std::string>{"LNB1", "LNB2"}));
  EXPECT_EQ(SwitchPortNames(2).back(), "LNB4");
  ASSERT_EQ(SwitchPortNames(3).size(), 16u);
  EXPECT_EQ(SwitchPortNames(3)[10], "CMD A");
  EXPECT_EQ(SwitchPortNames(4), (std::vector<std::string>{"None"}));
  EXPECT_EQ(KeptPort(3, 4), 3);
  EXPECT_EQ(KeptPort(12, 4), 4);
  EXPECT_EQ(KeptPort(0, 2), 1);
}

TEST(SatEditor, SavingStoresEveryInputAndKeepsTheRest) {
  TSatRec rec = {};
  rec.SatIdx = 9;
  rec.SatActive = 1;
  rec.PosGap = 40;
  rec.Sw3.SwRawLen = 2;
  rec.Sw3.SwRaw[0] = 0xE0;
  rec.Sw3.SwRaw[1] = 0x31;
  TSatEditForm form = SatEditFormOf(rec);
  EXPECT_EQ(form.Sw[2].Raw, "E0 31");
  EXPECT_EQ(form.PosGap, 40);
  form.Name = "Astra 1KR";
  form.Position = 192;
  form.LofLow = "";
  form.LofHigh = "10600000";
  form.LofSwitch = "bad";
  form.Sw[0] = {2, 3, 2, 999, ""};
  form.Sw[1] = {4, 1, 12, 100, "E0-10-38-F0-00-11-22-33-44"};
  form.PosType = 4;
  form.PosAngle = -125;
  StoreSatEdit(form, rec);
  EXPECT_EQ(rec.SatIdx, 9);
  EXPECT_EQ(rec.SatActive, 1);
  EXPECT_EQ(SatName(rec), "Astra 1KR");
  EXPECT_EQ(rec.SatPos, 192);
  EXPECT_EQ(rec.LofLow, 9750000);
  EXPECT_EQ(rec.LofHigh, 10600000);
  EXPECT_EQ(rec.LofSwitch, 11700000);
  EXPECT_EQ(rec.Sw1.SwType, 2);
  EXPECT_EQ(rec.Sw1.SwPort, 3);
  // The gap is one byte: the editor stops at 255 rather than wrap.
  EXPECT_EQ(rec.Sw1.SwGap, 255);
  EXPECT_EQ(rec.Sw2.SwRawLen, 8);
  EXPECT_EQ(rec.Sw2.SwRaw[7], 0x33);
  EXPECT_EQ(rec.Sw2.SwTxCount, 9);
  EXPECT_EQ(rec.Sw3.SwRawLen, 2);
  EXPECT_EQ(rec.PosAngle, -125);
  // The positioner's pause is no longer zeroed by a save.
  EXPECT_EQ(rec.PosGap, 40);
  // A name longer than the field is cut at a character boundary, counted in UTF-8 bytes.
  form.Name = std::string(29, 'a') + "\xC3\xA9";
  StoreSatEdit(form, rec);
  EXPECT_EQ(SatName(rec), std::string(29, 'a'));
}

TEST_F(SatListFile, AllSatsPicker) {
  std::vector<TKnownSat> known;
  std::string error;
  EXPECT_FALSE(ReadAllSats(root / "SatFiles/AllSats.txt", known, error));
  EXPECT_EQ(error, "File missing:\r\r" + (root / "SatFiles/AllSats.txt").string());
  WriteFile(root / "SatFiles/AllSats.txt", "192,x,Astra 1KR\nbad line\n130,,Hot Bird\n");
  EXPECT_TRUE(ReadAllSats(root / "SatFiles/AllSats.txt", known, error));
  ASSERT_EQ(known.size(), 2u);
  EXPECT_EQ(known[1].Position, 130);
  EXPECT_EQ(known[1].Name, "Hot Bird");
}

TEST_F(SatListFile, DroppedRecordsAreLoggedAndTheFileIsKeptBeforeTheFirstSave) {
  const std::string original = Bytes({Sat(1, 192), Sat(0, 130), Sat(1, 235), Sat(2, 282)});
  WriteFile(File(), original);
  std::vector<std::string> logs;
  qev::frame::SetLogTarget([&](int, int, const char *text) { logs.emplace_back(text); });
  ASSERT_TRUE(sats.SatLoad());
  qev::frame::SetLogTarget(nullptr);
  EXPECT_EQ(sats.Count(), 2);
  ASSERT_EQ(logs.size(), 2u);
  EXPECT_NE(logs[0].find("record 2"), std::string::npos) << logs[0];
  EXPECT_NE(logs[1].find("record 3"), std::string::npos) << logs[1];
  EXPECT_NE(logs[1].find("23.5E"), std::string::npos) << logs[1];

  const fs::path backup = root / "SatFiles/SatList.dat.bak";
  ASSERT_TRUE(sats.SatSave());
  EXPECT_EQ(ReadFile(backup), original);
  EXPECT_EQ(fs::file_size(File()), 2 * sizeof(TSatRec));
  fs::remove(backup);
  ASSERT_TRUE(sats.SatSave()); // the copy is made once
  EXPECT_FALSE(fs::exists(backup));
  ASSERT_TRUE(sats.SatLoad());
  ASSERT_TRUE(sats.SatSave()); // nothing dropped, nothing kept
  EXPECT_FALSE(fs::exists(backup));
}

TEST_F(SatListFile, AListThatCannotBeReadIsNeverSaved) {
  fs::create_directories(File()); // a folder in the file's place
  EXPECT_FALSE(sats.SatLoad());
  EXPECT_FALSE(sats.SatAdd(Sat(1, 192)));
  EXPECT_EQ(sats.LastError().rfind(kErrCreateSatFile + File().string() + "\r", 0), 0u)
      << sats.LastError();
  EXPECT_TRUE(fs::is_directory(File()));
  // Not even a list that loads afresh after the folder went writes over it in this run.
  fs::remove(File());
  TSatList later;
  later.SatLoad();
  EXPECT_FALSE(later.SatAdd(Sat(1, 192)));
  EXPECT_NE(later.LastError().find("could not be read in this run"), std::string::npos)
      << later.LastError();
  EXPECT_FALSE(fs::exists(File()));
}

TEST_F(SatListFile, AListThatCannotBeCreatedSaysWhy) {
  const fs::path folder = File().parent_path();
  fs::create_directories(folder);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                              fs::perms::others_exec);
  const auto said = qev::test::RunUnprivileged([&] {
    TSatList list;
    list.SatLoad();
    const std::string head = kErrCreateSatFile + File().string() + "\r";
    return !list.SatAdd(Sat(1, 192)) && list.LastError().rfind(head, 0) == 0 &&
           list.LastError().size() > head.size();
  });
  fs::permissions(folder, fs::perms::all);
  if (!said)
    GTEST_SKIP() << "cannot drop privileges";
  EXPECT_TRUE(*said);
}
