#include "si/scan_engine.h"

#include "data/channel_lists.h"
#include "data/code_tables.h"
#include "data/data_file.h"
#include "device/transponder_tuner.h"
#include "frame/app_paths.h"
#include "frame/message_boxes.h"
#include "frame/notification_hub.h"
#include "frame/options.h"
#include "frame/string_utils.h"
#include "si/psi_collect_queue.h"
#include "si/scan_texts.h"

#include <algorithm>
#include <fmt/format.h>
#include <thread>
#include <utility>

namespace qev::si {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using data::TChannelRec;

constexpr int kPatAttempts = 2;
constexpr std::size_t kMaxPmtJobs = 511;
constexpr int kFirstPollMs = 2;
constexpr int kNextPollMs = 5;
constexpr std::uint16_t kPatPid = 0x0000;
constexpr std::uint16_t kCatPid = 0x0001;
constexpr std::uint16_t kSdtPid = 0x0011;
constexpr std::uint16_t kMaxPmtPid = 8190;
constexpr std::uint8_t kFullVolume = 100;

std::string FileStem(const data::TSatRec &sat) { return fmt::format("{:04d}", sat.SatPos); }

fs::path BlindFile(const data::TSatRec &sat) {
  return frame::Paths().Transponders / (FileStem(sat) + ".tws");
}
fs::path SdxFile(const data::TSatRec &sat) {
  return frame::Paths().SatFiles / "SdxFiles" / (FileStem(sat) + ".sdx");
}
fs::path PcaFile(const data::TSatRec &sat) {
  return frame::Paths().Category / (FileStem(sat) + ".pca");
}

data::TSdxFile LoadSdx(const fs::path &file) {
  const data::TFileContent content = data::ReadDataFile(file);
  if (content.Status == data::FileReadStatus::Unreadable)
    data::LogUnreadable(content);
  return data::ParseSdx(content.Text);
}

int MsSince(Clock::time_point start) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

bool SameTransponder(const data::TTransponder &a, const data::TTransponder &b) {
  return data::TpKey(a) == data::TpKey(b);
}

// When neither the PAT's service type nor SATCODX gave a TV or radio kind, the streams decide;
// a kind whose main stream is missing falls back to the next one.
void JudgeKindByStreams(TChannelRec &rec) {
  if (rec.SrvType != 1 && rec.SrvType != 2) {
    if (rec.AudPid != 0)
      rec.SrvType = 2;
    if (rec.VidPid != 0)
      rec.SrvType = 1;
  }
  if (rec.SrvType == 1 && rec.VidPid == 0)
    rec.SrvType = 2;
  if (rec.SrvType == 2 && rec.AudPid == 0)
    rec.SrvType = 0;
}

void NameMissing(TChannelRec &rec, const frame::TScanningOptions &options,
                 const data::TSdxFile &sdx) {
  if (options.UpdFromSDX) {
    if (const data::TSdxItem *item = sdx.Find(rec.TID, rec.SID)) {
      data::SetChName(rec, item->Name + kSdxNameMark);
      if (item->Kind == 'T')
        rec.SrvType = 1;
      else if (item->Kind == 'R')
        rec.SrvType = 2;
    }
  }
  if (rec.ChName[0] == 0)
    data::SetChName(rec, fmt::format("{}{:04X}", kEmptyNamePrefix, rec.SID));
}

PsiTableRequest TableRequest(std::string name, std::uint16_t pid, SectionTableFilter filter,
                             int timeoutMs, PsiTableRequest::Parser parse) {
  PsiTableRequest request;
  request.name = std::move(name);
  request.pid = pid;
  request.filter = filter;
  request.timeout = std::chrono::milliseconds(timeoutMs);
  request.parse = std::move(parse);
  return request;
}

} // namespace

