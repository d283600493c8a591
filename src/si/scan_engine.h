#pragma once

#include "data/channel_list.h"
#include "data/channel_rec.h"
#include "data/sat_rec.h"
#include "data/tp_files.h"
#include "data/transponder_list.h"
#include "devapi/qev_devapi.h"
#include "si/psi_parsers.h"
#include "si/psi_scan_thread.h"
#include "si/scan_log.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qev::data {
class TChannelLists;
}
namespace qev::device {
class ITransponderTuner;
}
namespace qev::frame {
struct TOptions;
struct TScanningOptions;
class TNotificationHub;
class UiDispatcher;
} // namespace qev::frame

namespace qev::si {

class SectionFilterSource;

inline constexpr std::uint16_t kDefaultLockWaitMs = 1500;
// A transponder's jobs are given up this long after they started.
inline constexpr int kScanJobsLimitMs = 30000;

// The satellite a scanner works on, with the files that belong to it.
struct TScanSatellite {
  data::TSatRec Sat{};
  data::TSatTransponders Transponders;   // NNNN.ini
  std::vector<data::TTransponder> Blind; // NNNN.tws, transponders without signal
  data::TSdxFile Sdx;                    // NNNN.sdx
  std::vector<data::TPcaRec> Pca;        // NNNN.pca
};

// Reads the four files of a satellite from the root's Transponders folder. A file that cannot
// be read leaves its part empty and is logged (and later not written over).
TScanSatellite LoadScanSatellite(const data::TSatRec &sat);
// Writes the transponder list when it was modified, and the blind list. Returns the error
// texts, empty on success.
std::string SaveScanSatellite(const TScanSatellite &satellite);

// The rules that finish a freshly scanned record once its tables are in: audio PIDs checked
// first (so an AC-3-only service has its audio PID before its kind is judged), EMM PIDs from
// the CAT, trimmed names, a missing name from SATCODX (" (*)" appended) or "(empty) SID 1A2B",
// the data/TV/radio kind from the streams, free-to-air with CA entries to scrambled, the
// streams sorted and the preferred audio language chosen, each as the options say.
void FinishScannedRecord(data::TChannelRec &rec, const frame::TScanningOptions &options,
                         std::span<const data::TCatEntry> cat, const data::TSdxFile &sdx,
                         const frame::TPrefLangArray &langs);

// What the scanner shows while it works. Every call comes on the thread that runs the scan
// (the user-interface thread in the program). The defaults show nothing.
class IScanView {
public:
  virtual ~IScanView() = default;
  virtual void ScanStatus(const std::string & /*text*/) {}
  // total 0 hides the progress.
  virtual void ScanProgress(int /*position*/, int /*total*/) {}
  virtual void ScanRunning(bool /*running*/) {}
  virtual void ScanLogged(const std::string & /*category*/, const TScanMessage & /*message*/) {}
  // The current transponder's inputs; tuning true while a tune runs (shown red).
  virtual void ScanCurrent(const data::TTransponder & /*tp*/, bool /*tuning*/) {}
  virtual void ScanChannelCount(int /*accumulated*/) {}
  virtual void ScanElapsed(int /*seconds*/) {}
  virtual void ScanPendingJobs(int /*pending*/) {}
  virtual void ScanBlindChanged() {}
  virtual void ScanNewServices(const std::vector<data::TChannelRec> & /*records*/) {}
  virtual void ScanUpdateEnabled(bool /*enabled*/) {}
};

// What the scanner works with; everything is borrowed and must outlive it.
struct TScanLinks {
  device::ITransponderTuner &Tuner;
  SectionFilterSource &Filters;
  const frame::TOptions &Options;
  data::TChannelLists &Lists;
  // The request of the last tune, whose values complete the scanned records.
  std::function<TuneRequest()> LastRequest;
  // The signal level in percent as the signal bars show it.
  std::function<int()> SignalPercent;
  // Lists-changed notification after a merge; may be null.
  frame::TNotificationHub *Hub = nullptr;
  // Where parser errors are shown; may be null.
  frame::UiDispatcher *Dispatcher = nullptr;
  // Keeps the user interface alive during the waits.
  std::function<void()> KeepAlive;
  // Seconds since 1970 for the merge's time stamps.
  std::function<double()> Now;
};

// The transponder scan of one satellite without any widget: signal test, scan run, job table,
// finishing rules and merge. Runs on one thread (the user-interface thread in the program),
// except the collectors, and keeps that thread's interface alive while it waits.
class TScanEngine {
public:
  TScanEngine(TScanLinks links, IScanView &view, TScanSatellite satellite);
  ~TScanEngine();
  TScanEngine(const TScanEngine &) = delete;
  TScanEngine &operator=(const TScanEngine &) = delete;

