#include "si/scan_engine.h"

#include "data/channel_lists.h"
#include "data/temp_root.h"
#include "device/transponder_tuner.h"
#include "frame/notification_hub.h"
#include "frame/options.h"
#include "psi_tables.h"
#include "si/psi_test_sections.h"
#include "si/scan_texts.h"
#include "si_tables.h"
#include "support/scripted_presenter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>

namespace qev::si {
namespace {

namespace fs = std::filesystem;
using data::TChannelRec;
using data::TTransponder;
using test::Bytes;
using test::FakeFilterSource;
using test::MakeSection;

class FakeTuner final : public device::ITransponderTuner {
public:
  std::int32_t TuneTransponder(std::uint32_t frequency, std::string_view, std::uint32_t,
                               std::uint16_t, bool satelliteChanged) override {
    calls.push_back({frequency, satelliteChanged});
    if (onTune)
      onTune();
    return noLock.contains(frequency) ? 1 : 0;
  }

  std::set<std::uint32_t> noLock;
  std::vector<std::pair<std::uint32_t, bool>> calls;
  std::function<void()> onTune;
};

class RecordingView final : public IScanView {
public:
  void ScanStatus(const std::string &text) override { statuses.push_back(text); }
  void ScanCurrent(const TTransponder &, bool tuning) override { redWhileTuning |= tuning; }
  void ScanBlindChanged() override { ++blindChanges; }
  void ScanUpdateEnabled(bool enabled) override { updateEnabled = enabled; }
  void ScanPendingJobs(int pending) override { pendingShown.push_back(pending); }

