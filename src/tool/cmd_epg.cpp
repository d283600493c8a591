#include "data/channel_lists.h"
#include "data/sat_list.h"
#include "device/device_module.h"
#include "device/tuner.h"
#include "guide/epg_store.h"
#include "guide/guide.h"
#include "tool/channel_find.h"
#include "tool/commands.h"
#include "tool/epg_report.h"
#include "tool/ts_services.h"
#include "tool/ts_sky.h"
#include "tool/tune_session.h"

#include <fmt/format.h>

#include <algorithm>
#include <limits>

namespace qev::tool {

namespace {

constexpr int kDefaultSeconds = 15;
constexpr const char *kUsage = "epg takes --ts FILE, HANDLE (satellite index * 65536 + position) "
                               "or --name NAME, and [--seconds N] [--xmltv]";

struct TEpgArgs {
  std::optional<std::string> name;
  std::int32_t handle = -1; // -1 with --ts: the file's own transponder
  int seconds = kDefaultSeconds;
  bool xmltv = false;
};

int TakeEpgArgs(TToolContext &context, TEpgArgs &args) {
  args.xmltv = std::erase(context.Args, std::string("--xmltv")) > 0;
  if (const int code = context.TakeSeconds(args.seconds); code != kExitOk)
    return code;
  if (args.xmltv && context.Json)
    return context.BadArguments("--xmltv and --json are two outputs: give one");
  args.name = context.TakeOption("--name");
  if (context.TsSky != nullptr)
    return args.name || !context.Args.empty()
               ? context.BadArguments("--ts collects its file alone: no HANDLE or --name")
               : kExitOk;
  return TakeChannelHandle(context, kUsage, args.name.has_value(), args.handle);
}

// What to tune: the channel's transponder on its satellite, or the --ts file's one.
void AddNames(TEpgChannelNames &names, const std::vector<data::TChannelRec> &channels) {
  for (const data::TChannelRec &rec : channels)
    if (rec.Freq != 0)
      names.emplace(EpgChannelKey(rec.TID, rec.SID), data::ChName(rec));
}

// The root's channel names (and with --ts the file's services), for the XMLTV channels.
TEpgChannelNames ChannelNames(const TToolContext &context, const data::TSatList &sats,
                              const data::TChannelLists &lists) {
  TEpgChannelNames names;
  for (const data::TSatRec &sat : sats.Items())
    if (const data::TChannelsList *list = lists.ListOf(sat.SatIdx))
      AddNames(names, list->Items());
  if (context.TsSky != nullptr) {
    std::string error;
    AddNames(names, ReadTsServices(context.TsSky->TsFile(), 0, error));
  }
  return names;
}

int FindTarget(TToolContext &context, const TEpgArgs &args, const data::TSatList &sats,
               const data::TChannelLists &lists, TTuneArgs &target) {
  if (context.TsSky != nullptr) {
    target = TsSkyTune(*context.TsSky);
    return kExitOk;
  }
  data::TChannelRec channel{};
  return FindChannelTune(context, sats, lists, args.name, args.handle, channel, target);
}

// Tunes, then collects: a --ts file to its end (played once and fast: EIT needs no second
// pass), a live transponder for the given time. The events come out as copies.
int Collect(TToolContext &context, const TEpgArgs &args, const TTuneArgs &target,
            std::vector<guide::TEpgEvent> &events) {
  TToolTuner chain(target.sat);
  const std::int32_t tuned = chain.Tuner().TuneTransponder(
      target.frequency, target.polarisation, target.symbolRate, kDefaultLockWaitMs, true);
  if (tuned != 0)
    return context.Fail(fmt::format("no lock on {} {} {} ({})", target.frequency,
                                    target.polarisation, target.symbolRate, tuned));
  guide::TGuide guide(device::Device());
  if (!guide.EpgStart())
    return context.Fail("the device refused the EIT filter");
  if (context.TsSky != nullptr)
    WaitForStreamEnd(std::nullopt);
  else
    WaitForStreamEnd(std::chrono::seconds(args.seconds));
  guide.Drain();
  guide.EpgStop();
  guide.Store().ForEach([&events](const guide::TEpgEvent &e) { events.push_back(e); });
  context.Doc["errors"] = guide.ErrorCount();
  return kExitOk;
}

} // namespace

// Collects the guide of a channel's transponder (the actual and the other transport streams'
// events) and prints it as lines, JSON or XMLTV.
int RunEpg(TToolContext &context) {
  TEpgArgs args;
  if (const int code = TakeEpgArgs(context, args); code != kExitOk)
    return code;
  data::TSatList sats;
  sats.SatLoad();
  data::TChannelLists lists(sats);
  lists.ListsSync();
  TTuneArgs target;
  if (const int code = FindTarget(context, args, sats, lists, target); code != kExitOk)
    return code;
  std::vector<guide::TEpgEvent> events;
  {
    TLoadedModule module(context);
    if (module.Result() != kExitOk)
      return module.Result();
    if (const int code = Collect(context, args, target, events); code != kExitOk)
      return code;
  }
  const TEpgReport report(std::move(events));
  if (args.xmltv)
    report.WriteXmltv(context.Out, ChannelNames(context, sats, lists));
  else if (context.Json)
    context.Doc["events"] = report.Json();
  else
    report.WriteText(context.Out);
  return kExitOk;
}

} // namespace qev::tool
