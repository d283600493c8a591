#pragma once

#include <array>
#include <cstdint>

namespace qev::tool {

// Follows the PES packets of every PID in a stream of 188-byte packets, so that a capture can
// end where no PES of a known length is cut short: a decoder reading the file then sees a
// clean end instead of a corrupt last packet. PES of open length (video) end at any packet.
class TPesCut {
public:
  // Takes the next packet of the stream in order.
  void Observe(const std::uint8_t *packet);
  // True when, after the packets observed so far, no PID is inside a PES of known length.
  bool Clean() const { return openPids_ == 0; }

private:
  void SetRemaining(std::uint16_t pid, std::uint32_t bytes);

  std::array<std::uint32_t, 0x2000> remaining_{}; // bytes of the current PES still to come
  unsigned openPids_ = 0;
};

} // namespace qev::tool
