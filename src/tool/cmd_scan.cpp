#include "data/channel_lists.h"
#include "data/sat_list.h"
#include "data/transponder_list.h"
#include "device/device_module.h"
#include "device/tuner.h"
#include "frame/app_paths.h"
#include "frame/options.h"
#include "si/device_filter_source.h"
#include "si/scan_engine.h"
#include "si/scan_texts.h"
#include "tool/commands.h"
#include "tool/scan_report.h"
#include "tool/ts_sky.h"
#include "tool/tune_session.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>

namespace qev::tool {

namespace {

constexpr const char *kUsage = "scan takes (--ts FILE | --sat N [--tp FREQ,POL,SR]...) [--merge]";

struct TScanArgs {
  int satIndex = 0; // 0 with --ts
  std::vector<data::TTransponder> transponders;
  bool merge = false;
};

// Removes every "--name" from the arguments; true when there was one.
bool TakeFlag(TToolContext &context, const std::string &name) {
  return std::erase(context.Args, name) > 0;
}

int TakeScanArgs(TToolContext &context, TScanArgs &args) {
  args.merge = TakeFlag(context, "--merge");
  const std::optional<std::string> sat = context.TakeOption("--sat");
  while (const std::optional<std::string> text = context.TakeOption("--tp")) {
    const std::optional<data::TTransponder> tp = data::ParseTpText(*text);
    if (!tp)
      return context.BadArguments("--tp takes FREQ,POL,SR in MHz, H or V and kS/s, not " + *text);
    args.transponders.push_back(*tp);
  }
  if (!context.Args.empty())
    return context.BadArguments("unexpected " + context.Args.front() + "; " + kUsage);
  if (context.TsSky != nullptr) {
    if (sat || !args.transponders.empty() || args.merge)
      return context.BadArguments("--ts scans its file alone: no --sat, --tp or --merge");
    return kExitOk;
  }
  const std::optional<int> index = sat ? ParseInt(*sat, 1, 255) : std::nullopt;
  if (!index)
    return context.BadArguments(std::string(kUsage) + "; N is a satellite index 1..255");
  args.satIndex = *index;
  return kExitOk;
}

// The scan covers the given transponders (added when the list lacks them), else the whole list.
void MarkTransponders(data::TSatTransponders &list, const std::vector<data::TTransponder> &only) {
  for (int i = 0; i < list.Count(); ++i)
    list.TpSetMarked(i, only.empty());
  for (const data::TTransponder &tp : only) {
    const int found = list.TpFind(tp);
    list.TpSetMarked(found >= 0 ? found : list.TpAdd(tp), true);
  }
}

// The satellite to scan with its files, or the --ts file's one transponder; kExitOk, else the
// reported failure.
int ScanSatelliteOf(TToolContext &context, const TScanArgs &args, si::TScanSatellite &satellite) {
  if (context.TsSky != nullptr) {
    satellite.Sat = context.TsSky->Satellite();
    satellite.Transponders.TpAdd(data::MakeTransponder(
        TTsSky::kFrequency / 1000, TTsSky::kPolarisation, TTsSky::kSymbolRate / 1000, true));
    return kExitOk;
  }
  data::TSatList sats;
  sats.SatLoad();
  data::TSatRec sat{};
  if (!sats.SatGet(args.satIndex, sat))
    return context.Fail(
        fmt::format("no satellite {} in {}", args.satIndex, frame::Paths().SatListFile.string()));
  satellite = si::LoadScanSatellite(sat);
  const std::string file = data::TransponderFileName(sat.SatPos).string();
  if (!satellite.Transponders.ReadError().empty())
    return context.Fail("cannot read " + file + ": " + satellite.Transponders.ReadError());
  if (satellite.Transponders.Count() == 0 && args.transponders.empty())
    return context.Fail(fmt::format("satellite {} has no transponders in {}", args.satIndex, file));
  MarkTransponders(satellite.Transponders, args.transponders);
  return kExitOk;
}

double NowSeconds() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// The texts of the scan's warnings, for the document (they went to the error stream as they came).
std::vector<std::string> WarningTexts(const si::TScanLog &log) {
  std::vector<std::string> texts;
  if (const si::TScanLog::TPage *page = log.Page(si::kScanCategoryWarnings))
    for (const si::TScanMessage &message : page->Messages)
      texts.push_back(message.Text);
  return texts;
}

int ScanAndReport(TToolContext &context, const TScanArgs &args, si::TScanSatellite satellite) {
  const int satIndex = satellite.Sat.SatIdx;
  TToolTuner chain(satellite.Sat);
  device::TTuner &tuner = chain.Tuner();
  si::TDeviceFilterSource filters(device::Device());
  data::TSatList sats;
  sats.SatLoad();
  data::TChannelLists lists(sats);
  TScanProgressView view(context.Err);
  si::TScanLinks links{tuner,
                       filters,
                       frame::Options(),
                       lists,
                       [&tuner] { return tuner.LastRequest(); },
                       [&tuner] { return static_cast<int>(tuner.Status().Level); },
                       nullptr,
                       nullptr,
                       {},
                       &NowSeconds};
  si::TScanEngine engine(std::move(links), view, std::move(satellite));
  if (context.TsSky != nullptr)
    engine.SetCurrent(engine.Satellite().Transponders.TpGet(0));
  engine.ScanRun(context.TsSky != nullptr);

  ReportServices(context, engine.Accumulated());
  context.Doc["warnings"] = WarningTexts(engine.Log());
  if (engine.Accumulated().empty())
    return context.Fail("no services found");
  if (!args.merge)
    return kExitOk;
  const std::optional<data::TMergeCounts> counts = engine.ScanMerge(false);
  if (!counts)
    return context.Fail(
        fmt::format("cannot merge into the channel list of satellite {}", satIndex));
  ReportMerge(context, *counts);
  return kExitOk;
}

} // namespace

// Scans the transponders of a satellite of the root (or the --ts file) with the scanner's own
// engine and prints the services it found; with --merge they go into the satellite's list.
int RunScan(TToolContext &context) {
  TScanArgs args;
  if (const int code = TakeScanArgs(context, args); code != kExitOk)
    return code;
  si::TScanSatellite satellite;
  if (const int code = ScanSatelliteOf(context, args, satellite); code != kExitOk)
    return code;
  TLoadedModule module(context);
  if (module.Result() != kExitOk)
    return module.Result();
  return ScanAndReport(context, args, std::move(satellite));
}

} // namespace qev::tool
