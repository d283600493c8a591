// Graph files: the .GRS and .XGR line rules, running their commands and the load's codes.
#include "video/graph_file.h"

#include "fake_graph.h"
#include "graph_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace qev::video;
using namespace qev::video::test;
using ::testing::ElementsAre;

namespace {

TGraphCommand Add(std::string cls, std::string name) {
  return TAddFilterCommand{std::move(cls), std::move(name)};
}
TGraphCommand Link(std::string a, std::string b, std::string c, std::string d) {
  return TConnectCommand{std::move(a), std::move(b), std::move(c), std::move(d)};
}

TEST(GraphScript, ReadsCommandsAndSkipsCommentsAndUnknownLines) {
  const auto commands = ParseGrs("  # comment\r\n"
                                 ". dot comment\n"
                                 "// slash comment\n"
                                 "\n"
                                 "  loadfilter ( videosink , Screen , 3 ) trailing\r\n"
                                 "LoadFilter(qevavsource,,Source)\n"
                                 "LoadFilter(onlyclass)\n"
                                 "Frobnicate(a,b)\n"
                                 "no parenthesis here\n"
                                 "LoadFilter)x,y(\n"
                                 "CONNECTPIN( Source ,Video,, Screen , sink )\n"
                                 "ConnectPin(Source,Video,Screen)\n"
                                 "ConnectPin(Source, ,Video,Screen,sink)\n"
                                 "ConnectPin(a,b,c,d,e)\n"
                                 "LoadFilter(videosink, Name (with) parens)\n");
  EXPECT_THAT(commands, ElementsAre(Add("videosink", "Screen"), Add("qevavsource", "Source"),
                                    Link("Source", "Video", "Screen", "sink"),
                                    Link("Source", "Video", "Screen", "sink"),
                                    Add("videosink", "Name (with) parens")));
}

TEST(GraphXml, ReadsFiltersAndConnectionsWithUnderscoresAsSpaces) {
  const auto commands =
      ParseXgr("<graph>\n"
               "  <filter id=\"Video_Renderer\" clsid=\" Video_Renderer \">\r\n"
               "<FILTER ID=\"NoClass\">\n"
               "<FILTER ID=\"\" CLSID=\"videosink\">\n"
               "<connect src=\"Dec\" srcpin=\"Video_Out\" dest=\"Video_Renderer\" "
               "destpin=\"Input_Pin\"/>\n"
               "<CONNECT SRC=\"Dec\" SRCPIN=\"out\" DEST=\"x\"/>\n"
               "</graph>\n");
  EXPECT_THAT(commands, ElementsAre(Add("Video Renderer", "Video Renderer"),
                                    Link("Dec", "Video Out", "Video Renderer", "Input Pin")));
}

class GraphCommands : public ::testing::Test {
protected:
  FakeGraph graph{FakeGraphSetup{}};
};

TEST_F(GraphCommands, FilterCreationAndPinConnectionFailuresNameWhatFailed) {
  EXPECT_EQ(ExecuteCommand(graph, Add("nosuchclass", "X")).Text, "Cannot create fiter [X]");
  ASSERT_FALSE(ExecuteCommand(graph, Add("videodecoder", "Dec")).Failed());
  const TGraphResult twice = ExecuteCommand(graph, Add("videodecoder", "Dec"));
  EXPECT_EQ(twice.Code, kErrAddFilter);
  EXPECT_EQ(twice.Text, "Cannot add to graph [Dec]");
  ASSERT_FALSE(ExecuteCommand(graph, Add("videosink", "Screen")).Failed());

  const auto code = [&](TGraphCommand c) { return ExecuteCommand(graph, c); };
  EXPECT_EQ(code(Link("Nope", "src", "Screen", "sink")).Code, kErrNoSourceFilter);
  EXPECT_EQ(code(Link("Nope", "src", "Screen", "sink")).Text,
            "ConnectPin:Cannot find filter [Nope]");
  EXPECT_EQ(code(Link("Dec", "out", "Screen", "sink")).Text,
            "ConnectPin:Cannot find pin [out] from filter [Dec]");
  EXPECT_EQ(code(Link("Dec", "src", "Gone", "sink")).Code, kErrNoDestinationFilter);
  EXPECT_EQ(code(Link("Dec", "src", "Screen", "in")).Code, kErrNoDestinationPin);
  EXPECT_EQ(code(Link("Dec", "src", "Screen", "in")).Text,
            "ConnectPin:Cannot find pin [in] from filter [Screen]");
  // Pins are also found in another letter case and linked under their own names.
  EXPECT_FALSE(code(Link("Dec", "SRC", "Screen", "Sink")).Failed());
  EXPECT_TRUE(graph.PinConnected("Screen", "sink"));

  FakeGraphSetup failing;
  failing.FailConnect = true;
  FakeGraph refusing(failing);
  refusing.AddFilter("videodecoder", "Dec");
  refusing.AddFilter("videosink", "Screen");
  const TGraphResult refused = ExecuteCommand(refusing, Link("Dec", "src", "Screen", "sink"));
  EXPECT_EQ(refused.Code, kErrConnectPins);
  EXPECT_EQ(refused.Text, "Cannot connect pins [Dec-src] to [sink-Screen]");
}

TEST_F(GraphCommands, TheFirstFailingCommandEndsTheRun) {
  const TGraphResult result =
      ExecuteCommands(graph, {Add("videosink", "A"), Add("bogus", "B"), Add("videosink", "C")});
  EXPECT_EQ(result.Code, kErrCreateFilter);
  EXPECT_FALSE(graph.HasFilter("C"));
}

class GraphFileLoad : public GraphFolder {
protected:
  FakeGraph graph{FakeGraphSetup{}};
};

TEST_F(GraphFileLoad, BuildsAScriptAndAnXmlFileAndFindsAnotherLetterCase) {
  EXPECT_FALSE(LoadGraphFile(graph, Write("live.grs", kLiveGrs)).Failed());
  EXPECT_TRUE(graph.PinConnected("Source", "Audio"));

  FakeGraph other{FakeGraphSetup{}};
  Write("Pic.XGR", "<FILTER ID=\"Screen\" CLSID=\"videosink\">\n");
  EXPECT_FALSE(LoadGraphFile(other, (dir / "pic.xgr").string()).Failed());
  EXPECT_TRUE(other.HasFilter("Screen"));
}

TEST_F(GraphFileLoad, DoubleCommaLoadsTheFilter) {
  EXPECT_FALSE(LoadGraphFile(graph, Write("a.GRS", "LoadFilter(videosink,,Screen)\n")).Failed());
  EXPECT_TRUE(graph.HasFilter("Screen"));
}

TEST_F(GraphFileLoad, FilesWithoutCommandsAreInvalid) {
  const std::string grs = Write("only.grs", "# nothing\n// here\n");
  const TGraphResult script = LoadGraphFile(graph, grs);
  EXPECT_EQ(script.Code, kErrEmptyGrs);
  EXPECT_EQ(script.Text, "Invalid/Empty graph file: " + grs);
  const std::string xgr = Write("empty.xgr", "<graph>\n</graph>\n");
  EXPECT_EQ(LoadGraphFile(graph, xgr).Code, kErrEmptyXgr);
}

TEST_F(GraphFileLoad, NamesMissingFilesAndRefusesStorageFilesAndOtherExtensions) {
  EXPECT_EQ(LoadGraphFile(graph, "").Code, kErrNoGraphFile);
  EXPECT_EQ(LoadGraphFile(graph, "").Text, kTextNoGraphFile);
  const std::string missing = (dir / "missing.grs").string();
  EXPECT_EQ(LoadGraphFile(graph, missing).Code, kErrGraphFileMissing);
  EXPECT_EQ(LoadGraphFile(graph, missing).Text, "Graph file not found: " + missing);
  const std::string grf = Write("old.grf", "binary");
  EXPECT_EQ(LoadGraphFile(graph, grf).Code, kErrGrfNotLoaded);
  EXPECT_EQ(LoadGraphFile(graph, grf).Text, "Graph not loaded: " + grf);
  const TGraphResult other = LoadGraphFile(graph, Write("graph.txt", kLiveGrs));
  EXPECT_EQ(other.Code, -1);
  EXPECT_EQ(other.Text, "");
  EXPECT_FALSE(graph.HasFilter("Source"));
}

TEST_F(GraphFileLoad, AFileThatCannotBeReadIsNotMissing) {
  fs::create_directories(dir / "folder.grs");
  const TGraphResult folder = LoadGraphFile(graph, (dir / "folder.grs").string());
  EXPECT_EQ(folder.Code, kErrGraphFileUnreadable);
  EXPECT_THAT(folder.Text, ::testing::HasSubstr("folder.grs"));

  const std::string locked = Write("locked.grs", kLiveGrs);
  fs::permissions(locked, fs::perms::none);
  if (::access(locked.c_str(), R_OK) == 0)
    GTEST_SKIP() << "running with the power to read any file";
  EXPECT_EQ(LoadGraphFile(graph, locked).Code, kErrGraphFileUnreadable);
}

} // namespace