  std::vector<std::string> statuses;
  std::vector<int> pendingShown;
  bool redWhileTuning = false;
  int blindChanges = 0;
  bool updateEnabled = false;
};

tsgen::Stream StreamOf(tsgen::StreamKind kind, std::uint16_t pid) {
  tsgen::Stream stream;
  stream.kind = kind;
  stream.pid = pid;
  stream.language = "eng";
  return stream;
}

tsgen::Service ServiceOf(std::uint16_t sid, tsgen::ServiceType type, std::string name,
                         std::vector<tsgen::Stream> streams) {
  tsgen::Service service;
  service.serviceId = sid;
  service.pmtPid = static_cast<std::uint16_t>(0x100 + sid);
  service.type = static_cast<std::uint8_t>(type);
  service.name = std::move(name);
  service.provider = "QEV";
  service.streams = std::move(streams);
  return service;
}

Bytes PatSection(std::uint16_t tsid, std::uint8_t number, std::uint8_t last,
                 const std::vector<tsgen::Service> &services) {
  Bytes payload;
  for (const auto &service : services) {
    for (const std::uint16_t value :
         {service.serviceId, static_cast<std::uint16_t>(0xE000 | service.pmtPid)}) {
      payload.push_back(static_cast<std::uint8_t>(value >> 8));
      payload.push_back(static_cast<std::uint8_t>(value));
    }
  }
  return MakeSection(0x00, tsid, 0, number, last, payload);
}

std::vector<std::string> Texts(const TScanEngine &engine, const char *category) {
  std::vector<std::string> texts;
  if (const auto *page = engine.Log().Page(category))
    for (const auto &message : page->Messages)
      texts.push_back(message.Text);
  return texts;
}

bool Contains(const std::vector<std::string> &texts, const std::string &text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

int CountWith(const std::vector<std::string> &texts, const std::string &part) {
  return static_cast<int>(std::count_if(texts.begin(), texts.end(), [&](const std::string &t) {
    return t.find(part) != std::string::npos;
  }));
}

class ScanEngineTest : public qev::test::TempRoot {
protected:
  void SetUp() override {
    TempRoot::SetUp();
    sat.SatIdx = 1;
    sat.SatPos = 192;
    sat.SatActive = 1;
    data::SetSatName(sat, "Astra");
    sats.SatAdd(sat);
    options.Scanning.TimeoutPAT = 300;
    options.Scanning.TimeoutCAT = 300;
    options.Scanning.TimeoutSDT = 600;
    options.Scanning.TimeoutPMT = 600;
    hub.Add(frame::kNotifyListsChanged, &CountNotification, &listsChanged);
  }

  static void CountNotification(void *context, std::intptr_t, std::intptr_t) {
    ++*static_cast<int *>(context);
  }

  std::unique_ptr<TScanEngine> Engine(const std::vector<TTransponder> &tps) {
    TScanSatellite satellite = LoadScanSatellite(sat);
    for (const TTransponder &tp : tps)
      satellite.Transponders.TpAdd(tp);
    TScanLinks links{tuner,
                     filters,
                     options,
                     lists,
                     [this] {
                       TuneRequest r = request;
                       r.Frequency = tuner.calls.back().first * 1000;
                       return r;
                     },
                     [] { return 77; },
                     &hub,
                     nullptr,
                     [this] {
                       if (keepAlive)
                         keepAlive();
                     },
                     [] { return 45000.0; }};
    return std::make_unique<TScanEngine>(std::move(links), view, std::move(satellite));
  }

  // PAT, SDT, CAT and every PMT of the transponder, each delivered once per filter opening.
  void ScriptAll(const tsgen::Transponder &tp) {
    filters.Script(0x0000, tsgen::BuildPat(tp));
    ScriptJobs(tp);
  }
  void ScriptJobs(const tsgen::Transponder &tp) {
    filters.Script(0x0011, tsgen::BuildSdtActual(tp));
    filters.Script(0x0001, {tsgen::BuildCat(tp.emms)});
    for (const auto &service : tp.services)
      filters.Script(service.pmtPid, {tsgen::BuildPmt(service)});
  }

  static TTransponder Tp(std::uint32_t freq, char polar = 'V') {
    return data::MakeTransponder(freq, polar, 27500, true);
  }

  data::TSatRec sat{};
  data::TSatList sats;
  data::TChannelLists lists{sats};
  frame::TOptions options;
  frame::TNotificationHub hub;
  int listsChanged = 0;
  FakeFilterSource filters;
  FakeTuner tuner;
  RecordingView view;
  qev::test::ScriptedPresenter presenter;
  TuneRequest request{11778000, 2, 27500000, 10600000, 1, 13, 5, 0};
  std::function<void()> keepAlive;
};

// Three services: an H.264 service the SDT calls type 25, a radio service with AC-3 only, and a
// free-to-air service whose PMT carries a CA system of the CAT.
tsgen::Transponder ThreeServices() {
  tsgen::Transponder tp;
  tp.transportStreamId = 0x0444;
  tp.services = {ServiceOf(1, tsgen::ServiceType::AvcTv, "  One  ",
                           {StreamOf(tsgen::StreamKind::H264Video, 0x200),
                            StreamOf(tsgen::StreamKind::MpegAudio, 0x201)}),
                 ServiceOf(2, tsgen::ServiceType::Radio, "Radio AC3",
                           {StreamOf(tsgen::StreamKind::Ac3Audio, 0x211)}),
                 ServiceOf(3, tsgen::ServiceType::Tv, "Three",
                           {StreamOf(tsgen::StreamKind::Mpeg2Video, 0x220),
                            StreamOf(tsgen::StreamKind::MpegAudio, 0x221)})};
  tp.services[2].ca = {{0x0B00, 0x230, {}}};
  tp.emms = {{0x0B00, 0x240}};
  return tp;
}

TEST_F(ScanEngineTest, PatOnTheSecondAttemptScansOnceAndTheSameScanMergesUnchanged) {
  const data::TPcaRec category{11778000, 'V', 1, 7};
  WriteFile(root / "SatFiles/Category/0192.pca",
            std::string(reinterpret_cast<const char *>(&category), sizeof category));
  const auto tp = ThreeServices();
  // The first attempt sees only the first of two sections.
  filters.Script(0x0000, {PatSection(0x0444, 0, 1, {tp.services[0], tp.services[1]})});
  filters.Script(0x0000, {PatSection(0x0444, 0, 1, {tp.services[0], tp.services[1]}),
                          PatSection(0x0444, 1, 1, {tp.services[2]})});
  ScriptJobs(tp);
  auto engine = Engine({Tp(11778)});

  engine->ScanRun(false);

  EXPECT_TRUE(Contains(view.statuses, "Scan PAT 2/2"));
  EXPECT_TRUE(view.redWhileTuning);
  const auto scan = Texts(*engine, kScanCategoryScan);
  EXPECT_EQ(scan, (std::vector<std::string>{kScanStart, "11778,V,27500: 003 channels", kScanDone}));
  EXPECT_TRUE(Texts(*engine, kScanCategoryWarnings).empty());
  for (const auto &service : tp.services)
    EXPECT_EQ(filters.Opened(service.pmtPid), 1);
  const auto &recs = engine->Accumulated();
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(recs[0].SID, 1);
  EXPECT_EQ(recs[0].Freq, 11778000u);
  EXPECT_EQ(recs[0].SRate, 27500);
  EXPECT_EQ(recs[0].Polar, 'V');
  EXPECT_EQ(recs[0].TuneAux, 5);
  EXPECT_EQ(recs[0].SatIndex, 1);
  EXPECT_EQ(recs[0].VolAdj, 100);
  EXPECT_EQ(recs[0].Categ, 7);
  EXPECT_EQ(data::ChName(recs[0]), "One");
  EXPECT_EQ(recs[0].SrvType, 1); // type 25 with video and audio
  EXPECT_EQ(recs[1].SrvType, 2); // AC-3 only stays radio
  EXPECT_EQ(recs[1].AudPid, 0x211);
  EXPECT_EQ(recs[2].Encrypted, 1);
  EXPECT_EQ(recs[2].CaList[0].EmmPid, 0x240);
  EXPECT_TRUE(view.updateEnabled);
  EXPECT_EQ(engine->NewServices().size(), 3u);

  const auto first = engine->ScanMerge(false);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->New, 3);
  ASSERT_EQ(presenter.shown.size(), 1u);
  const std::string &box = presenter.shown[0].text;
  EXPECT_EQ(box.rfind("3 scanned channels was saved in ", 0), 0u) << box;
  EXPECT_NE(box.find(" ms\r" + std::string(60, '-') +
                     "\rNew = 3 , Updated = 0 , Unchanged = 0 , Removed = 0"),
            std::string::npos)
      << box;
  EXPECT_TRUE(engine->Saved());
  EXPECT_FALSE(engine->HasUnmerged());
  EXPECT_FALSE(view.updateEnabled);
  EXPECT_EQ(listsChanged, 1);
  EXPECT_TRUE(fs::exists(root / "SatFiles/Channels/0192.bch"));

  engine->ScanRun(false);
  const auto second = engine->ScanMerge(false);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->New, 0);
  EXPECT_EQ(second->Unchanged, 3);
  EXPECT_EQ(second->Updated, 0);
}

TEST_F(ScanEngineTest, PatWithTheNetworkProgramOnlyGivesNoServicesAndNoJobs) {
  filters.Script(0x0000, {MakeSection(0x00, 0x0444, 0, 0, 0, {0x00, 0x00, 0xE0, 0x10})});
  auto engine = Engine({Tp(11778)});

  engine->ScanRun(false);

  EXPECT_TRUE(Contains(Texts(*engine, kScanCategoryScan), "11778,V,27500: 000 channels"));
  EXPECT_EQ(filters.Opened(0x0011), 0);
  EXPECT_EQ(filters.Opened(0x0001), 0);
  EXPECT_FALSE(engine->HasUnmerged());
  EXPECT_FALSE(view.updateEnabled);
}

TEST_F(ScanEngineTest, RefusedOrIncompletePatEndsOnlyThatTransponder) {
  filters.RefuseTimes(0x0000, 2);
  filters.Script(0x0000, {}); // then nothing arrives
  tuner.noLock = {12100};
  auto engine = Engine({Tp(11778), Tp(12000, 'H'), Tp(12100)});

  engine->ScanRun(false);

  EXPECT_EQ(filters.Refusals(0x0000), 2);
  const auto warnings = Texts(*engine, kScanCategoryWarnings);
  EXPECT_EQ(warnings, (std::vector<std::string>{"11778,V,27500 PAT - Error adding filter",
                                                "12000,H,27500 PAT - Table incompleted"}));
  EXPECT_EQ(engine->Log().Page(kScanCategoryWarnings)->Messages[0].Level, TScanLevel::Error);
  EXPECT_EQ(engine->Log().Page(kScanCategoryWarnings)->Messages[1].Level, TScanLevel::Information);
  EXPECT_EQ(engine->Warnings(), (std::vector<std::string>{"11778,V,27500", "12000,H,27500"}));
  EXPECT_EQ(Texts(*engine, kScanCategoryNoSignal), (std::vector<std::string>{"12100,V,27500"}));
  EXPECT_EQ(Texts(*engine, kScanCategoryScan), (std::vector<std::string>{kScanStart, kScanDone}));
  // The dish commands go out with the first tune of the run only.
  ASSERT_EQ(tuner.calls.size(), 3u);
  EXPECT_TRUE(tuner.calls[0].second);
  EXPECT_FALSE(tuner.calls[1].second);
}

TEST_F(ScanEngineTest, RefusedTableFiltersAreOpenedAgainUntilTheyWorkAndSdtOtherIsIgnored) {
  const auto tp = ThreeServices();
  // The SDT's PID also carries another transport's SDT, with the same ids.
  tsgen::OtherTransport other;
  other.transportStreamId = tp.transportStreamId;
  other.services = {ServiceOf(1, tsgen::ServiceType::Radio, "Not this one", {})};
  auto sdt = tsgen::BuildSdtOther(other);
  for (auto &section : tsgen::BuildSdtActual(tp))
    sdt.push_back(std::move(section));
  filters.Script(0x0011, sdt);
  ScriptAll(tp);
  filters.RefuseTimes(tp.services[0].pmtPid, 5);
  filters.RefuseTimes(0x0011, 3);
  auto engine = Engine({Tp(11778)});

  engine->ScanRun(false);

  EXPECT_EQ(filters.Refusals(tp.services[0].pmtPid), 5);
  EXPECT_TRUE(Texts(*engine, kScanCategoryWarnings).empty());
  ASSERT_EQ(engine->Accumulated().size(), 3u);
  EXPECT_EQ(engine->Accumulated()[0].VidPid, 0x200);
  EXPECT_EQ(data::ChName(engine->Accumulated()[0]), "One");
  EXPECT_EQ(engine->Accumulated()[0].SrvType, 1);
  EXPECT_EQ(view.pendingShown.back(), 0);
}

TEST_F(ScanEngineTest, UnfinishedJobsBecomeWarningsByHowTheyEnded) {
  auto tp = ThreeServices();
  tp.services.resize(2);
  filters.Script(0x0000, tsgen::BuildPat(tp));
  // One of two SDT sections, a PMT that never comes, a PMT filter always refused, no CAT.
  filters.Script(0x0011, {MakeSection(0x42, 0x0444, 0, 0, 1, {0x00, 0x01, 0xFF})});
  filters.Refuse(tp.services[1].pmtPid);
  options.Scanning.TimeoutSDT = 20000;
  options.Scanning.NoWarningCAT = false;
  auto engine = Engine({Tp(11778)});
  engine->SetJobsLimitMs(1000);

  engine->ScanRun(false);

  const auto warnings = Texts(*engine, kScanCategoryWarnings);
  ASSERT_EQ(warnings.size(), 4u) << ::testing::PrintToString(warnings);
  EXPECT_EQ(warnings[0].rfind("11778,V,27500 SDT-Timeout     PID=0011 DATA=0000 RX=1/1 Time=", 0),
            0u);
  EXPECT_EQ(warnings[1].rfind("11778,V,27500 CAT-Incomplete  PID=0001 DATA=0000 RX=0/0 Time=", 0),
            0u);
  EXPECT_EQ(warnings[2].rfind("11778,V,27500 PMT-Incomplete  PID=0101 DATA=0001 RX=0/0 Time=", 0),
            0u);
  EXPECT_EQ(warnings[3], "11778,V,27500 PMT-Filter Err  PID=0102 DATA=0002 RX=0/0 Time=0");
  EXPECT_TRUE(Contains(Texts(*engine, kScanCategoryScan), "11778,V,27500 Scan timeout..."));
  // The records keep what their tables gave.
  ASSERT_EQ(engine->Accumulated().size(), 2u);
  EXPECT_EQ(engine->Accumulated()[0].PmtPid, 0x101);
  EXPECT_EQ(engine->Accumulated()[0].EsCount, 0);
  EXPECT_EQ(engine->Warnings(), (std::vector<std::string>{"11778,V,27500"}));

  options.Scanning.NoWarningCAT = true;
  engine->ScanRun(false);
  EXPECT_EQ(CountWith(Texts(*engine, kScanCategoryWarnings), "CAT-"), 0);
}

TEST_F(ScanEngineTest, JobsStillQueuedAtTheLimitAreNotCalledFilterErrors) {
  tsgen::Transponder tp;
  for (std::uint16_t sid = 1; sid <= 40; ++sid)
    tp.services.push_back(ServiceOf(sid, tsgen::ServiceType::Tv, "", {}));
  filters.Script(0x0000, tsgen::BuildPat(tp));
  options.Scanning.TimeoutSDT = options.Scanning.TimeoutCAT = options.Scanning.TimeoutPMT = 20000;
  auto engine = Engine({Tp(11778)});
  engine->SetJobsLimitMs(1500); // room for all 32 collectors to start, even when slowed

  engine->ScanRun(false);

  const auto warnings = Texts(*engine, kScanCategoryWarnings);
  EXPECT_LE(filters.MaxOpen(), 32u);
  EXPECT_EQ(CountWith(warnings, "-Filter Err"), 0);
  EXPECT_EQ(CountWith(warnings,
                      std::string("PMT") + PsiResultLabel(PsiResult::TimeOutBeforeStart) + " PID="),
            10);
  EXPECT_EQ(CountWith(warnings, "PMT-Timeout     PID="), 30);
  EXPECT_EQ(engine->Accumulated().size(), 40u);
  EXPECT_EQ(data::ChName(engine->Accumulated()[0x1A - 1]), "(empty) SID 001A");
}

TEST_F(ScanEngineTest, AbortDuringTheJobsEndsTheRunAtOnce) {
  auto tp = ThreeServices();
  filters.Script(0x0000, tsgen::BuildPat(tp));
  options.Scanning.TimeoutPMT = 20000;
  auto engine = Engine({Tp(11778), Tp(12000)});
  keepAlive = [&] {
    if (filters.Opened(tp.services[0].pmtPid) > 0)
      engine->Abort();
  };

  engine->ScanRun(false);

  const auto scan = Texts(*engine, kScanCategoryScan);
  EXPECT_EQ(scan, (std::vector<std::string>{kScanStart, kScanAborted}));
  EXPECT_EQ(tuner.calls.size(), 1u);
  EXPECT_FALSE(engine->HasUnmerged());
  EXPECT_FALSE(engine->Running());
}

TEST_F(ScanEngineTest, SignalTestFillsAndClearsTheBlindList) {
  WriteFile(root / "SatFiles/Transponders/0192.tws", "11778,V,27500\n");
  tuner.noLock = {12000};
  auto engine = Engine({Tp(11778), Tp(12000, 'H'), Tp(12100)});
  engine->Satellite().Transponders.TpSetMarked(2, false);
  ASSERT_EQ(engine->Satellite().Blind.size(), 1u);

  engine->SignalCheckRun();

  const auto test = Texts(*engine, kScanCategoryTest);
  ASSERT_EQ(test.size(), 4u);
  EXPECT_EQ(test[0], kSignalTestStart);
  EXPECT_EQ(test[1].rfind("11778,V,27500: Signal OK (77%,", 0), 0u) << test[1];
  EXPECT_EQ(test[2], "12000,H,27500: NO Signal");
  EXPECT_EQ(test[3], kSignalTestFinished);
  const auto &blind = engine->Satellite().Blind;
  ASSERT_EQ(blind.size(), 1u);
  EXPECT_EQ(data::TpText(blind[0]), "12000,H,27500");
  EXPECT_EQ(view.blindChanges, 2);
  EXPECT_EQ(tuner.calls.size(), 2u);

  engine->Satellite().Transponders.TpSetMarked(0, false);
  engine->Satellite().Transponders.TpSetMarked(1, false);
  engine->SignalCheckRun();
  engine->ScanRun(false);
  EXPECT_EQ(presenter.Texts(),
            (std::vector<std::string>{kNoTransponderSelected, kNoTransponderSelected}));

  // Closing writes the blind list.
  EXPECT_EQ(engine->Close(), "");
  EXPECT_EQ(ReadFile(root / "SatFiles/Transponders/0192.tws"), "12000,H,27500\r\n");
  EXPECT_TRUE(fs::exists(root / "SatFiles/Transponders/0192.ini"));
}

TEST_F(ScanEngineTest, MergeProblemsKeepTheResultsForAnotherTry) {
  auto engine = Engine({Tp(11778)});
  EXPECT_FALSE(engine->ScanMerge(false));
  EXPECT_EQ(presenter.Texts(), (std::vector<std::string>{kEmptyScanList}));

  ScriptAll(ThreeServices());
  engine->ScanRun(false);
  ASSERT_TRUE(engine->HasUnmerged());
  engine->Satellite().Sat.SatIdx = 9;
  EXPECT_FALSE(engine->ScanMerge(false));
  EXPECT_EQ(presenter.Texts().back(), "Cannot get/load channels list for SatID=9");
  engine->Satellite().Sat.SatIdx = 1;

  // The list opens fine, but its folder is then taken by a file, so no save can succeed
  // (not even for root).
  ASSERT_TRUE(lists.ListOpen(1, true));
  const fs::path channels = root / "SatFiles/Channels";
  fs::remove_all(channels);
  WriteFile(channels, "not a folder");
  presenter.shown.clear();
  EXPECT_FALSE(engine->ScanMerge(false));
  fs::remove(channels);
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].caption, frame::kCaptionError);
  EXPECT_NE(presenter.shown[0].text.find("0192.bch"), std::string::npos);
  EXPECT_TRUE(engine->HasUnmerged());
  EXPECT_FALSE(engine->Saved());
  EXPECT_TRUE(view.updateEnabled);
  EXPECT_EQ(listsChanged, 0);

  // The failed merge was taken back: the services are new again.
  const auto counts = engine->ScanMerge(false);
  ASSERT_TRUE(counts);
  EXPECT_EQ(counts->New, 3);
  EXPECT_TRUE(engine->Saved());
  EXPECT_EQ(lists.ListOf(1)->Count(), 3);
}

