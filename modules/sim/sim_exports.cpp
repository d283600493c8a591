// The module's exports: the contract's entries, and the extra SimTest_* entries that tests use
// to look inside and to provoke faults (the program never looks them up).
#include "devkit/module_exports.h"
#include "sim_device.h"

#include <atomic>

namespace qev::sim {
namespace {

using devkit::CopyText;
using devkit::Guard;

std::atomic<DeviceCallback> programCallback{nullptr};

void Notify(std::int32_t message, std::int32_t value, void *data) {
  if (const DeviceCallback callback = programCallback.load())
    callback(message, value, data);
}

// The default sky is the .ini beside the module: Devices/Dev_Sim.int -> Devices/Dev_Sim.ini.
std::filesystem::path DefaultSkyFile() {
  return devkit::SettingsBeside(reinterpret_cast<const void *>(&Notify), "Dev_Sim.ini");
}

CallJournal &Journal() {
  static CallJournal journal;
  return journal;
}

TestHooks &Hooks() {
  static TestHooks hooks;
  return hooks;
}

SimDevice &Device() {
  static SimDevice device(Journal(), Hooks(), &Notify, DefaultSkyFile());
  return device;
}

std::int32_t OpenDevice() noexcept {
  return Guard(kOpenNoSky, [] { return Device().Open(); });
}
void CloseDevice() noexcept {
  Guard(0, [] { return Device().Close(), 0; });
}
void ShowDeviceSettings() noexcept {
  Guard(0, [] { return Device().ShowSettings(), 0; });
}
std::int32_t Tune(const TuneRequest *request) noexcept {
  return Guard(-2, [request] { return request ? Device().Tune(*request) : -2; });
}
std::int32_t GetSignalStatus(SignalStatus *status) noexcept {
  return Guard(-2, [status] { return status ? Device().ReadSignal(*status) : -2; });
}
std::int32_t SendDiseqc(const std::uint8_t *bytes, std::int32_t length,
                        std::int32_t burst) noexcept {
  return Guard(-2, [=] { return Device().SendDiseqc(bytes, length, burst); });
}
std::int32_t SetChannelPids(std::int32_t slot, std::uint16_t audio, std::uint16_t video,
                            std::uint16_t pcr, std::int32_t flags) noexcept {
  return Guard(-2, [=] { return Device().SetChannelPids(slot, audio, video, pcr, flags); });
}
std::int32_t SetTeletextPid(std::int32_t, std::int32_t pid) noexcept {
  return Guard(-2, [=] { return Device().SetTeletextPid(pid); });
}
std::int32_t StartFilter(std::uint16_t pid, FilterCallback callback, std::uint16_t mode,
                         const std::uint8_t *match, const std::uint8_t *mask, std::uint8_t flags,
                         void *context) noexcept {
  return Guard(
      -2, [=] { return Device().StartFilter(pid, callback, mode, match, mask, flags, context); });
}
std::int32_t StopFilter(std::int32_t handle) noexcept {
  return Guard(-2, [=] { return Device().StopFilter(handle); });
}
std::int32_t PassPluginData(std::int32_t slot, const std::uint8_t *block, std::int32_t) noexcept {
  return Guard(0, [=] { return Device().PassPluginData(slot, block); });
}
std::intptr_t GetDeviceInfo(std::int32_t code, std::intptr_t parameter) noexcept {
  return Guard(std::intptr_t{0}, [=] { return Device().GetDeviceInfo(code, parameter); });
}

std::uintptr_t StartVideo(std::int32_t slot, std::uintptr_t owner, std::uintptr_t messageWindow,
                          std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d,
                          std::uint32_t style, std::uint8_t pva) noexcept {
  return Guard(std::uintptr_t{0}, [=] {
    return Device().Video().Start(slot, owner, messageWindow, a, b, c, d, style, pva);
  });
}
std::uintptr_t MoveVideo(std::int32_t slot, std::uintptr_t owner, std::uintptr_t messageWindow,
                         std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d,
                         std::uint32_t style) noexcept {
  return Guard(std::uintptr_t{0}, [=] {
    return Device().Video().Move(slot, owner, messageWindow, a, b, c, d, style);
  });
}
std::int32_t SetVideoRect(std::int32_t slot, std::int32_t left, std::int32_t top,
                          std::int32_t width, std::int32_t height, std::int32_t reserved) noexcept {
  return Guard(0,
               [=] { return Device().Video().SetRect(slot, left, top, width, height, reserved); });
}
std::int32_t SetVideoOption(std::int32_t slot, std::int32_t option, std::int32_t value) noexcept {
  return Guard(-2, [=] { return Device().Video().SetOption(slot, option, value); });
}
std::int32_t StopVideo(std::int32_t slot) noexcept {
  return Guard(-2, [=] { return Device().Video().Stop(slot); });
}
std::int32_t AudioControl(std::int32_t slot, std::int32_t write, SoundRecord *sound) noexcept {
  return Guard(-2, [=] { return Device().Video().Sound(slot, write, sound); });
}
std::int32_t PictureControl(std::int32_t slot, std::int32_t write,
                            PictureRecord *picture) noexcept {
  return Guard(-2, [=] { return Device().Video().Picture(slot, write, picture); });
}
std::int32_t GetVideoError(std::int32_t slot, char *text, std::int32_t maxLength) noexcept {
  return Guard(-1, [=] { return Device().Video().ErrorText(slot, text, maxLength); });
}

} // namespace
} // namespace qev::sim

