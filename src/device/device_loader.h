#pragma once

#include "devapi/qev_devapi.h"
#include "device/device_module.h"

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qev::device {

// Results of LoadDeviceModule; an OpenDevice failure returns that call's own non-zero result.
enum LoadResult : int {
  kLoaded = 0,
  kCannotLoad = 1,
  kNoCallbackOrInterface = 2,
  kNoDescriptionFunction = 3,
  kDescriptionFailed = 4,
  kIncompatibleVersion = 5,
  kInterfaceFailed = 6,
};

// Loads and checks a module, then opens the device; logs the outcome in the exact texts the
// user knows. Any module loaded before is unloaded first, and the program's loaded satellite
// forgotten with it; a failure leaves none loaded.
int LoadDeviceModule(TDeviceModule& device, const std::filesystem::path& path,
                     DeviceCallback callback, const DsHelperTable* helpers);

// One module file of the device folder, as the device choice lists it.
struct DeviceModuleRow {
  std::string fileName;
  std::string version; // "1.2.3.4", or "Unknow" without a version
  DeviceDescription description{};
  bool descriptionFailed = false; // DvbCard_GetDescription answered non-zero
};

inline constexpr const char* kUnknownVersion = "Unknow";

bool IsDeviceModuleName(const std::string& fileName);
// Where a module named in the options or on the command line lives: a bare file name in the
// root's "Devices", found in any letter case; a name with a folder as it stands.
std::filesystem::path DeviceModulePath(const std::string& file);
// Every "Dev_*.int" in the folder that has the description export, in directory order. Listing
// calls no export but the description.
std::vector<DeviceModuleRow> ListDeviceModules(const std::filesystem::path& folder);
std::string HwiText(const DeviceDescription& description);
// The hardware a module sees, one line per adapter, from its optional DvbCard_GetAdapters;
// empty without that export. The device choice never asks for it.
std::vector<std::string> ModuleAdapters(const std::filesystem::path& file);
// A text field of the description, which need not end in NUL.
template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

// The device choice: the name of the chosen module ("" = run without a device), or nothing
// when the user cancelled.
class DeviceChooser {
public:
  virtual ~DeviceChooser() = default;
  virtual std::optional<std::string> SelectDevice() = 0;
};

struct DeviceChoice {
  bool showChoice = false;               // Ctrl held at start, or --choose-device
  bool offline = false;                  // --offline: no device for this start
  std::optional<std::string> deviceFile; // --device FILE: this module for this start
};

enum ChooseResult : int { kDeviceReady = 0, kChoiceCancelled = 1, kDeviceFailed = 2 };

// The start-up's device step: the stored ActiveDevice, or the user's choice; a failure clears
// ActiveDevice in the options file so that the next start asks.
int ChooseAndLoadDevice(const DeviceChoice& choice, DeviceChooser& chooser,
                        const DsHelperTable* helpers);

// Writes only the ActiveDevice key, at once.
void StoreActiveDevice(const std::string& fileName);

} // namespace qev::device
