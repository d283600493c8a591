#include "recording/sch_store.h"

#include "frame/app_paths.h"
#include "frame/atomic_file.h"
#include "frame/file_reader.h"
#include "frame/log.h"
#include "frame/string_utils.h"
#include "recording/sch_unit_text.h"

#include <fmt/format.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>

namespace qev::recording {

namespace fs = std::filesystem;

namespace {

constexpr const char *kKeyName = "X-Qev-Name";
constexpr const char *kKeyComment = "X-Qev-Comment";
constexpr const char *kKeyKind = "X-Qev-Kind";
constexpr const char *kKeyDays = "X-Qev-Days";
constexpr const char *kKeyStart = "X-Qev-Start";
constexpr const char *kKeyWake = "X-Qev-Wake";
constexpr const char *kKeyCommand = "X-Qev-Command";
constexpr const char *kProgramName = "qevdvb";
constexpr int kIdTries = 16;

std::string Key(const char *key, std::string_view value) {
  return fmt::format("{}={}\n", key, EscapeUnitValue(value));
}

int IntOf(const std::optional<std::string> &text, int fallback) {
  if (!text)
    return fallback;
  char *end = nullptr;
  const long value = std::strtol(text->c_str(), &end, 10);
  return end != text->c_str() && *end == '\0' ? static_cast<int>(value) : fallback;
}

std::string Unescaped(const TUnitFile &unit, const char *key) {
  return UnescapeUnitValue(unit.Value("Unit", key).value_or(""));
}

// The timer's calendar: the one the job's trigger gives, or for another trigger the one kept.
std::string CalendarOf(const TSchJob &job) {
  return job.TriggerKind == kTriggerOther ? job.Calendar
                                          : OnCalendarOf(job.TriggerKind, job.Days, job.Start);
}

} // namespace

fs::path UserUnitFolder() {
  const char *config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config == '/')
    return fs::path(config) / "systemd" / "user";
  const char *home = std::getenv("HOME");
  return fs::path(home && *home ? home : "/") / ".config" / "systemd" / "user";
}

TSchStore::TSchStore(fs::path folder, TSchLaunch launch, ISchManager &manager, bool asRoot)
    : folder_(std::move(folder)), launch_(std::move(launch)), manager_(manager), asRoot_(asRoot) {}

fs::path TSchStore::TimerFile(const std::string &id) const { return folder_ / (id + ".timer"); }

fs::path TSchStore::ServiceFile(const std::string &id) const { return folder_ / (id + ".service"); }

std::string TSchStore::Open() const {
  std::error_code ec;
  fs::create_directories(folder_, ec);
  if (ec)
    return fmt::format("{}: {}", folder_.string(), ec.message());
  if (!fs::is_directory(folder_, ec))
    return fmt::format("{}: not a folder", folder_.string());
  if (::access(folder_.c_str(), R_OK | W_OK | X_OK) != 0)
    return fmt::format("{}: {}", folder_.string(), std::strerror(errno));
  return {};
}

std::string TSchStore::TimerText(const TSchJob &job) const {
  std::string text =
      "# A scheduled job of QEV-DVB: change it in the program or with qevtool jobs.\n"
      "[Unit]\n";
  text += "Description=" + EscapeSpecifiers(EscapeUnitValue(job.Name)) + "\n";
  text += Key(kKeyName, job.Name);
  text += Key(kKeyComment, job.Comment);
  text += Key(kKeyKind, std::to_string(job.TriggerKind));
  text += Key(kKeyDays, std::to_string(job.Days));
  text += Key(kKeyStart, IsoMinute(job.Start));
  text += Key(kKeyWake, job.Wake ? "1" : "0");
  text += Key(kKeyCommand, JobCommandText(job));
  text += "\n[Timer]\n";
  const std::string calendar = CalendarOf(job);
  if (calendar.empty())
    text += "# No day to run on: the timer stays disabled.\n";
  else
    text += "OnCalendar=" + calendar + "\n";
  text += "Unit=" + job.Id + ".service\n";
  if (job.Wake && asRoot_)
    text += "WakeSystem=true\n";
  text += "\n[Install]\nWantedBy=timers.target\n";
  return text;
}

