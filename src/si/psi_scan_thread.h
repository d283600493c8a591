#pragma once

#include "si/section_collector.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <stop_token>
#include <string>

namespace qev::frame {
class UiDispatcher;
}

namespace qev::si {

// The section-filter side of the device module.
class SectionFilterSource {
public:
  using DataCallback = std::function<void(std::span<const std::uint8_t>)>;

  virtual ~SectionFilterSource() = default;
  // A handle > 0, or a value <= 0 when the filter was refused. The callback may run on any
  // thread until CloseFilter returns.
  virtual std::int32_t OpenFilter(std::uint16_t pid, const SectionTableFilter &filter,
                                  DataCallback callback) = 0;
  // When it returns, no callback of the filter runs and none will.
  virtual void CloseFilter(std::int32_t handle) = 0;
};

// The values of a collector's result; progress displays and messages read them.
enum class PsiResult : std::int32_t {
  Waiting = 0,
  Running = 1,
  Complete = 2,
  TimeOut = -1,
  FilterFailed = -2,
  // Still queued behind the other collectors when its time was up: no filter was opened.
  TimeOutBeforeStart = -3,
};

// The label of a result in progress displays and logs.
const char *PsiResultLabel(PsiResult result);

inline constexpr const char *kExceptionInParse = "Exception in Parse";

// Where a collection stands, for progress displays and the warnings of a scan.
struct PsiProgress {
  PsiResult result = PsiResult::Waiting;
  int collected = 0;   // sections held
  int lastSection = 0; // last_section_number of the table
  std::int32_t elapsedMs = 0;
};

struct PsiTableRequest {
  using Parser = std::function<void(std::span<const std::uint8_t> section)>;

  std::string name; // "PAT", "PMT", "CAT", "SDT", "NIT"
  std::uint16_t pid = 0;
  SectionTableFilter filter;
  std::chrono::milliseconds timeout{0};
  // Attempts to get the whole table; an incomplete attempt is thrown away before the next.
  int attempts = 1;
  Parser parse;
};

// Collects one table through a section filter and hands its sections, in section-number
// order, to the parser once the table is complete. Run on a thread of the caller's; the filter
// is closed, and so no callback can reach the collector, before Run returns.
class TPsiScanThread {
public:
  // parseMutex is shared by the collectors of one scan, whose parsers touch the same records.
  // Parser errors go to the user-interface thread through the dispatcher (null: none shown).
  TPsiScanThread(SectionFilterSource &source, PsiTableRequest request, std::mutex &parseMutex,
                 frame::UiDispatcher *dispatcher);

  PsiResult Run(std::stop_token stop);

  PsiResult Result() const { return result_.load(); }
  // Milliseconds since the filter was opened; progress displays read it while the thread runs.
  std::int32_t ElapsedMs() const;
  const std::string &Name() const { return request_.name; }
  // Read while the thread runs; after an attempt, what it had collected when it ended.
  PsiProgress Progress() const;
  const PsiTableRequest &Request() const { return request_; }

private:
  PsiResult Attempt(std::stop_token stop);
  void Parse();
  void ReportError(const std::string &text);

  SectionFilterSource &source_;
  const PsiTableRequest request_;
  std::mutex &parseMutex_;
  frame::UiDispatcher *dispatcher_;
  SectionCollector collector_;
  std::atomic<PsiResult> result_{PsiResult::Waiting};
  std::atomic<std::int32_t> elapsedMs_{0};
  std::atomic<int> collected_{0};
  std::atomic<int> lastSection_{0};
  // steady_clock ticks at the opening of the current attempt's filter; 0 when none is open.
  std::atomic<std::chrono::steady_clock::rep> openedAt_{0};
};

} // namespace qev::si
