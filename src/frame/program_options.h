#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qev::frame {

// The program's own "--" options; every other argument belongs to the command language and is
// kept in order.
struct ProgramOptions {
  bool help = false;
  bool version = false;
  std::optional<std::filesystem::path> root;
  std::optional<int> quitAfterMs;
  // The device for this start only, without asking: a module file, or none at all.
  std::optional<std::string> deviceFile;
  bool offline = false;
  bool chooseDevice = false;
  std::vector<std::string> commandWords;
};

struct ParsedOptions {
  ProgramOptions options;
  std::string error; // non-empty: bad arguments
};

ParsedOptions ParseProgramOptions(const std::vector<std::string>& arguments);

std::string ProgramHelp(const std::string& programName);

} // namespace qev::frame