void FinishScannedRecord(TChannelRec &rec, const frame::TScanningOptions &options,
                         std::span<const data::TCatEntry> cat, const data::TSdxFile &sdx,
                         const frame::TPrefLangArray &langs) {
  data::ValidateAudioPids(rec);
  data::FillEmmFromCat(rec, cat);
  data::SetChProv(rec, frame::Trim(data::FixedText(rec.ChProv)));
  data::SetChName(rec, frame::Trim(data::ChName(rec)));
  if (rec.ChName[0] == 0)
    NameMissing(rec, options, sdx);
  if (options.ChangeData2TV)
    JudgeKindByStreams(rec);
  if (options.ChangeFta2Pay && rec.Encrypted == 0 && rec.CaCount > 0)
    rec.Encrypted = 1;
  data::SortEsList(rec);
  if (options.SetPrefAudLang)
    data::SelectPreferredAudio(rec, langs);
}

TScanSatellite LoadScanSatellite(const data::TSatRec &sat) {
  TScanSatellite satellite;
  satellite.Sat = sat;
  satellite.Transponders.TpLoadIni(data::TransponderFileName(sat.SatPos));
  // A new list is written under the satellite's own position and name.
  if (satellite.Transponders.PositionText.empty())
    satellite.Transponders.PositionText = FileStem(sat);
  if (satellite.Transponders.Name.empty())
    satellite.Transponders.Name = data::SatName(sat);
  satellite.Blind = data::LoadTws(BlindFile(sat));
  satellite.Sdx = LoadSdx(SdxFile(sat));
  satellite.Pca = data::LoadPca(PcaFile(sat));
  return satellite;
}

std::string SaveScanSatellite(const TScanSatellite &satellite) {
  std::vector<std::string> errors;
  if (satellite.Transponders.Modified()) {
    data::TSatTransponders list = satellite.Transponders;
    if (std::string error = list.TpSaveIni(data::TransponderFileName(satellite.Sat.SatPos));
        !error.empty())
      errors.push_back(std::move(error));
  }
  if (std::string error = data::SaveTws(BlindFile(satellite.Sat), satellite.Blind); !error.empty())
    errors.push_back(std::move(error));
  return fmt::format("{}", fmt::join(errors, "\r\r"));
}

namespace {

// One table of a transponder scan and what became of it.
struct TScanJob {
  enum class State { Waiting, Running, Complete, Incomplete, QueuedTimeOut };

  std::string Name;
  std::uint16_t Pid = 0;
  std::uint16_t Extension = 0;
  PsiCollectQueue::JobId Id = 0;
  State JobState = State::Waiting;
  bool Refused = false; // its filter was refused the last time it was started
  PsiProgress Progress;

  bool Pending() const { return JobState == State::Waiting || JobState == State::Running; }
};

} // namespace

struct TScanEngine::TJobs {
  TJobs(SectionFilterSource &source, frame::UiDispatcher *dispatcher) : Queue(source, dispatcher) {}

  void Add(PsiTableRequest request) {
    TScanJob job;
    job.Name = request.name;
    job.Pid = request.pid;
    job.Extension = request.filter.extensionValue;
    job.Id = Queue.Submit(std::move(request));
    List.push_back(std::move(job));
  }

  // Takes in what the collectors did since the last pass; the pending count.
  int Update() {
    int pending = 0;
    for (TScanJob &job : List) {
      if (!job.Pending())
        continue;
      job.Progress = Queue.Progress(job.Id);
      switch (job.Progress.result) {
      case PsiResult::Waiting:
        job.JobState = TScanJob::State::Waiting;
        break;
      case PsiResult::Running:
        job.JobState = TScanJob::State::Running;
        job.Refused = false;
        break;
      case PsiResult::Complete:
        job.JobState = TScanJob::State::Complete;
        break;
      case PsiResult::TimeOut:
        job.JobState = TScanJob::State::Incomplete;
        break;
      case PsiResult::FilterFailed:
        // Started again, as a new job, until the transponder's time is up.
        job.Refused = true;
        job.JobState = TScanJob::State::Waiting;
        Queue.Retry(job.Id);
        break;
      case PsiResult::TimeOutBeforeStart:
        job.JobState = TScanJob::State::QueuedTimeOut;
        break;
      }
      pending += job.Pending() ? 1 : 0;
    }
    return pending;
  }

