// Rescanning a stored channel from the channel tree: the tuning engine decides the active
// transponder and stores what the user agreed to keep.
#include "si/rescan_by_handle.h"

#include "device/engine_fixture.h"
#include "psi_tables.h"
#include "si/psi_test_sections.h"
#include "si/scan_texts.h"
#include "support/scripted_presenter.h"

namespace qev::si {
namespace {

constexpr std::uint16_t kPmtPid = 0x0500;
constexpr std::uint16_t kSid = 105;
constexpr std::uint16_t kAudio = 0x0502;

class RescanByHandleTest : public device::test::EngineTest {
protected:
  void SetUp() override {
    EngineTest::SetUp();
    data::TChannelRec rec = device::test::Channel(11778000, 'V', 27500, kSid, "Echo");
    rec.PmtPid = kPmtPid;
    rec.SatIndex = 1;
    echo = root.AddChannel(1, rec);
    options_.Scanning.TimeoutPMT = 300;
    options_.Scanning.TimeoutCAT = 100;
    tsgen::Service service;
    service.serviceId = kSid;
    service.pmtPid = kPmtPid;
    service.pcrPid = kAudio;
    tsgen::Stream audio;
    audio.kind = tsgen::StreamKind::MpegAudio;
    audio.pid = kAudio;
    service.streams = {audio};
    source_.Script(kPmtPid, {tsgen::BuildPmt(service)}, true);
  }

  bool Rescan(std::int32_t handle) {
    const TRescanLinks links{source_, options_, [this] { return ActiveTransponderOf(engine); },
                             {},      {},       [] {
          return 46000.0; }};
    return RescanByHandle(links, root.lists, engine, handle);
  }
  data::TChannelRec Stored(std::int32_t handle) const {
    return *root.lists.ChannelByHandle(handle);
  }

  frame::TOptions options_;
  test::FakeFilterSource source_;
  qev::test::ScriptedPresenter presenter_;
  std::int32_t echo = 0;
};

TEST_F(RescanByHandleTest, AnUpdateTheUserKeepsIsStoredAndAnUnchangedChannelAsksNothing) {
  StartOnAlpha();
  presenter_.AnswerNext(true);
  EXPECT_TRUE(Rescan(echo));
  const data::TChannelRec stored = Stored(echo);
  EXPECT_EQ(stored.AudPid, kAudio);
  EXPECT_EQ(stored.VidPid, 0); // the PMT has no video any more
  EXPECT_EQ(stored.TtxPid, 0);
  EXPECT_EQ(stored.PcrPid, kAudio);
  EXPECT_EQ(data::ChName(stored), "Echo");

  EXPECT_FALSE(Rescan(echo));
  EXPECT_EQ(
      presenter_.Texts(),
      (std::vector<std::string>{kRescanSaveQuestion, "Echo\r\rRescan OK - No changes detected."}));
}

TEST_F(RescanByHandleTest, AnUpdateTheUserDeclinesIsDropped) {
  StartOnAlpha();
  const data::TChannelRec before = Stored(echo);
  presenter_.AnswerNext(false);
  EXPECT_FALSE(Rescan(echo));
  EXPECT_TRUE(data::ChEqual(Stored(echo), before));
  EXPECT_EQ(presenter_.Texts(), std::vector<std::string>{kRescanSaveQuestion});
}

TEST_F(RescanByHandleTest, OnlyChannelsOfThePlayingTransponderAreRescanned) {
  EXPECT_FALSE(Rescan(echo)); // nothing plays yet
  StartOnAlpha();
  EXPECT_FALSE(Rescan(charlie));
  EXPECT_FALSE(Rescan(0x7FFF0000)); // names no channel: nothing to say
  EXPECT_EQ(presenter_.Texts(), std::vector<std::string>(2, kNotOnActiveTransponder));
  EXPECT_EQ(source_.Opened(kPmtPid), 0);
}

} // namespace
} // namespace qev::si
