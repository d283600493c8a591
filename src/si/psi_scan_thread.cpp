#include "si/psi_scan_thread.h"

#include "frame/message_boxes.h"
#include "frame/ui_dispatcher.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

namespace qev::si {
namespace {

// Closes the filter however the attempt ends; after that, nothing reaches the collector.
class FilterGuard {
public:
  FilterGuard(SectionFilterSource &source, std::int32_t handle)
      : source_(source), handle_(handle) {}
  ~FilterGuard() {
    if (handle_ > 0)
      source_.CloseFilter(handle_);
  }
  FilterGuard(const FilterGuard &) = delete;
  FilterGuard &operator=(const FilterGuard &) = delete;

private:
  SectionFilterSource &source_;
  std::int32_t handle_;
};

// The text of what the parser threw, if it threw.
std::optional<std::string> ParseGuarded(const PsiTableRequest::Parser &parse,
                                        std::span<const std::uint8_t> section) {
  try {
    parse(section);
    return std::nullopt;
  } catch (const std::exception &e) {
    return e.what();
  } catch (...) {
    return "unknown exception";
  }
}

std::int32_t MsSince(std::chrono::steady_clock::time_point start) {
  return static_cast<std::int32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::steady_clock::now() - start)
                                       .count());
}

} // namespace

const char *PsiResultLabel(PsiResult result) {
  switch (result) {
  case PsiResult::Waiting:
    return "Waiting";
  case PsiResult::Running:
    return "Running";
  case PsiResult::Complete:
    return "Complete";
  case PsiResult::TimeOut:
    return "-Time-out";
  case PsiResult::FilterFailed:
    return "-Filter Err";
  case PsiResult::TimeOutBeforeStart:
    return "-Time-out before start";
  }
  return "";
}

TPsiScanThread::TPsiScanThread(SectionFilterSource &source, PsiTableRequest request,
                               std::mutex &parseMutex, frame::UiDispatcher *dispatcher)
    : source_(source), request_(std::move(request)), parseMutex_(parseMutex),
      dispatcher_(dispatcher), collector_(request_.filter) {}

PsiResult TPsiScanThread::Run(std::stop_token stop) {
  result_ = PsiResult::Running;
  PsiResult result = PsiResult::TimeOut;
  for (int attempt = 0; attempt < std::max(1, request_.attempts) && !stop.stop_requested();
       ++attempt) {
    result = Attempt(stop);
    if (result != PsiResult::TimeOut)
      break;
    // Sections of an incomplete attempt would be parsed again with the next one's.
    collector_.Clear();
  }
  if (result == PsiResult::Complete)
    Parse();
  result_ = result;
  return result;
}

std::int32_t TPsiScanThread::ElapsedMs() const {
  const auto openedAt = openedAt_.load();
  if (openedAt == 0)
    return elapsedMs_.load();
  return MsSince(
      std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(openedAt)));
}

PsiProgress TPsiScanThread::Progress() const {
  PsiProgress progress{Result(), collected_.load(), lastSection_.load(), ElapsedMs()};
  if (openedAt_.load() != 0) {
    const auto counts = collector_.Progress();
    progress.collected = counts.collected;
    progress.lastSection = counts.lastSection;
  }
  return progress;
}

PsiResult TPsiScanThread::Attempt(std::stop_token stop) {
  const auto start = std::chrono::steady_clock::now();
  const std::int32_t handle =
      source_.OpenFilter(request_.pid, request_.filter,
                         [this](std::span<const std::uint8_t> data) { collector_.Accept(data); });
  if (handle <= 0)
    return PsiResult::FilterFailed;
  openedAt_ = start.time_since_epoch().count();
  bool complete = false;
  {
    FilterGuard guard(source_, handle);
    complete = collector_.WaitComplete(stop, start + request_.timeout);
  }
  // Kept for the messages: the next attempt or the parse empties the collector.
  const auto counts = collector_.Progress();
  collected_ = counts.collected;
  lastSection_ = counts.lastSection;
  elapsedMs_ = MsSince(start);
  openedAt_ = 0;
  return complete ? PsiResult::Complete : PsiResult::TimeOut;
}

void TPsiScanThread::Parse() {
  if (!request_.parse)
    return;
  const auto sections = collector_.TakeSections();
  std::lock_guard lock(parseMutex_);
  bool reported = false;
  for (const auto &section : sections) {
    // The other sections are still parsed; the user hears of the table once.
    const auto error = ParseGuarded(request_.parse, section);
    if (error && !std::exchange(reported, true))
      ReportError(std::string(kExceptionInParse) + request_.name + "() : " + *error);
  }
}

void TPsiScanThread::ReportError(const std::string &text) {
  if (dispatcher_)
    dispatcher_->Post([text] { frame::ShowError(text); });
}

} // namespace qev::si