std::string TSchStore::ServiceText(const TSchJob &job) const {
  std::string text = "# Started by its timer: the receiver with the job's command line.\n[Unit]\n";
  text += "Description=" + EscapeSpecifiers(EscapeUnitValue(job.Name)) + "\n";
  text += "\n[Service]\nType=simple\n";
  text += "WorkingDirectory=" + EscapeSpecifiers(EscapeUnitValue(launch_.Root.string())) + "\n";
  text += "ExecStart=" + QuoteExecArgument(launch_.Program.string()) + " " +
          QuoteExecArgument("--root") + " " + QuoteExecArgument(launch_.Root.string()) + " " +
          QuoteExecArgument(JobCommandText(job)) + "\n";
  return text;
}

std::string TSchStore::ReadJob(const fs::path &timer, TSchJob &job) const {
  const frame::TFileContent timerFile = frame::ReadFileContent(timer);
  if (timerFile.Status == frame::FileReadStatus::Missing)
    return {}; // removed while the folder was listed
  if (timerFile.Status == frame::FileReadStatus::Unreadable)
    return timerFile.Error();
  const TUnitFile unit = TUnitFile::Parse(timerFile.Text);
  const auto name = unit.Value("Unit", kKeyName);
  if (!name)
    return {};
  job.Name = frame::Trim(UnescapeUnitValue(*name));
  if (job.Name.size() < 6 || !frame::EqualsNoCase(job.Name.substr(0, 6), kSchJobPrefix))
    return {};
  const std::string id = timer.stem().string();
  const frame::TFileContent serviceFile = frame::ReadFileContent(ServiceFile(id));
  if (serviceFile.Status == frame::FileReadStatus::Missing)
    return fmt::format("{}: its service {} is missing", timer.string(), id + ".service");
  if (serviceFile.Status == frame::FileReadStatus::Unreadable)
    return serviceFile.Error();
  const auto exec = TUnitFile::Parse(serviceFile.Text).Value("Service", "ExecStart");
  const auto words = exec ? SplitExecLine(*exec) : std::nullopt;
  if (!words || words->empty() || fs::path(words->front()).filename() != kProgramName)
    return {}; // a unit of that name that starts another program is not ours
  const auto start = ParseIsoMinute(Unescaped(unit, kKeyStart));
  if (!start)
    return fmt::format("{}: {} is not a date and time", timer.string(), kKeyStart);
  job.Start = *start;
  job.TriggerKind = std::clamp(IntOf(unit.Value("Unit", kKeyKind), kTriggerOther), 0, 2);
  job.Days = IntOf(unit.Value("Unit", kKeyDays), 0) & kAllDays;
  job.Wake = IntOf(unit.Value("Unit", kKeyWake), 0) != 0;
  job.Comment = frame::Trim(Unescaped(unit, kKeyComment));
  job.Command = ReadJobCommand(Unescaped(unit, kKeyCommand), job.Name);
  if (job.TriggerKind == kTriggerOther)
    job.Calendar = unit.Value("Timer", "OnCalendar").value_or("");
  job.Id = id;
  return {};
}

TSchListing TSchStore::List(std::int64_t nowLocal) const {
  TSchListing listing;
  std::error_code ec;
  fs::directory_iterator entries(folder_, ec);
  if (ec) {
    if (ec != std::errc::no_such_file_or_directory)
      listing.Errors.push_back(fmt::format("{}: {}", folder_.string(), ec.message()));
    return listing;
  }
  for (const fs::directory_entry &entry : entries) {
    const std::string file = entry.path().filename().string();
    if (!file.starts_with(kSchUnitPrefix) || entry.path().extension() != ".timer")
      continue;
    TSchJob job;
    if (std::string error = ReadJob(entry.path(), job); !error.empty())
      listing.Errors.push_back(std::move(error));
    else if (!job.Id.empty()) {
      job.NextRun = NextRunOf(job.TriggerKind, job.Days, job.Start, nowLocal);
      listing.Jobs.push_back(std::move(job));
    }
  }
  std::sort(listing.Jobs.begin(), listing.Jobs.end(), [](const TSchJob &a, const TSchJob &b) {
    return a.Start != b.Start ? a.Start < b.Start : a.Name < b.Name;
  });
  return listing;
}

