// A channel read again from its tables: the sections come from a stand-in device that delivers
// them from a thread of its own, the messages go to a scripted presenter.
#include "si/channel_rescan.h"

#include "frame/options.h"
#include "psi_tables.h"
#include "si/psi_test_sections.h"
#include "si_tables.h"
#include "support/scripted_presenter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace qev::si {
namespace {

using namespace std::chrono_literals;
using data::TChannelRec;
using test::FakeFilterSource;

constexpr std::uint16_t kTid = 0x0444;
constexpr std::uint16_t kSid = 0x0021;
constexpr std::uint16_t kPmtPid = 0x0100;
constexpr std::uint16_t kVideo = 0x0101, kAudio = 0x0102, kTeletext = 0x0104;
constexpr std::uint32_t kFreq = 12'000'000;
constexpr double kNow = 46000.5;

tsgen::Stream StreamOf(tsgen::StreamKind kind, std::uint16_t pid) {
  tsgen::Stream stream;
  stream.kind = kind;
  stream.pid = pid;
  stream.language = "eng";
  if (kind == tsgen::StreamKind::Teletext)
    stream.teletext = {tsgen::TeletextRef{}};
  return stream;
}

tsgen::Service ServiceOf(std::vector<tsgen::Stream> streams, std::vector<tsgen::CaSystem> ca = {}) {
  tsgen::Service service;
  service.serviceId = kSid;
  service.pmtPid = kPmtPid;
  service.pcrPid = kVideo;
  service.name = "One";
  service.provider = "QEV";
  service.streams = std::move(streams);
  service.ca = std::move(ca);
  return service;
}

tsgen::Service FullService() {
  return ServiceOf({StreamOf(tsgen::StreamKind::Mpeg2Video, kVideo),
                    StreamOf(tsgen::StreamKind::MpegAudio, kAudio),
                    StreamOf(tsgen::StreamKind::Teletext, kTeletext)});
}

std::vector<test::Bytes> Sdt(const std::string &name) {
  tsgen::Transponder tp;
  tp.transportStreamId = kTid;
  tsgen::Service service = FullService();
  service.name = name;
  tp.services = {service};
  return tsgen::BuildSdtActual(tp);
}

TChannelRec Stored() {
  TChannelRec rec{};
  rec.Freq = kFreq;
  rec.Polar = 'H';
  rec.SatIndex = 3;
  rec.TID = kTid;
  rec.SID = kSid;
  rec.PmtPid = kPmtPid;
  rec.SrvType = 1;
  data::SetChName(rec, "One");
  rec.ChNumber = 17;
  return rec;
}

class RescanTest : public ::testing::Test {
protected:
  RescanTest() {
    options_.Scanning.TimeoutPMT = 300;
    options_.Scanning.TimeoutCAT = 300;
    options_.Scanning.TimeoutSDT = 300;
    options_.Scanning.SetPrefAudLang = false;
    source_.Script(0x0001, {tsgen::BuildCat({{0x0500, 0x0700}})}, true);
  }

  TRescanLinks Links() {
    return TRescanLinks{source_,
                        options_,
                        [this] { return active_; },
                        [this](const std::string &table, int) { tables_.push_back(table); },
                        [this] { ++keptAlive_; },
                        [] { return kNow; },
                        [this] { waitOverAt_.push_back(presenter_.shown.size()); }};
  }
  // One PMT per rescan, in order; the last one stays.
  void ScriptPmts(const std::vector<tsgen::Service> &services) {
    for (const tsgen::Service &service : services)
      source_.Script(kPmtPid, {tsgen::BuildPmt(service)}, true);
  }

