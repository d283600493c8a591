#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace qev::guide {

class TEpgStore;

// The payload filter on PID 0x12 of the device module (184-byte payloads, latency flag).
class IEitFeed {
public:
  using DataCallback = std::function<void(std::span<const std::uint8_t>)>;
  virtual ~IEitFeed() = default;
  // A handle > 0, else the filter was refused. The callback may run on any thread until Close
  // returns.
  virtual std::int32_t Open(DataCallback callback) = 0;
  // When it returns no callback of the filter runs and none will.
  virtual void Close(std::int32_t handle) = 0;
};

// Guide collection: EpgStart/EpgStop, the section assembler fed on the device thread, and the
// processing thread that parses whole, CRC-valid sections into the store outside the
// assembler's lock. The thread lives as long as the object.
class TEpgCollector {
public:
  TEpgCollector(IEitFeed &feed, TEpgStore &store);
  ~TEpgCollector();
  TEpgCollector(const TEpgCollector &) = delete;
  TEpgCollector &operator=(const TEpgCollector &) = delete;

  // True when a filter is open after the call (also when it was open before). A new filter
  // starts with an empty assembler, so bytes of another transponder never reach a section.
  bool EpgStart();
  void EpgStop();
  bool Collecting() const;
  // Sections whose CRC failed (with the CRC check on) or that were not whole sections.
  std::uint64_t ErrorCount() const;
  // Counting starts again from 0 (a guide clear).
  void ClearErrorCount();
  std::size_t BufferedBytes() const;
  // Returns when every byte delivered so far has been parsed (tests and qevtool).
  void Drain();

private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

} // namespace qev::guide
