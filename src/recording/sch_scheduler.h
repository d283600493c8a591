#pragma once

#include "data/channel_rec.h"
#include "frame/notification_hub.h"
#include "recording/sch_store.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace qev::recording {

inline constexpr const char *kSchNotInitialized = "TaskScheduler is NOT initialized...";
inline constexpr const char *kSchCaption = "Scheduler";
inline constexpr const char *kSchErrorCaption = "MsTask Error";
inline constexpr const char *kSchTitleAdd = "Add job";
inline constexpr const char *kSchTitleEdit = "Edit";

// The job dialog: true when the user confirmed; the job then holds what was entered.
class ISchJobEditor {
public:
  virtual ~ISchJobEditor() = default;
  virtual bool EditJob(TSchJob &job, const std::string &title) = 0;
};

// What a new job starts from.
struct TSchNewJob {
  const data::TChannelRec *Channel = nullptr;
  int Minutes = 0;
  std::string Comment;
  int Action = frame::TCommandRecord::kActionRecord;
  std::int64_t StartLocal = 0; // local seconds; 0 = now
};

// The program's view of its scheduled jobs: a copy of the store's jobs, rebuilt after every
// change and on request, announced on notification list 3 with the number of jobs.
class TScheduler {
public:
  TScheduler(std::unique_ptr<TSchStore> store, frame::TNotificationHub &hub);

  // Opens the store (a folder that cannot be used leaves the scheduler uninitialised), then
  // refreshes.
  void SchStartup();
  bool Initialized() const { return initialized_; }
  void SchRefresh();
  // The job dialog titled "Add job" over a job prepared from the request; on OK the job is
  // written. True when a job was written.
  bool SchAddJob(const TSchNewJob &request, ISchJobEditor &editor);
  // The dialog titled "Edit" over the job; on OK it is written under its new name, unless
  // another job has that name.
  bool SchEditJob(int index, ISchJobEditor &editor);
  // No question asked.
  bool SchDeleteJob(int index);

  int Count() const { return static_cast<int>(jobs_.size()); }
  const TSchJob &Job(int index) const { return jobs_.at(static_cast<std::size_t>(index)); }
  // Units that could not be read at the last refresh.
  const std::vector<std::string> &ReadErrors() const { return readErrors_; }
  TSchStore &Store() { return *store_; }

private:
  bool CheckInitialized() const;
  bool IndexValid(int index) const { return index >= 0 && index < Count(); }

  std::unique_ptr<TSchStore> store_;
  frame::TNotificationHub &hub_;
  bool initialized_ = false;
  std::vector<TSchJob> jobs_;
  std::vector<std::string> readErrors_;
  std::set<std::string> logged_;
};

// A job as a new one starts: the request's action, start (now when 0, whole minutes),
// duration (1 when 0 or less), comment, wake set, and the channel's satellite, ids and name.
TSchJob PrepareNewJob(const TSchNewJob &request, std::int64_t nowLocal);

} // namespace qev::recording
