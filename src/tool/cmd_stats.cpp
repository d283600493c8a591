#include "data/channel_lists.h"
#include "data/sat_list.h"
#include "device/device_module.h"
#include "device/tuner.h"
#include "diagnostics/packet_source.h"
#include "diagnostics/ts_statistics.h"
#include "tool/channel_find.h"
#include "tool/commands.h"
#include "tool/stats_report.h"
#include "tool/ts_sky.h"
#include "tool/tune_session.h"

#include <fmt/format.h>

#include <chrono>
#include <memory>

namespace qev::tool {

namespace {

constexpr int kDefaultSeconds = 10;
constexpr const char *kUsage = "stats takes --ts FILE, HANDLE (satellite index * 65536 + "
                               "position) or --name NAME, and [--seconds N]";

struct TStatsArgs {
  std::optional<std::string> name;
  std::int32_t handle = -1;
  std::optional<int> seconds; // with --ts: none plays the file to its end
};

int TakeStatsArgs(TToolContext &context, TStatsArgs &args) {
  if (const int code = context.TakeSeconds(args.seconds); code != kExitOk)
    return code;
  args.name = context.TakeOption("--name");
  if (context.TsSky != nullptr)
    return args.name || !context.Args.empty()
               ? context.BadArguments("--ts counts its file alone: no HANDLE or --name")
               : kExitOk;
  return TakeChannelHandle(context, kUsage, args.name.has_value(), args.handle);
}

int FindTarget(TToolContext &context, const TStatsArgs &args, TTuneArgs &target) {
  if (context.TsSky != nullptr) {
    target = TsSkyTune(*context.TsSky);
    return kExitOk;
  }
  data::TSatList sats;
  sats.SatLoad();
  data::TChannelLists lists(sats);
  lists.ListsSync();
  data::TChannelRec channel{};
  return FindChannelTune(context, sats, lists, args.name, args.handle, channel, target);
}

// Tunes and counts every packet of the transponder: a --ts file to its end (or for the time
// given), a live transponder for the time given. Returns the measuring time in seconds.
int Count(TToolContext &context, const TStatsArgs &args, const TTuneArgs &target,
          diagnostics::TTsStatistics &stats, double &seconds) {
  TToolTuner chain(target.sat);
  const std::int32_t tuned = chain.Tuner().TuneTransponder(
      target.frequency, target.polarisation, target.symbolRate, kDefaultLockWaitMs, true);
  if (tuned != 0)
    return context.Fail(fmt::format("no lock on {} {} {} ({})", target.frequency,
                                    target.polarisation, target.symbolRate, tuned));
  diagnostics::TDevicePacketSource source(device::Device());
  const auto started = std::chrono::steady_clock::now();
  const std::int32_t handle =
      source.Start(diagnostics::kAllPids,
                   [&stats](std::span<const std::uint8_t> block) { stats.CountPackets(block); });
  if (handle <= 0)
    return context.Fail(fmt::format("the device refused a filter on all PIDs ({})", handle));
  const int limit = args.seconds.value_or(context.TsSky ? 0 : kDefaultSeconds);
  WaitForStreamEnd(limit > 0 ? std::optional(std::chrono::milliseconds(limit * 1000))
                             : std::nullopt);
  source.Stop(handle);
  seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return kExitOk;
}

} // namespace

// Counts the packets of every PID of a transponder: packets, scrambled packets, continuity
// errors, the content and the rate.
int RunStats(TToolContext &context) {
  TStatsArgs args;
  if (const int code = TakeStatsArgs(context, args); code != kExitOk)
    return code;
  TTuneArgs target;
  if (const int code = FindTarget(context, args, target); code != kExitOk)
    return code;
  auto stats = std::make_unique<diagnostics::TTsStatistics>();
  double seconds = 0;
  {
    TLoadedModule module(context);
    if (module.Result() != kExitOk)
      return module.Result();
    if (const int code = Count(context, args, target, *stats, seconds); code != kExitOk)
      return code;
  }
  if (stats->TotalPackets() == 0)
    return context.Fail("no packets received");
  // A file plays faster than its time: its own clock says how long it lasts.
  if (context.TsSky != nullptr)
    seconds = TStatsReport::PcrSeconds(*stats).value_or(seconds);
  const TStatsReport report(*stats, seconds);
  if (context.Json)
    report.WriteJson(context.Doc);
  else
    report.WriteText(context.Out);
  return kExitOk;
}

} // namespace qev::tool