TEST_F(ScanEngineTest, ClosingAsksToMergeAndLeavesUnreadableFilesAlone) {
  ScriptAll(ThreeServices());
  auto engine = Engine({Tp(11778)});
  engine->ScanRun(false);
  presenter.AnswerNext(true);
  EXPECT_EQ(engine->Close(), "");
  ASSERT_EQ(presenter.shown.size(), 2u);
  EXPECT_EQ(presenter.shown[0].text, kAskUpdateNow);
  EXPECT_EQ(presenter.shown[1].caption, frame::kCaptionInformation);
  EXPECT_TRUE(engine->Saved());

  // A blind list that cannot be read (a folder in its place here, so root cannot read it
  // either) is neither taken as empty nor written over.
  const fs::path blind = root / "SatFiles/Transponders/0192.tws";
  fs::remove(blind);
  fs::create_directories(blind);
  auto reopened = Engine({});
  EXPECT_TRUE(reopened->Satellite().Blind.empty());
  reopened->Satellite().Blind.push_back(Tp(11778));
  const std::string errors = reopened->Close();
  EXPECT_EQ(errors.rfind(data::kErrSaveBlind, 0), 0u) << errors;
  EXPECT_EQ(presenter.shown.back().text, errors);
  EXPECT_TRUE(fs::is_directory(blind));
}

