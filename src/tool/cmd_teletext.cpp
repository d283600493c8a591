#include "data/channel_lists.h"
#include "data/sat_list.h"
#include "device/device_module.h"
#include "device/tuner.h"
#include "frame/notification_hub.h"
#include "teletext/teletext.h"
#include "tool/channel_find.h"
#include "tool/commands.h"
#include "tool/ts_services.h"
#include "tool/ts_sky.h"
#include "tool/ttx_report.h"
#include "tool/tune_session.h"

#include <fmt/format.h>

#include <algorithm>
#include <limits>
#include <mutex>

namespace qev::tool {

namespace {

constexpr int kDefaultPage = 100;
constexpr int kDefaultSeconds = 15;
constexpr std::chrono::milliseconds kPoll{50};
constexpr const char *kUsage =
    "teletext takes --ts FILE, HANDLE (satellite index * 65536 + position) or --name NAME, and "
    "[--page N] [--subtitles] [--seconds N]";

struct TTtxArgs {
  std::optional<std::string> name;
  std::int32_t handle = -1; // -1 with --ts: the file's first service with teletext
  std::optional<int> page;
  bool subtitles = false;
  int seconds = kDefaultSeconds;
};

int TakeTtxArgs(TToolContext &context, TTtxArgs &args) {
  args.subtitles = std::erase(context.Args, std::string("--subtitles")) > 0;
  if (const int code = context.TakeSeconds(args.seconds); code != kExitOk)
    return code;
  if (const auto text = context.TakeOption("--page")) {
    args.page = ParseInt(*text, teletext::kTtxFirstPage, teletext::kTtxLastPage - 1);
    if (!args.page)
      return context.BadArguments("--page takes 100..899");
  }
  args.name = context.TakeOption("--name");
  if (context.TsSky != nullptr)
    return args.name || !context.Args.empty()
               ? context.BadArguments("--ts reads its file alone: no HANDLE or --name")
               : kExitOk;
  return TakeChannelHandle(context, kUsage, args.name.has_value(), args.handle);
}

// The channel whose teletext is read and the satellite it is tuned on.
struct TTtxTarget {
  data::TSatRec sat{};
  data::TChannelRec channel{};
};

bool HasTeletext(const data::TChannelRec &rec) { return rec.TtxPid >= 1 && rec.TtxPid <= 8190; }

int FindTarget(TToolContext &context, const TTtxArgs &args, TTtxTarget &target) {
  if (context.TsSky != nullptr) {
    target.sat = context.TsSky->Satellite();
    std::string error;
    const auto services = ReadTsServices(context.TsSky->TsFile(), 0, error);
    const auto found = std::find_if(services.begin(), services.end(), HasTeletext);
    if (found == services.end())
      return context.Fail(error.empty() ? "no service of the file carries teletext" : error);
    target.channel = *found;
    return kExitOk;
  }
  data::TSatList sats;
  sats.SatLoad();
  data::TChannelLists lists(sats);
  lists.ListsSync();
  TTuneArgs tune;
  if (const int code =
          FindChannelTune(context, sats, lists, args.name, args.handle, target.channel, tune);
      code != kExitOk)
    return code;
  target.sat = tune.sat;
  if (!HasTeletext(target.channel))
    return context.Fail(data::ChName(target.channel) + " carries no teletext");
  return kExitOk;
}

// The first subtitle page that the channel's teletext descriptor names.
std::optional<int> SubtitlePageOf(const data::TChannelRec &rec) {
  for (int i = 0; i < std::min<int>(rec.EsCount, data::kMaxEsItems); ++i) {
    const data::TEsItem &es = rec.EsList[i];
    if (es.Kind == data::kKindSubtitle && es.Pid == rec.TtxPid &&
        es.TtxPage >= teletext::kTtxFirstPage && es.TtxPage < teletext::kTtxLastPage)
      return es.TtxPage;
  }
  return std::nullopt;
}

// What the delivery thread reports of the followed page, read by the command's thread.
class TTtxWatch {
public:
  TTtxWatch(const teletext::TTeletext &teletext, int page, bool subtitles)
      : teletext_(teletext), page_(page), subtitles_(subtitles) {}

