#include "device/device_loader.h"
#include "frame/app_paths.h"
#include "tool/commands.h"

#include <fmt/format.h>

namespace qev::tool {

namespace {

nlohmann::ordered_json RowJson(const device::DeviceModuleRow &row) {
  const DeviceDescription &d = row.description;
  return {{"file", row.fileName},
          {"version", row.version},
          {"hwi", device::HwiText(d)},
          {"name", device::FieldText(d.Name)},
          {"author", device::FieldText(d.Author)},
          {"videoStreams", d.VideoStreams},
          {"videoDecoders", d.VideoDecoders},
          {"minFilters", d.MinFilters},
          {"packets188", d.Packets188 != 0},
          {"descriptionFailed", row.descriptionFailed}};
}

std::string RowLine(const device::DeviceModuleRow &row) {
  const std::string description =
      row.descriptionFailed ? "(cannot check module description)"
                            : fmt::format("{} ({})", device::FieldText(row.description.Name),
                                          device::FieldText(row.description.Author));
  return fmt::format("{:<24} {:<10} {:<4} {}", row.fileName, row.version,
                     row.descriptionFailed ? "" : device::HwiText(row.description), description);
}

} // namespace

// Lists the device modules as the device choice does, and under each the adapters it reports.
int RunDevices(TToolContext &context) {
  const std::string folder =
      context.TakeOption("--folder").value_or(frame::Paths().Devices.string());
  if (!context.Args.empty())
    return context.BadArguments("devices takes only --folder DIR");
  const auto rows = device::ListDeviceModules(folder);
  context.Doc["folder"] = folder;
  context.Doc["devices"] = nlohmann::json::array();
  for (const device::DeviceModuleRow &row : rows) {
    context.Line(RowLine(row));
    auto json = RowJson(row);
    // The cards a hardware module sees, for a user checking that the system finds them.
    const auto adapters = device::ModuleAdapters(frame::FindExisting(folder) / row.fileName);
    for (const std::string &adapter : adapters)
      context.Line("    " + adapter);
    json["adapters"] = adapters;
    context.Doc["devices"].push_back(json);
  }
  context.Line(fmt::format("{} device modules in {}", rows.size(), folder));
  return kExitOk;
}

} // namespace qev::tool