TEST(FinishScannedRecord, TheStreamsDecideTheKind) {
  frame::TOptions options;
  const data::TSdxFile sdx;
  auto finish = [&](std::uint8_t type, std::uint16_t video, std::uint8_t audioKind) {
    TChannelRec rec{};
    rec.SrvType = type;
    rec.SID = 1;
    if (video != 0) {
      rec.VidPid = video;
      data::EsAppend(rec, {0x1B, video, data::kKindVideo, {}, 0});
    }
    if (audioKind != 0) {
      data::EsAppend(rec, {0x06, 0x301, audioKind, {}, 0});
      if (audioKind == data::kKindAudio)
        rec.AudPid = 0x301;
      else
        rec.Ac3Pid = 0x301;
    }
    FinishScannedRecord(rec, options.Scanning, {}, sdx, options.Session.PrefLangs);
    return rec;
  };
  EXPECT_EQ(finish(0x19, 0x300, data::kKindAudio).SrvType, 1);
  EXPECT_EQ(finish(1, 0, data::kKindAudio).SrvType, 2);
  EXPECT_EQ(finish(2, 0, 0).SrvType, 0);
  const TChannelRec ac3Radio = finish(2, 0, data::kKindAc3);
  EXPECT_EQ(ac3Radio.SrvType, 2);
  EXPECT_EQ(ac3Radio.AudPid, 0x301);
  EXPECT_EQ(finish(0x0C, 0, 0).SrvType, 0x0C);

  options.Scanning.ChangeData2TV = false;
  EXPECT_EQ(finish(0x19, 0x300, data::kKindAudio).SrvType, 0x19);
}