using namespace qev::sim;

extern "C" {

const std::uint16_t DvbCard_FileVersion[4] = {0, 1, 0, 0};

QEV_DEVAPI_EXPORT void DvbCard_SetCallback(DeviceCallback callback) {
  programCallback.store(callback);
}

QEV_DEVAPI_EXPORT std::int32_t DvbCard_GetDescription(DeviceDescription *description) {
  if (description == nullptr)
    return -1;
  qev::devkit::FillDescription(*description, "QEV Sky Simulator", 2);
  return 0;
}

// The program's graph helpers, through which the AV slots show their picture and sound.
QEV_DEVAPI_EXPORT std::int32_t DvbCard_SetHelpers(std::int32_t kind, const DsHelperTable *table) {
  return Guard(-1, [=] { return Device().Video().SetHelpers(kind, table); });
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
  table->StartVideo = &StartVideo;
  table->MoveVideo = &MoveVideo;
  table->SetVideoRect = &SetVideoRect;
  table->SetVideoOption = &SetVideoOption;
  table->StopVideo = &StopVideo;
  table->PassPluginData = &PassPluginData;
  table->AudioControl = &AudioControl;
  table->PictureControl = &PictureControl;
  table->GetDeviceInfo = &GetDeviceInfo;
  table->GetVideoError = &GetVideoError;
  return 0;
}

// Test entries. The sky file is read by the next OpenDevice; NULL restores the default.
QEV_DEVAPI_EXPORT void SimTest_SetSkyFile(const char *path) {
  Guard(0, [path] {
    Device().SetSkyFile(path != nullptr ? std::filesystem::path(path) : DefaultSkyFile());
    return 0;
  });
}
QEV_DEVAPI_EXPORT void SimTest_LoseLock(std::int32_t lost) {
  Guard(0, [lost] { return Device().SetLockLost(lost != 0), 0; });
}
QEV_DEVAPI_EXPORT void SimTest_RefuseFilters(std::int32_t count) { Hooks().refuseFilters = count; }
QEV_DEVAPI_EXPORT void SimTest_SetOpenDelay(std::int32_t milliseconds) {
  Hooks().openDelayMs = milliseconds;
}
QEV_DEVAPI_EXPORT void SimTest_RefusePluginData(std::int32_t refuse) {
  Hooks().refusePluginData = refuse != 0;
}
// Copies the journal (NUL-terminated, cut to fit) and returns its full length.
QEV_DEVAPI_EXPORT std::int32_t SimTest_Journal(char *buffer, std::int32_t size) {
  return Guard(-1, [buffer, size] {
    const std::string text = Journal().Text();
    if (buffer != nullptr && size > 0)
      CopyText(text.c_str(), buffer, static_cast<std::size_t>(size));
    return static_cast<std::int32_t>(text.size());
  });
}
QEV_DEVAPI_EXPORT void SimTest_ClearJournal() { Journal().Clear(); }

} // extern "C"
