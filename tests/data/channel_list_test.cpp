// Channel list files, the table of lists, handles and the merge of a scan.
#include "data/channel_lists.h"
#include "frame/log.h"
#include "frame/notification_hub.h"
#include "support/scripted_presenter.h"
#include "temp_root.h"
#include "unprivileged.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <limits>
#include <sys/resource.h>

using namespace qev::data;
namespace fs = std::filesystem;

namespace {

TChannelRec Rec(std::uint16_t tid, std::uint16_t sid, const std::string &name) {
  TChannelRec rec{};
  rec.Freq = 11778000;
  rec.SRate = 27500;
  rec.Polar = 'V';
  rec.TID = tid;
  rec.SID = sid;
  rec.VolAdj = 100;
  SetChName(rec, name);
  return rec;
}

std::string FileOf(const std::vector<TChannelRec> &recs) {
  return std::string(reinterpret_cast<const char *>(recs.data()),
                     recs.size() * sizeof(TChannelRec));
}

class ChannelLists : public qev::test::TempRoot {
protected:
  fs::path File(int position) { return root / "SatFiles/Channels" / ChannelFileName(position); }
  void AddSat(int index, int position, bool active = true) {
    TSatRec sat{};
    sat.SatIdx = static_cast<std::uint8_t>(index);
    sat.SatPos = static_cast<std::uint16_t>(position);
    sat.SatActive = active;
    SetSatName(sat, "Sat " + std::to_string(index));
    sats.SatAdd(sat);
  }
  qev::test::ScriptedPresenter presenter;
  TSatList sats;
};

// Ten stored channels, keys 1..10; a scan of eight: 1..5 match (2 and 4 with new PIDs), and
// 101..103 are new.
struct MergeCase {
  TChannelsList stored{192, 1};
  std::vector<TChannelRec> scanned;
  MergeCase() {
    for (std::uint16_t sid = 1; sid <= 10; ++sid) {
      TChannelRec rec = Rec(1, sid, "Ch" + std::to_string(sid));
      rec.ChNumber = sid;
      rec.TimeAdd = 40000;
      stored.ListAppend(rec);
    }
    for (std::uint16_t sid = 1; sid <= 5; ++sid) {
      TChannelRec rec = Rec(1, sid, "Ch" + std::to_string(sid));
      if (sid == 2 || sid == 4)
        rec.VidPid = 0x200;
      scanned.push_back(rec);
    }
    for (std::uint16_t sid = 101; sid <= 103; ++sid)
      scanned.push_back(Rec(1, sid, "New" + std::to_string(sid)));
  }
};

} // namespace

TEST_F(ChannelLists, LoadIgnoresATrailingRemainderAndOverwritesTheSatelliteIndex) {
  TChannelRec a = Rec(1, 1, "A"), b = Rec(1, 2, "B");
  a.SatIndex = 99;
  WriteFile(File(192), FileOf({a, b}) + "x"); // 885 bytes
  TChannelsList list(192, 7);
  ASSERT_TRUE(list.ListLoad());
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Item(0).SatIndex, 7);
  EXPECT_FALSE(list.Modified());
}

TEST_F(ChannelLists, AMissingFileGivesAnEmptyModifiedListSavedAsAnEmptyFile) {
  TChannelsList list(130, 1);
  EXPECT_FALSE(list.ListLoad());
  EXPECT_TRUE(list.Modified());
  EXPECT_TRUE(list.ListSaveAll());
  EXPECT_TRUE(fs::exists(File(130)));
  EXPECT_EQ(fs::file_size(File(130)), 0u);
}

TEST_F(ChannelLists, SaveOneAfterAnUnsortedLoadDoesNotOverwriteAnotherChannel) {
  // The file holds B(sid 2) before A(sid 1); memory order is A, B after loading.
  WriteFile(File(192), FileOf({Rec(1, 2, "B"), Rec(1, 1, "A")}));
  TChannelsList list(192, 1);
  ASSERT_TRUE(list.ListLoad());
  EXPECT_TRUE(list.Modified()); // loading changed the order
  TChannelRec a = list.Item(0);
  ASSERT_EQ(ChName(a), "A");
  SetChName(a, "A renamed");
  list.ListSet(0, a);
  ASSERT_TRUE(list.ListSaveOne(0));

  TChannelsList again(192, 1);
  ASSERT_TRUE(again.ListLoad());
  ASSERT_EQ(again.Count(), 2);
  EXPECT_EQ(ChName(again.Item(0)), "A renamed");
  EXPECT_EQ(ChName(again.Item(1)), "B");
}

