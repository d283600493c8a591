#include "data/channel_lists.h"
#include "data/sat_list.h"
#include "device/device_module.h"
#include "device/tuner.h"
#include "frame/app_paths.h"
#include "frame/notification_hub.h"
#include "frame/options.h"
#include "frame/string_utils.h"
#include "recording/device_record_source.h"
#include "recording/record_name.h"
#include "tool/channel_find.h"
#include "tool/commands.h"
#include "tool/ts_sky.h"
#include "tool/tune_session.h"

#include <fmt/format.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <map>

namespace qev::tool {

namespace {

namespace fs = std::filesystem;

constexpr int kDefaultSeconds = 10;
constexpr int kMaxSplitMb = 1 << 20;
constexpr const char *kUsage =
    "record takes HANDLE, --name NAME, --pids P,P --tp SAT,FREQ,POL,SR or --full --tp "
    "SAT,FREQ,POL,SR, and [--seconds N] [--out DIR] [--split MB]";

struct TRecordArgs {
  std::optional<std::string> name;
  std::int32_t handle = -1;
  std::vector<std::uint16_t> pids;
  bool full = false;
  TTuneArgs tune;
  int seconds = kDefaultSeconds;
  std::optional<fs::path> out;
  int splitMb = 0;
  bool streams() const { return full || !pids.empty(); }
};

int TakePids(TToolContext &context, const std::string &text, TRecordArgs &args) {
  for (const std::string &field : frame::SplitAt(text, ",")) {
    const std::string pid = frame::Trim(field);
    const bool hex = pid.rfind("0x", 0) == 0 || pid.rfind("0X", 0) == 0;
    char *end = nullptr;
    const long value = std::strtol(pid.c_str(), &end, hex ? 16 : 10);
    if (pid.empty() || *end != '\0' || value < 0 || value >= 0x1FFF)
      return context.BadArguments("--pids takes PIDs 0..8190, decimal or 0x hex");
    args.pids.push_back(static_cast<std::uint16_t>(value));
  }
  return kExitOk;
}

// --tp SAT,FREQ,POL,SR goes through the tune command's own argument reading.
int TakeTransponder(TToolContext &context, TRecordArgs &args) {
  const std::optional<std::string> tp = context.TakeOption("--tp");
  if (!context.Args.empty())
    return context.BadArguments(kUsage);
  if (tp)
    context.Args = frame::SplitAt(*tp, ",");
  else if (context.TsSky == nullptr)
    return context.BadArguments("--pids and --full need --tp SAT,FREQ,POL,SR");
  return TakeTuneArgs(context, "--tp SAT,FREQ,POL,SR", args.tune);
}

int TakeRecordArgs(TToolContext &context, TRecordArgs &args) {
  if (const int code = context.TakeSeconds(args.seconds); code != kExitOk)
    return code;
  if (const auto text = context.TakeOption("--split")) {
    const auto split = ParseInt(*text, 0, kMaxSplitMb);
    if (!split)
      return context.BadArguments(fmt::format("--split takes 0..{} MB", kMaxSplitMb));
    args.splitMb = *split;
  }
  if (const auto out = context.TakeOption("--out"))
    args.out = fs::absolute(*out);
  args.full = std::erase(context.Args, std::string("--full")) > 0;
  if (const auto pids = context.TakeOption("--pids"))
    if (const int code = TakePids(context, *pids, args); code != kExitOk)
      return code;
  args.name = context.TakeOption("--name");
  if (args.full && !args.pids.empty())
    return context.BadArguments("--full records every PID: no --pids with it");
  if (args.streams())
    return args.name ? context.BadArguments(kUsage) : TakeTransponder(context, args);
  return TakeChannelHandle(context, kUsage, args.name.has_value(), args.handle);
}

// The channel to record and its transponder.
int FindChannel(TToolContext &context, TRecordArgs &args, data::TChannelRec &channel) {
  data::TSatList sats;
  sats.SatLoad();
  data::TChannelLists lists(sats);
  lists.ListsSync();
  return FindChannelTune(context, sats, lists, args.name, args.handle, channel, args.tune);
}

// The files of one recording in part order, as its last view names them.
std::vector<fs::path> PartFiles(const recording::TRecordSlotView &view) {
  std::vector<fs::path> files;
  for (int part = 0;; ++part) {
    const fs::path path =
        fs::path(view.Folder) / recording::RecFileName(view.BaseName, part, view.Extension);
    std::error_code error;
    if (!fs::exists(path, error)) {
      if (part > view.PartNumber + 1) // a part number skipped over a taken name, then the end
        return files;
      continue;
    }
    files.push_back(path);
  }
}

// Packets and continuity breaks of a recording read across its parts.
struct TTsCount {
  std::int64_t packets = 0;
  std::int64_t breaks = 0;
  std::map<std::uint16_t, int> counters;

