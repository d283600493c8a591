#include "recording/sch_scheduler.h"

#include "data/date_time.h"
#include "frame/log.h"
#include "frame/message_boxes.h"

namespace qev::recording {

namespace {
std::int64_t NowLocalSeconds() { return data::UtcToLocal(data::NowUtc()); }
} // namespace

TSchJob PrepareNewJob(const TSchNewJob &request, std::int64_t nowLocal) {
  TSchJob job;
  const std::int64_t start = request.StartLocal > 0 ? request.StartLocal : nowLocal;
  job.Start = start - start % 60;
  job.TriggerKind = kTriggerOnce;
  job.Wake = true;
  job.Comment = request.Comment;
  job.Command.Action = static_cast<std::uint16_t>(request.Action);
  job.Command.Duration = request.Minutes > 0 ? request.Minutes : 1;
  if (request.Channel) {
    job.Command.SatId = request.Channel->SatIndex;
    job.Command.Tid = request.Channel->TID;
    job.Command.Sid = request.Channel->SID;
    job.Command.ChannelName = data::ChName(*request.Channel);
  }
  return job;
}

TScheduler::TScheduler(std::unique_ptr<TSchStore> store, frame::TNotificationHub &hub)
    : store_(std::move(store)), hub_(hub) {}

void TScheduler::SchStartup() {
  jobs_.clear();
  const std::string error = store_->Open();
  initialized_ = error.empty();
  if (!initialized_)
    frame::Log(std::string(kSchNotInitialized) + " " + error, frame::kLogError);
  SchRefresh();
}

void TScheduler::SchRefresh() {
  jobs_.clear();
  readErrors_.clear();
  if (initialized_) {
    TSchListing listing = store_->List(NowLocalSeconds());
    jobs_ = std::move(listing.Jobs);
    readErrors_ = std::move(listing.Errors);
  }
  // Each unreadable unit is logged once, not at every refresh.
  for (const std::string &error : readErrors_) {
    if (logged_.insert(error).second)
      frame::Log(error, frame::kLogError);
  }
  hub_.Notify(frame::kNotifyScheduledJobs, Count(), 0);
}

bool TScheduler::CheckInitialized() const {
  if (!initialized_)
    frame::ShowErrorBox(kSchCaption, kSchNotInitialized);
  return initialized_;
}

bool TScheduler::SchAddJob(const TSchNewJob &request, ISchJobEditor &editor) {
  if (!CheckInitialized())
    return false;
  TSchJob job = PrepareNewJob(request, NowLocalSeconds());
  if (!editor.EditJob(job, kSchTitleAdd))
    return false;
  const std::string error = store_->Add(job);
  if (!error.empty())
    frame::ShowErrorBox(kSchCaption, error);
  SchRefresh();
  return error.empty();
}

bool TScheduler::SchEditJob(int index, ISchJobEditor &editor) {
  if (!CheckInitialized() || !IndexValid(index))
    return false;
  TSchJob job = Job(index);
  if (!editor.EditJob(job, kSchTitleEdit))
    return false;
  const std::string error = store_->Replace(job);
  if (!error.empty())
    frame::ShowErrorBox(error.starts_with(kSchRenameFailed) ? kSchErrorCaption : kSchCaption,
                        error);
  SchRefresh();
  return error.empty();
}

bool TScheduler::SchDeleteJob(int index) {
  if (!CheckInitialized() || !IndexValid(index))
    return false;
  const std::string error = store_->Remove(Job(index));
  if (!error.empty())
    frame::ShowErrorBox(kSchCaption, error);
  SchRefresh();
  return error.empty();
}

} // namespace qev::recording
