#pragma once

#include "devapi/qev_devapi.h"
#include "device/call_gate.h"
#include "device/shared_library.h"

#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace qev::device {

// The result of an operation the module does not offer, or of any call while none is loaded.
inline constexpr std::int32_t kNotAvailable = -2;
inline constexpr const char *kOfflineName = "OFFLINE";

// The one loaded device module: its library, description and operation table, and the calls
// into it. Calls pass a gate, so unloading waits for the calls in flight and later calls
// answer "not available"; an unload from inside a call keeps the library mapped until that
// call has returned. Filter callbacks are wrapped, so that once StopFilter has returned no
// data reaches the consumer, whatever the module does, and nothing of the filter is kept.
class TDeviceModule {
public:
  TDeviceModule();
  ~TDeviceModule();
  TDeviceModule(const TDeviceModule &) = delete;
  TDeviceModule &operator=(const TDeviceModule &) = delete;

  // Takes over a library whose description and table have been checked.
  void Attach(TSharedLibrary library, const std::filesystem::path &path,
              const DeviceDescription &description, const DeviceInterface &table);
  // Closes the gate, calls CloseDevice once, and releases the library (once the outermost call
  // into it has returned, when called from inside one on this thread).
  void Unload();

  bool Loaded() const;
  DeviceDescription Description() const;
  std::string Name() const;
  std::filesystem::path Path() const;

  std::int32_t OpenDevice();
  void ShowDeviceSettings();
  std::int32_t Tune(const TuneRequest &request);
  std::int32_t GetSignalStatus(SignalStatus &status);
  std::int32_t SendDiseqc(std::span<const std::uint8_t> bytes, std::int32_t burst);
  std::int32_t SetChannelPids(std::int32_t slot, std::uint16_t audioPid, std::uint16_t videoPid,
                              std::uint16_t pcrPid, std::int32_t flags);
  std::int32_t SetTeletextPid(std::int32_t pid);
  // A handle 1..0x7FFF, else a value <= 0.
  std::int32_t StartFilter(std::uint16_t pid, FilterCallback callback, std::uint16_t mode,
                           const std::uint8_t *match, const std::uint8_t *mask, std::uint8_t flags,
                           void *context);
  std::int32_t StopFilter(std::int32_t handle);
  std::uintptr_t StartVideo(std::int32_t slot, std::uintptr_t owner, std::uintptr_t messageWindow,
                            std::uint8_t pva);
  std::uintptr_t MoveVideo(std::int32_t slot, std::uintptr_t owner, std::uintptr_t messageWindow);
  std::int32_t SetVideoRect(std::int32_t slot, std::int32_t left, std::int32_t top,
                            std::int32_t width, std::int32_t height);
  std::int32_t SetVideoOption(std::int32_t slot, std::int32_t option, std::int32_t value);
  std::int32_t StopVideo(std::int32_t slot);
  std::int32_t PassPluginData(std::int32_t slot, const std::uint8_t *block);
  std::int32_t AudioControl(std::int32_t slot, bool write, SoundRecord &sound);
  std::int32_t PictureControl(std::int32_t slot, bool write, PictureRecord &picture);
  std::intptr_t GetDeviceInfo(std::int32_t code, std::intptr_t parameter);
  // The text of information code 5, empty when the module gives none.
  std::string DeviceInfoText();
  std::string VideoError(std::int32_t slot);

  // The longest-running call into the module that has not returned, if any.
  std::optional<TCallInFlight> OldestCall() const { return gate_.Oldest(); }
  // Consumer callbacks held for modules, of every module: one per running filter.
  static std::size_t HeldSubscriptions();

private:
  static void Deliver(const std::uint8_t *data, std::int32_t length, void *context);
  template <typename R, typename F, typename... Args>
  R Call(const char *name, R unavailable, F DeviceInterface::*entry, Args... args);
  void ReleaseUnloadedLibraries();

  TCallGate gate_;
  mutable std::mutex stateMutex_;
  TSharedLibrary library_;
  std::filesystem::path path_;
  DeviceDescription description_{};
  DeviceInterface table_{};
  // Unloaded from inside a call: released when the outermost call has returned.
  std::vector<TSharedLibrary> unloadedLibraries_; // under stateMutex_
  std::atomic<bool> releasePending_{false};

  std::mutex filtersMutex_;
  // Filter handle -> the key of its subscription (the context the module gets).
  std::unordered_map<std::int32_t, std::uintptr_t> running_;
};

// The program's device.
TDeviceModule &Device();

// What a module hangs in: "the device module Dev_X.int has not returned from Tune for 12 s";
// empty when no call into it is in flight.
std::string HangingCallText(const TDeviceModule &device);

} // namespace qev::device
