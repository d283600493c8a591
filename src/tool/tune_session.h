#pragma once

#include "data/sat_rec.h"
#include "tool/tool_context.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qev::device {
class TTuner;
}

namespace qev::tool {

inline constexpr int kDefaultLockWaitMs = 3000;

// What a command tunes: a satellite of the root's list (or the --ts file's own) and one of
// its transponders.
struct TTuneArgs {
  data::TSatRec sat{};
  std::uint32_t frequency = 0;
  std::string polarisation;
  std::uint32_t symbolRate = 0;
  std::uint16_t lockWaitMs = kDefaultLockWaitMs;
};

// Takes [--wait MS] and SAT FREQ POL SR from the command's arguments; with --ts, no arguments
// name the file's own transponder. `usage` is the command's argument text. Returns kExitOk
// with `args` set, else the exit code after reporting.
int TakeTuneArgs(TToolContext &context, const std::string &usage, TTuneArgs &args);

// The --ts file's own satellite and transponder.
TTuneArgs TsSkyTune(const TTsSky &sky);

// The device module loaded for one command, its log lines collected; unloaded, and the lines
// reported, when the object goes.
class TLoadedModule {
public:
  explicit TLoadedModule(TToolContext &context);
  ~TLoadedModule();
  TLoadedModule(const TLoadedModule &) = delete;
  TLoadedModule &operator=(const TLoadedModule &) = delete;

  // kExitOk when loaded, else the failure's exit code (already reported).
  int Result() const { return result_; }

private:
  TToolContext &context_;
  int result_;
};

// The tuning engine over the loaded module, pointed at one satellite, keeping what went over
// the DiSEqC bus.
class TToolTuner {
public:
  explicit TToolTuner(const data::TSatRec &sat);
  ~TToolTuner();
  TToolTuner(const TToolTuner &) = delete;
  TToolTuner &operator=(const TToolTuner &) = delete;

  device::TTuner &Tuner();
  // Each message as hex bytes ("E0 10 38 F0") or "burst A" / "burst B".
  const std::vector<std::string> &DiseqcSent() const;

private:
  struct TChain;
  std::unique_ptr<TChain> chain_;
};

// Points the dish, tunes and prints lock, signal, delivery system and the DiSEqC sent;
// kExitOk when locked.
int TuneAndReport(TToolContext &context, const TTuneArgs &args);

// "DVB-S2 8PSK" for a value of GetDeviceInfo code 6, "none" for 0.
std::string DeliveryText(std::intptr_t code);

// Waits until `limit` has passed or the module says the stream has ended (a --ts file played
// to its end); true in the latter case. Without a limit it waits for the end alone.
bool WaitForStreamEnd(std::optional<std::chrono::milliseconds> limit);

} // namespace qev::tool
