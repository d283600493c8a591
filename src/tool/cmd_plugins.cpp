#include "data/channel_lists.h"
#include "data/sat_list.h"
#include "device/device_module.h"
#include "device/tuner.h"
#include "frame/app_paths.h"
#include "frame/event_loop.h"
#include "frame/notification_hub.h"
#include "plugins/plugin_device.h"
#include "plugins/plugin_host.h"
#include "si/device_filter_source.h"
#include "tool/channel_find.h"
#include "tool/commands.h"
#include "tool/tune_session.h"

#include <fmt/format.h>

#include <thread>

namespace qev::tool {
namespace {

using namespace std::chrono_literals;

constexpr int kDefaultSeconds = 10;
constexpr auto kLoopPause = 5ms;
constexpr const char *kUsage =
    "plugins takes [--folder DIR], or --run (HANDLE | --name NAME) [--seconds N]";

nlohmann::ordered_json MenuJson(const std::vector<plugins::TPluginMenuItem> &items) {
  auto json = nlohmann::ordered_json::array();
  for (const plugins::TPluginMenuItem &item : items) {
    nlohmann::ordered_json entry = {{"id", item.Id}, {"text", item.Text}};
    if (!item.Items.empty())
      entry["items"] = MenuJson(item.Items);
    json.push_back(entry);
  }
  return json;
}

std::string MenuText(const std::vector<plugins::TPluginMenuItem> &items) {
  std::string text;
  for (const plugins::TPluginMenuItem &item : items) {
    if (!text.empty())
      text += ", ";
    text += item.Items.empty() ? fmt::format("{}={}", item.Id, item.Text)
                               : item.Text + " [" + MenuText(item.Items) + "]";
  }
  return text;
}

plugins::TPluginHostLinks ListingLinks(plugins::IPluginDevice &device, frame::TNotificationHub &hub,
                                       const std::filesystem::path &folder) {
  plugins::TPluginHostLinks links(device, hub);
  links.ConfigFile = frame::Paths().PluginsFile;
  links.ReadOnlyConfig = true;
  links.PluginsDir = folder;
  return links;
}

// Every plugin the scan finds, with every slot's folders.
int ListPlugins(TToolContext &context, const std::filesystem::path &folder) {
  frame::TNotificationHub hub;
  plugins::TModulePluginDevice device(device::Device());
  plugins::TPluginHost host(ListingLinks(device, hub, folder));
  host.LoadPlugins(true);
  context.Doc["folder"] = folder.string();
  context.Doc["plugins"] = nlohmann::ordered_json::array();
  for (int i = 0; i < host.Count(); ++i) {
    const plugins::TPluginEntry &entry = host.Entry(i);
    context.Line(fmt::format("AV{}  {:<24} {:<32} {}", int{entry.AvSlot}, entry.DllName,
                             entry.PluginName, MenuText(entry.Menu)));
    context.Doc["plugins"].push_back({{"file", entry.DllName},
                                      {"name", entry.PluginName},
                                      {"slot", entry.AvSlot},
                                      {"menu", MenuJson(entry.Menu)}});
  }
  for (const plugins::TPluginLogLine &line : host.Log().Lines())
    if (line.Kind == plugins::PluginLogKind::Error || line.Kind == plugins::PluginLogKind::Warning)
      context.Err << line.Text << "\n";
  context.Line(fmt::format("{} plugins in {}", host.Count(), folder.string()));
  host.FreePlugins();
  return kExitOk;
}

struct TRunArgs {
  std::int32_t handle = -1;
  int seconds = kDefaultSeconds;
};

// What one filter received, second by second.
struct TFilterRun {
  int plugin = -1;
  plugins::TPluginFilterView view;
  std::vector<std::uint64_t> bytesEachSecond;
};

class TPluginRun {
public:
  TPluginRun(const data::TSatRec &sat, std::int32_t handle, const data::TChannelRec &channel)
      : sections_(device::Device()), links_(device_, hub_) {
    links_.ConfigFile = frame::Paths().PluginsFile;
    links_.ExeDir = frame::Paths().ExeDir;
    links_.PluginsDir = frame::Paths().Plugins;
    links_.Ui = &loop_;
    links_.SlotChannel = [handle, channel](int slot) {
      return slot == 0 ? plugins::TSlotChannel{handle, channel} : plugins::TSlotChannel{};
    };
    links_.Signal = [] {
      SignalStatus status{};
      device::Device().GetSignalStatus(status);
      return status;
    };
    links_.SatPos = [pos = sat.SatPos] { return static_cast<std::int32_t>(pos); };
    links_.Sections = &sections_;
    links_.KeepAlive = [this] { loop_.ProcessPending(); };
  }

