#include "device/device_module.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace qev::device {

namespace {

DeviceDescription OfflineDescription() {
  DeviceDescription d{};
  std::strncpy(d.Name, kOfflineName, sizeof d.Name - 1);
  return d;
}

// The subscription whose consumer callback runs on this thread, so that it may stop itself.
thread_local const void* deliveringNow = nullptr;

} // namespace

struct TDeviceModule::Subscription {
  FilterCallback callback;
  void* context;
  std::mutex mutex;
  bool stopped = false;

  void Stop() {
    if (deliveringNow == this) {
      stopped = true; // this thread holds the mutex inside the callback
      return;
    }
    std::lock_guard lock(mutex);
    stopped = true;
  }
};

TDeviceModule::TDeviceModule() : description_(OfflineDescription()) {}

TDeviceModule::~TDeviceModule() { Unload(); }

void TDeviceModule::Attach(TSharedLibrary library, const std::filesystem::path& path,
                           const DeviceDescription& description, const DeviceInterface& table) {
  {
    std::lock_guard lock(stateMutex_);
    library_ = std::move(library);
    path_ = path;
    description_ = description;
    table_ = table;
  }
  gate_.Open();
}

void TDeviceModule::Unload() {
  gate_.Close();
  void (*closeDevice)() = nullptr;
  TSharedLibrary library;
  {
    std::lock_guard lock(stateMutex_);
    closeDevice = table_.CloseDevice;
    table_ = DeviceInterface{};
    description_ = OfflineDescription();
    library = std::move(library_);
  }
  if (closeDevice != nullptr)
    closeDevice();
  {
    std::lock_guard lock(subscriptionsMutex_);
    for (auto& subscription : subscriptions_)
      subscription->Stop();
    running_.clear();
  }
  library.Close();
  std::lock_guard lock(subscriptionsMutex_);
  subscriptions_.clear();
}

bool TDeviceModule::Loaded() const {
  std::lock_guard lock(stateMutex_);
  return library_.Loaded();
}

DeviceDescription TDeviceModule::Description() const {
  std::lock_guard lock(stateMutex_);
  return description_;
}

std::string TDeviceModule::Name() const {
  const DeviceDescription d = Description();
  return std::string(d.Name, strnlen(d.Name, sizeof d.Name));
}

std::filesystem::path TDeviceModule::Path() const {
  std::lock_guard lock(stateMutex_);
  return path_;
}

template <typename R, typename F, typename... Args>
R TDeviceModule::Call(R unavailable, F DeviceInterface::*entry, Args... args) {
  TCallGate::Pass pass(gate_);
  if (!pass)
    return unavailable;
  F function = nullptr;
  {
    std::lock_guard lock(stateMutex_);
    function = table_.*entry;
  }
  if (function == nullptr)
    return unavailable;
  return static_cast<R>(function(args...));
}

std::int32_t TDeviceModule::OpenDevice() {
  return Call(kNotAvailable, &DeviceInterface::OpenDevice);
}

void TDeviceModule::ShowDeviceSettings() {
  TCallGate::Pass pass(gate_);
  void (*show)() = nullptr;
  {
    std::lock_guard lock(stateMutex_);
    show = table_.ShowDeviceSettings;
  }
  if (pass && show != nullptr)
    show();
}

std::int32_t TDeviceModule::Tune(const TuneRequest& request) {
  return Call(kNotAvailable, &DeviceInterface::Tune, &request);
}

std::int32_t TDeviceModule::GetSignalStatus(SignalStatus& status) {
  return Call(kNotAvailable, &DeviceInterface::GetSignalStatus, &status);
}

std::int32_t TDeviceModule::SendDiseqc(std::span<const std::uint8_t> bytes, std::int32_t burst) {
  return Call(kNotAvailable, &DeviceInterface::SendDiseqc, bytes.empty() ? nullptr : bytes.data(),
              static_cast<std::int32_t>(bytes.size()), burst);
}

std::int32_t TDeviceModule::SetChannelPids(std::int32_t slot, std::uint16_t audioPid,
                                           std::uint16_t videoPid, std::uint16_t pcrPid,
                                           std::int32_t flags) {
  return Call(kNotAvailable, &DeviceInterface::SetChannelPids, slot, audioPid, videoPid, pcrPid,
              flags);
}

std::int32_t TDeviceModule::SetTeletextPid(std::int32_t pid) {
  return Call(kNotAvailable, &DeviceInterface::SetTeletextPid, 0, pid);
}

void TDeviceModule::Deliver(const std::uint8_t* data, std::int32_t length, void* context) {
  auto* subscription = static_cast<Subscription*>(context);
  std::lock_guard lock(subscription->mutex);
  if (subscription->stopped)
    return;
  const void* outer = std::exchange(deliveringNow, subscription);
  subscription->callback(data, length, subscription->context);
  deliveringNow = outer;
}

