#pragma once

#include "teletext/ttx_cache.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace qev::device {
class TDeviceModule;
struct TSwitchHooks;
} // namespace qev::device

namespace qev::frame {
class TNotificationHub;
}

namespace qev::teletext {

// Where the teletext PID's data come from: a filter on the device module delivering whole
// 188-byte packets (payloads alone hide the PES starts and adaptation fields that the data units
// are found by). Open returns a handle > 0, else the filter was refused; after Close no callback
// runs.
class ITtxFeed {
public:
  using DataCallback = std::function<void(std::span<const std::uint8_t>)>;
  virtual ~ITtxFeed() = default;
  virtual std::int32_t Open(std::uint16_t pid, DataCallback callback) = 0;
  virtual void Close(std::int32_t handle) = 0;
};

// What the teletext needs of the rest of the program.
struct TTeletextContext {
  frame::TNotificationHub &Hub;               // notification 13
  std::function<bool()> BgParser;             // option TTxBgParser
  std::function<std::uint16_t()> TeletextPid; // TtxPid of AV slot 0's channel
  std::function<void()> SubtitlePagesChanged; // the main window's command 0xF005
};

// The program's teletext: the filter on AV slot 0's teletext PID, the decoder and the page
// cache. Collection runs while a consumer holds it (TtxAcquire) or, with TTxBgParser, from one
// channel switch to the next.
class TTeletext {
public:
  TTeletext(std::unique_ptr<ITtxFeed> feed, TTeletextContext context);
  TTeletext(device::TDeviceModule &device, TTeletextContext context);
  ~TTeletext();
  TTeletext(const TTeletext &) = delete;
  TTeletext &operator=(const TTeletext &) = delete;

  void TtxAcquire();
  void TtxRelease();
  void TtxRestart();
  void TtxStop();

  // Safe from any thread, notification handlers included.
  bool Running() const;
  int Users() const;
  const TTtxCache &Cache() const;

private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

// The channel switch stops and restarts teletext through these entries; the teletext must
// outlive them (UnplugSwitchHooks before it goes).
void PlugSwitchHooks(TTeletext &teletext, device::TSwitchHooks &hooks);
void UnplugSwitchHooks(device::TSwitchHooks &hooks);

} // namespace qev::teletext