TEST_F(ChannelLists, SaveOneRewritesOnlyItsRecordWhenTheFileMirrorsTheList) {
  WriteFile(File(192), FileOf({Rec(1, 1, "A"), Rec(1, 2, "B")}));
  TChannelsList list(192, 1);
  ASSERT_TRUE(list.ListLoad());
  TChannelRec b = list.Item(1);
  b.VolAdj = 150;
  list.ListSet(1, b);
  TChannelRec a = list.Item(0);
  a.VolAdj = 50; // changed in memory only
  list.ListSet(0, a);
  ASSERT_TRUE(list.ListSaveOne(1));
  TChannelsList again(192, 1);
  again.ListLoad();
  EXPECT_EQ(again.Item(0).VolAdj, 100);
  EXPECT_EQ(again.Item(1).VolAdj, 150);
}

TEST_F(ChannelLists, AFailedSaveLeavesTheOldFileAndSaysWhy) {
  WriteFile(File(192), FileOf({Rec(1, 1, "A")}));
  TChannelsList list(192, 1);
  list.ListLoad();
  list.ListAppend(Rec(1, 2, "B"));
  // A file size limit below the new file's size makes the write fail, whatever our rights.
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 600;
  setrlimit(RLIMIT_FSIZE, &small);
  const bool savedOk = list.ListSaveAll();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(savedOk);
  EXPECT_TRUE(list.Modified());
  EXPECT_EQ(fs::file_size(File(192)), sizeof(TChannelRec));
  ASSERT_FALSE(presenter.Texts().empty());
  EXPECT_EQ(presenter.Texts().back().rfind(kErrSaveChannels, 0), 0u) << presenter.Texts().back();
}

TEST_F(ChannelLists, FindByKeyAndByNameFoldingUnicode) {
  TChannelsList list(192, 1);
  list.ListAppend(Rec(2, 1, "Čt1"));
  list.ListAppend(Rec(1, 5, "Первый"));
  list.ListSort();
  EXPECT_EQ(list.ListFind(1, 5), 0);
  EXPECT_EQ(list.ListFind(2, 1), 1);
  EXPECT_EQ(list.ListFind(3, 1), -1);
  EXPECT_EQ(list.ListFindByName("ПЕРВЫЙ"), 0);
  EXPECT_EQ(list.ListFindByName("čT1"), 1);
  EXPECT_EQ(list.ListFindByName("nothing"), -1);
}

TEST_F(ChannelLists, MarkDeletedAndCompactShortenTheFile) {
  TChannelsList list(192, 1);
  for (std::uint16_t sid = 1; sid <= 4; ++sid)
    list.ListAppend(Rec(1, sid, "C"));
  list.ListSaveAll();
  list.ListMarkDeleted(1);
  list.ListMarkDeleted(3);
  list.ListDelete(9); // ignored
  list.ListCompact();
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Item(1).SID, 3);
  list.ListSaveAll();
  EXPECT_EQ(fs::file_size(File(192)), 2 * sizeof(TChannelRec));
}

TEST(Merge, WithoutReplacingKeepsWhatTheScanMissed) {
  MergeCase c;
  const TMergeCounts n = c.stored.ListMerge(c.scanned, false, 45000);
  EXPECT_EQ(n.New, 3);
  EXPECT_EQ(n.Updated, 2);
  EXPECT_EQ(n.Unchanged, 3);
  EXPECT_EQ(n.Removed, 0);
  EXPECT_EQ(c.stored.Count(), 13);
  const TChannelRec &updated = c.stored.Item(c.stored.ListFind(1, 2));
  EXPECT_EQ(updated.VidPid, 0x200);
  EXPECT_EQ(updated.ChNumber, 2);
  EXPECT_EQ(updated.TimeAdd, 40000);
  EXPECT_EQ(updated.TimeUpd, 45000);
  const TChannelRec &added = c.stored.Item(c.stored.ListFind(1, 101));
  EXPECT_EQ(added.TimeAdd, 45000);
  EXPECT_EQ(added.TimeUpd, 45000);
}

TEST(Merge, ReplacingCountsTheStoredChannelsNoScanMatched) {
  MergeCase c;
  c.scanned.push_back(c.scanned[0]); // the same service twice in one scan
  const TMergeCounts n = c.stored.ListMerge(c.scanned, true, 45000);
  EXPECT_EQ(n.New, 3);
  EXPECT_EQ(n.Updated, 2);
  EXPECT_EQ(n.Unchanged, 4);
  EXPECT_EQ(n.Removed, 5); // never negative, whatever the duplicates
  EXPECT_EQ(c.stored.Count(), 9);
  EXPECT_EQ(c.stored.Item(c.stored.ListFind(1, 4)).ChNumber, 4); // user fields carried over
}