  // Its destructor stops and joins the collectors, whose parsers write into the engine's
  // records, so the records are read only after the table is gone.
  PsiCollectQueue Queue;
  std::vector<TScanJob> List;
};

namespace {

// The marker of a job that did not complete; empty for a complete one.
std::string WarningMarker(const TScanJob &job) {
  const std::string queued = std::string(PsiResultLabel(PsiResult::TimeOutBeforeStart)) + " PID=";
  switch (job.JobState) {
  case TScanJob::State::Waiting:
    return job.Refused ? kJobFilterError : queued;
  case TScanJob::State::Running:
    return kJobTimeout;
  case TScanJob::State::Incomplete:
    return kJobIncomplete;
  case TScanJob::State::QueuedTimeOut:
    return queued;
  case TScanJob::State::Complete:
    break;
  }
  return {};
}

std::string JobWarning(const TScanJob &job, const std::string &marker) {
  return fmt::format("{}{}{:04X} DATA={:04X} RX={}/{} Time={}", job.Name, marker, job.Pid,
                     job.Extension, job.Progress.collected, job.Progress.lastSection,
                     job.Progress.elapsedMs);
}

} // namespace

// Marks the engine busy for a run and shows it; the end of the run undoes both.
class TScanEngine::TRunScope {
public:
  explicit TRunScope(TScanEngine &engine) : engine_(engine) {
    engine_.abort_ = false;
    engine_.abortLogged_ = false;
    engine_.running_ = true;
    engine_.runStart_ = Clock::now();
    engine_.view_.ScanRunning(true);
  }
  ~TRunScope() {
    engine_.running_ = false;
    engine_.view_.ScanProgress(0, 0);
    engine_.view_.ScanRunning(false);
  }
  TRunScope(const TRunScope &) = delete;
  TRunScope &operator=(const TRunScope &) = delete;

private:
  TScanEngine &engine_;
};

TScanEngine::TScanEngine(TScanLinks links, IScanView &view, TScanSatellite satellite)
    : links_(std::move(links)), view_(view), satellite_(std::move(satellite)) {}

TScanEngine::~TScanEngine() = default;

void TScanEngine::SetCurrent(const data::TTransponder &tp) {
  current_ = tp;
  view_.ScanCurrent(current_, false);
}

void TScanEngine::LogMessage(const char *category, TScanLevel level, std::string text) {
  log_.Add(category, level, text);
  view_.ScanLogged(category, TScanMessage{level, std::move(text)});
}

void TScanEngine::Warn(TScanLevel level, const std::string &text) {
  const std::string tp = data::TpText(current_);
  LogMessage(kScanCategoryWarnings, level, tp + " " + text);
  const auto at = std::lower_bound(warnings_.begin(), warnings_.end(), tp);
  if (at == warnings_.end() || *at != tp)
    warnings_.insert(at, tp);
}

void TScanEngine::LogAborted() {
  if (!std::exchange(abortLogged_, true))
    LogMessage(kScanCategoryScan, TScanLevel::Information, kScanAborted);
}

void TScanEngine::RemoveFromBlind(const data::TTransponder &tp) {
  auto &blind = satellite_.Blind;
  const auto end = std::remove_if(blind.begin(), blind.end(), [&](const data::TTransponder &b) {
    return SameTransponder(b, tp);
  });
  if (end == blind.end())
    return;
  blind.erase(end, blind.end());
  view_.ScanBlindChanged();
}

void TScanEngine::AddToBlind(const data::TTransponder &tp) {
  auto &blind = satellite_.Blind;
  if (std::any_of(blind.begin(), blind.end(),
                  [&](const data::TTransponder &b) { return SameTransponder(b, tp); }))
    return;
  data::TTransponder entry = tp;
  entry.TpMarked = 0;
  blind.push_back(entry);
  view_.ScanBlindChanged();
}

void TScanEngine::Wait(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  if (links_.KeepAlive)
    links_.KeepAlive();
}

