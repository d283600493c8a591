#pragma once

#include "multiplexer.h"
#include "transponder.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace qev::sim {

// The wall clock as the multiplexer's tables show it.
tsgen::UtcClock SystemUtcClock();

// A transponder broadcast live from its description: the multiplexer with the description's
// tables and looping clips, its tables made from `clock`. Generates ahead in chunks and hands
// the packets out one by one; it never ends.
class LiveTransponder {
public:
  // Throws std::exception when the description or its clip cannot be read or is refused.
  explicit LiveTransponder(const std::filesystem::path &description,
                           tsgen::UtcClock clock = SystemUtcClock());
  LiveTransponder(const LiveTransponder &) = delete;
  LiveTransponder &operator=(const LiveTransponder &) = delete;

  void Next(std::uint8_t *packet);

private:
  const tsgen::Transponder tp_; // the multiplexer refers to it
  tsgen::Multiplexer mux_;
  std::vector<std::uint8_t> chunk_;
  std::size_t at_ = 0;
};

// True when a sky's transponder file is a description to broadcast live.
bool IsDescription(const std::filesystem::path &file);

} // namespace qev::sim