  static void OnTeletext(void *self, std::intptr_t page, std::intptr_t subpage) {
    static_cast<TTtxWatch *>(self)->Stored(static_cast<int>(page), static_cast<int>(subpage));
  }
  bool PageFound() const {
    std::lock_guard lock(mutex_);
    return found_.has_value();
  }
  std::optional<TTtxPageOut> Found() const {
    std::lock_guard lock(mutex_);
    return found_;
  }
  std::vector<TTtxSubtitleOut> Subtitles() const {
    std::lock_guard lock(mutex_);
    return log_.Entries();
  }

private:
  void Stored(int page, int subpage) {
    if (page != page_)
      return;
    const auto buffer = teletext_.Cache().Get(page, subpage);
    if (!buffer)
      return;
    std::lock_guard lock(mutex_);
    if (subtitles_)
      log_.Offer(*buffer);
    else if (!found_)
      found_ = PageOut(*buffer);
  }

  const teletext::TTeletext &teletext_;
  const int page_;
  const bool subtitles_;
  mutable std::mutex mutex_;
  std::optional<TTtxPageOut> found_;
  TSubtitleLog log_;
};

// Waits for the stream's end (a --ts file) or the time limit (live), or until the page sought
// has arrived.
void WaitFor(const TToolContext &context, const TTtxArgs &args, const TTtxWatch &watch) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(args.seconds);
  while (!(!args.subtitles && watch.PageFound())) {
    if (WaitForStreamEnd(kPoll))
      return;
    if (context.TsSky == nullptr && std::chrono::steady_clock::now() >= deadline)
      return;
  }
}

// What the command prints: the page, or the subtitles as they changed.
struct TTtxResult {
  std::optional<TTtxPageOut> page;
  std::vector<TTtxSubtitleOut> subtitles;
};

// Tunes the channel's transponder, then decodes its teletext PID as the program does.
int Collect(TToolContext &context, const TTtxArgs &args, const TTtxTarget &target, int page,
            TTtxResult &result) {
  TToolTuner chain(target.sat);
  const data::TChannelRec &rec = target.channel;
  // The --ts file's services carry its own transponder.
  const std::int32_t tuned =
      chain.Tuner().TuneTransponder(rec.Freq, std::string(1, rec.Polar),
                                    std::uint32_t{rec.SRate} * 1000, kDefaultLockWaitMs, true);
  if (tuned != 0)
    return context.Fail(
        fmt::format("no lock on the transponder of {} ({})", data::ChName(rec), tuned));
  frame::TNotificationHub hub;
  const std::uint16_t pid = rec.TtxPid;
  teletext::TTeletext teletext(device::Device(),
                               {hub, [] { return false; }, [pid] { return pid; }, {}});
  TTtxWatch watch(teletext, page, args.subtitles);
  hub.Add(frame::kNotifyTeletext, &TTtxWatch::OnTeletext, &watch);
  teletext.TtxAcquire();
  const bool running = teletext.Running();
  if (running)
    WaitFor(context, args, watch);
  teletext.TtxRelease();
  hub.Remove(frame::kNotifyTeletext, &TTtxWatch::OnTeletext, &watch);
  if (!running)
    return context.Fail(fmt::format("the device refused the filter on teletext PID {}", pid));
  result.page = watch.Found();
  result.subtitles = watch.Subtitles();
  return kExitOk;
}

} // namespace

// Decodes a channel's teletext and prints one page, or the subtitles of a page as they change.
int RunTeletext(TToolContext &context) {
  TTtxArgs args;
  if (const int code = TakeTtxArgs(context, args); code != kExitOk)
    return code;
  TTtxTarget target;
  if (const int code = FindTarget(context, args, target); code != kExitOk)
    return code;
  const std::optional<int> page = args.page        ? args.page
                                  : args.subtitles ? SubtitlePageOf(target.channel)
                                                   : kDefaultPage;
  if (!page)
    return context.Fail(data::ChName(target.channel) + " names no subtitle page: give --page");
  TTtxResult result;
  {
    TLoadedModule module(context);
    if (module.Result() != kExitOk)
      return module.Result();
    if (const int code = Collect(context, args, target, *page, result); code != kExitOk)
      return code;
  }
  if (args.subtitles) {
    if (context.Json)
      context.Doc["subtitles"] = SubtitlesJson(result.subtitles);
    else
      WriteSubtitlesText(context.Out, result.subtitles);
    return kExitOk;
  }
  if (!result.page)
    return context.Fail(fmt::format("page {} was not received", *page));
  if (context.Json)
    context.Doc["pages"] = nlohmann::ordered_json::array({PageJson(*result.page)});
  else
    WritePageText(context.Out, *result.page);
  return kExitOk;
}

} // namespace qev::tool
