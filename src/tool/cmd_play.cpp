#include "data/channel_lists.h"
#include "data/sat_list.h"
#include "device/device_module.h"
#include "device/slot_state.h"
#include "tool/channel_find.h"
#include "tool/commands.h"
#include "tool/play_report.h"
#include "tool/play_session.h"
#include "tool/ts_services.h"
#include "tool/ts_sky.h"

#include <fmt/format.h>

#include <limits>
#include <thread>

namespace qev::tool {

namespace {

constexpr int kDefaultSeconds = 5;
// Where the --ts file's satellite stands in the channel lists: any position does, the sky has
// no dish to turn.
constexpr std::uint16_t kTsPosition = 1;
constexpr const char *kUsage =
    "play takes HANDLE (satellite index * 65536 + position) or --name NAME, and [--seconds N] "
    "[--slot N]";

struct TPlayArgs {
  std::optional<std::string> name;
  std::int32_t handle = -1;
  int seconds = kDefaultSeconds;
  int slot = 0;
};

// kExitOk with `args` set, else the exit code after reporting.
int TakePlayArgs(TToolContext &context, TPlayArgs &args) {
  if (const int code = context.TakeSeconds(args.seconds); code != kExitOk)
    return code;
  if (const auto text = context.TakeOption("--slot")) {
    const auto slot = ParseInt(*text, 0, device::kAvSlotCount - 1);
    if (!slot)
      return context.BadArguments("--slot takes 0..3");
    args.slot = *slot;
  }
  args.name = context.TakeOption("--name");
  return TakeChannelHandle(context, kUsage, args.name.has_value(), args.handle);
}

// The satellites and channels a play chooses from: the root's, or with --ts the services of
// the file on the file's own satellite. Empty text on success.
std::string LoadChannels(const TToolContext &context, data::TSatList &sats,
                         data::TChannelLists &lists) {
  if (context.TsSky == nullptr) {
    sats.SatLoad();
    lists.ListsSync();
    return "";
  }
  data::TSatRec sat = context.TsSky->Satellite();
  sat.SatPos = kTsPosition;
  sats.SatAdd(sat, false); // the root's satellites stay as they are
  std::string error;
  const auto services = ReadTsServices(context.TsSky->TsFile(), sat.SatIdx, error);
  // A list of its own, never loaded from nor saved to the root.
  data::TChannelsList *list = lists.ListOpen(sat.SatIdx, false);
  if (list == nullptr)
    return "cannot hold the channels of " + context.TsSky->TsFile().string();
  for (const data::TChannelRec &rec : services)
    list->ListAppend(rec);
  return error;
}

} // namespace

// Plays a channel on an AV slot as the receiver does, the pictures counted instead of shown,
// and reports what reached the renderers.
int RunPlay(TToolContext &context) {
  TPlayArgs args;
  if (const int code = TakePlayArgs(context, args); code != kExitOk)
    return code;

  data::TSatList sats;
  data::TChannelLists lists(sats);
  if (const std::string error = LoadChannels(context, sats, lists); !error.empty())
    return context.Fail(error);
  const std::int32_t handle = args.name ? FindChannelByName(sats, lists, *args.name) : args.handle;
  const std::optional<data::TChannelRec> channel = lists.ChannelByHandle(handle);
  if (!channel)
    return context.Fail(args.name ? "no channel named " + *args.name
                                  : fmt::format("no channel with handle {}", handle));
  const std::filesystem::path module = context.DeviceModuleFile();
  if (module.empty())
    return context.Fail(kNoDevice);

  TPlaySession session(module, lists, sats, args.slot, video::TRenderMode::Count);
  if (!session.Error().empty())
    return context.Fail(session.Error());
  if (!session.Switch(handle))
    return context.Fail("the switch to " + data::ChName(*channel) + " was refused");
  std::this_thread::sleep_for(std::chrono::seconds(args.seconds));

  const TPlayReport report(*channel, session.State(), session.RequestedAt());
  report.Write(context);
  if (!session.OutputOpen())
    return context.Fail("the video output did not open");
  if (!report.Played() && !report.Scrambled())
    return context.Fail("neither picture nor sound reached the renderers");
  return kExitOk;
}

} // namespace qev::tool