  TScanSatellite &Satellite() { return satellite_; }
  const TScanSatellite &Satellite() const { return satellite_; }
  const data::TTransponder &Current() const { return current_; }
  void SetCurrent(const data::TTransponder &tp);
  std::uint16_t LockWaitMs() const { return lockWaitMs_; }
  void SetLockWaitMs(std::uint16_t ms) { lockWaitMs_ = ms; }
  // How long a transponder's jobs may take together (kScanJobsLimitMs unless changed).
  int JobsLimitMs() const { return jobsLimitMs_; }
  void SetJobsLimitMs(int ms) { jobsLimitMs_ = ms; }

  // Tunes the current transponder; true when tuned and locked.
  bool ScanTune(bool satelliteChanged);
  void SignalCheckRun();
  // Over the marked transponders, or the current one only.
  void ScanRun(bool currentOnly);
  // The services of the tuned transponder into the accumulated list; the PAT's service count,
  // or -1.
  int ScanTransponder();
  // Merges the accumulated list into the satellite's channel list and saves it; the counts,
  // or nothing when there was nothing to merge or it failed (the user was told).
  std::optional<data::TMergeCounts> ScanMerge(bool replace);
  // Any thread (the abort button, a signal handler of qevtool).
  void Abort() { abort_ = true; }
  bool Aborted() const { return abort_; }

  bool Running() const { return running_; }
  bool HasUnmerged() const { return !accumulated_.empty(); }
  // True once a merge was stored.
  bool Saved() const { return saved_; }
  const std::vector<data::TChannelRec> &Accumulated() const { return accumulated_; }
  const std::vector<data::TChannelRec> &NewServices() const { return newServices_; }
  // Sorted text forms of the transponders that gave a warning.
  const std::vector<std::string> &Warnings() const { return warnings_; }
  const TScanLog &Log() const { return log_; }

  // Closing: offers to merge unmerged results, then writes the transponder and blind lists.
  // Save errors are shown in an error box and returned, empty on success.
  std::string Close();

private:
  struct TJobs;
  class TRunScope;

  void LogMessage(const char *category, TScanLevel level, std::string text);
  void Warn(TScanLevel level, const std::string &text);
  void LogAborted();
  void RemoveFromBlind(const data::TTransponder &tp);
  void AddToBlind(const data::TTransponder &tp);
  void Wait(int ms);
  std::vector<data::TTransponder> MarkedTransponders() const;
  int ElapsedSeconds() const;
  // The PAT's records, or the result of the last attempt when it did not complete.
  PsiResult ReadPat(std::vector<data::TChannelRec> &records);
  void CompleteFromTuning(data::TChannelRec &rec) const;
  // Runs the jobs until all ended, the limit or an abort; false when aborted.
  bool RunJobs(TJobs &jobs);
  void WarnUnfinished(const TJobs &jobs);
  void FinishTransponder();

  TScanLinks links_;
  IScanView &view_;
  TScanSatellite satellite_;
  data::TTransponder current_{};
  std::uint16_t lockWaitMs_ = kDefaultLockWaitMs;
  int jobsLimitMs_ = kScanJobsLimitMs;
  std::chrono::steady_clock::time_point runStart_{};
  std::atomic<bool> abort_{false};
  bool abortLogged_ = false;
  bool running_ = false;
  bool saved_ = false;
  std::vector<data::TChannelRec> transponderList_;
  std::vector<data::TChannelRec> accumulated_;
  std::vector<data::TChannelRec> newServices_;
  std::vector<std::string> warnings_;
  TCatList cat_{};
  TScanLog log_;
};

} // namespace qev::si
