// The options file: its fresh text, loading corrections, what a save keeps, files that cannot
// be read, the start channel, and pinning to one processor.
#include "frame/options.h"
#include "frame/options_steps.h"
#include "frame/pref_lang.h"
#include "frame/processor_affinity.h"
#include "support/finishes_within.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <random>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace qev::frame;
using qev::test::FinishesWithin;
namespace fs = std::filesystem;

namespace {

class OptionsFile : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("qev-options-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    file = dir / "Configs" / "Options.cfg";
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Read() const {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  void Write(const std::string &text) const {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
  }
  TOptions Loaded() const {
    TOptions options;
    LoadOptions(options, file);
    return options;
  }
  static std::size_t EntriesIn(const fs::path &folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
  }
  // What a path holds: its type and, for a file, its bytes.
  static std::string Snapshot(const fs::path &path) {
    const fs::file_status status = fs::symlink_status(path);
    std::string shot = std::to_string(static_cast<int>(status.type())) + ":";
    if (fs::is_regular_file(status)) {
      std::ifstream in(path, std::ios::binary);
      shot.append(std::istreambuf_iterator<char>(in), {});
    }
    return shot;
  }
  fs::path dir, file;
};

constexpr int kCannotDropRoot = 77;

// Runs work in a child process that, when started as root, becomes the user "nobody" first,
// so that file permissions apply. Returns 0 when work returned true, kCannotDropRoot when the
// child could not give up root.
int InChildWithoutRoot(const std::function<bool()> &work) {
  const pid_t child = ::fork();
  if (child == 0) {
    constexpr uid_t kNobody = 65534;
    if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
      ::_exit(kCannotDropRoot);
    ::_exit(work() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string Crlf(std::string_view text) {
  std::string out;
  for (char c : text)
    out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

const char *const kFreshFile = R"([StartUp]
ActiveDevice=
LastSelected=
LastChannel=-1

;
[Scanning]
TimeoutPAT=5000
TimeoutCAT=1000
TimeoutSDT=10000
TimeoutPMT=10000
TimeoutNIT=5000
NoWarningCAT=1
UpdFromSDX=1
ChangeData2TV=1
ChangeFta2Pay=1
RescanSDTOnUpd=0
SetPrefAudLang=1

;
[Options]
SingleClickChange=0
ChListAlignRight=0
MinimizeToTray=1
PrefAudioLang=ENG,RUM,GER,SPA
AutoCloseSWin=1
SortCaListByID=1
SignalUpdateInterval=300
OverscanPixels=0
VidCropPercent=3
PowerOffLnb=0
PidEditsInHex=0
ChanVolAdjust=0
SelectLastChan=1
NoScreenSaver=1
NoSuspendAPM=0
OneSatMobDish=0
AutoExpandChl=1
ChanPlgProfile=1
Only1Proc=1
GesturesEnabled=1
VideoDblClickZo=1
Video0Disabled=0
EpgBgParser=1
CheckCRCinEIT=0
EpgChanGroup=0
EpgKeep=1

;
[Recording]
DestDirectory=
RecNameFormat=yyyymmdd_hhnn <Name> (<Info>)
Check4Duplic=1
FileSplitSize=4096
AskBeforeRec=1
RecordAll_AUD=0
RecordAll_TTX=0
Record_ECM=1
Record_PMT=1
Record_PAT=0

;
[WinLirc]
Enabled=0
HostPort=127.0.0.1:8765
AntiRepeat=200

;
[DiseqC]
DiseqSW1Adr=16
DiseqSW2Adr=16
DiseqSW3Adr=16
DiseqPOSAdr=49
DiseqRepPrefix=1
DiseqOnChan=0
AdjustGotoX=1
RxLatitude=0
RxLongitude=0
SmartPosCom=0

;
[Teletext]
TTxBgParser=0
TTxImageW=400
TTxImageH=375
TTxFontName=Lucida Console
SubFontName=Lucida Console
SubFontSize=32
SubFontColor=$00FFFF00
SubFontBold=1
SubOutlSize=1
SubOutlColor=$00FF0000
SubPosPercent=5
SubTextBorder=2

;
[ChFilter]
Group1By=1
Group2By=0
SortRule1=1
SortRule2=0
ChfServType=27
ChfCategory=0
ChfContain=
ChfInfoCol=0
ChfFlagSUB=0
ChfFlagTTX=0
ChfFlagAC3=0
ChfFavorite=0
MinimizedCF=0
)";

} // namespace

TEST_F(OptionsFile, AFreshFileHoldsEverySectionAndKeyInOrder) {
  EXPECT_EQ(SaveOptions(TOptions{}, file), ""); // the Configs folder does not exist yet
  EXPECT_EQ(Read(), Crlf(kFreshFile));
  // Loading it gives the defaults back, and saving again changes nothing.
  EXPECT_EQ(SaveOptions(Loaded(), file), "");
  EXPECT_EQ(Read(), Crlf(kFreshFile));
}

TEST_F(OptionsFile, AMissingFileGivesTheDefaults) {
  const TOptions options = Loaded();
  EXPECT_EQ(options.StartUp.LastChannel, -1);
  EXPECT_EQ(options.Recording.FileSplitSize, 4096LL * 1048576);
  EXPECT_EQ(options.Teletext.SubFontColor, 0x00FFFF00u);
  EXPECT_EQ(options.DiseqC.DiseqPOSAdr, 0x31);
  EXPECT_EQ(options.Session.PrefLangs.Count, 4);
  EXPECT_FALSE(fs::exists(file));
}

TEST_F(OptionsFile, SavingUnchangedOptionsDoesNotRewriteTheFile) {
  ASSERT_EQ(SaveOptions(TOptions{}, file), "");
  const auto past = fs::last_write_time(file) - std::chrono::hours(24);
  fs::last_write_time(file, past);
  const auto inode = fs::hard_link_count(file);
  EXPECT_EQ(SaveOptions(Loaded(), file), "");
  EXPECT_EQ(fs::last_write_time(file), past);
  EXPECT_EQ(fs::hard_link_count(file), inode);
}

TEST_F(OptionsFile, TreeKindsOutsideTheirTablesLoadAsZero) {
  Write("[ChFilter]\nGroup1By=16\nGroup2By=15\nSortRule1=-1\nSortRule2=3\nChfInfoCol=6\n");
  const TChFilterOptions rules = Loaded().ChFilter;
  EXPECT_EQ(rules.Group1By, 0);
  EXPECT_EQ(rules.Group2By, 15);
  EXPECT_EQ(rules.SortRule1, 0);
  EXPECT_EQ(rules.SortRule2, 3);
  EXPECT_EQ(rules.ChfInfoCol, 0);
}

TEST_F(OptionsFile, LoadingCorrectsValues) {
  Write("[StartUp]\nActiveDevice=  Dev_Sim.int  \n"
        "[Options]\nSignalUpdateInterval=50\nPrefAudioLang=ger, eng ,\tfre\n"
        "[Recording]\nRecNameFormat=   \nFileSplitSize=-5\n"
        "[DiseqC]\nDiseqSW1Adr=300\nDiseqSW2Adr=-1\nDiseqPOSAdr=$31\nRxLatitude=48,5\n"
        "[Teletext]\nSubFontColor=$000000FF\n");
  const TOptions options = Loaded();
  EXPECT_EQ(options.StartUp.ActiveDevice, "Dev_Sim.int");
  EXPECT_EQ(options.General.SignalUpdateInterval, 100);
  EXPECT_EQ(options.General.PrefAudioLang, "ger,eng,fre");
  EXPECT_EQ(options.Session.PrefLangs.Count, 3);
  EXPECT_EQ(PrefLangIndex(options.Session.PrefLangs, " FRE"), 2);
  EXPECT_EQ(options.Recording.RecNameFormat, kDefaultRecNameFormat);
  EXPECT_EQ(options.Recording.FileSplitSize, 0);
  EXPECT_EQ(options.DiseqC.DiseqSW1Adr, 255);
  EXPECT_EQ(options.DiseqC.DiseqSW2Adr, 0);
  EXPECT_EQ(options.DiseqC.DiseqPOSAdr, 0x31);
  EXPECT_DOUBLE_EQ(options.DiseqC.RxLatitude, 48.5);
  EXPECT_EQ(options.Teletext.SubFontColor, 0xFFu);
}

TEST_F(OptionsFile, LargeSplitSizesAndWordsDoNotOverflow) {
  Write("[Options]\nSignalUpdateInterval=70000\n[Recording]\nFileSplitSize=8192\n");
  TOptions options = Loaded();
  EXPECT_EQ(options.General.SignalUpdateInterval, 65535);
  EXPECT_EQ(options.Recording.FileSplitSize, 8192LL * 1048576);
  ASSERT_EQ(SaveOptions(options, file), "");
  EXPECT_NE(Read().find("\r\nFileSplitSize=8192\r\n"), std::string::npos);
}

TEST_F(OptionsFile, FilterFlagsStartClearedWhateverWasHeld) {
  Write("[ChFilter]\nChfFlagTTX=1\nGroup1By=3\n");
  TOptions options;
  options.ChFilter.ChfFlagSUB = true;
  options.ChFilter.MinimizedCF = true;
  options.ChFilter.Group2By = 2; // not a flag: a missing key keeps what was held
  LoadOptions(options, file);
  EXPECT_FALSE(options.ChFilter.ChfFlagSUB);
  EXPECT_FALSE(options.ChFilter.MinimizedCF);
  EXPECT_TRUE(options.ChFilter.ChfFlagTTX);
  EXPECT_EQ(options.ChFilter.Group1By, 3);
  EXPECT_EQ(options.ChFilter.Group2By, 2);
}

TEST_F(OptionsFile, HandAddedKeysAndCommentsSurviveASave) {
  ASSERT_EQ(SaveOptions(TOptions{}, file), "");
  std::string text = Read();
  text.insert(text.find("TimeoutPAT"), "; my own note\r\n");
  text.insert(text.find("[WinLirc]\r\n") + 11, "MyKey = my value\r\n");
  text.replace(text.find("AntiRepeat=200"), 14, "AntiRepeat = 250 ; tuned");
  text += "\r\n[Extra]\r\nX=1\r\n";
  Write(text);
  TOptions options = Loaded();
  EXPECT_EQ(options.WinLirc.AntiRepeat, 250);
  options.WinLirc.Enabled = true;
  ASSERT_EQ(SaveOptions(options, file), "");
  std::string expected = text;
  expected.replace(expected.find("Enabled=0"), 9, "Enabled=1");
  EXPECT_EQ(Read(), expected);
}

TEST_F(OptionsFile, TheCommentAboveEachHeaderIsReplacedNotAdded) {
  Write("[StartUp]\nLastChannel=5\n;old words\n[Scanning]\nTimeoutPAT=1\n");
  ASSERT_EQ(SaveOptions(Loaded(), file), "");
  const std::string text = Read();
  EXPECT_EQ(text.find(";old words"), std::string::npos);
  const std::size_t header = text.find("\r\n;\r\n[Scanning]\r\nTimeoutPAT=1\r\n");
  EXPECT_NE(header, std::string::npos) << text;
  EXPECT_EQ(text.find("[Scanning]", header + 15), std::string::npos);
  EXPECT_NE(text.find("[StartUp]\r\nLastChannel=5\r\n"), std::string::npos);
}

TEST_F(OptionsFile, WithoutSelectLastChanNoChannelIsStartedOrRemembered) {
  Write("[StartUp]\nLastChannel=65539\n[Options]\nSelectLastChan=0\n");
  Options() = Loaded();
  StartChannelStep();
  EXPECT_EQ(Options().Session.StartChannel, -1);
  EXPECT_EQ(Options().StartUp.LastChannel, -1);
  ASSERT_EQ(SaveOptions(Options(), file), "");
  EXPECT_EQ(Loaded().StartUp.LastChannel, -1);

  Write("[StartUp]\nLastChannel=65539\n[Options]\nSelectLastChan=1\n");
  Options() = Loaded();
  StartChannelStep();
  EXPECT_EQ(Options().Session.StartChannel, 65539);
  EXPECT_EQ(Options().StartUp.LastChannel, 65539);
  Options() = TOptions{};
}

TEST_F(OptionsFile, ASaveThatCannotWriteIsReported) {
  // Missing, so the defaults are saved, into a folder that cannot be made.
  file = "/proc/qev-no-such-folder/Options.cfg";
  EXPECT_NE(SaveOptions(TOptions{}, file), "");
}

TEST_F(OptionsFile, AFifoInPlaceOfTheFileIsNeitherWaitedOnNorReplaced) {
  fs::create_directories(file.parent_path());
  ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
  ASSERT_TRUE(FinishesWithin([&] {
    TOptions options = Loaded();
    options.WinLirc.Enabled = true;
    EXPECT_EQ(SaveOptions(options, file), "");
  }));
  EXPECT_TRUE(fs::is_fifo(file));
  EXPECT_EQ(EntriesIn(file.parent_path()), 1u);
}

TEST_F(OptionsFile, AFileWithoutReadPermissionIsNeverWrittenOver) {
  const std::string text = "[Options]\r\nSelectLastChan=0\r\n";
  Write(text);
  ::chmod(file.c_str(), 0);
  // Anybody may replace files in the folder: only the program's own care protects the file.
  ::chmod(dir.c_str(), 0777);
  ::chmod(file.parent_path().c_str(), 0777);
  const int status = InChildWithoutRoot([&] {
    TOptions options;
    LoadOptions(options, file);
    options.WinLirc.Enabled = true;
    return options.General.SelectLastChan && SaveOptions(options, file).empty();
  });
  if (status == kCannotDropRoot)
    GTEST_SKIP() << "cannot run as another user";
  EXPECT_EQ(status, 0); // defaults, and no error from the save
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0u);
  EXPECT_EQ(Read(), text);
  EXPECT_EQ(EntriesIn(file.parent_path()), 1u);
}

TEST_F(OptionsFile, HostileFilesNeitherCrashTheLoaderNorGetChanged) {
  std::mt19937 random(1);
  std::string noise(4096, '\0');
  for (char &c : noise)
    c = static_cast<char>(random());
  noise.replace(100, 12, "\r\n[Options]\r"); // some structure among the noise
  const std::string truncated = "[StartUp]\r\nLastChannel=12\r\n[Options]\r\nPrefAudioLang=G\xC3";
  struct Case {
    const char *name;
    std::function<void(const fs::path &)> make;
    bool unreadable;
  };
  const Case cases[] = {
      {"folder", [](const fs::path &f) { fs::create_directories(f / "inside"); }, true},
      {"fifo", [](const fs::path &f) { ::mkfifo(f.c_str(), 0644); }, true},
      {"truncated", [&](const fs::path &f) { std::ofstream(f, std::ios::binary) << truncated; },
       false},
      {"noise", [&](const fs::path &f) { std::ofstream(f, std::ios::binary) << noise; }, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path hostile = dir / c.name / "Options.cfg";
    fs::create_directories(hostile.parent_path());
    c.make(hostile);
    const std::string before = Snapshot(hostile);
    TOptions options;
    ASSERT_TRUE(FinishesWithin([&] { LoadOptions(options, hostile); }));
    EXPECT_EQ(Snapshot(hostile), before);
    EXPECT_EQ(options.Recording.RecNameFormat, kDefaultRecNameFormat);
    if (c.unreadable) {
      EXPECT_EQ(options.StartUp.LastChannel, -1);
      EXPECT_EQ(SaveOptions(options, hostile), "");
      EXPECT_EQ(Snapshot(hostile), before);
      EXPECT_EQ(EntriesIn(hostile.parent_path()), 1u);
    }
  }
}

TEST(PrefLang, ParsesTokensPadsAndCuts) {
  const TPrefLangArray langs = ParsePrefLang("  en, ger;;fra/ x .deutsch,,");
  ASSERT_EQ(langs.Count, 5);
  EXPECT_EQ(std::string(langs.Codes[0].data(), 3), "EN?");
  EXPECT_EQ(std::string(langs.Codes[3].data(), 3), "X??");
  EXPECT_EQ(std::string(langs.Codes[4].data(), 3), "DEU");
  EXPECT_EQ(PrefLangIndex(langs, "ger"), 1);
  EXPECT_EQ(PrefLangIndex(langs, "ENG"), TPrefLangArray::kNotPreferred);
  EXPECT_EQ(PrefLangIndex(langs, "  "), TPrefLangArray::kNotPreferred);
  std::string many;
  for (int i = 0; i < 20; ++i)
    many += "L" + std::to_string(i % 10) + ",";
  EXPECT_EQ(ParsePrefLang(many).Count, TPrefLangArray::kMaxCount);
}

TEST(ProcessorAffinity, PinsThreadsThatAlreadyRunToTheFirstProcessor) {
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  sched_getaffinity(0, sizeof allowed, &allowed);
  if (!CPU_ISSET(0, &allowed))
    GTEST_SKIP() << "processor 0 is not available to this process";
  std::atomic<bool> stop{false};
  std::atomic<pid_t> workerId{0};
  std::thread worker([&] {
    workerId = static_cast<pid_t>(::gettid());
    while (!stop)
      std::this_thread::yield();
  });
  while (workerId == 0)
    std::this_thread::yield();
  const bool pinned = RestrictToFirstProcessor();
  cpu_set_t mask;
  CPU_ZERO(&mask);
  sched_getaffinity(workerId, sizeof mask, &mask);
  stop = true;
  worker.join();
  sched_setaffinity(0, sizeof allowed, &allowed);
  EXPECT_TRUE(pinned);
  EXPECT_EQ(CPU_COUNT(&mask), 1);
  EXPECT_TRUE(CPU_ISSET(0, &mask));
}
