// The six graph slots, their settings and the helper table a device module calls from its own
// threads.
#include "video/graph_errors.h"
#include "video/graph_slots.h"
#include "video/helper_table.h"

#include "fake_graph.h"
#include "frame/app_paths.h"
#include "graph_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

using namespace qev::video;
using namespace qev::video::test;
using ::testing::HasSubstr;

namespace {

class Slots : public GraphFolder {
protected:
  void SetUp() override {
    GraphFolder::SetUp();
    qev::frame::SetPaths(qev::frame::TAppPaths(dir));
    fs::create_directories(dir / "Configs");
    fs::create_directories(dir / "Graphs");
    live = Write("Graphs/live.grs", kLiveGrs);
  }
  void TearDown() override {
    SetHelperSlots(nullptr);
    qev::frame::SetPaths(qev::frame::TAppPaths());
    GraphFolder::TearDown();
  }
  void Configure(const std::string &graphFiles) {
    Write("Configs/DirectShow.cfg", "[GraphFiles]\n" + graphFiles);
  }

  std::string live;
  FakeGraphFactory factory;
  TGraphSlots slots{factory};
};

TEST_F(Slots, SlotsOutsideTheSixAnswerAsEmptyOnes) {
  PictureRecord picture{};
  SoundRecord sound{};
  const std::uint8_t data[188] = {};
  for (const int slot : {-1, 6, 255}) {
    EXPECT_EQ(slots.CreateGraph(slot, kGraphLiveFeed, live, "", false), kNoGraph);
    EXPECT_EQ(slots.OpenAvGraph(slot, 1, 2, false), 0u);
    EXPECT_EQ(slots.AttachWindow(slot, 1, 2), 0u);
    EXPECT_EQ(slots.SetWindowRect(slot, 0, 0, 1, 1), kNoGraph);
    EXPECT_EQ(slots.SetVideoProperty(slot, 1, 5), kNoGraph);
    EXPECT_EQ(slots.StartFeed(slot, 1, 2, 3, 0), kNoGraph);
    EXPECT_EQ(slots.Picture(slot, false, picture), kNoGraph);
    EXPECT_EQ(slots.Sound(slot, true, sound), kNoGraph);
    EXPECT_EQ(slots.Run(slot), kNoGraph);
    EXPECT_EQ(slots.Stop(slot), kNoGraph);
    slots.FeedData(slot, data, sizeof data);
    slots.CloseGraph(slot);
    EXPECT_FALSE(slots.HasGraph(slot));
    EXPECT_EQ(slots.LastError(slot), "");
    EXPECT_TRUE(slots.ListFilters(slot).empty());
    EXPECT_FALSE(slots.Counts(slot));
    EXPECT_FALSE(slots.CurrentMediaType(slot, TMajorType::Video));
    EXPECT_EQ(slots.ScrambledPackets(slot), 0u);
  }
  EXPECT_EQ(slots.SetWindowRect(2, 0, 0, 1, 1), kNoGraph); // a valid but empty slot
  EXPECT_EQ(factory.Created(), 0);
}

TEST_F(Slots, AFailedCreateLeavesTheSlotEmptyWithTheGraphsError) {
  ASSERT_EQ(slots.CreateGraph(1, kGraphLiveFeed, live, "", false), 0);
  EXPECT_EQ(slots.CreateGraph(1, kGraphLiveFeed, Write("radio.grs", "LoadFilter(audiosink,S)\n"),
                              "", false),
            kErrSourceFilterMissing);
  EXPECT_FALSE(slots.HasGraph(1));
  EXPECT_THAT(slots.LastError(1), HasSubstr("AV1: Graph Error [D001]"));
  EXPECT_EQ(slots.CreateGraph(1, 3, live, "", false), -1);
  ASSERT_EQ(slots.CreateGraph(1, kGraphLiveFeed, live, "", false), 0);
  EXPECT_EQ(slots.LastError(1), "");
  EXPECT_EQ(slots.ListFilters(1).size(), 5u);
  slots.CloseGraph(1);
  EXPECT_FALSE(slots.HasGraph(1));
}

TEST_F(Slots, OpensTheConfiguredGraphAndAttachesItsWindow) {
  Configure("Graph_PIP =  live.grs \nGraph_MED=\n");
  EXPECT_EQ(slots.OpenAvGraph(3, 42, 43, false), 42u);
  EXPECT_EQ(slots.LastError(3), "");
  EXPECT_EQ(slots.SetWindowRect(3, 0, 0, 320, 200), 0);
  EXPECT_EQ(slots.SetVideoProperty(3, 1, 10), 0);
  EXPECT_EQ(factory.Last()->CountOf("Crop(36,28)"), 1u);

  EXPECT_EQ(slots.OpenAvGraph(0, 42, 43, false), 0u);
  EXPECT_THAT(slots.LastError(0), HasSubstr("No graph file (GRF/XGR/GRS)."));
  EXPECT_FALSE(slots.HasGraph(0));

  factory.Setup().FailGeometry = true;
  EXPECT_EQ(slots.OpenAvGraph(1, 42, 43, false), 42u);
  EXPECT_EQ(slots.SetWindowRect(1, 0, 0, 320, 200), kErrWindowPosition);
  EXPECT_THAT(slots.LastError(1), HasSubstr("320x200"));
}

TEST_F(Slots, GraphFilesAreFoundUnderTheSlotsName) {
  Configure("Graph_AV0=a.grs\nGraph_PIP=p.xgr\nGraph_MED=m.grs\nGraph_DVD=  \n");
  EXPECT_EQ(SlotGraphFile(0), (dir / "Graphs" / "a.grs").string());
  for (int slot : {1, 2, 3})
    EXPECT_EQ(SlotGraphFile(slot), (dir / "Graphs" / "p.xgr").string());
  EXPECT_EQ(SlotGraphFile(4), (dir / "Graphs" / "m.grs").string());
  EXPECT_EQ(SlotGraphFile(5), "");
  EXPECT_EQ(SlotGraphFile(6), "");
}

TEST_F(Slots, FeedStartsWithTheSlotsOptionsAndReportsTheSourcesFindings) {
  TDirectShowOptions options;
  options.MTDetect = kDetectOff;
  options.Latency = 120;
  slots.SetOptions(options);
  ASSERT_EQ(slots.CreateGraph(2, kGraphLiveFeed, live, "", false), 0);
  FakeAvSource &source = factory.Last()->Source();
  EXPECT_EQ(slots.StartFeed(2, 0x101, 0x100, 0x100, 0), 0);
  EXPECT_EQ(source.Param(273), 120);
  EXPECT_EQ(source.Param(258), 0);
  TMediaType audio;
  audio.Major = TMajorType::Audio;
  audio.Subtype = "ac3";
  source.Announce(TMajorType::Audio, audio);
  source.SetScrambled(17);
  EXPECT_EQ(slots.CurrentMediaType(2, TMajorType::Audio), audio);
  EXPECT_FALSE(slots.CurrentMediaType(2, TMajorType::Video));
  EXPECT_EQ(slots.ScrambledPackets(2), 17u);
  EXPECT_TRUE(slots.Counts(2));
}

TEST_F(Slots, PvaGraphsTakePvaData) {
  ASSERT_EQ(slots.CreateGraph(0, kGraphLiveFeed, live, "", true), 0);
  const std::uint8_t data[64] = {};
  slots.FeedData(0, data, sizeof data);
  EXPECT_EQ(factory.Last()->Source().PvaDeliveries(), 1u);
}

TEST_F(Slots, OptionsAreReadAndWrittenInTheirSection) {
  const fs::path file = dir / "Configs" / "DirectShow.cfg";
  const TDirectShowOptions defaults = LoadDirectShowOptions(file);
  EXPECT_EQ(defaults.MTDetect, 1);
  EXPECT_EQ(defaults.RMaskVid, 0x102u);
  EXPECT_EQ(defaults.RMaskAud, 0x100u);
  EXPECT_TRUE(defaults.DirRecon);
  EXPECT_EQ(defaults.RunTimeout, std::chrono::milliseconds(1500));

  TDirectShowOptions changed;
  changed.Latency = 250;
  changed.MTDetect = 2;
  changed.DirRecon = false;
  changed.OnlyIFrm = true;
  changed.RMaskVid = 0x103;
  changed.RMaskAud = 0x1A0;
  changed.NonModPP = true;
  changed.RunTimeout = std::chrono::milliseconds(4000);
  ASSERT_EQ(SaveDirectShowOptions(file, changed), "");
  const TDirectShowOptions read = LoadDirectShowOptions(file);
  EXPECT_EQ(read.Latency, 250);
  EXPECT_EQ(read.MTDetect, 2);
  EXPECT_FALSE(read.DirRecon);
  EXPECT_TRUE(read.OnlyIFrm);
  EXPECT_EQ(read.RMaskVid, 0x103u);
  EXPECT_EQ(read.RMaskAud, 0x1A0u);
  EXPECT_TRUE(read.NonModPP);
  // The run time-out lives in memory only.
  EXPECT_EQ(read.RunTimeout, std::chrono::milliseconds(1500));
  EXPECT_EQ(LoadDirectShowOptions(file, changed).RunTimeout, std::chrono::milliseconds(4000));
}

TEST_F(Slots, OptionsThatCannotBeReadAreNeitherTakenNorOverwritten) {
  const fs::path file = dir / "Configs" / "DirectShow.cfg";
  fs::create_directories(file);
  EXPECT_EQ(LoadDirectShowOptions(file).MTDetect, 1);
  EXPECT_THAT(SaveDirectShowOptions(file, {}), HasSubstr("DirectShow.cfg"));
  EXPECT_TRUE(fs::is_directory(file));
}

TEST_F(Slots, HelperTableAnswersForEmptySlotsAndCopiesErrorsSafely) {
  const DsHelperTable &table = HelperTable();
  EXPECT_EQ(table.Version, 0x0200);
  char text[16];
  std::memset(text, 'x', sizeof text);
  EXPECT_EQ(table.HlpSetWindowRect(1, 0, 0, 1, 1, 0), kNoGraph); // no slots set yet
  EXPECT_EQ(table.HlpErrorText(1, text, sizeof text), 0);
  EXPECT_EQ(text[0], '\0');

  SetHelperSlots(&slots);
  Configure("Graph_AV0=\n");
  EXPECT_EQ(table.HlpOpenAvGraph(0, 1, 2, 0, 0, 0, 0, 0, 0), 0u);
  std::memset(text, 'x', sizeof text);
  EXPECT_EQ(table.HlpErrorText(0, text, 10), 0);
  EXPECT_EQ(std::string(text), "AV0: Grap");
  EXPECT_EQ(text[10], 'x');
  EXPECT_EQ(table.HlpErrorText(0, text, 1), 0);
  EXPECT_EQ(text[0], '\0');
  EXPECT_EQ(table.HlpErrorText(0, nullptr, 10), 0);
  EXPECT_EQ(table.HlpErrorText(9, text, 10), 0);
  EXPECT_EQ(text[0], '\0');

  Configure("Graph_AV0=Grüße.grs\n");
  EXPECT_EQ(table.HlpOpenAvGraph(0, 1, 2, 0, 0, 0, 0, 0, 0), 0u);
  const std::string error = slots.LastError(0);
  const std::size_t umlaut = error.find("ü");
  ASSERT_NE(umlaut, std::string::npos);
  std::vector<char> cut(umlaut + 2, 'x');
  EXPECT_EQ(table.HlpErrorText(0, cut.data(), static_cast<std::int32_t>(cut.size())), 0);
  EXPECT_EQ(std::string(cut.data()), error.substr(0, umlaut));

  EXPECT_EQ(table.HlpSetVideoProperty(0, 1, 10), kNoGraph);
  EXPECT_EQ(table.HlpStartFeed(7, 1, 2, 3, 0), kNoGraph);
  EXPECT_EQ(table.HlpPicture(0, 0, nullptr), kNoGraph);
  EXPECT_EQ(table.HlpCloseGraph(0), 0);
  table.HlpFeedData(0, nullptr, 0);

  Configure("Graph_AV0=live.grs\n");
  EXPECT_EQ(table.HlpOpenAvGraph(0, 5, 6, 1, 2, 3, 4, 0, 0), 5u);
  EXPECT_EQ(table.HlpAttachWindow(0, 8, 9, 0, 0, 0, 0, 0), 8u);
  EXPECT_EQ(table.HlpPicture(0, 0, nullptr), kErrNoRecord);
  SoundRecord sound{};
  EXPECT_EQ(table.HlpSound(0, 0, &sound), 0);
  EXPECT_EQ(table.HlpSound(0, 5, &sound), kErrBadOperation);
  EXPECT_EQ(table.HlpSetVideoProperty(0, 9, 0), -1);
  EXPECT_EQ(table.HlpCloseGraph(0), 0);
  EXPECT_FALSE(slots.HasGraph(0));
}

TEST_F(Slots, HelpersFromManyThreadsMeetASlotThatOpensAndCloses) {
  TDirectShowOptions options;
  options.MTDetect = kDetectReport;
  slots.SetOptions(options);
  SetHelperSlots(&slots);
  const DsHelperTable &table = HelperTable();
  std::atomic<bool> done{false};
  std::vector<std::thread> users;
  for (int t = 0; t < 3; ++t)
    users.emplace_back([&, t] {
      const std::uint8_t packets[188 * 4] = {0x47};
      char text[64];
      SoundRecord sound{};
      PictureRecord picture{};
      while (!done) {
        table.HlpFeedData(1, packets, sizeof packets);
        table.HlpSetWindowRect(1, t, t, 100, 100, 0);
        table.HlpSound(1, 0, &sound);
        table.HlpPicture(1, 0, &picture);
        table.HlpErrorText(1, text, sizeof text);
        table.HlpStartFeed(1, 0x101, 0x100, 0x100, 0);
      }
    });
  for (int round = 0; round < 150; ++round) {
    ASSERT_EQ(slots.CreateGraph(1, kGraphLiveFeed, live, "", round % 2 == 0), 0);
    table.HlpAttachWindow(1, 3, 4, 0, 0, 0, 0, 0);
    table.HlpCloseGraph(1);
  }
  done = true;
  for (std::thread &user : users)
    user.join();
  EXPECT_FALSE(slots.HasGraph(1));
}

} // namespace
