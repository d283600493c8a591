#include "si/psi_collect_queue.h"

namespace qev::si {

PsiCollectQueue::PsiCollectQueue(SectionFilterSource &source, frame::UiDispatcher *dispatcher,
                                 std::size_t maxRunning)
    : source_(source), dispatcher_(dispatcher), maxRunning_(std::max<std::size_t>(1, maxRunning)) {}

PsiCollectQueue::~PsiCollectQueue() {
  {
    // From here on no worker is added, so the list can be walked without the lock.
    std::lock_guard lock(mutex_);
    stopping_ = true;
    waiting_.clear();
  }
  for (auto &worker : workers_)
    worker.request_stop();
  changed_.notify_all();
  workers_.clear();
}

PsiCollectQueue::JobId PsiCollectQueue::Submit(PsiTableRequest request) {
  std::lock_guard lock(mutex_);
  const JobId id = jobs_.size();
  auto job = std::make_unique<Job>();
  job->startBy = std::chrono::steady_clock::now() + request.timeout;
  job->collector =
      std::make_unique<TPsiScanThread>(source_, std::move(request), parseMutex_, dispatcher_);
  jobs_.push_back(std::move(job));
  EnqueueLocked(id);
  return id;
}

bool PsiCollectQueue::Retry(JobId id) {
  std::lock_guard lock(mutex_);
  if (id >= jobs_.size() || jobs_[id]->finalResult != PsiResult::FilterFailed)
    return false;
  Job &job = *jobs_[id];
  job.finalResult = PsiResult::Waiting;
  job.startBy = std::chrono::steady_clock::now() + job.collector->Request().timeout;
  EnqueueLocked(id);
  return true;
}

void PsiCollectQueue::EnqueueLocked(JobId id) {
  jobs_[id]->queued = true;
  if (stopping_)
    return;
  waiting_.push_back(id);
  if (waiting_.size() > idleWorkers_ && workers_.size() < maxRunning_)
    workers_.emplace_back([this](std::stop_token stop) { Work(stop); });
  changed_.notify_all();
}

void PsiCollectQueue::Work(std::stop_token stop) {
  std::unique_lock lock(mutex_);
  while (true) {
    ++idleWorkers_;
    const bool got = changed_.wait(lock, stop, [this] { return !waiting_.empty(); });
    --idleWorkers_;
    if (!got)
      return;
    const JobId id = waiting_.front();
    waiting_.pop_front();
    Job &job = *jobs_[id];
    job.queued = false;
    if (std::chrono::steady_clock::now() >= job.startBy) {
      job.finalResult = PsiResult::TimeOutBeforeStart;
      changed_.notify_all();
      continue;
    }
    ++running_;
    lock.unlock();
    const PsiResult result = job.collector->Run(stop);
    lock.lock();
    --running_;
    job.finalResult = result;
    changed_.notify_all();
  }
}

void PsiCollectQueue::WaitAll() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return waiting_.empty() && running_ == 0; });
}

PsiResult PsiCollectQueue::Result(JobId job) const {
  std::lock_guard lock(mutex_);
  if (job >= jobs_.size())
    return PsiResult::Waiting;
  return ResultLocked(*jobs_[job]);
}

PsiResult PsiCollectQueue::ResultLocked(const Job &job) const {
  if (job.queued)
    return PsiResult::Waiting;
  // Taken by a worker: running until the worker stores how it ended.
  return job.finalResult != PsiResult::Waiting ? job.finalResult : PsiResult::Running;
}

PsiProgress PsiCollectQueue::Progress(JobId job) const {
  std::lock_guard lock(mutex_);
  if (job >= jobs_.size())
    return {};
  PsiProgress progress = jobs_[job]->collector->Progress();
  progress.result = ResultLocked(*jobs_[job]);
  return progress;
}

std::size_t PsiCollectQueue::RunningCount() const {
  std::lock_guard lock(mutex_);
  return running_;
}

} // namespace qev::si
