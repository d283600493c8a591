#include "device/device_module.h"

#include "device/ui_busy_scope.h"

#include <cstring>
#include <memory>
#include <shared_mutex>
#include <type_traits>
#include <utility>

namespace qev::device {

namespace {

DeviceDescription OfflineDescription() {
  DeviceDescription d{};
  std::strncpy(d.Name, kOfflineName, sizeof d.Name - 1);
  return d;
}

// The subscription whose consumer callback runs on this thread, so that it may stop itself.
thread_local const void *deliveringNow = nullptr;

// A consumer's callback as the module sees it: the module gets a key, never an address, so a
// module that calls on after StopFilter finds nothing, and a stopped filter costs nothing.
struct Subscription {
  FilterCallback callback = nullptr;
  void *context = nullptr;
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

// Process-wide, because the callback the module calls is a plain function. Keys are never
// reused.
class TSubscriptions {
public:
  std::uintptr_t Add(FilterCallback callback, void *context) {
    auto subscription = std::make_shared<Subscription>();
    subscription->callback = callback;
    subscription->context = context;
    std::unique_lock lock(mutex_);
    const std::uintptr_t key = nextKey_++;
    byKey_.emplace(key, std::move(subscription));
    return key;
  }
  std::shared_ptr<Subscription> Find(std::uintptr_t key) const {
    std::shared_lock lock(mutex_);
    const auto it = byKey_.find(key);
    return it != byKey_.end() ? it->second : nullptr;
  }
  // Forgets the subscription and waits for a delivery in progress on another thread.
  void Stop(std::uintptr_t key) {
    std::shared_ptr<Subscription> subscription;
    {
      std::unique_lock lock(mutex_);
      const auto it = byKey_.find(key);
      if (it == byKey_.end())
        return;
      subscription = std::move(it->second);
      byKey_.erase(it);
    }
    subscription->Stop();
  }
  std::size_t Count() const {
    std::shared_lock lock(mutex_);
    return byKey_.size();
  }

private:
  mutable std::shared_mutex mutex_;
  std::uintptr_t nextKey_ = 1;
  std::unordered_map<std::uintptr_t, std::shared_ptr<Subscription>> byKey_;
};

TSubscriptions &Subscriptions() {
  static TSubscriptions subscriptions;
  return subscriptions;
}

} // namespace

TDeviceModule::TDeviceModule() : description_(OfflineDescription()) {}

TDeviceModule::~TDeviceModule() { Unload(); }

void TDeviceModule::Attach(TSharedLibrary library, const std::filesystem::path &path,
                           const DeviceDescription &description, const DeviceInterface &table) {
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
  if (closeDevice != nullptr) {
    TCallGate::Mark mark(gate_, "CloseDevice");
    closeDevice();
  }
  {
    std::lock_guard lock(filtersMutex_);
    for (const auto &[handle, key] : running_)
      Subscriptions().Stop(key);
    running_.clear();
  }
  if (!library.Loaded())
    return;
  if (TCallGate::CallerInside()) {
    // The call this thread is inside of still has the library's code on its stack.
    std::lock_guard lock(stateMutex_);
    unloadedLibraries_.push_back(std::move(library));
    releasePending_ = true;
    return;
  }
  library.Close();
}

void TDeviceModule::ReleaseUnloadedLibraries() {
  if (!releasePending_ || TCallGate::CallerInside())
    return;
  std::vector<TSharedLibrary> libraries;
  {
    std::lock_guard lock(stateMutex_);
    libraries.swap(unloadedLibraries_);
    releasePending_ = false;
  }
  // Closed here, outside the lock, as the vector goes.
}

std::size_t TDeviceModule::HeldSubscriptions() { return Subscriptions().Count(); }

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
R TDeviceModule::Call(const char *name, R unavailable, F DeviceInterface::*entry, Args... args) {
  R result = unavailable;
  {
    TUiBusyScope busy;
    TCallGate::Pass pass(gate_, name);
    F function = nullptr;
    if (pass) {
      std::lock_guard lock(stateMutex_);
      function = table_.*entry;
    }
    if (function == nullptr)
      return unavailable;
    if constexpr (std::is_void_v<std::invoke_result_t<F, Args...>>)
      function(args...);
    else
      result = static_cast<R>(function(args...));
  }
  ReleaseUnloadedLibraries();
  return result;
}

std::int32_t TDeviceModule::OpenDevice() {
  return Call("OpenDevice", kNotAvailable, &DeviceInterface::OpenDevice);
}

void TDeviceModule::ShowDeviceSettings() {
  Call("ShowDeviceSettings", 0, &DeviceInterface::ShowDeviceSettings);
}

std::int32_t TDeviceModule::Tune(const TuneRequest &request) {
  return Call("Tune", kNotAvailable, &DeviceInterface::Tune, &request);
}

std::int32_t TDeviceModule::GetSignalStatus(SignalStatus &status) {
  return Call("GetSignalStatus", kNotAvailable, &DeviceInterface::GetSignalStatus, &status);
}

std::int32_t TDeviceModule::SendDiseqc(std::span<const std::uint8_t> bytes, std::int32_t burst) {
  return Call("SendDiseqc", kNotAvailable, &DeviceInterface::SendDiseqc,
              bytes.empty() ? nullptr : bytes.data(), static_cast<std::int32_t>(bytes.size()),
              burst);
}

std::int32_t TDeviceModule::SetChannelPids(std::int32_t slot, std::uint16_t audioPid,
                                           std::uint16_t videoPid, std::uint16_t pcrPid,
                                           std::int32_t flags) {
  return Call("SetChannelPids", kNotAvailable, &DeviceInterface::SetChannelPids, slot, audioPid,
              videoPid, pcrPid, flags);
}

std::int32_t TDeviceModule::SetTeletextPid(std::int32_t pid) {
  return Call("SetTeletextPid", kNotAvailable, &DeviceInterface::SetTeletextPid, 0, pid);
}

void TDeviceModule::Deliver(const std::uint8_t *data, std::int32_t length, void *context) {
  const std::shared_ptr<Subscription> subscription =
      Subscriptions().Find(reinterpret_cast<std::uintptr_t>(context));
  if (subscription == nullptr)
    return;
  std::lock_guard lock(subscription->mutex);
  if (subscription->stopped)
    return;
  const void *outer = std::exchange(deliveringNow, subscription.get());
  subscription->callback(data, length, subscription->context);
  deliveringNow = outer;
}

std::int32_t TDeviceModule::StartFilter(std::uint16_t pid, FilterCallback callback,
                                        std::uint16_t mode, const std::uint8_t *match,
                                        const std::uint8_t *mask, std::uint8_t flags,
                                        void *context) {
  if (callback == nullptr)
    return kNotAvailable;
  const std::uintptr_t key = Subscriptions().Add(callback, context);
  const std::int32_t handle =
      Call("StartFilter", kNotAvailable, &DeviceInterface::StartFilter, pid, &Deliver, mode, match,
           mask, flags, reinterpret_cast<void *>(key));
  if (handle > QEV_FILTER_HANDLE_MAX) {
    // Consumers keep handles in 16 bits: a module that hands out larger ones breaks them.
    Call("StopFilter", kNotAvailable, &DeviceInterface::StopFilter, handle);
    Subscriptions().Stop(key);
    return kNotAvailable;
  }
  if (handle <= 0) {
    Subscriptions().Stop(key);
    return handle;
  }
  std::lock_guard lock(filtersMutex_);
  running_[handle] = key;
  return handle;
}

std::int32_t TDeviceModule::StopFilter(std::int32_t handle) {
  std::optional<std::uintptr_t> key;
  {
    std::lock_guard lock(filtersMutex_);
    if (auto it = running_.find(handle); it != running_.end()) {
      key = it->second;
      running_.erase(it);
    }
  }
  const std::int32_t result =
      Call("StopFilter", kNotAvailable, &DeviceInterface::StopFilter, handle);
  if (key)
    Subscriptions().Stop(*key);
  return result;
}

std::uintptr_t TDeviceModule::StartVideo(std::int32_t slot, std::uintptr_t owner,
                                         std::uintptr_t messageWindow, std::uint8_t pva) {
  return Call("StartVideo", std::uintptr_t{0}, &DeviceInterface::StartVideo, slot, owner,
              messageWindow, 0, 0, 0, 0, QEV_VIDEO_CHILD_STYLE, pva);
}

std::uintptr_t TDeviceModule::MoveVideo(std::int32_t slot, std::uintptr_t owner,
                                        std::uintptr_t messageWindow) {
  return Call("MoveVideo", std::uintptr_t{0}, &DeviceInterface::MoveVideo, slot, owner,
              messageWindow, 0, 0, 0, 0, QEV_VIDEO_CHILD_STYLE);
}

std::int32_t TDeviceModule::SetVideoRect(std::int32_t slot, std::int32_t left, std::int32_t top,
                                         std::int32_t width, std::int32_t height) {
  return Call("SetVideoRect", std::int32_t{0}, &DeviceInterface::SetVideoRect, slot, left, top,
              width, height, 0);
}

std::int32_t TDeviceModule::SetVideoOption(std::int32_t slot, std::int32_t option,
                                           std::int32_t value) {
  return Call("SetVideoOption", kNotAvailable, &DeviceInterface::SetVideoOption, slot, option,
              value);
}

std::int32_t TDeviceModule::StopVideo(std::int32_t slot) {
  return Call("StopVideo", kNotAvailable, &DeviceInterface::StopVideo, slot);
}

std::int32_t TDeviceModule::PassPluginData(std::int32_t slot, const std::uint8_t *block) {
  return Call("PassPluginData", kNotAvailable, &DeviceInterface::PassPluginData, slot, block, 7);
}

std::int32_t TDeviceModule::AudioControl(std::int32_t slot, bool write, SoundRecord &sound) {
  return Call("AudioControl", kNotAvailable, &DeviceInterface::AudioControl, slot, write ? 1 : 0,
              &sound);
}

std::int32_t TDeviceModule::PictureControl(std::int32_t slot, bool write, PictureRecord &picture) {
  return Call("PictureControl", kNotAvailable, &DeviceInterface::PictureControl, slot,
              write ? 1 : 0, &picture);
}

std::intptr_t TDeviceModule::GetDeviceInfo(std::int32_t code, std::intptr_t parameter) {
  return Call("GetDeviceInfo", std::intptr_t{0}, &DeviceInterface::GetDeviceInfo, code, parameter);
}

std::string TDeviceModule::DeviceInfoText() {
  char text[QEV_INFO_TEXT_MAX + 1] = {};
  if (GetDeviceInfo(QEV_INFO_TEXT, reinterpret_cast<std::intptr_t>(text)) == 0)
    return {};
  return std::string(text, strnlen(text, QEV_INFO_TEXT_MAX));
}

std::string TDeviceModule::VideoError(std::int32_t slot) {
  char text[256] = {};
  if (Call("GetVideoError", std::int32_t{-1}, &DeviceInterface::GetVideoError, slot, text, 255) ==
      -1)
    return {};
  return std::string(text, strnlen(text, 255));
}

TDeviceModule &Device() {
  static TDeviceModule device;
  return device;
}

std::string HangingCallText(const TDeviceModule &device) {
  const std::optional<TCallInFlight> call = device.OldestCall();
  if (!call)
    return {};
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::steady_clock::now() - call->since);
  return "the device module " + device.Path().filename().string() + " has not returned from " +
         call->name + " for " + std::to_string(seconds.count()) + " s";
}

} // namespace qev::device
