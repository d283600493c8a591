#include "device/device_loader.h"

#include "device/device_messages.h"
#include "device/transponder_tuner.h"
#include "frame/app_paths.h"
#include "frame/fast_ini_file.h"
#include "frame/log.h"
#include "frame/options.h"
#include "frame/process_flags.h"
#include "frame/string_utils.h"

#include <fmt/format.h>

#include <cstring>
#include <sstream>

namespace qev::device {

namespace fs = std::filesystem;

namespace {

int Fail(int code, const std::string& text) {
  frame::Log(text, frame::kLogError);
  return code;
}

// Asks for the description the way the contract wants it asked.
std::int32_t ReadDescription(DvbCard_GetDescription_t get, DeviceDescription& description) {
  description = DeviceDescription{};
  description.Version = QEV_DEVAPI_DESCRIPTION_PROBE;
  return get(&description);
}

std::string VersionOf(const TSharedLibrary& library) {
  const auto* version = static_cast<const std::uint16_t*>(library.Symbol("DvbCard_FileVersion"));
  if (version == nullptr)
    return kUnknownVersion;
  return fmt::format("{}.{}.{}.{}", version[0], version[1], version[2], version[3]);
}

} // namespace

fs::path DeviceModulePath(const std::string& file) {
  const fs::path given(file);
  if (file.empty() || given.has_parent_path())
    return given;
  return frame::FindExisting(frame::Paths().Devices / given);
}

int LoadDeviceModule(TDeviceModule& device, const fs::path& path, DeviceCallback callback,
                     const DsHelperTable* helpers) {
  frame::SetLogTarget([callback](int message, int value, const char* text) {
    callback(message, value, const_cast<char*>(text));
  });
  device.Unload();
  // The switches and positioner were set up through the module just given up; the device
  // opened next knows none of it (a fresh instance, equipment that lost power in a suspend),
  // so the next tune sends them again even to the same satellite.
  LoadedSat().Clear();

  const std::string name = path.filename().string();
  TSharedLibrary library(path);
  if (!library.Loaded()) {
    Fail(kCannotLoad, "Cannot load: " + name);
    return Fail(kCannotLoad, library.Error()); // the system's reason, under the known text
  }
  frame::Log("Loading \"" + name + "\"");

  const auto setCallback = library.Function<DvbCard_SetCallback_t>("DvbCard_SetCallback");
  if (setCallback == nullptr)
    return Fail(kNoCallbackOrInterface, "DevInt: No callback function");
  setCallback(callback);
  const auto getInterface = library.Function<DvbCard_GetInterface_t>("DvbCard_GetInterface");
  if (getInterface == nullptr)
    return Fail(kNoCallbackOrInterface, "DevInt: No interface function");
  const auto getDescription =
      library.Function<DvbCard_GetDescription_t>("DvbCard_GetDescription");
  if (getDescription == nullptr)
    return Fail(kNoDescriptionFunction, "DevInt: No description function");

  DeviceDescription description;
  if (ReadDescription(getDescription, description) != 0)
    return Fail(kDescriptionFailed, "DevInt: Error checking description");
  if (description.Version != QEV_DEVAPI_VERSION)
    return Fail(kIncompatibleVersion,
                fmt::format("Incompatible interface version: 0x{:04X} (expected 0x{:04X})",
                            description.Version, QEV_DEVAPI_VERSION));
  const auto setHelpers = library.Function<DvbCard_SetHelpers_t>("DvbCard_SetHelpers");
  if (setHelpers != nullptr && helpers != nullptr && setHelpers(1, helpers) != 0)
    frame::Log("DevInt: Error in SetHelpers()", frame::kLogError);

  DeviceInterface table{};
  table.Version = QEV_DEVAPI_VERSION;
  if (getInterface(&table) != 0)
    return Fail(kInterfaceFailed, "DevInt: Cannot get interface");

  device.Attach(std::move(library), path, description, table);
  const std::int32_t opened = device.OpenDevice();
  if (opened != 0)
    device.Unload();
  return opened;
}

bool IsDeviceModuleName(const std::string& fileName) {
  return fileName.size() > 8 && frame::EqualsNoCase(fileName.substr(0, 4), "Dev_") &&
         frame::EqualsNoCase(fileName.substr(fileName.size() - 4), ".int");
}

std::vector<DeviceModuleRow> ListDeviceModules(const fs::path& folder) {
  std::vector<DeviceModuleRow> rows;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(frame::FindExisting(folder), ec)) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file(ec) || !IsDeviceModuleName(name))
      continue;
    const TSharedLibrary library(entry.path());
    const auto get = library.Function<DvbCard_GetDescription_t>("DvbCard_GetDescription");
    if (get == nullptr)
      continue;
    DeviceModuleRow row;
    row.fileName = name;
    row.version = VersionOf(library);
    row.descriptionFailed = ReadDescription(get, row.description) != 0;
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> ModuleAdapters(const fs::path& file) {
  const TSharedLibrary library(file);
  const auto get = library.Function<DvbCard_GetAdapters_t>("DvbCard_GetAdapters");
  if (get == nullptr)
    return {};
  const std::int32_t length = get(nullptr, 0);
  if (length <= 0)
    return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  get(text.data(), static_cast<std::int32_t>(text.size()));
  text.resize(std::strlen(text.c_str()));
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty())
      lines.push_back(line);
  return lines;
}

std::string HwiText(const DeviceDescription& description) {
  return fmt::format("{:04X}", description.Version);
}

void StoreActiveDevice(const std::string& fileName) {
  frame::Options().StartUp.ActiveDevice = fileName;
  frame::TFastIniFile file(frame::Paths().OptionsFile);
  file.WriteString("StartUp", "ActiveDevice", fileName);
  if (const std::string error = file.UpdateFile(); !error.empty())
    frame::Log(error, frame::kLogError);
}

int ChooseAndLoadDevice(const DeviceChoice& choice, DeviceChooser& chooser,
                        const DsHelperTable* helpers) {
  if (choice.offline)
    return kDeviceReady;
  const bool storedChoice = !choice.deviceFile;
  std::string name = choice.deviceFile.value_or(frame::Options().StartUp.ActiveDevice);
  if (storedChoice && !name.empty() && !fs::exists(DeviceModulePath(name))) {
    name.clear();
    frame::Options().StartUp.ActiveDevice.clear();
  }
  if (storedChoice && (name.empty() || choice.showChoice)) {
    if (!frame::Options().StartUp.ActiveDevice.empty())
      StoreActiveDevice("");
    const auto selected = chooser.SelectDevice();
    if (!selected)
      return kChoiceCancelled;
    name = *selected;
  }
  if (name.empty())
    return kDeviceReady;
  if (LoadDeviceModule(Device(), DeviceModulePath(name), &ProgramDeviceCallback, helpers) != 0) {
    if (storedChoice)
      StoreActiveDevice("");
    return kDeviceFailed;
  }
  frame::Flags().PipPossible = Device().Description().VideoStreams > 1;
  return kDeviceReady;
}

} // namespace qev::device
