#pragma once

#include "si/psi_scan_thread.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace qev::si {

// How many tables of one scan are collected at once; the others wait in the queue. A scan can
// ask for hundreds of PMTs, and every collector holds a section filter of the device.
inline constexpr std::size_t kMaxRunningCollectors = 32;

// The collectors of one scan: a job queue worked by at most a fixed number of threads, with one
// parse at a time, because the parsers of a scan fill the same records. A job that is still
// waiting when its time-out has passed since it was submitted is not started.
class PsiCollectQueue {
public:
  using JobId = std::size_t;

  PsiCollectQueue(SectionFilterSource &source, frame::UiDispatcher *dispatcher,
                  std::size_t maxRunning = kMaxRunningCollectors);
  // Drops the waiting jobs, stops the running ones and joins their threads.
  ~PsiCollectQueue();
  PsiCollectQueue(const PsiCollectQueue &) = delete;
  PsiCollectQueue &operator=(const PsiCollectQueue &) = delete;

  // Callable from any thread, parsers included (a PAT parse submits the PMTs).
  JobId Submit(PsiTableRequest request);
  // Queues a job whose filter was refused once more, as a new submission; false (and nothing
  // done) when the job did not end that way.
  bool Retry(JobId job);
  // Returns when no job waits or runs.
  void WaitAll();
  PsiResult Result(JobId job) const;
  // The job's result with what its collector holds or held when it ended.
  PsiProgress Progress(JobId job) const;
  std::size_t RunningCount() const;

private:
  struct Job {
    std::unique_ptr<TPsiScanThread> collector;
    std::chrono::steady_clock::time_point startBy;
    PsiResult finalResult = PsiResult::Waiting;
    bool queued = false;
  };

  void Work(std::stop_token stop);
  void EnqueueLocked(JobId id);
  PsiResult ResultLocked(const Job &job) const;

  SectionFilterSource &source_;
  frame::UiDispatcher *dispatcher_;
  const std::size_t maxRunning_;
  std::mutex parseMutex_;
  mutable std::mutex mutex_;
  std::condition_variable_any changed_;
  std::deque<std::unique_ptr<Job>> jobs_;
  std::deque<JobId> waiting_;
  std::size_t running_ = 0;
  std::size_t idleWorkers_ = 0;
  bool stopping_ = false;
  std::vector<std::jthread> workers_;
};

} // namespace qev::si