std::vector<data::TTransponder> TScanEngine::MarkedTransponders() const {
  std::vector<data::TTransponder> marked;
  for (const data::TTransponder &tp : satellite_.Transponders.Items())
    if (tp.TpMarked)
      marked.push_back(tp);
  return marked;
}

int TScanEngine::ElapsedSeconds() const { return MsSince(runStart_) / 1000; }

bool TScanEngine::ScanTune(bool satelliteChanged) {
  const char polar = data::TpPolar(current_);
  if (current_.TpFreq == 0 || polar == 0)
    return false;
  view_.ScanStatus(std::string(kTuningStatus) + data::TpText(current_) + ")");
  view_.ScanCurrent(current_, true);
  const std::int32_t result =
      links_.Tuner.TuneTransponder(current_.TpFreq, std::string_view(&polar, 1), current_.TpSRate,
                                   lockWaitMs_, satelliteChanged);
  view_.ScanCurrent(current_, false);
  view_.ScanStatus("");
  return result == 0;
}

void TScanEngine::SignalCheckRun() {
  const auto marked = MarkedTransponders();
  if (marked.empty()) {
    frame::ShowWarning(kNoTransponderSelected);
    return;
  }
  log_.Clear();
  TRunScope run(*this);
  LogMessage(kScanCategoryTest, TScanLevel::Information, kSignalTestStart);
  const int total = static_cast<int>(marked.size());
  for (int i = 0; i < total && !abort_; ++i) {
    SetCurrent(marked[static_cast<std::size_t>(i)]);
    view_.ScanProgress(i + 1, total);
    const auto start = Clock::now();
    if (ScanTune(i == 0)) {
      const int ms = MsSince(start);
      const int percent = links_.SignalPercent ? links_.SignalPercent() : 0;
      LogMessage(kScanCategoryTest, TScanLevel::Success,
                 fmt::format("{}{}{}%,{} ms)", data::TpText(current_), kSignalOk, percent, ms));
      RemoveFromBlind(current_);
    } else {
      AddToBlind(current_);
      LogMessage(kScanCategoryTest, TScanLevel::Error, data::TpText(current_) + kNoSignal);
    }
    view_.ScanElapsed(ElapsedSeconds());
  }
  LogMessage(kScanCategoryTest, TScanLevel::Information, kSignalTestFinished);
}

void TScanEngine::ScanRun(bool currentOnly) {
  std::vector<data::TTransponder> list;
  if (currentOnly) {
    if (!data::TpValid(current_)) {
      LogMessage(kScanCategoryScan, TScanLevel::Warning, kInvalidTransponder);
      return;
    }
    list.push_back(current_);
  } else {
    list = MarkedTransponders();
  }
  if (list.empty()) {
    frame::ShowWarning(kNoTransponderSelected);
    return;
  }
  warnings_.clear();
  log_.Clear();
  transponderList_.clear();
  accumulated_.clear();
  view_.ScanUpdateEnabled(false);
  TRunScope run(*this);
  LogMessage(kScanCategoryScan, TScanLevel::Information, kScanStart);
  const int total = static_cast<int>(list.size());
  for (int i = 0; i < total && !abort_; ++i) {
    SetCurrent(list[static_cast<std::size_t>(i)]);
    view_.ScanProgress(i + 1, total);
    if (!ScanTune(currentOnly || i == 0)) {
      LogMessage(kScanCategoryNoSignal, TScanLevel::Information, data::TpText(current_));
      continue;
    }
    RemoveFromBlind(current_);
    const int services = ScanTransponder();
    if (services >= 0) {
      LogMessage(kScanCategoryScan, TScanLevel::Success,
                 fmt::format("{}: {:03d}{}", data::TpText(current_), services, kChannelsFound));
      view_.ScanChannelCount(static_cast<int>(accumulated_.size()));
    }
    view_.ScanElapsed(ElapsedSeconds());
  }
  view_.ScanStatus(kScanFinished);
  if (abort_)
    LogAborted();
  else
    LogMessage(kScanCategoryScan, TScanLevel::Information, kScanDone);
  view_.ScanUpdateEnabled(!accumulated_.empty());
}