  void Read(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::array<char, 188> packet;
    while (in.read(packet.data(), packet.size())) {
      ++packets;
      const auto *p = reinterpret_cast<const std::uint8_t *>(packet.data());
      const std::uint16_t pid = static_cast<std::uint16_t>(((p[1] & 0x1F) << 8) | p[2]);
      if (p[0] != 0x47 || pid == 0x1FFF || (p[3] & 0x10) == 0)
        continue;
      const int counter = p[3] & 0x0F;
      const auto last = counters.find(pid);
      if (last != counters.end() && counter != ((last->second + 1) & 0x0F) &&
          counter != last->second) // a repeated packet is allowed once
        ++breaks;
      counters[pid] = counter;
    }
  }
};

// Frequencies come in kHz from channels and in MHz from the command line.
std::uint32_t MegaHertz(std::uint32_t frequency) {
  return frequency >= 1'000'000 ? frequency / 1000 : frequency;
}

bool StartRecordings(recording::TRecorder &recorder, const TRecordArgs &args,
                     const data::TChannelRec &channel) {
  if (args.full)
    return recorder.RecStartPid(
        recording::kFullTsPid,
        fmt::format("FTS-{}{}", MegaHertz(args.tune.frequency), args.tune.polarisation), "");
  if (!args.streams())
    return recorder.RecStartChannel(channel, 255, 0, false);
  for (const std::uint16_t pid : args.pids)
    if (!recorder.RecStartPid(pid, "", ""))
      return false;
  return true;
}

// Tunes, records through the program's recorder for the given time (a --ts file to its end),
// and returns the recordings as they were just before they stopped.
int Record(TToolContext &context, const TRecordArgs &args, const data::TChannelRec &channel,
           std::vector<recording::TRecordSlotView> &done) {
  TToolTuner chain(args.tune.sat);
  const std::int32_t tuned =
      chain.Tuner().TuneTransponder(args.tune.frequency, args.tune.polarisation,
                                    args.tune.symbolRate, args.tune.lockWaitMs, true);
  if (tuned != 0)
    return context.Fail(fmt::format("no lock on {} {} {} ({})", args.tune.frequency,
                                    args.tune.polarisation, args.tune.symbolRate, tuned));
  frame::TRecordingOptions options;
  options.DestDirectory = args.out ? args.out->string() : "";
  options.FileSplitSize = std::int64_t{args.splitMb} * frame::kBytesPerMegabyte;
  options.AskBeforeRec = false;
  recording::TDeviceRecordSource source(device::Device());
  recording::TRecorder recorder(
      source, {frame::GlobalNotifications(),
               [&options]() -> const frame::TRecordingOptions & { return options; },
               [] { return recording::DefaultRecordFolder(frame::Paths().ExeDir); }});
  if (!StartRecordings(recorder, args, channel)) {
    recorder.RecStopAll();
    return context.Fail("the recording did not start");
  }
  WaitForStreamEnd(context.TsSky != nullptr ? std::nullopt
                                            : std::optional(std::chrono::seconds(args.seconds)));
  for (const recording::TRecordSlotView &view : recorder.Slots())
    if (view.State != recording::kRecFree)
      done.push_back(view);
  recorder.RecStopAll();
  return kExitOk;
}

void Report(TToolContext &context, const std::vector<recording::TRecordSlotView> &done) {
  nlohmann::ordered_json files = nlohmann::ordered_json::array();
  std::int64_t packets = 0, dropped = 0;
  for (const recording::TRecordSlotView &view : done) {
    TTsCount count;
    for (const fs::path &path : PartFiles(view)) {
      std::error_code error;
      const auto bytes = static_cast<std::int64_t>(fs::file_size(path, error));
      files.push_back({{"path", path.string()}, {"bytes", error ? 0 : bytes}});
      context.Line(fmt::format("{}  {} bytes", path.string(), error ? 0 : bytes));
      count.Read(path);
    }
    packets += count.packets;
    dropped += count.breaks + static_cast<std::int64_t>(view.DroppedBlocks);
  }
  context.Line(fmt::format("{} packets, {} dropped", packets, dropped));
  context.Doc["files"] = files;
  context.Doc["packets"] = packets;
  context.Doc["dropped"] = dropped;
}

} // namespace

// Records a channel, chosen PIDs or the whole transponder through the program's recorder and
// lists the files it wrote with their sizes, the packets and the continuity breaks found.
int RunRecord(TToolContext &context) {
  TRecordArgs args;
  if (const int code = TakeRecordArgs(context, args); code != kExitOk)
    return code;
  data::TChannelRec channel{};
  if (!args.streams())
    if (const int code = FindChannel(context, args, channel); code != kExitOk)
      return code;
  std::vector<recording::TRecordSlotView> done;
  {
    TLoadedModule module(context);
    if (module.Result() != kExitOk)
      return module.Result();
    if (const int code = Record(context, args, channel, done); code != kExitOk)
      return code;
  }
  if (done.empty())
    return context.Fail("the recording ended early: see the log");
  Report(context, done);
  return kExitOk;
}

} // namespace qev::tool