TEST_F(ChannelLists, SyncOpensActiveListsAndClosesGoneOnesAfterSaving) {
  AddSat(1, 192);
  AddSat(2, 130, false);
  AddSat(3, 192); // refused: the position is taken
  TChannelLists lists(sats);
  lists.ListsSync();
  ASSERT_NE(lists.ListOf(1), nullptr);
  EXPECT_EQ(lists.ListOf(2), nullptr);
  EXPECT_EQ(lists.ListOf(3), nullptr);

  lists.ListOf(1)->ListAppend(Rec(1, 1, "Kept"));
  sats.SatDelete(sats.At(0).SatIdx == 1
                     ? 0
                     : 1); // satellite 1 is gone: its modified list is saved, then closed
  lists.ListsSync();
  EXPECT_EQ(lists.ListOf(1), nullptr);
  EXPECT_EQ(fs::file_size(File(192)), sizeof(TChannelRec));
}

TEST_F(ChannelLists, HandlesRefuseStaleWritesAndFindTheirChannelAgain) {
  AddSat(1, 192);
  TChannelLists lists(sats);
  lists.ListsSync();
  TChannelsList &list = *lists.ListOf(1);
  list.ListAppend(Rec(1, 1, "A"));
  list.ListAppend(Rec(1, 2, "B"));
  list.ListSaveAll();
  const std::int32_t handleB = MakeChannelHandle(1, 1);
  TChannelRec edited = *lists.ChannelByHandle(handleB);
  const TChannelKey key = KeyOf(edited);
  edited.ChNumber = 42;

  list.ListDelete(0); // B moves to position 0
  EXPECT_EQ(lists.StoreChannel(handleB, key, edited), MakeChannelHandle(1, 0));
  EXPECT_EQ(list.Item(0).ChNumber, 42);

  list.ListDelete(0); // B is gone
  EXPECT_EQ(lists.StoreChannel(handleB, key, edited), -1);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(lists.ChannelByHandle(MakeChannelHandle(1, 0)));
  EXPECT_FALSE(lists.ChannelByHandle(-1));
}

TEST_F(ChannelLists, DeleteAsksThenSavesAndAnnounces) {
  AddSat(1, 192);
  TChannelLists lists(sats);
  lists.ListsSync();
  lists.ListOf(1)->ListAppend(Rec(1, 1, "Gone"));
  presenter.AnswerNext(false);
  EXPECT_FALSE(lists.ChannelDelete(MakeChannelHandle(1, 0)));
  EXPECT_EQ(presenter.Texts().back(), "Delete channel : Gone ?");
  presenter.AnswerNext(true);
  EXPECT_TRUE(lists.ChannelDelete(MakeChannelHandle(1, 0)));
  EXPECT_EQ(lists.ListOf(1)->Count(), 0);
  EXPECT_FALSE(lists.ChannelDelete(MakeChannelHandle(1, 0)));
}

TEST_F(ChannelLists, ACorruptFileLoadsWithoutHarm) {
  std::string junk(3 * sizeof(TChannelRec), '\xFF');
  WriteFile(File(192), junk);
  TChannelsList list(192, 1);
  ASSERT_TRUE(list.ListLoad());
  ASSERT_EQ(list.Count(), 3);
  for (const TChannelRec &rec : list.Items()) {
    EXPECT_LE(rec.EsCount, 16);
    EXPECT_EQ(rec.ChName[29], '\0');
  }
}

TEST_F(ChannelLists, AListFoundInAnotherLetterCaseIsSavedUnderThatName) {
  const fs::path upper = root / "SatFiles/Channels/0192.BCH";
  WriteFile(upper, FileOf({Rec(1, 1, "A"), Rec(1, 2, "B")}));
  TChannelsList list(192, 1);
  ASSERT_TRUE(list.ListLoad());
  TChannelRec b = list.Item(1);
  b.VolAdj = 150;
  list.ListSet(1, b);
  ASSERT_TRUE(list.ListSaveOne(1)) << list.LastError();
  list.ListAppend(Rec(1, 3, "C"));
  ASSERT_TRUE(list.ListSaveAll()) << list.LastError();
  EXPECT_FALSE(fs::exists(File(192)));
  TChannelsList again(192, 1);
  ASSERT_TRUE(again.ListLoad());
  ASSERT_EQ(again.Count(), 3);
  EXPECT_EQ(again.Item(1).VolAdj, 150);
}