  // Loads the plugins, lets slot 0 play for the given time and frees them again.
  void Run(int seconds) {
    plugins::TPluginHost host(links_);
    host.LoadPlugins(device::Device().Description().VideoStreams > 1);
    host.SetSlotReason(0, plugins::kReasonPlaying, true);
    for (int second = 0; second < seconds; ++second) {
      const auto end = std::chrono::steady_clock::now() + 1s;
      while (std::chrono::steady_clock::now() < end) {
        loop_.ProcessPending();
        std::this_thread::sleep_for(kLoopPause);
      }
      Sample(host);
    }
    for (int i = 0; i < host.Count(); ++i)
      files_.push_back(host.Entry(i).DllName);
    log_ = host.Log().Lines();
    host.FreePlugins();
  }

  const std::vector<std::string> &Files() const { return files_; }
  const std::vector<TFilterRun> &Filters() const { return filters_; }
  const std::vector<plugins::TPluginLogLine> &Log() const { return log_; }

private:
  void Sample(const plugins::TPluginHost &host) {
    for (const plugins::TPluginFilterView &view : host.Filters()) {
      auto found = std::find_if(filters_.begin(), filters_.end(), [&](const TFilterRun &run) {
        return run.view.Index == view.Index && run.view.Pid == view.Pid &&
               run.plugin == view.PluginIndex;
      });
      if (found == filters_.end())
        found = filters_.insert(filters_.end(), {view.PluginIndex, view, {}});
      found->view = view;
      found->bytesEachSecond.push_back(view.Bytes);
    }
  }

  frame::EventLoop loop_;
  frame::TNotificationHub hub_;
  plugins::TModulePluginDevice device_{device::Device()};
  si::TDeviceFilterSource sections_;
  plugins::TPluginHostLinks links_;
  std::vector<std::string> files_;
  std::vector<TFilterRun> filters_;
  std::vector<plugins::TPluginLogLine> log_;
};

void ReportRun(TToolContext &context, const TPluginRun &run) {
  context.Doc["plugins"] = nlohmann::ordered_json::array();
  for (std::size_t i = 0; i < run.Files().size(); ++i) {
    context.Line(run.Files()[i]);
    auto filters = nlohmann::ordered_json::array();
    for (const TFilterRun &filter : run.Filters()) {
      if (filter.plugin != static_cast<int>(i))
        continue;
      context.Line(fmt::format("  filter {} PID 0x{:04X} {}: {} bytes", filter.view.FilterId,
                               filter.view.Pid, filter.view.Name, filter.view.Bytes));
      filters.push_back({{"pid", filter.view.Pid},
                         {"name", filter.view.Name},
                         {"bytes", filter.view.Bytes},
                         {"bytesEachSecond", filter.bytesEachSecond}});
    }
    context.Doc["plugins"].push_back({{"file", run.Files()[i]}, {"filters", filters}});
  }
  for (const plugins::TPluginLogLine &line : run.Log())
    if (line.Kind == plugins::PluginLogKind::Error)
      context.Err << line.Text << "\n";
}

int RunWithChannel(TToolContext &context, TRunArgs args) {
  data::TSatList sats;
  sats.SatLoad();
  data::TChannelLists lists(sats);
  lists.ListsSync();
  const std::optional<data::TChannelRec> channel = lists.ChannelByHandle(args.handle);
  if (!channel)
    return context.Fail(fmt::format("no channel with handle {}", args.handle));
  data::TSatRec sat{};
  if (!sats.SatGet(channel->SatIndex, sat))
    return context.Fail(fmt::format("no satellite {}", int{channel->SatIndex}));
  TLoadedModule module(context);
  if (module.Result() != kExitOk)
    return module.Result();
  TToolTuner chain(sat);
  const std::int32_t tuned =
      chain.Tuner().TuneTransponder(channel->Freq, std::string(1, channel->Polar),
                                    std::uint32_t{channel->SRate} * 1000, kDefaultLockWaitMs, true);
  if (tuned != 0)
    return context.Fail(
        fmt::format("no lock on the transponder of {} ({})", data::ChName(*channel), tuned));
  TPluginRun run(sat, args.handle, *channel);
  run.Run(args.seconds);
  ReportRun(context, run);
  return kExitOk;
}

} // namespace

// Lists the plugins the program would load, or runs them against a playing channel and
// reports what each filter of theirs received.
int RunPlugins(TToolContext &context) {
  const bool runThem = std::erase(context.Args, std::string("--run")) > 0;
  if (!runThem) {
    const auto folder = context.TakeOption("--folder");
    if (!context.Args.empty())
      return context.BadArguments(kUsage);
    return ListPlugins(context, folder ? std::filesystem::path(*folder) : frame::Paths().Plugins);
  }
  TRunArgs args;
  if (const int code = context.TakeSeconds(args.seconds); code != kExitOk)
    return code;
  const auto name = context.TakeOption("--name");
  if (const int code = TakeChannelHandle(context, kUsage, name.has_value(), args.handle);
      code != kExitOk)
    return code;
  if (name) {
    data::TSatList sats;
    sats.SatLoad();
    data::TChannelLists lists(sats);
    lists.ListsSync();
    args.handle = FindChannelByName(sats, lists, *name);
    if (args.handle < 0)
      return context.Fail("no channel named " + *name);
  }
  return RunWithChannel(context, args);
}

} // namespace qev::tool