PsiResult TScanEngine::ReadPat(std::vector<TChannelRec> &records) {
  PsiResult result = PsiResult::TimeOut;
  for (int attempt = 1; attempt <= kPatAttempts && !abort_; ++attempt) {
    view_.ScanStatus(fmt::format("{} {}/{}", kScanPatStatus, attempt, kPatAttempts));
    // Each attempt parses into its own list, so an incomplete one leaves nothing behind.
    std::vector<TChannelRec> parsed;
    {
      PsiCollectQueue queue(links_.Filters, links_.Dispatcher, 1);
      const auto job = queue.Submit(
          TableRequest("PAT", kPatPid, {0x00, 0, 0}, links_.Options.Scanning.TimeoutPAT,
                       [&parsed](TSection section) { ParsePat(section, parsed); }));
      while (!abort_) {
        result = queue.Result(job);
        if (result != PsiResult::Waiting && result != PsiResult::Running)
          break;
        Wait(kFirstPollMs);
      }
    }
    if (result == PsiResult::Complete) {
      records = std::move(parsed);
      return result;
    }
  }
  return result;
}

void TScanEngine::CompleteFromTuning(TChannelRec &rec) const {
  if (links_.LastRequest) {
    const TuneRequest request = links_.LastRequest();
    rec.Freq = request.Frequency;
    rec.SRate = static_cast<std::uint16_t>(data::SRateToKSps(request.SymbolRate));
    rec.Polar = data::VoltageToPolar(static_cast<int>(request.Voltage));
    rec.TuneAux = static_cast<std::uint8_t>(request.Reserved);
  }
  rec.SatIndex = satellite_.Sat.SatIdx;
  rec.Categ = 0;
  rec.VolAdj = kFullVolume;
  if (const auto categ = data::PcaCategory(satellite_.Pca, rec.Freq, rec.Polar, rec.SID))
    rec.Categ = *categ;
}

int TScanEngine::ScanTransponder() {
  transponderList_.clear();
  cat_ = TCatList{};
  std::vector<TChannelRec> records;
  const PsiResult pat = ReadPat(records);
  if (abort_) {
    LogAborted();
    return -1;
  }
  if (pat != PsiResult::Complete) {
    if (pat == PsiResult::FilterFailed)
      Warn(TScanLevel::Error, kPatFilterError);
    else
      Warn(TScanLevel::Information, kPatIncomplete);
    return -1;
  }
  transponderList_ = std::move(records);
  if (transponderList_.empty()) {
    FinishTransponder(); // the list of new services shows this transponder's none
    return 0;
  }
  for (TChannelRec &rec : transponderList_)
    CompleteFromTuning(rec);
  {
    TJobs jobs(links_.Filters, links_.Dispatcher);
    const frame::TScanningOptions &options = links_.Options.Scanning;
    auto &list = transponderList_;
    jobs.Add(
        TableRequest("SDT", kSdtPid, {0x42, 0, 0}, options.TimeoutSDT, [&list](TSection section) {
          ParseSdt(section, [&list](std::uint16_t tid, std::uint16_t sid) {
            const auto it = std::find_if(list.begin(), list.end(), [&](const TChannelRec &rec) {
              return rec.TID == tid && rec.SID == sid;
            });
            return it == list.end() ? nullptr : &*it;
          });
        }));
    jobs.Add(TableRequest("CAT", kCatPid, {0x01, 0, 0}, options.TimeoutCAT,
                          [this](TSection section) { ParseCat(section, cat_); }));
    std::size_t pmtJobs = 0;
    for (TChannelRec &rec : list) {
      if (rec.PmtPid < 1 || rec.PmtPid > kMaxPmtPid || pmtJobs == kMaxPmtJobs)
        continue;
      ++pmtJobs;
      jobs.Add(TableRequest("PMT", rec.PmtPid, {0x02, rec.SID, 0xFFFF}, options.TimeoutPMT,
                            [&rec](TSection section) { ParsePmt(section, rec); }));
    }
    view_.ScanStatus(fmt::format("{} {}", kScanJobsStatus, jobs.List.size()));
    if (!RunJobs(jobs)) {
      LogAborted();
      return -1;
    }
    WarnUnfinished(jobs);
  }
  FinishTransponder();
  return static_cast<int>(transponderList_.size());
}