std::string TSchStore::NewId(std::string &error) const {
  // Only a file that is not there is free; any other answer about it stops the search.
  const auto taken = [&error](const fs::path &file) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(file, ec)))
      return true;
    if (ec && ec != std::errc::no_such_file_or_directory)
      error = fmt::format("{}: {}", file.string(), ec.message());
    return !error.empty();
  };
  std::random_device random;
  for (int i = 0; i < kIdTries && error.empty(); ++i) {
    const std::uint64_t value = (std::uint64_t{random()} << 32 | random()) & 0xFFFFFFFFFFFFull;
    const std::string id = fmt::format("{}{:012x}", kSchUnitPrefix, value);
    if (!taken(TimerFile(id)) && !taken(ServiceFile(id)))
      return id;
  }
  if (error.empty())
    error = fmt::format("{}: no free name for a new job", folder_.string());
  return {};
}

std::string TSchStore::NameTaken(const TSchJob &job) const {
  for (const TSchJob &other : List(0).Jobs) {
    if (other.Id != job.Id && frame::EqualsNoCase(other.Name, job.Name))
      return other.Id;
  }
  return {};
}

std::string TSchStore::Write(TSchJob &job) {
  // The service first: a timer is never left pointing at a service that is not there.
  if (std::string error = frame::WriteFileAtomically(ServiceFile(job.Id), ServiceText(job));
      !error.empty())
    return error;
  if (std::string error = frame::WriteFileAtomically(TimerFile(job.Id), TimerText(job));
      !error.empty())
    return error;
  if (job.Wake && !asRoot_)
    frame::Log(fmt::format("{}: waking the computer needs root for a user timer (WakeSystem=); "
                           "the job keeps its wake flag",
                           job.Name),
               frame::kLogError);
  if (manager_.Reload())
    manager_.Enable(job.Id + ".timer", !CalendarOf(job).empty());
  return {};
}

std::string TSchStore::Add(TSchJob &job) {
  if (std::string error = Open(); !error.empty())
    return error;
  job.Id.clear();
  job.Name = SchJobName(job);
  if (!NameTaken(job).empty())
    return fmt::format("A job named \"{}\" exists already", job.Name);
  std::string error;
  job.Id = NewId(error);
  if (job.Id.empty())
    return error;
  return Write(job);
}

std::string TSchStore::Replace(TSchJob &job) {
  const std::string oldName = job.Name;
  job.Name = SchJobName(job);
  if (!NameTaken(job).empty()) {
    job.Name = oldName;
    return kSchRenameFailed + TimerFile(job.Id).string();
  }
  return Write(job);
}

std::string TSchStore::Remove(const TSchJob &job) {
  if (manager_.Reload())
    manager_.Enable(job.Id + ".timer", false);
  for (const fs::path &file : {TimerFile(job.Id), ServiceFile(job.Id)}) {
    std::error_code ec;
    fs::remove(file, ec);
    if (ec)
      return fmt::format("{}: {}", file.string(), ec.message());
  }
  manager_.Reload();
  return {};
}

fs::path ReceiverProgram() { return frame::ExecutableFile().parent_path() / kProgramName; }

std::unique_ptr<TSchStore> MakeUserStore(TSchLaunch launch, ISchManager &manager) {
  return std::make_unique<TSchStore>(UserUnitFolder(), std::move(launch), manager,
                                     ::geteuid() == 0);
}

} // namespace qev::recording
