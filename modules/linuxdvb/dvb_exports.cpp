// The module's exports: the contract's entries over the real kernel, and the optional
// DvbCard_GetAdapters that lists the hardware the module sees.
#include "adapter_list.h"
#include "devkit/module_exports.h"
#include "dvb_device.h"

#include <atomic>

namespace qev::linuxdvb {
namespace {

using devkit::CopyText;
using devkit::Guard;

std::atomic<DeviceCallback> programCallback{nullptr};

void Notify(std::int32_t message, std::int32_t value, void *data) {
  if (const DeviceCallback callback = programCallback.load())
    callback(message, value, data);
}

// Devices/Dev_LinuxDvb.int -> Devices/Dev_LinuxDvb.ini.
std::filesystem::path SettingsFile() {
  return devkit::SettingsBeside(reinterpret_cast<const void *>(&Notify), "Dev_LinuxDvb.ini");
}

TSystemKernel &Kernel() {
  static TSystemKernel kernel;
  return kernel;
}

TDvbDevice &Device() {
  static TDvbDevice device(Kernel(), &Notify, SettingsFile());
  return device;
}

std::int32_t OpenDevice() noexcept {
  return Guard(kOpenCannotOpen, [] { return Device().Open(); });
}
void CloseDevice() noexcept {
  Guard(0, [] { return Device().Close(), 0; });
}
void ShowDeviceSettings() noexcept {
  Guard(0, [] { return Device().ShowSettings(), 0; });
}
std::int32_t Tune(const TuneRequest *request) noexcept {
  return Guard(kBadRequest, [request] { return request ? Device().Tune(*request) : kBadRequest; });
}
std::int32_t GetSignalStatus(SignalStatus *status) noexcept {
  return Guard(kBadRequest,
               [status] { return status ? Device().ReadSignal(*status) : kBadRequest; });
}
std::int32_t SendDiseqc(const std::uint8_t *bytes, std::int32_t length,
                        std::int32_t burst) noexcept {
  return Guard(kBadRequest, [=] { return Device().SendDiseqc(bytes, length, burst); });
}
std::int32_t SetChannelPids(std::int32_t slot, std::uint16_t audio, std::uint16_t video,
                            std::uint16_t pcr, std::int32_t) noexcept {
  return Guard(kBadRequest, [=] { return Device().SetChannelPids(slot, audio, video, pcr); });
}
std::int32_t SetTeletextPid(std::int32_t, std::int32_t) noexcept { return 0; }
std::int32_t StartFilter(std::uint16_t pid, FilterCallback callback, std::uint16_t mode,
                         const std::uint8_t *match, const std::uint8_t *mask, std::uint8_t flags,
                         void *context) noexcept {
  return Guard(kBadRequest, [=] {
    return Device().StartFilter(pid, callback, mode, match, mask, flags, context);
  });
}
std::int32_t StopFilter(std::int32_t handle) noexcept {
  return Guard(kBadRequest, [=] { return Device().StopFilter(handle); });
}
std::intptr_t GetDeviceInfo(std::int32_t code, std::intptr_t parameter) noexcept {
  return Guard(std::intptr_t{0}, [=] { return Device().GetDeviceInfo(code, parameter); });
}

} // namespace
} // namespace qev::linuxdvb

using namespace qev::linuxdvb;

extern "C" {

const std::uint16_t DvbCard_FileVersion[4] = {0, 1, 0, 0};

QEV_DEVAPI_EXPORT void DvbCard_SetCallback(DeviceCallback callback) {
  programCallback.store(callback);
}

QEV_DEVAPI_EXPORT std::int32_t DvbCard_GetDescription(DeviceDescription *description) {
  if (description == nullptr)
    return -1;
  qev::devkit::FillDescription(*description, "Linux DVB-S/S2 card", 1);
  return 0;
}

QEV_DEVAPI_EXPORT std::int32_t DvbCard_GetInterface(DeviceInterface *table) {
  if (table == nullptr)
    return -1;
  *table = DeviceInterface{};
  table->Version = QEV_DEVAPI_VERSION;
  table->OpenDevice = &OpenDevice;
  table->CloseDevice = &CloseDevice;
  table->ShowDeviceSettings = &ShowDeviceSettings;
  table->Tune = &Tune;
  table->GetSignalStatus = &GetSignalStatus;
  table->SendDiseqc = &SendDiseqc;
  table->SetChannelPids = &SetChannelPids;
  table->SetTeletextPid = &SetTeletextPid;
  table->StartFilter = &StartFilter;
  table->StopFilter = &StopFilter;
  table->GetDeviceInfo = &GetDeviceInfo;
  return 0;
}

QEV_DEVAPI_EXPORT std::int32_t DvbCard_GetAdapters(char *text, std::int32_t size) {
  return Guard(std::int32_t{-1}, [=] {
    std::string error;
    const auto settings = LoadDvbSettings(SettingsFile(), error).value_or(TDvbSettings{});
    std::string lines;
    for (const TFrontendEntry &entry : ListFrontends(Kernel(), settings.dvbFolder))
      lines += DescribeEntry(entry) + "\n";
    if (text != nullptr && size > 0)
      CopyText(lines, text, static_cast<std::size_t>(size));
    return static_cast<std::int32_t>(lines.size());
  });
}

} // extern "C"