bool TScanEngine::RunJobs(TJobs &jobs) {
  const auto start = Clock::now();
  int shownPending = -1;
  while (true) {
    Wait(kFirstPollMs);
    const int pending = jobs.Update();
    if (pending != shownPending)
      view_.ScanPendingJobs(shownPending = pending);
    if (abort_)
      return false;
    if (MsSince(start) > jobsLimitMs_) {
      LogMessage(kScanCategoryScan, TScanLevel::Information, data::TpText(current_) + kScanTimeout);
      return true;
    }
    if (pending == 0) {
      view_.ScanStatus(kScanTransponderOk);
      return true;
    }
    Wait(kNextPollMs);
    view_.ScanElapsed(ElapsedSeconds());
  }
}

void TScanEngine::WarnUnfinished(const TJobs &jobs) {
  for (const TScanJob &job : jobs.List) {
    if (job.Pid == kCatPid && links_.Options.Scanning.NoWarningCAT)
      continue;
    if (const std::string marker = WarningMarker(job); !marker.empty())
      Warn(TScanLevel::Information, JobWarning(job, marker));
  }
}

void TScanEngine::FinishTransponder() {
  const auto cat = CatEntries(cat_);
  for (TChannelRec &rec : transponderList_)
    FinishScannedRecord(rec, links_.Options.Scanning, cat, satellite_.Sdx,
                        links_.Options.Session.PrefLangs);
  accumulated_.insert(accumulated_.end(), transponderList_.begin(), transponderList_.end());
  newServices_ = transponderList_;
  view_.ScanNewServices(newServices_);
}

std::optional<data::TMergeCounts> TScanEngine::ScanMerge(bool replace) {
  if (accumulated_.empty()) {
    frame::ShowWarning(kEmptyScanList);
    return std::nullopt;
  }
  const int satIndex = satellite_.Sat.SatIdx;
  data::TChannelsList *list = links_.Lists.ListOf(satIndex);
  if (!list)
    list = links_.Lists.ListOpen(satIndex, true);
  if (!list) {
    frame::ShowError(fmt::format("{}{}", kCannotLoadList, satIndex));
    return std::nullopt;
  }
  const auto start = Clock::now();
  if (links_.Options.General.SortCaListByID)
    for (TChannelRec &rec : accumulated_)
      data::SortCaList(rec);
  const double now = links_.Now ? links_.Now() : 0.0;
  // Kept so a failed save leaves the list as its file is: a later try then counts again.
  const data::TChannelsList before = *list;
  const data::TMergeCounts counts = list->ListMerge(accumulated_, replace, now);
  if (!list->ListSaveAll()) {
    // The list has shown its error; the results stay for another try.
    *list = before;
    return std::nullopt;
  }
  frame::ShowInformation(fmt::format("{}{}{} ms\r{}\r{}{}{}{}{}{}{}{}", accumulated_.size(),
                                     kMergeSavedIn, MsSince(start), std::string(60, '-'), kMergeNew,
                                     counts.New, kMergeUpdated, counts.Updated, kMergeUnchanged,
                                     counts.Unchanged, kMergeRemoved, counts.Removed));
  saved_ = true;
  if (links_.Hub)
    links_.Hub->Notify(frame::kNotifyListsChanged, 0, 0);
  view_.ScanUpdateEnabled(false);
  transponderList_.clear();
  accumulated_.clear();
  return counts;
}

std::string TScanEngine::Close() {
  if (HasUnmerged() && frame::Confirm(kAskUpdateNow))
    ScanMerge(false);
  std::string errors = SaveScanSatellite(satellite_);
  if (!errors.empty())
    frame::ShowError(errors);
  return errors;
}

} // namespace qev::si
