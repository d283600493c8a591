#include "data/channel_lists.h"
#include "data/date_time.h"
#include "data/sat_list.h"
#include "frame/app_paths.h"
#include "frame/string_utils.h"
#include "recording/sch_store.h"
#include "tool/channel_find.h"
#include "tool/commands.h"

#include <fmt/format.h>

#include <array>

namespace qev::tool {

namespace {

using recording::TSchJob;

constexpr std::array<const char *, 7> kDayWords = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
constexpr std::array<const char *, 5> kAtEndWords = {"", "exit", "suspend", "hibernate",
                                                     "shutdown"};

std::int64_t NowLocal() { return data::UtcToLocal(data::NowUtc()); }

// The store the receiver uses, with jobs that start the receiver installed beside this tool on
// this root.
struct TToolStore {
  std::unique_ptr<recording::ISchManager> manager = recording::MakeSystemctlManager();
  std::unique_ptr<recording::TSchStore> store =
      recording::MakeUserStore({recording::ReceiverProgram(), frame::Paths().ExeDir}, *manager);
};

nlohmann::ordered_json DaysJson(int days) {
  nlohmann::ordered_json list = nlohmann::json::array();
  for (std::size_t day = 0; day < kDayWords.size(); ++day) {
    if (days & (1 << day))
      list.push_back(kDayWords[day]);
  }
  return list;
}

const char *TriggerWord(int kind) {
  return kind == recording::kTriggerOnce     ? "once"
         : kind == recording::kTriggerWeekly ? "weekly"
                                             : "other";
}

nlohmann::ordered_json JobJson(const TSchJob &job, const recording::TSchStore &store) {
  const frame::TCommandRecord &command = job.Command;
  return {{"id", job.Id},
          {"name", job.Name},
          {"comment", job.Comment},
          {"action", command.Action == frame::TCommandRecord::kActionView ? "view" : "record"},
          {"channel", command.ChannelName},
          {"sat", command.SatId},
          {"tid", command.Tid},
          {"sid", command.Sid},
          {"start", recording::IsoMinute(job.Start)},
          {"minutes", command.Duration},
          {"atEnd", command.AtEnd < kAtEndWords.size() ? kAtEndWords[command.AtEnd] : ""},
          {"trigger", TriggerWord(job.TriggerKind)},
          {"days", DaysJson(job.Days)},
          {"wake", job.Wake},
          {"nextRun", job.NextRun ? nlohmann::ordered_json(recording::IsoMinute(job.NextRun))
                                  : nlohmann::ordered_json()},
          {"onCalendar", job.TriggerKind == recording::kTriggerOther
                             ? job.Calendar
                             : recording::OnCalendarOf(job.TriggerKind, job.Days, job.Start)},
          {"command", recording::JobCommandText(job)},
          {"timer", store.TimerFile(job.Id).string()}};
}

std::optional<int> ParseDays(const std::string &text) {
  int days = 0;
  for (const std::string &word : frame::SplitAt(text, ",")) {
    const std::string trimmed = frame::Trim(word);
    if (trimmed.empty())
      continue;
    const auto found = std::find_if(kDayWords.begin(), kDayWords.end(), [&](const char *day) {
      return frame::EqualsNoCase(trimmed.substr(0, 3), day) && trimmed.size() >= 3;
    });
    if (found == kDayWords.end())
      return std::nullopt;
    days |= 1 << (found - kDayWords.begin());
  }
  return days;
}

// The channel's satellite, ids and name into the job; the failure's text otherwise.
std::optional<std::string> ChooseChannel(const std::string &name, TSchJob &job) {
  data::TSatList sats;
  sats.SatLoad();
  data::TChannelLists lists(sats);
  lists.ListsSync();
  const std::int32_t handle = FindChannelByName(sats, lists, name);
  const auto channel = handle >= 0 ? lists.ChannelByHandle(handle) : std::nullopt;
  if (!channel)
    return "no channel named " + name;
  job.Command.SatId = channel->SatIndex;
  job.Command.Tid = channel->TID;
  job.Command.Sid = channel->SID;
  job.Command.ChannelName = data::ChName(*channel);
  return std::nullopt;
}

// The options of "jobs add" into the job; a text when they do not make one.
std::optional<std::string> ReadAddOptions(TToolContext &context, TSchJob &job) {
  const auto at = context.TakeOption("--at");
  const auto start = at ? recording::ParseIsoMinute(*at) : std::nullopt;
  if (!start)
    return "--at takes a local time YYYY-MM-DDTHH:MM";
  job.Start = *start;
  const auto minutes = context.TakeOption("--minutes");
  const auto duration = ParseInt(minutes.value_or("1"), 1, 9999);
  if (!duration)
    return "--minutes takes 1..9999";
  job.Command.Duration = *duration;
  if (const auto weekly = context.TakeOption("--weekly")) {
    const auto days = ParseDays(*weekly);
    if (!days)
      return "--weekly takes days such as Mon,Wed,Sun";
    job.TriggerKind = recording::kTriggerWeekly;
    job.Days = *days;
  }
  if (const auto atEnd = context.TakeOption("--at-end")) {
    const auto found = std::find(kAtEndWords.begin() + 1, kAtEndWords.end(), *atEnd);
    if (found == kAtEndWords.end())
      return "--at-end takes exit, suspend, hibernate or shutdown";
    job.Command.AtEnd = static_cast<std::uint16_t>(found - kAtEndWords.begin());
  }
  job.Comment = context.TakeOption("--name").value_or("");
  job.Command.Action = frame::TCommandRecord::kActionRecord;
  job.Wake = true;
  for (const std::string &flag : context.Args) {
    if (flag == "--view")
      job.Command.Action = frame::TCommandRecord::kActionView;
    else if (flag == "--no-wake")
      job.Wake = false;
    else
      return "unexpected argument " + flag;
  }
  return std::nullopt;
}

} // namespace

int RunJobsList(TToolContext &context) {
  if (!context.Args.empty())
    return context.BadArguments("unexpected argument " + context.Args.front());
  TToolStore tool;
  if (const std::string error = tool.store->Open(); !error.empty())
    return context.Fail(error);
  const recording::TSchListing listing = tool.store->List(NowLocal());
  context.Doc["folder"] = tool.store->Folder().string();
  context.Doc["jobs"] = nlohmann::json::array();
  for (const TSchJob &job : listing.Jobs) {
    context.Line(fmt::format("{}  {}  next {}  {}  {}", job.Id, job.Name,
                             job.NextRun ? recording::IsoMinute(job.NextRun) : "never",
                             recording::JobCommandText(job), job.Comment));
    context.Doc["jobs"].push_back(JobJson(job, *tool.store));
  }
  context.Doc["errors"] = listing.Errors;
  for (const std::string &error : listing.Errors)
    context.Err << "qevtool: " << error << '\n';
  context.Line(fmt::format("{} jobs in {}", listing.Jobs.size(), tool.store->Folder().string()));
  return listing.Errors.empty() ? kExitOk : kExitFailed;
}

int RunJobsAdd(TToolContext &context) {
  const auto channel = context.TakeOption("--channel");
  if (!channel)
    return context.BadArguments("jobs add needs --channel NAME and --at YYYY-MM-DDTHH:MM");
  TSchJob job;
  if (const auto failure = ReadAddOptions(context, job))
    return context.BadArguments(*failure);
  if (const auto failure = ChooseChannel(*channel, job))
    return context.Fail(*failure);
  TToolStore tool;
  if (const std::string error = tool.store->Add(job); !error.empty())
    return context.Fail(error);
  job.NextRun = recording::NextRunOf(job.TriggerKind, job.Days, job.Start, NowLocal());
  context.Line(fmt::format("added {}  {}", job.Id, job.Name));
  context.Doc["job"] = JobJson(job, *tool.store);
  return kExitOk;
}

int RunJobsDelete(TToolContext &context) {
  if (context.Args.size() != 1)
    return context.BadArguments("jobs delete takes one job, by its id or its name");
  TToolStore tool;
  const std::string &wanted = context.Args.front();
  for (const TSchJob &job : tool.store->List(0).Jobs) {
    if (job.Id != wanted && job.Name != wanted)
      continue;
    if (const std::string error = tool.store->Remove(job); !error.empty())
      return context.Fail(error);
    context.Line("deleted " + job.Id + "  " + job.Name);
    context.Doc["deleted"] = job.Id;
    return kExitOk;
  }
  return context.Fail("no job " + wanted);
}

} // namespace qev::tool