std::int32_t TDeviceModule::StartFilter(std::uint16_t pid, FilterCallback callback,
                                        std::uint16_t mode, const std::uint8_t* match,
                                        const std::uint8_t* mask, std::uint8_t flags,
                                        void* context) {
  if (callback == nullptr)
    return kNotAvailable;
  Subscription* subscription = nullptr;
  {
    std::lock_guard lock(subscriptionsMutex_);
    subscriptions_.push_back(std::make_unique<Subscription>());
    subscription = subscriptions_.back().get();
    subscription->callback = callback;
    subscription->context = context;
  }
  const std::int32_t handle = Call(kNotAvailable, &DeviceInterface::StartFilter, pid, &Deliver,
                                   mode, match, mask, flags, static_cast<void*>(subscription));
  if (handle > QEV_FILTER_HANDLE_MAX) {
    // Consumers keep handles in 16 bits: a module that hands out larger ones breaks them.
    Call(kNotAvailable, &DeviceInterface::StopFilter, handle);
    subscription->Stop();
    return kNotAvailable;
  }
  if (handle <= 0) {
    subscription->Stop();
    return handle;
  }
  std::lock_guard lock(subscriptionsMutex_);
  running_[handle] = subscription;
  return handle;
}

std::int32_t TDeviceModule::StopFilter(std::int32_t handle) {
  Subscription* subscription = nullptr;
  {
    std::lock_guard lock(subscriptionsMutex_);
    if (auto it = running_.find(handle); it != running_.end()) {
      subscription = it->second;
      running_.erase(it);
    }
  }
  const std::int32_t result = Call(kNotAvailable, &DeviceInterface::StopFilter, handle);
  if (subscription != nullptr)
    subscription->Stop();
  return result;
}

std::uintptr_t TDeviceModule::StartVideo(std::int32_t slot, std::uintptr_t owner,
                                         std::uintptr_t messageWindow, std::uint8_t pva) {
  return Call(std::uintptr_t{0}, &DeviceInterface::StartVideo, slot, owner, messageWindow, 0, 0, 0,
              0, QEV_VIDEO_CHILD_STYLE, pva);
}

std::uintptr_t TDeviceModule::MoveVideo(std::int32_t slot, std::uintptr_t owner,
                                        std::uintptr_t messageWindow) {
  return Call(std::uintptr_t{0}, &DeviceInterface::MoveVideo, slot, owner, messageWindow, 0, 0, 0,
              0, QEV_VIDEO_CHILD_STYLE);
}

std::int32_t TDeviceModule::SetVideoRect(std::int32_t slot, std::int32_t left, std::int32_t top,
                                         std::int32_t width, std::int32_t height) {
  return Call(std::int32_t{0}, &DeviceInterface::SetVideoRect, slot, left, top, width, height, 0);
}

std::int32_t TDeviceModule::SetVideoOption(std::int32_t slot, std::int32_t option,
                                           std::int32_t value) {
  return Call(kNotAvailable, &DeviceInterface::SetVideoOption, slot, option, value);
}

std::int32_t TDeviceModule::StopVideo(std::int32_t slot) {
  return Call(kNotAvailable, &DeviceInterface::StopVideo, slot);
}

std::int32_t TDeviceModule::PassPluginData(std::int32_t slot, const std::uint8_t* block) {
  return Call(kNotAvailable, &DeviceInterface::PassPluginData, slot, block, 7);
}

std::int32_t TDeviceModule::AudioControl(std::int32_t slot, bool write, SoundRecord& sound) {
  return Call(kNotAvailable, &DeviceInterface::AudioControl, slot, write ? 1 : 0, &sound);
}

std::int32_t TDeviceModule::PictureControl(std::int32_t slot, bool write, PictureRecord& picture) {
  return Call(kNotAvailable, &DeviceInterface::PictureControl, slot, write ? 1 : 0, &picture);
}

std::intptr_t TDeviceModule::GetDeviceInfo(std::int32_t code, std::intptr_t parameter) {
  return Call(std::intptr_t{0}, &DeviceInterface::GetDeviceInfo, code, parameter);
}

std::string TDeviceModule::DeviceInfoText() {
  char text[QEV_INFO_TEXT_MAX + 1] = {};
  if (GetDeviceInfo(QEV_INFO_TEXT, reinterpret_cast<std::intptr_t>(text)) == 0)
    return {};
  return std::string(text, strnlen(text, QEV_INFO_TEXT_MAX));
}

std::string TDeviceModule::VideoError(std::int32_t slot) {
  char text[256] = {};
  if (Call(std::int32_t{-1}, &DeviceInterface::GetVideoError, slot, text, 255) == -1)
    return {};
  return std::string(text, strnlen(text, 255));
}

TDeviceModule& Device() {
  static TDeviceModule device;
  return device;
}

} // namespace qev::device