  frame::TOptions options_;
  FakeFilterSource source_;
  qev::test::ScriptedPresenter presenter_;
  std::optional<TActiveTransponder> active_ = TActiveTransponder{3, kFreq, 'H'};
  std::vector<std::string> tables_;
  int keptAlive_ = 0;
  // How many messages had been shown when the wait went.
  std::vector<std::size_t> waitOverAt_;
};

TEST_F(RescanTest, AChannelOffTheTunedTransponderIsLeftAlone) {
  for (const auto &active :
       {std::optional<TActiveTransponder>{}, std::optional(TActiveTransponder{3, kFreq, 'V'}),
        std::optional(TActiveTransponder{4, kFreq, 'H'}),
        std::optional(TActiveTransponder{3, kFreq + 1000, 'H'})}) {
    active_ = active;
    TChannelRec rec = Stored();
    EXPECT_FALSE(RescanChannel(Links(), rec, true));
    EXPECT_TRUE(data::ChEqual(rec, Stored()));
  }
  EXPECT_EQ(presenter_.Texts(),
            std::vector<std::string>(4, "Selected channel is not on active transponder..."));
  EXPECT_EQ(source_.Opened(kPmtPid), 0);
}

TEST_F(RescanTest, ARefusedOrIncompletePmtIsAnErrorAndChangesNothing) {
  TChannelRec rec = Stored();
  source_.Refuse(kPmtPid);
  EXPECT_FALSE(RescanChannel(Links(), rec, true));

  FakeFilterSource silent; // opens the filter, delivers nothing
  TRescanLinks links = Links();
  TRescanLinks silentLinks{silent,          options_,  links.Active,  links.Wait,
                           links.KeepAlive, links.Now, links.WaitOver};
  EXPECT_FALSE(RescanChannel(silentLinks, rec, true));

  EXPECT_TRUE(data::ChEqual(rec, Stored()));
  EXPECT_EQ(presenter_.Texts(), (std::vector<std::string>{
                                    "Channel rescan error.\r\r12000 H : PMT - Error adding filter",
                                    "Channel rescan error.\r\r12000 H : PMT - Table incomplete"}));
  ASSERT_EQ(presenter_.shown.size(), 2u);
  EXPECT_EQ(presenter_.shown[1].icon, frame::MessageIcon::Error);
  EXPECT_EQ(waitOverAt_, (std::vector<std::size_t>{0, 1})); // gone before each error
}

TEST_F(RescanTest, NewStreamsUpdateTheChannelAndTheSameTablesAgainChangeNothing) {
  ScriptPmts(
      {FullService(), FullService(), ServiceOf({StreamOf(tsgen::StreamKind::MpegAudio, kAudio)})});
  TChannelRec rec = Stored();
  EXPECT_TRUE(RescanChannel(Links(), rec, true));
  EXPECT_EQ(rec.VidPid, kVideo);
  EXPECT_EQ(rec.AudPid, kAudio);
  EXPECT_EQ(rec.TtxPid, kTeletext);
  EXPECT_EQ(rec.PcrPid, kVideo);
  EXPECT_EQ(rec.EsCount, 3);
  EXPECT_EQ(rec.ChNumber, 17); // the user's fields stay
  EXPECT_EQ(rec.TimeUpd, kNow);
  EXPECT_EQ(tables_, (std::vector<std::string>{"PMT", "CAT"}));
  EXPECT_GT(keptAlive_, 0);
  EXPECT_EQ(waitOverAt_, std::vector<std::size_t>{0});

  const TChannelRec first = rec;
  EXPECT_FALSE(RescanChannel(Links(), rec, true));
  EXPECT_TRUE(data::ChEqual(rec, first));
  EXPECT_EQ(presenter_.Texts(),
            (std::vector<std::string>{"One\r\rRescan OK - Channel was updated.",
                                      "One\r\rRescan OK - No changes detected."}));
  EXPECT_EQ(presenter_.shown[1].icon, frame::MessageIcon::Warning);

  // Not interactive, an update is the caller's to announce.
  EXPECT_TRUE(RescanChannel(Links(), rec, false));
  EXPECT_EQ(presenter_.shown.size(), 2u);
}

TEST_F(RescanTest, VideoAndTeletextPidsTheNewPmtLacksAreCleared) {
  ScriptPmts({ServiceOf({StreamOf(tsgen::StreamKind::MpegAudio, kAudio)}),
              ServiceOf({StreamOf(tsgen::StreamKind::MpegAudio, kAudio),
                         StreamOf(tsgen::StreamKind::Teletext, 0x0105)})});
  TChannelRec rec = Stored();
  rec.VidPid = kVideo;
  rec.TtxPid = kTeletext;
  rec.AudPid = 0x0999;
  EXPECT_TRUE(RescanChannel(Links(), rec, false));
  EXPECT_EQ(rec.VidPid, 0);
  EXPECT_EQ(rec.TtxPid, 0);
  EXPECT_EQ(rec.AudPid, kAudio);
  EXPECT_EQ(rec.EsCount, 1);

  // A teletext stream that moved is followed.
  rec.TtxPid = kTeletext;
  EXPECT_TRUE(RescanChannel(Links(), rec, false));
  EXPECT_EQ(rec.TtxPid, 0x0105);
}

TEST_F(RescanTest, TheChosenEcmPidSurvivesAndEmmPidsComeFromTheCat) {
  options_.General.SortCaListByID = false;
  ScriptPmts({ServiceOf({StreamOf(tsgen::StreamKind::Mpeg2Video, kVideo)},
                        {{0x0500, 0x0600, {}}, {0x0B00, 0x0601, {}}})});
  TChannelRec rec = Stored();
  rec.EcmPid = 0x0601;
  EXPECT_TRUE(RescanChannel(Links(), rec, false));
  EXPECT_EQ(rec.EcmPid, 0x0601);
  ASSERT_EQ(rec.CaCount, 2);
  EXPECT_EQ(rec.CaList[0].EcmPid, 0x0601);
  EXPECT_EQ(rec.CaList[1].CaId, 0x0500);
  EXPECT_EQ(rec.CaList[1].EmmPid, 0x0700);
  EXPECT_EQ(rec.CaList[0].EmmPid, 0); // no EMMs for that system

  // An ECM PID the PMT no longer lists gives way to the first one it does.
  rec.EcmPid = 0x0999;
  RescanChannel(Links(), rec, false);
  EXPECT_EQ(rec.EcmPid, 0x0600);
}

TEST_F(RescanTest, WithRescanSdtOnUpdTheServiceIsRenamed) {
  ScriptPmts({FullService()});
  source_.Script(0x0011, Sdt("Renamed"), true);
  TChannelRec rec = Stored();
  RescanChannel(Links(), rec, false);
  EXPECT_EQ(data::ChName(rec), "One");
  EXPECT_EQ(source_.Opened(0x0011), 0);

  options_.Scanning.RescanSDTOnUpd = true;
  EXPECT_TRUE(RescanChannel(Links(), rec, true));
  EXPECT_EQ(data::ChName(rec), "Renamed");
  EXPECT_EQ(data::FixedText(rec.ChProv), "QEV");
  EXPECT_EQ(presenter_.Texts().back(), "Renamed\r\rRescan OK - Channel was updated.");
  EXPECT_EQ(tables_.back(), "SDT");
}

TEST(CollectWithWait, CountsTheSecondsDownWhileKeepingTheInterfaceAlive) {
  FakeFilterSource source;
  source.Script(0x11, {test::MakeSection(0x42, 1, 0, 0, 1)}); // section 1 of 2 never comes
  std::vector<std::pair<std::string, int>> shown;
  int kept = 0;
  const PsiResult result = CollectWithWait(
      source, {"SDT", 0x11, {0x42, 0, 0}, 1200ms, 1, {}},
      [&](const std::string &table, int left) { shown.emplace_back(table, left); },
      [&] { ++kept; });
  EXPECT_EQ(result, PsiResult::TimeOut);
  EXPECT_EQ(shown, (std::vector<std::pair<std::string, int>>{{"SDT", 1}, {"SDT", 0}}));
  EXPECT_GT(kept, 10);
}

TEST(CollectWithWait, TheTableIsParsedOnAnotherThreadThatHasEndedOnReturn) {
  FakeFilterSource source;
  const auto table = {test::MakeSection(0x42, 1, 0, 0, 1, {7}),
                      test::MakeSection(0x42, 1, 0, 1, 1, {8})};
  source.Script(0x11, table);
  std::vector<std::uint8_t> parsed;
  std::thread::id parser;
  const PsiResult result =
      CollectWithWait(source,
                      {"SDT",
                       0x11,
                       {0x42, 0, 0},
                       5s,
                       1,
                       [&](std::span<const std::uint8_t> s) {
                         std::this_thread::sleep_for(20ms); // still parsing when the caller polls
                         parsed.push_back(s[8]);
                         parser = std::this_thread::get_id();
                       }},
                      {}, {});
  EXPECT_EQ(result, PsiResult::Complete);
  EXPECT_EQ(parsed, (std::vector<std::uint8_t>{7, 8}));
  EXPECT_NE(parser, std::this_thread::get_id());
  source.WaitOpenCount(0); // the filter was closed before the parse
}

} // namespace
} // namespace qev::si
