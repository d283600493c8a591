// The settings file engine: decoding, fidelity of write-back, positions of new lines, typed
// values and the safety of names and values.
#include "frame/fast_ini_file.h"
#include "frame/ini_value.h"
#include "frame/log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace qev::frame;
using ::testing::ElementsAre;
namespace fs = std::filesystem;

namespace {

// An engine over a text in memory; Text() is what a write-back would produce.
class Ini {
public:
  explicit Ini(std::string text) : stream_(std::move(text)) {
    ini_ = std::make_unique<TFastIniStream>(stream_);
  }
  TFastIniStream &operator*() { return *ini_; }
  TFastIniStream *operator->() { return ini_.get(); }
  std::string Text() {
    EXPECT_EQ(ini_->UpdateFile(), "");
    return stream_.str();
  }

private:
  std::stringstream stream_;
  std::unique_ptr<TFastIniStream> ini_;
};

std::string Crlf(std::string_view text) {
  std::string out;
  for (char c : text)
    out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

} // namespace

TEST(IniReadString, DecodesCommentsQuotesAndBlanks) {
  Ini ini("[S]\n"
          "Plain = value ; a comment\n"
          "Quoted=\"a;b\" ; comment after quotes\n"
          "Single='x y'\n"
          "OneQuote=\"\n"
          "TwoQuotes=\"\"\n"
          "Mixed='a\"\n"
          "Apostrophe=it's;cut\n"
          "\tTabbed\t=\t v \t\n"
          "Empty=\n"
          "NoEquals line\n");
  EXPECT_EQ(ini->ReadString("S", "Plain", "d"), "value");
  EXPECT_EQ(ini->ReadString("S", "Quoted", "d"), "a;b");
  EXPECT_EQ(ini->ReadString("S", "Single", "d"), "x y");
  EXPECT_EQ(ini->ReadString("S", "OneQuote", "d"), "\"");
  EXPECT_EQ(ini->ReadString("S", "TwoQuotes", "d"), "");
  EXPECT_EQ(ini->ReadString("S", "Mixed", "d"), "'a\"");
  EXPECT_EQ(ini->ReadString("S", "Apostrophe", "d"), "it's");
  EXPECT_EQ(ini->ReadString("S", "Tabbed", "d"), "v");
  EXPECT_EQ(ini->ReadString("S", "Empty", "d"), "");
  EXPECT_EQ(ini->ReadString("S", "Missing", "d"), "d");
  EXPECT_EQ(ini->ReadString("S", "NoEquals line", "d"), "d");
  EXPECT_EQ(ini->ReadString("Nowhere", "Plain", "d"), "d");
}

TEST(IniReadString, NamesIgnoreCaseAndTheLaterDuplicateSectionWins) {
  Ini ini("[general]\nsignalupdate=1\n[Dup]\nK=first\n[DUP]\nK=second\n");
  EXPECT_EQ(ini->ReadString("GENERAL", "SignalUpdate", ""), "1");
  EXPECT_EQ(ini->ReadString("Dup", "k", ""), "second");
  ini->WriteString("dup", "K", "third");
  EXPECT_EQ(ini.Text(), Crlf("[general]\nsignalupdate=1\n[Dup]\nK=first\n[DUP]\nK=third\n"));
}

TEST(IniReadString, CaseFoldingDoesNotDependOnTheLocale) {
  // In a Turkish locale toupper('i') is not 'I'; the engine must not care.
  const char *turkish = std::setlocale(LC_ALL, "tr_TR.UTF-8");
  Ini ini("[Video]\nWidth=1\n");
  EXPECT_EQ(ini->ReadString("VIDEO", "WIDTH", ""), "1");
  EXPECT_EQ(ini->ReadString("video", "width", ""), "1");
  EXPECT_EQ(IniHash("video"), IniHash("VIDEO"));
  if (turkish)
    std::setlocale(LC_ALL, "C");
}

TEST(IniReadString, NamesFoldUnicodeLettersNotOnlyAscii) {
  Ini ini("[Über]\nÉtat=1\nΣΟΦΙΑ=2\nМосква=3\nStraße=4\n[ÉTÉ]\nKey=5\n");
  EXPECT_EQ(ini->ReadString("üBER", "état", ""), "1");
  EXPECT_EQ(ini->ReadString("ÜBER", "σοφια", ""), "2");
  EXPECT_EQ(ini->ReadString("über", "МОСКВА", ""), "3");
  EXPECT_EQ(ini->ReadString("über", "STRAßE", ""), "4");
  EXPECT_EQ(ini->ReadString("été", "key", ""), "5");
  EXPECT_EQ(IniHash("ΣΟΦΙΑ"), IniHash("σοφια"));
  // Writing through another case changes the existing line instead of adding one.
  ini->WriteString("ÜBER", "ÉTAT", "9");
  ini->WriteString("été", "KEY", "6");
  EXPECT_EQ(ini.Text(), Crlf("[Über]\nÉtat=9\nΣΟΦΙΑ=2\nМосква=3\nStraße=4\n[ÉTÉ]\nKey=6\n"));
}

TEST(IniFile, LinesAndBreaksAreClassifiedAsTheyCome) {
  // CR, LF and CR LF all break; a NUL ends the text; a byte-order mark is skipped.
  Ini ini(std::string("\xEF\xBB\xBF[A]\rK1=1\nK2=2\r\n\r\nK3=3\0[B]\nK4=4\n", 33));
  EXPECT_THAT(ini->ReadSections(), ElementsAre("A"));
  EXPECT_THAT(ini->ReadSection("A"), ElementsAre("K1", "K2", "K3"));
  EXPECT_FALSE(ini->Modified());
}

TEST(IniFile, OneWriteLeavesEveryOtherLineByteIdentical) {
  // Each line with the break it has in the file: mixed breaks, tabs, comments, a text line,
  // a duplicate and an unknown section, a last line without a break.
  const std::vector<std::pair<std::string, std::string>> lines = {
      {"; header comment", "\r\n"},
      {"", "\r\n"},
      {"[Main]", "\n"},
      {"  Alpha  =  1   ; first", "\r"},
      {"\tBeta=\t2\t", "\n"},
      {"free text without equals ", "\n"},
      {"Gamma = 3", "\n"},
      {"[Dup]", "\n"},
      {"Delta =4", "\n"},
      {"", "\n"},
      {";closing comment", "\n"},
      {"[DUP]", "\r\n"},
      {"Delta = 5 ;later", "\n"},
      {"[Unknown Section]", "\n"},
      {"Whatever = kept ; as is", ""}};
  std::string messy, expected;
  for (const auto &[line, end] : lines) {
    messy += line + end;
    expected += (line == "Gamma = 3" ? std::string("Gamma=30") : line) + "\r\n";
  }
  Ini ini(messy);
  EXPECT_EQ(ini->ReadString("Main", "Beta", ""), "2");
  EXPECT_EQ(ini->ReadString("Unknown Section", "Whatever", ""), "kept");
  EXPECT_EQ(ini->ReadString("dup", "DELTA", ""), "5");
  EXPECT_THAT(ini->ReadSection("Main"), ElementsAre("Alpha", "Beta", "Gamma"));
  EXPECT_TRUE(ini->WriteString("Main", "Gamma", "30"));
  EXPECT_EQ(ini.Text(), expected);
}

TEST(IniFile, RepeatedLoadModifySaveCyclesDoNotGrowTheFile) {
  std::string text = "[S]\nKey = a ; note\n\n;tail\n";
  std::size_t sizeAfterFirst = 0;
  for (int round = 0; round < 5; ++round) {
    std::stringstream stream(text);
    {
      TFastIniStream ini(stream);
      ini.WriteString("S", "Key", round % 2 ? "a" : "b");
      ini.InsertComment("S", "", TFastIniFile::kCreateMissing | TFastIniFile::kReplaceExisting,
                        TFastIniFile::CommentPlace::AboveSection, ";");
      ini.WriteString("T", "New", "x");
    }
    text = stream.str();
    if (round == 0)
      sizeAfterFirst = text.size();
    EXPECT_EQ(text.size(), sizeAfterFirst) << text;
  }
}

TEST(IniFile, WritingTheSameValueDoesNotModify) {
  Ini ini("[S]\nK = \"v\" ; c\n");
  EXPECT_TRUE(ini->WriteString("S", "K", "v"));
  EXPECT_TRUE(ini->WriteString("S", "New", "")); // exists in memory only
  EXPECT_FALSE(ini->Modified());
  EXPECT_TRUE(ini->WriteString("S", "K", "w"));
  EXPECT_TRUE(ini->Modified());
}

TEST(IniWriteString, TheTrailingCommentKeepsItsColumnWhenThereIsRoom) {
  Ini ini("[S]\nKey   =  long value   ; note\nTight=abc ;x\n");
  ini->WriteString("S", "Key", "v");
  ini->WriteString("S", "Tight", "abcdef");
  // The ";" stays at column 22 where it was; a value reaching it gets one blank.
  EXPECT_EQ(ini.Text(), Crlf("[S]\nKey=v" + std::string(17, ' ') + "; note\nTight=abcdef ;x\n"));
  EXPECT_EQ(ini->ReadString("S", "Key", ""), "v");
}

TEST(IniWriteString, ValuesSurviveARoundTrip) {
  const std::vector<std::string> values = {
      "a;b", " lead", "trail ",      "\"quoted\"",  "'single'",       "\"", "", "semi;;colons",
      "x=y", "it's",  "tab\tinside", "\"odd quote", "[not a section]"};
  std::stringstream stream;
  {
    TFastIniStream ini(stream);
    for (std::size_t i = 0; i < values.size(); ++i)
      ini.WriteString("S", "K" + std::to_string(i), values[i]);
  }
  TFastIniStream again(stream);
  for (std::size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(again.ReadString("S", "K" + std::to_string(i), "?"), values[i]) << values[i];
}

TEST(IniWriteString, UnsafeNamesAndValuesInjectNothing) {
  Ini ini("[S]\nK=1\n");
  EXPECT_FALSE(ini->WriteString("S", "K", "1\r\n[Evil]\r\nX=2"));
  EXPECT_FALSE(ini->WriteString("S", "K", std::string("a\0b", 3)));
  EXPECT_FALSE(ini->WriteString("S", "=K", "v"));
  EXPECT_FALSE(ini->WriteString("S", "A=B", "v"));
  EXPECT_FALSE(ini->WriteString("S", ";K", "v"));
  EXPECT_FALSE(ini->WriteString("S", "[K]", "v"));
  EXPECT_FALSE(ini->WriteString("S", "K\nL", "v"));
  EXPECT_FALSE(ini->WriteString("S\n[T]", "K", "v"));
  EXPECT_FALSE(ini->InsertComment("S", "", 1, TFastIniFile::CommentPlace::BelowSection, "c\nK=2"));
  EXPECT_FALSE(ini->Modified());
  EXPECT_EQ(ini.Text(), "[S]\nK=1\n");
  EXPECT_EQ(ini->ReadString("S", "=K", "d"), "d");
}

TEST(IniInsertion, NewKeysGoAfterTheLastKeyAndNewSectionsAtTheEnd) {
  Ini ini("[A]\nK1=1\ntext line\n\n;comment of B\n[B]\n;only a comment\n[C]\nX=1");
  ini->WriteString("A", "K2", "2");
  ini->WriteString("B", "K", "b");
  ini->WriteString("New", "N", "n");
  // Every section still finds its keys after the shifts.
  ini->WriteString("C", "Y", "2");
  EXPECT_EQ(ini.Text(), Crlf("[A]\nK1=1\ntext line\nK2=2\n\n;comment of B\n[B]\nK=b\n"
                             ";only a comment\n[C]\nX=1\nY=2\n\n[New]\nN=n\n"));
}

TEST(IniInsertion, IndexesFollowInsertsDeletesAndErases) {
  Ini ini("[A]\na=1\n[B]\nb=1\n[C]\nc=1\n[D]\nd=1\n");
  ini->WriteString("A", "a2", "2");
  ini->DeleteKey("B", "b");
  ini->EraseSection("C");
  ini->InsertComment("D", "", 0, TFastIniFile::CommentPlace::AboveSection, "above D");
  ini->InsertComment("A", "a", 0, TFastIniFile::CommentPlace::BelowKey, "below a");
  EXPECT_EQ(ini->ReadString("D", "d", ""), "1");
  EXPECT_EQ(ini->ReadString("A", "a2", ""), "2");
  ini->WriteString("B", "b", "again");
  ini->WriteString("D", "e", "2");
  EXPECT_FALSE(ini->SectionExists("C"));
  EXPECT_EQ(ini.Text(), Crlf("[A]\na=1\n;below a\na2=2\n[B]\nb=again\n;above D\n[D]\nd=1\ne=2\n"));
}

TEST(IniEraseSection, KeepsAClosingCommentForTheNextSection) {
  Ini a("[A]\nk=1\n\n;about B\n\n[B]\nx=1\n");
  a->EraseSection("A");
  EXPECT_EQ(a.Text(), Crlf(";about B\n\n[B]\nx=1\n"));

  Ini b("[A]\nk=1\n;inside\nm=2\n;about B\n\n\n[B]\n");
  b->EraseSection("a");
  EXPECT_EQ(b.Text(), Crlf("[B]\n"));

  Ini c("[A]\n;only comment\n[B]\n");
  c->WriteString("A", "", ""); // an empty key and value erase the section
  EXPECT_EQ(c.Text(), Crlf(";only comment\n[B]\n"));
  EXPECT_FALSE(c->EraseSection("Missing"));
}

TEST(IniComments, KeyCommentColumnAndReplaceRules) {
  Ini ini("[S]\nK=value\nL=x ;old\n");
  EXPECT_TRUE(ini->SetKeyComment("S", "K", 0, 15, "note"));
  EXPECT_FALSE(ini->SetKeyComment("S", "L", 0, 10, "new"));
  EXPECT_TRUE(ini->SetKeyComment("S", "L", TFastIniFile::kReplaceExisting, 3, ";new"));
  EXPECT_FALSE(ini->SetKeyComment("S", "M", 0, 10, "c"));
  EXPECT_TRUE(ini->SetKeyComment("S", "M", TFastIniFile::kCreateMissing, 10, "c"));
  // Columns count from 1: ";" lands in column 15 and 10.
  EXPECT_EQ(ini.Text(), Crlf("[S]\nK=value       ;note\nL=x ;new\nM=       ;c\n"));
  EXPECT_EQ(ini->ReadString("S", "K", ""), "value");
}

TEST(IniComments, CommentLinesArePlacedAndReplacedNotDuplicated) {
  Ini ini("[S]\nK=1\nL=2\n");
  const unsigned both = TFastIniFile::kCreateMissing | TFastIniFile::kReplaceExisting;
  for (int i = 0; i < 2; ++i) {
    ini->InsertComment("S", "", both, TFastIniFile::CommentPlace::AboveSection, "top");
    ini->InsertComment("S", "", both, TFastIniFile::CommentPlace::BelowSection, "; first");
    ini->InsertComment("S", "L", both, TFastIniFile::CommentPlace::AboveKey, "above");
    ini->InsertComment("S", "L", both, TFastIniFile::CommentPlace::BelowKey, "below");
    ini->InsertComment("T", "", both, TFastIniFile::CommentPlace::AboveSection, ";");
  }
  ini->InsertComment("", "", 0, TFastIniFile::CommentPlace::EndOfFile, "end");
  EXPECT_FALSE(ini->InsertComment("Missing", "", 0, TFastIniFile::CommentPlace::BelowSection, "x"));
  EXPECT_EQ(ini.Text(), Crlf(";top\n[S]\n; first\nK=1\n;above\nL=2\n;below\n\n;\n[T]\n;end\n"));
}

TEST(IniTyped, IntegersBooleansAndHexadecimal) {
  Ini ini("[N]\nDec=-42\nHex=0x1F\nDollar=$FFFFFFFF\nShort=0x\nBare=1A\nLeading=007\n"
          "Big=99999999999\nPlus=+5\nBool=2\nBad=$G1\n");
  EXPECT_EQ(ini->ReadInteger("N", "Dec", 0), -42);
  EXPECT_EQ(ini->ReadInteger("N", "Hex", 0), 31);
  EXPECT_EQ(ini->ReadInteger("N", "Dollar", 0), -1);
  EXPECT_EQ(ini->ReadHex32("N", "Dollar", 0), 0xFFFFFFFFu);
  EXPECT_EQ(ini->ReadInteger("N", "Short", 7), 7);
  EXPECT_EQ(ini->ReadInteger("N", "Bare", 7), 7);
  EXPECT_EQ(ini->ReadInteger("N", "Leading", 0), 7);
  EXPECT_EQ(ini->ReadInteger("N", "Big", 7), 7);
  EXPECT_EQ(ini->ReadInteger("N", "Plus", 0), 5);
  EXPECT_EQ(ini->ReadInteger("N", "Bad", 7), 7);
  EXPECT_TRUE(ini->ReadBool("N", "Bool", false));
  EXPECT_TRUE(ini->ReadBool("N", "Missing", true));
  ini->WriteHex16("W", "H16", 0xAB);
  ini->WriteHex32("W", "H32", 0x00FFFF00);
  ini->WriteBool("W", "B", true);
  ini->WriteInteger("W", "I", -7);
  EXPECT_EQ(ini->ReadString("W", "H16", ""), "$00AB");
  EXPECT_EQ(ini->ReadString("W", "H32", ""), "$00FFFF00");
  EXPECT_EQ(ini->ReadString("W", "B", ""), "1");
  EXPECT_EQ(ini->ReadInteger("W", "H16", 0), 0xAB);
}

TEST(IniTyped, FloatsUseADotWhateverTheLocale) {
  const char *german = std::setlocale(LC_ALL, "de_DE.UTF-8");
  Ini ini("[F]\nComma=48,25\nDot=-11.5\nBad=1.2.3\n");
  EXPECT_DOUBLE_EQ(ini->ReadFloat("F", "Comma", 0), 48.25);
  EXPECT_DOUBLE_EQ(ini->ReadFloat("F", "Dot", 0), -11.5);
  EXPECT_DOUBLE_EQ(ini->ReadFloat("F", "Bad", 3.5), 3.5);
  ini->WriteFloat("F", "W", 13.125);
  EXPECT_EQ(ini->ReadString("F", "W", ""), "13.125");
  EXPECT_DOUBLE_EQ(ini->ReadFloat("F", "W", 0), 13.125);
  if (german)
    std::setlocale(LC_ALL, "C");
}

TEST(IniStringList, AMissingItemReadsEmptyAndAShorterListLeavesNoStaleItems) {
  Ini ini("[P]\nDllCount=4\nDll0=a.so\nDll1=b.so\nDll3=gap.so\nDll4=beyond.so\n");
  EXPECT_THAT(ini->ReadStringList("P", "Dll"), ElementsAre("a.so", "b.so", "", "gap.so"));
  EXPECT_TRUE(ini->WriteStringList("P", "Dll", {"c.so"}));
  EXPECT_THAT(ini->ReadStringList("P", "Dll"), ElementsAre("c.so"));
  // Every item of the old count goes, also those after a gap; what lies beyond it stays.
  EXPECT_EQ(ini.Text(), Crlf("[P]\nDllCount=1\nDll4=beyond.so\nDll0=c.so\n"));
}

TEST(IniStringList, AHugeCountBuildsNoHugeList) {
  Ini ini("[P]\nDllCount=2147483647\nDll0=a.so\n");
  const std::vector<std::string> items = ini->ReadStringList("P", "Dll");
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(items[0], "a.so");
  EXPECT_LE(items.size(), 65536u);
  Ini negative("[P]\nDllCount=-3\nDll0=a.so\n");
  EXPECT_TRUE(negative->ReadStringList("P", "Dll").empty());
}

TEST(IniStringList, RewritingAnUnchangedListLeavesTheFileUnmodified) {
  Ini ini("[P]\nDllCount=2\nDll0=a\nDll1=b\n");
  EXPECT_TRUE(ini->WriteStringList("P", "Dll", {"a", "b"}));
  EXPECT_FALSE(ini->Modified());
  Ini hostile("[P]\nDllCount=9\nDll0=a\n");
  EXPECT_TRUE(hostile->WriteStringList("P", "Dll", {"a"}));
  EXPECT_TRUE(hostile->Modified()); // the wrong count gets corrected
}

TEST(IniReadSections, ListsHeadersKeysAndValues) {
  Ini ini("[A]\nx = 1 ;c\ntext\ny=\"2\"\n[B]\n[A]\nz=3\n");
  EXPECT_THAT(ini->ReadSections(), ElementsAre("A", "B", "A"));
  EXPECT_THAT(ini->ReadSection("B"), ElementsAre());
  EXPECT_THAT(ini->ReadSection("a"), ElementsAre("z"));
  Ini first("[A]\nx = 1 ;c\ntext\ny=\"2\"\n");
  EXPECT_THAT(first->ReadSectionValues("A"), ElementsAre("x=1", "y=2"));
}

namespace {
class IniOnDisk : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("qev-ini-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  static std::string Read(const fs::path &file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  fs::path dir;
};
} // namespace

TEST_F(IniOnDisk, WritesBackOnlyWhenChangedAndIntoMissingFolders) {
  const fs::path file = dir / "Configs" / "Plugins.cfg";
  {
    TFastIniFile ini(file);
    EXPECT_EQ(ini.ReadString("S", "K", "d"), "d");
  }
  EXPECT_FALSE(fs::exists(file)); // nothing changed, nothing written
  {
    TFastIniFile ini(file);
    ini.WriteString("S", "K", "v");
  }
  EXPECT_EQ(Read(file), "[S]\r\nK=v\r\n");
  TFastIniFile again(file);
  EXPECT_EQ(again.ReadString("s", "k", ""), "v");
}

TEST_F(IniOnDisk, FindsTheFileInAnotherLetterCaseAndWritesItThere) {
  std::ofstream(dir / "options.CFG") << "[S]\nK=1\n";
  {
    TFastIniFile ini(dir / "Options.cfg");
    EXPECT_EQ(ini.ReadInteger("S", "K", 0), 1);
    ini.WriteInteger("S", "K", 2);
  }
  EXPECT_FALSE(fs::exists(dir / "Options.cfg"));
  EXPECT_EQ(Read(dir / "options.CFG"), "[S]\r\nK=2\r\n");
}

TEST_F(IniOnDisk, AnUnwritableTargetIsReportedNotThrown) {
  // Missing, in a folder that cannot be made: reads as empty, and the write fails.
  const fs::path file = "/proc/qev-no-such-folder/Options.cfg";
  std::vector<std::string> log;
  SetLogTarget([&](int, int, const char *text) { log.push_back(text); });
  {
    TFastIniFile ini(file);
    EXPECT_EQ(ini.ReadString("S", "K", "d"), "d");
    EXPECT_FALSE(ini.Unreadable());
    ini.WriteString("S", "K", "new");
    EXPECT_NE(ini.UpdateFile(), "");
    EXPECT_TRUE(ini.Modified()); // the change is still pending
  } // the destructor tries again; the caller has the error, so nothing is logged twice
  EXPECT_TRUE(log.empty());
  {
    TFastIniFile ini(file);
    ini.WriteString("S", "K", "new");
  } // nobody asked: the destructor's failure is logged
  SetLogTarget(nullptr);
  EXPECT_EQ(log.size(), 1u);
  EXPECT_FALSE(fs::exists(file.parent_path()));
}

TEST_F(IniOnDisk, AFileThatCannotBeReadIsReportedOnceAndNeverWritten) {
  std::vector<std::string> log;
  SetLogTarget([&](int, int, const char *text) { log.push_back(text); });
  const fs::path file = dir / "VideoWin.cfg";
  fs::create_directories(file / "inside"); // a folder where the file should be
  for (int run = 0; run < 2; ++run) {
    TFastIniFile ini(file);
    EXPECT_EQ(ini.ReadString("S", "K", "d"), "d");
    EXPECT_TRUE(ini.Unreadable());
    ini.WriteString("S", "K", "new");
    EXPECT_EQ(ini.UpdateFile(), ""); // not a failure of the save: reported when reading
  }
  SetLogTarget(nullptr);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find("VideoWin.cfg"), std::string::npos) << log[0];
  EXPECT_NE(log[0].find("Is a directory"), std::string::npos) << log[0];
  EXPECT_TRUE(fs::is_directory(file / "inside"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}
