#pragma once

#include "recording/sch_job.h"
#include "recording/sch_manager.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace qev::recording {

// What a job's service starts: the receiver, on the same root the job was made for.
struct TSchLaunch {
  std::filesystem::path Program; // qevdvb
  std::filesystem::path Root;
};

// The jobs found in the folder, and every unit that exists but could not be read or made sense
// of ("<path>: <reason>"); such a unit is left alone.
struct TSchListing {
  std::vector<TSchJob> Jobs;
  std::vector<std::string> Errors;
};

inline constexpr const char *kSchUnitPrefix = "qevdvb-job-";
inline constexpr const char *kSchRenameFailed = "Cannot rename file\r\r";

// The folder systemd reads user units from: $XDG_CONFIG_HOME/systemd/user, else
// ~/.config/systemd/user.
std::filesystem::path UserUnitFolder();

// Scheduled jobs as systemd user timer and service pairs in one folder. Every change writes the
// units atomically, then asks the manager to reload and to enable (or disable) the timer.
class TSchStore {
public:
  // asRoot: whether WakeSystem= may be written (user timers of others may not wake the system).
  TSchStore(std::filesystem::path folder, TSchLaunch launch, ISchManager &manager, bool asRoot);

  const std::filesystem::path &Folder() const { return folder_; }
  std::filesystem::path TimerFile(const std::string &id) const;
  std::filesystem::path ServiceFile(const std::string &id) const;

  // Makes the folder when missing; the reason when it cannot be used, else empty.
  std::string Open() const;
  // The jobs sorted by name, with their next run after now (local seconds).
  TSchListing List(std::int64_t nowLocal) const;
  // Writes a new job: gives it an id and its name. An error text, empty on success.
  std::string Add(TSchJob &job);
  // Writes the edited job over the one it was (same id) under its new name. A name that
  // another job has is refused before anything is written.
  std::string Replace(TSchJob &job);
  // Stops the timer and removes both units.
  std::string Remove(const TSchJob &job);

  // The unit texts of a job, as written.
  std::string TimerText(const TSchJob &job) const;
  std::string ServiceText(const TSchJob &job) const;

private:
  std::string Write(TSchJob &job);
  std::string NewId(std::string &error) const;
  // The job of one timer file; an error text when it is unreadable or broken, and an empty job
  // id when the unit is not one of ours.
  std::string ReadJob(const std::filesystem::path &timer, TSchJob &job) const;
  std::string NameTaken(const TSchJob &job) const;

  const std::filesystem::path folder_;
  const TSchLaunch launch_;
  ISchManager &manager_;
  const bool asRoot_;
};

// The receiver a job starts: qevdvb in the folder of the running program (itself, when that is
// the receiver; the one installed beside it for qevtool).
std::filesystem::path ReceiverProgram();

// The store of the user's own unit folder; WakeSystem= is written only when running as root.
std::unique_ptr<TSchStore> MakeUserStore(TSchLaunch launch, ISchManager &manager);

} // namespace qev::recording
