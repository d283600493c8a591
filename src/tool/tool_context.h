#pragma once

#include <nlohmann/json.hpp>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace qev::tool {

class TTsSky;

enum ExitCode : int { kExitOk = 0, kExitFailed = 1, kExitBadArguments = 2 };

inline constexpr const char *kNoDevice =
    "no device: give --device FILE or choose one in the receiver";

// What a command gets: the common options, its own arguments and where to write.
struct TToolContext {
  bool Json = false;
  std::string Device;
  std::vector<std::string> Args; // after the command name
  std::ostream &Out;
  std::ostream &Err;
  // Set with --ts: the one-file sky that Device names.
  const TTsSky *TsSky = nullptr;
  // The one JSON document printed at the end when Json is set.
  // Keys keep the order they were added in.
  nlohmann::ordered_json Doc = nlohmann::ordered_json::object();

  // Prints a text line unless JSON was asked for.
  void Line(const std::string &text) const;
  // Reports a failure on the error stream (and in the document) and returns kExitFailed.
  int Fail(const std::string &text);
  int BadArguments(const std::string &text);
  // The module to load: --device (or the --ts sky's), else the root's active device; a bare
  // file name lives in the root's "Devices". Empty when neither names one.
  std::filesystem::path DeviceModuleFile() const;
  // The value of "--name VALUE" among Args, removing both; nothing when absent.
  std::optional<std::string> TakeOption(const std::string &name);
  // "--seconds N" (1..kMaxSeconds) when given, removed from Args: kExitOk with `seconds` set
  // (left alone without the option), else the bad-arguments exit.
  int TakeSeconds(std::optional<int> &seconds);
  int TakeSeconds(int &seconds);
};

inline constexpr int kMaxSeconds = 86400;

// A whole number in range, or nothing.
std::optional<int> ParseInt(const std::string &text, int low, int high);

} // namespace qev::tool
