#include "device/device_module.h"
#include "tool/commands.h"
#include "tool/dump_file.h"
#include "tool/pes_cut.h"
#include "tool/tune_session.h"

#include <fmt/format.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace qev::tool {

namespace {

constexpr const char *kTuneUsage = "SAT FREQ POL SR --seconds N --out FILE [--wait MS]";

constexpr std::size_t kPacketSize = 188;
// How long a timed dump may run on to end where no sound PES is cut short.
constexpr auto kCleanEndWait = std::chrono::seconds(2);
constexpr auto kCleanEndPoll = std::chrono::milliseconds(5);

// What the filter delivers, into the file; once asked to end, up to the first packet boundary
// where every PES of known length is complete, and nothing after it.
class TDumpSink {
public:
  explicit TDumpSink(TDumpFile &file) : file_(file) {}

  void Take(const std::uint8_t *data, std::size_t length) {
    std::lock_guard lock(mutex_);
    std::size_t keep = 0;
    for (; keep + kPacketSize <= length && !done_; keep += kPacketSize) {
      if (ending_ && cut_.Clean()) {
        done_ = true;
        break;
      }
      cut_.Observe(data + keep);
    }
    file_.Write(data, keep);
  }

  // Waits until the file ends cleanly, or past the limit where it is.
  void End() {
    ending_ = true;
    const auto deadline = std::chrono::steady_clock::now() + kCleanEndWait;
    while (!done_ && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(kCleanEndPoll);
  }

private:
  TDumpFile &file_;
  std::mutex mutex_;
  TPesCut cut_; // under mutex_
  std::atomic<bool> ending_{false};
  std::atomic<bool> done_{false};
};

void Take(const std::uint8_t *data, std::int32_t length, void *context) {
  if (length > 0)
    static_cast<TDumpSink *>(context)->Take(data, static_cast<std::size_t>(length));
}

// Every packet of the tuned transponder into the file until the time is up or the stream has
// ended; kExitOk when the file holds at least one packet and is in place.
int Record(TToolContext &context, const std::filesystem::path &out,
           std::optional<std::chrono::milliseconds> limit) {
  TDumpFile file(out);
  if (!file.Error().empty())
    return context.Fail(file.Error());
  TDumpSink sink(file);
  const std::int32_t handle = device::Device().StartFilter(QEV_PID_ALL, &Take, QEV_DELIVER_PACKETS,
                                                           nullptr, nullptr, 0, &sink);
  if (handle <= 0)
    return context.Fail(fmt::format("the device refused a filter on all PIDs ({})", handle));
  const bool ended = WaitForStreamEnd(limit);
  if (!ended) // a stream that ended is kept whole, as it came
    sink.End();
  device::Device().StopFilter(handle);

  const std::uint64_t bytes = file.Bytes();
  const std::uint64_t packets = bytes / 188;
  context.Line(fmt::format("Packets {}", packets));
  context.Line(fmt::format("Bytes {}", bytes));
  context.Line(fmt::format("Stream ended {}", ended ? "yes" : "no"));
  context.Doc["packets"] = packets;
  context.Doc["bytes"] = bytes;
  context.Doc["ended"] = ended;
  if (bytes == 0)
    return context.Fail("no packets received; " + out.string() + " not written");
  if (const std::string error = file.Commit(); !error.empty())
    return context.Fail(error);
  context.Line("File " + out.string());
  context.Doc["file"] = out.string();
  return kExitOk;
}

} // namespace

// Tunes like "tune" and writes the whole transponder, every PID, to a file: for N seconds, or
// with --ts until the file has played once.
int RunDump(TToolContext &context) {
  const std::optional<std::string> out = context.TakeOption("--out");
  const std::optional<std::string> secondsText = context.TakeOption("--seconds");
  const auto seconds = secondsText ? ParseInt(*secondsText, 1, kMaxSeconds) : std::nullopt;
  if (!out || out->empty() || (secondsText && !seconds) || (!secondsText && !context.TsSky))
    return context.BadArguments(
        fmt::format("dump takes {}; --seconds 1..{} (with --ts it may be left out: until the "
                    "file's end)",
                    kTuneUsage, kMaxSeconds));
  TTuneArgs args;
  if (const int code = TakeTuneArgs(context, kTuneUsage, args); code != kExitOk)
    return code;
  TLoadedModule module(context);
  if (module.Result() != kExitOk)
    return module.Result();
  if (const int code = TuneAndReport(context, args); code != kExitOk)
    return code;
  const auto limit =
      seconds ? std::optional(std::chrono::milliseconds(*seconds * 1000)) : std::nullopt;
  return Record(context, *out, limit);
}

} // namespace qev::tool
