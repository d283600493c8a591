#pragma once

#include "frame/command_line.h"
#include "recording/sch_calendar.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qev::recording {

// Every job of the program carries this name prefix; timers of other names are not ours.
inline constexpr const char *kSchJobPrefix = "QEVDVB";

// One scheduled job: a pair of systemd user units (a timer and the service it starts) named
// by Id; the job's own fields live in the timer's "X-Qev-*" keys.
struct TSchJob {
  std::string Id;   // "qevdvb-job-..." without the unit suffix; empty until it is written
  std::string Name; // SchJobName when written; the key, never a file name
  std::string Comment;
  std::int64_t Start = 0;   // local seconds since 1970, whole minutes
  std::int64_t NextRun = 0; // local seconds; 0 = never
  int TriggerKind = kTriggerOnce;
  int Days = 0; // TSchDay bits
  bool Wake = false;
  // A trigger of another kind keeps the expression it was found with.
  std::string Calendar;
  frame::TCommandRecord Command{};
};

// The channel name as it may appear in a job name: the characters that would break the name
// ("|:<>*[]." and the ones a file name cannot hold) removed, then trimmed.
std::string CleanJobChannelName(std::string_view channel);
// "QEVDVB-Rec [QEV One] [01012027 2015]".
std::string SchJobName(const TSchJob &job);
// The channel part of a job name: after its first "[" up to the next "]".
std::string ChannelOfJobName(std::string_view name);

// The command line the job's program gets; the channel name is not part of it.
std::string JobCommandText(const TSchJob &job);
// The command record from a job's command text, its channel name from the job's name.
frame::TCommandRecord ReadJobCommand(std::string_view text, std::string_view name);

} // namespace qev::recording