TEST(FinishScannedRecord, NamesScramblingAndEmmPids) {
  frame::TOptions options;
  data::TSdxFile sdx;
  sdx.Items = {{'R', "Sdx Radio", 11778, 'V', 27500, "", 0x0002, 0x0444}};
  const data::TCatEntry cat[] = {{0x0B00, 0x240}};
  auto finish = [&](std::uint16_t sid, const char *name) {
    TChannelRec rec{};
    rec.TID = 0x0444;
    rec.SID = sid;
    data::SetChName(rec, name);
    data::SetChProv(rec, " QEV ");
    data::CaAppend(rec, {0x0B00, 0x230, 0, 0});
    FinishScannedRecord(rec, options.Scanning, cat, sdx, options.Session.PrefLangs);
    return rec;
  };
  const TChannelRec named = finish(0x0002, "   ");
  EXPECT_EQ(data::ChName(named), "Sdx Radio (*)");
  EXPECT_EQ(named.SrvType, 0); // radio from SATCODX, but without audio
  EXPECT_EQ(data::FixedText(named.ChProv), "QEV");
  EXPECT_EQ(named.Encrypted, 1);
  EXPECT_EQ(named.CaList[0].EmmPid, 0x240);
  EXPECT_EQ(data::ChName(finish(0x1A2B, "")), "(empty) SID 1A2B");

  options.Scanning.UpdFromSDX = false;
  options.Scanning.ChangeFta2Pay = false;
  const TChannelRec plain = finish(0x0002, "");
  EXPECT_EQ(data::ChName(plain), "(empty) SID 0002");
  EXPECT_EQ(plain.Encrypted, 0);
}

TEST(ScanLog, PagesComeInTheOrderOfTheirFirstMessage) {
  TScanLog log;
  log.Add(kScanCategoryScan, TScanLevel::Information, "Scan START");
  log.Add(kScanCategoryWarnings, TScanLevel::Warning, "w");
  for (int i = 0; i < 11; ++i)
    log.Add(kScanCategoryScan, TScanLevel::Success, "line");
  ASSERT_EQ(log.Pages().size(), 2u);
  EXPECT_EQ(ScanPageTitle(log.Pages()[0]), "0012-Scan");
  EXPECT_EQ(ScanPageTitle(log.Pages()[1]), "0001-Warnings");
  EXPECT_EQ(ScanPageText(*log.Page(kScanCategoryWarnings)), "w\n");
  EXPECT_EQ(log.Page(kScanCategoryTest), nullptr);
  log.Clear();
  EXPECT_TRUE(log.Pages().empty());
}

} // namespace
} // namespace qev::si
