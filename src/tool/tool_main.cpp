#include "tool/tool_main.h"

#include "frame/app_paths.h"
#include "frame/options.h"
#include "tool/command_table.h"
#include "tool/ts_sky.h"

#include <optional>

namespace qev::tool {

namespace {

std::string Usage() {
  std::string text =
      "usage: qevtool [--root DIR] [--device FILE | --ts FILE] [--json] COMMAND ...\n";
  for (const TToolCommand &command : Commands())
    text += std::string("  ") + command.Name + " " + command.Usage + "\n";
  return text;
}

struct CommonOptions {
  std::optional<std::filesystem::path> root;
  std::string device;
  std::string ts;
  bool json = false;
  std::vector<std::string> rest;
  std::string error;
};

CommonOptions ParseCommon(const std::vector<std::string> &args) {
  CommonOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string &a = args[i];
    const bool takesValue = a == "--root" || a == "--device" || a == "--ts";
    if (takesValue && i + 1 >= args.size()) {
      options.error = a + " needs a value";
      return options;
    }
    if (a == "--root")
      options.root = args[++i];
    else if (a == "--device")
      options.device = args[++i];
    else if (a == "--ts")
      options.ts = args[++i];
    else if (a == "--json")
      options.json = true;
    else
      options.rest.push_back(a);
  }
  return options;
}

// The root's simulator, else the installed one.
std::filesystem::path SimulatorModule(const std::filesystem::path &exeDir) {
  const auto inRoot = frame::Paths().Devices / "Dev_Sim.int";
  std::error_code ec;
  return std::filesystem::exists(inRoot, ec) ? inRoot
                                             : frame::ShareDir(exeDir) / "Devices" / "Dev_Sim.int";
}

} // namespace

int RunTool(const std::vector<std::string> &args, const std::filesystem::path &exeDir,
            std::ostream &out, std::ostream &err) {
  const CommonOptions options = ParseCommon(args);
  std::size_t consumed = 0;
  const TToolCommand *command =
      options.error.empty() ? FindCommand(options.rest, consumed) : nullptr;
  if (!command) {
    err << "qevtool: " << (options.error.empty() ? "unknown command" : options.error) << '\n'
        << Usage();
    return kExitBadArguments;
  }
  const auto root = frame::ResolveRoot(frame::RootSourcesFromEnvironment(options.root, exeDir));
  // A new root gets the default files, as the receiver gives it, so both see the same data.
  if (const std::string error = frame::SeedRoot(root, frame::ShareDir(exeDir)); !error.empty())
    err << "qevtool: " << error << '\n';
  frame::SetPaths(frame::TAppPaths(root));
  // Every command sees this root's options, not what an earlier run in this process left.
  frame::Options() = frame::TOptions{};
  frame::LoadOptions(frame::Options(), frame::Paths().OptionsFile);

  if (!options.ts.empty() && !options.device.empty()) {
    err << "qevtool: --ts and --device exclude each other\n";
    return kExitBadArguments;
  }
  std::optional<TTsSky> tsSky;
  if (!options.ts.empty()) {
    tsSky.emplace(options.ts, SimulatorModule(exeDir), command->PacedTs);
    if (!tsSky->Error().empty()) {
      err << "qevtool: " << tsSky->Error() << '\n';
      return kExitFailed;
    }
  }

  TToolContext context{
      options.json,
      tsSky ? tsSky->ModuleFile().string() : options.device,
      {options.rest.begin() + static_cast<std::ptrdiff_t>(consumed), options.rest.end()},
      out,
      err};
  context.TsSky = tsSky ? &*tsSky : nullptr;
  const int code = command->Run(context);
  if (options.json && code != kExitBadArguments)
    out << context.Doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
  return code;
}

} // namespace qev::tool
