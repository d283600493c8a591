#pragma once

#include "guide/epg_event.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace qev::device {
class TDeviceModule;
struct TSwitchHooks;
} // namespace qev::device

namespace qev::guide {

class TEpgStore;
class TEpgCollector;

// The program's guide: the event store, the EIT feed on the device module and the collector
// thread. It lives from program start to program end; its thread is joined on destruction.
class TGuide {
public:
  explicit TGuide(device::TDeviceModule &device);
  ~TGuide();
  TGuide(const TGuide &) = delete;
  TGuide &operator=(const TGuide &) = delete;

  // True when the EIT filter is open after the call.
  bool EpgStart();
  void EpgStop();
  void EpgClear();
  bool Collecting() const;

  // The event on air now for a transport stream and service.
  std::optional<TEpgEvent> FindNow(std::uint16_t tid, std::uint16_t sid) const;

  TEpgStore &Store();
  const TEpgStore &Store() const;
  std::uint64_t ErrorCount() const;
  std::size_t BufferedBytes() const;
  // Returns when every byte delivered so far has been parsed.
  void Drain();

  // The kept guide: false with the reason when the file exists but cannot be taken.
  bool LoadKept(const std::filesystem::path &file, std::string &error);
  // Empty on success, else the reason.
  std::string SaveKept(const std::filesystem::path &file) const;

private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

// The channel switch stops, clears and starts the guide's collection through these entries;
// the guide must outlive them (UnplugSwitchHooks before it goes).
void PlugSwitchHooks(TGuide &guide, device::TSwitchHooks &hooks);
void UnplugSwitchHooks(device::TSwitchHooks &hooks);

} // namespace qev::guide