TEST_F(ChannelLists, UnreadableListsNeitherStopTheStartNorGetWrittenOver) {
  if (!fs::exists("/proc/self/mem"))
    GTEST_SKIP() << "no /proc to give a read error";
  std::vector<std::string> logs;
  qev::frame::SetLogTarget([&](int, int, const char *text) { logs.emplace_back(text); });
  AddSat(1, 130);
  AddSat(2, 192);
  fs::create_directories(File(130)); // a folder in the file's place
  // Reading /proc/self/mem at offset 0 fails with EIO: a read error on a real file.
  fs::create_symlink("/proc/self/mem", File(192));
  TChannelLists lists(sats);
  EXPECT_NO_THROW(lists.ListsSync());
  qev::frame::SetLogTarget(nullptr);
  for (const int index : {1, 2}) {
    TChannelsList *list = lists.ListOf(index);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_FALSE(list->Modified());
    EXPECT_FALSE(list->ReadError().empty());
    list->ListAppend(Rec(1, 1, "New"));
    EXPECT_FALSE(list->ListSaveAll());
    EXPECT_EQ(list->LastError().rfind(kErrCreateChannels + list->ListFileName().string() + "\r", 0),
              0u)
        << list->LastError();
  }
  EXPECT_EQ(logs.size(), 2u);
  lists.ListsFreeAll();
  EXPECT_TRUE(fs::is_directory(File(130)));
  EXPECT_TRUE(fs::is_symlink(File(192)));
}

TEST_F(ChannelLists, AListThatCannotBeReadIsNotSavedOverTheUsersFile) {
  std::vector<TChannelRec> recs;
  for (std::uint16_t sid = 1; sid <= 10; ++sid)
    recs.push_back(Rec(1, sid, "C"));
  const std::string content = FileOf(recs); // 4420 bytes
  WriteFile(File(192), content);
  AddSat(1, 192);
  fs::permissions(File(192), fs::perms::none);
  fs::permissions(File(192).parent_path(), fs::perms::all); // others could replace it
  const auto kept = qev::test::RunUnprivileged([&] {
    TChannelLists lists(sats);
    lists.ListsSync();
    const TChannelsList *list = lists.ListOf(1);
    const bool asUnread = list && list->Count() == 0 && !list->Modified();
    lists.ListsSaveModified(true);
    lists.ListClose(1);
    return asUnread;
  });
  fs::permissions(File(192), fs::perms::owner_read | fs::perms::owner_write);
  if (!kept)
    GTEST_SKIP() << "cannot drop privileges";
  EXPECT_TRUE(*kept);
  EXPECT_EQ(ReadFile(File(192)), content);
}

TEST_F(ChannelLists, AFileThatCannotBeCreatedSaysSoWithTheSystemsReason) {
  WriteFile(File(192), FileOf({Rec(1, 1, "A")}));
  fs::permissions(File(192), fs::perms::all); // only the folder refuses, not a read-only file
  const fs::path folder = File(192).parent_path();
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read |
                              fs::perms::others_exec);
  const auto said = qev::test::RunUnprivileged([&] {
    TChannelsList list(192, 1);
    list.ListLoad();
    list.ListAppend(Rec(1, 2, "B"));
    const std::string head = kErrCreateChannels + File(192).string() + "\r";
    return !list.ListSaveAll() && list.LastError().rfind(head, 0) == 0 &&
           list.LastError().size() > head.size();
  });
  fs::permissions(folder, fs::perms::all);
  if (!said)
    GTEST_SKIP() << "cannot drop privileges";
  EXPECT_TRUE(*said);
  EXPECT_EQ(fs::file_size(File(192)), sizeof(TChannelRec));
}

TEST_F(ChannelLists, DatesThatAreNoDatesNeitherDoubleNorCountAsUnchangedTwice) {
  TChannelRec nan = Rec(1, 1, "NaN"), negative = Rec(1, 2, "Negative");
  nan.TimeAdd = std::numeric_limits<double>::quiet_NaN();
  negative.TimeAdd = -5;
  TChannelsList list(192, 1);
  list.ListAppend(nan);
  list.ListAppend(negative);
  for (int round = 0; round < 2; ++round) {
    const TMergeCounts counts =
        list.ListMerge({Rec(1, 1, "NaN"), Rec(1, 2, "Negative")}, false, 45000);
    EXPECT_EQ(counts.New, 0);
    EXPECT_EQ(counts.Updated + counts.Unchanged, 2);
    EXPECT_EQ(list.Count(), 2);
  }
  WriteFile(File(192), FileOf({nan, negative}));
  ASSERT_TRUE(list.ListLoad());
  for (const TChannelRec &rec : list.Items())
    EXPECT_EQ(rec.TimeAdd, 0.0);
}
