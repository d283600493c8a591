#include "frame/program_options.h"

#include <charconv>

namespace qev::frame {

namespace {

// "--name VALUE" or "--name=VALUE"; advances i past a separate value.
std::optional<std::string> ValueOf(const std::vector<std::string>& args, std::size_t& i,
                                   const std::string& name, std::string& error) {
  const std::string& arg = args[i];
  if (arg.size() > name.size() && arg.compare(0, name.size() + 1, name + "=") == 0)
    return arg.substr(name.size() + 1);
  if (i + 1 < args.size())
    return args[++i];
  error = name + " needs a value";
  return std::nullopt;
}

bool Named(const std::string& arg, const std::string& name) {
  return arg == name || arg.rfind(name + "=", 0) == 0;
}

} // namespace

ParsedOptions ParseProgramOptions(const std::vector<std::string>& args) {
  ParsedOptions parsed;
  ProgramOptions& o = parsed.options;
  std::string& error = parsed.error;
  for (std::size_t i = 0; i < args.size() && error.empty(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0) {
      o.commandWords.push_back(arg);
    } else if (arg == "--help") {
      o.help = true;
    } else if (arg == "--version") {
      o.version = true;
    } else if (arg == "--offline") {
      o.offline = true;
    } else if (arg == "--choose-device") {
      o.chooseDevice = true;
    } else if (Named(arg, "--device")) {
      if (auto value = ValueOf(args, i, "--device", error); value && value->empty())
        error = "--device needs a module file";
      else if (value)
        o.deviceFile = *value;
    } else if (Named(arg, "--root")) {
      if (auto value = ValueOf(args, i, "--root", error); value && value->empty())
        error = "--root needs a folder";
      else if (value)
        o.root = *value;
    } else if (Named(arg, "--quit-after")) {
      if (auto value = ValueOf(args, i, "--quit-after", error)) {
        int ms = -1;
        const auto [end, ec] = std::from_chars(value->data(), value->data() + value->size(), ms);
        if (ec != std::errc() || end != value->data() + value->size() || ms < 0)
          error = "--quit-after needs a number of milliseconds, not \"" + *value + "\"";
        else
          o.quitAfterMs = ms;
      }
    } else {
      error = "unknown option " + arg;
    }
  }
  if (error.empty() && o.offline && o.deviceFile)
    error = "--offline and --device exclude each other";
  return parsed;
}

std::string ProgramHelp(const std::string& programName) {
  return "Usage: " + programName + " [OPTION]... [COMMAND LINE]\n"
         "QEV-DVB, a receiver for digital satellite television and radio (DVB-S/S2).\n"
         "\n"
         "  --root DIR        keep every file of the program below DIR (also QEVDVB_ROOT;\n"
         "                    default: the program's folder when it holds Configs/, else\n"
         "                    $XDG_DATA_HOME/qevdvb)\n"
         "  --device FILE     use this device module (a name in Devices/ or a path) for this\n"
         "                    start, without asking\n"
         "  --offline         start without a device\n"
         "  --choose-device   show the device choice even when a device is set\n"
         "  --quit-after MS   close the main window after MS milliseconds, as a user would\n"
         "  --help            show this help and exit\n"
         "  --version         show the version and exit\n"
         "\n"
         "Other arguments form the program's command line (/VIEW, /REC, /SAT, ...).\n";
}

} // namespace qev::frame
