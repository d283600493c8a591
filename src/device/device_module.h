#pragma once

#include "devapi/qev_devapi.h"
#include "device/call_gate.h"
#include "device/shared_library.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace qev::device {

// The result of an operation the module does not offer, or of any call while none is loaded.
inline constexpr std::int32_t kNotAvailable = -2;
inline constexpr const char* kOfflineName = "OFFLINE";

// The one loaded device module: its library, description and operation table, and the calls
// into it. Calls pass a gate, so unloading waits for the calls in flight and later calls
// answer "not available". Filter callbacks are wrapped, so that once StopFilter has returned
// no data reaches the consumer, whatever the module does.
class TDeviceModule {
public:
  TDeviceModule();
  ~TDeviceModule();
  TDeviceModule(const TDeviceModule&) = delete;
  TDeviceModule& operator=(const TDeviceModule&) = delete;

  // Takes over a library whose description and table have been checked.
  void Attach(TSharedLibrary library, const std::filesystem::path& path,
              const DeviceDescription& description, const DeviceInterface& table);
  // Closes the gate, calls CloseDevice once, and releases the library.
  void Unload();

  bool Loaded() const;
  DeviceDescription Description() const;
  std::string Name() const;
  std::filesystem::path Path() const;

  std::int32_t OpenDevice();
  void ShowDeviceSettings();
  std::int32_t Tune(const TuneRequest& request);
  std::int32_t GetSignalStatus(SignalStatus& status);
  std::int32_t SendDiseqc(std::span<const std::uint8_t> bytes, std::int32_t burst);
  std::int32_t SetChannelPids(std::int32_t slot, std::uint16_t audioPid, std::uint16_t videoPid,
                              std::uint16_t pcrPid, std::int32_t flags);
  std::int32_t SetTeletextPid(std::int32_t pid);
  // A handle 1..0x7FFF, else a value <= 0.
  std::int32_t StartFilter(std::uint16_t pid, FilterCallback callback, std::uint16_t mode,
                           const std::uint8_t* match, const std::uint8_t* mask,
                           std::uint8_t flags, void* context);
  std::int32_t StopFilter(std::int32_t handle);
  std::uintptr_t StartVideo(std::int32_t slot, std::uintptr_t owner, std::uintptr_t messageWindow,
                            std::uint8_t pva);
  std::uintptr_t MoveVideo(std::int32_t slot, std::uintptr_t owner, std::uintptr_t messageWindow);
  std::int32_t SetVideoRect(std::int32_t slot, std::int32_t left, std::int32_t top,
                            std::int32_t width, std::int32_t height);
  std::int32_t SetVideoOption(std::int32_t slot, std::int32_t option, std::int32_t value);
  std::int32_t StopVideo(std::int32_t slot);
  std::int32_t PassPluginData(std::int32_t slot, const std::uint8_t* block);
  std::int32_t AudioControl(std::int32_t slot, bool write, SoundRecord& sound);
  std::int32_t PictureControl(std::int32_t slot, bool write, PictureRecord& picture);
  std::intptr_t GetDeviceInfo(std::int32_t code, std::intptr_t parameter);
  // The text of information code 5, empty when the module gives none.
  std::string DeviceInfoText();
  std::string VideoError(std::int32_t slot);

private:
  struct Subscription;
  static void Deliver(const std::uint8_t* data, std::int32_t length, void* context);
  template <typename R, typename F, typename... Args>
  R Call(R unavailable, F DeviceInterface::*entry, Args... args);

  TCallGate gate_;
  mutable std::mutex stateMutex_;
  TSharedLibrary library_;
  std::filesystem::path path_;
  DeviceDescription description_{};
  DeviceInterface table_{};

  std::mutex subscriptionsMutex_;
  // Kept until the library is gone: a module may still hold their addresses.
  std::vector<std::unique_ptr<Subscription>> subscriptions_;
  std::unordered_map<std::int32_t, Subscription*> running_;
};

// The program's device.
TDeviceModule& Device();

} // namespace qev::device
