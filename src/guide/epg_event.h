#pragma once

#include <cstdint>
#include <string>

namespace qev::guide {

// One event of the guide as readers get it: a copy, which a store clear cannot take away.
struct TEpgEvent {
  std::uint16_t OriginalNetworkId = 0;
  std::uint16_t TransportStreamId = 0;
  std::uint16_t ServiceId = 0;
  std::uint16_t EventId = 0;
  std::uint32_t StartTime = 0; // UTC seconds since 1970
  std::uint32_t Duration = 0;  // seconds
  bool HasShortEvent = false;
  std::uint8_t Content = 0; // content_nibble_level_1 * 16 + content_nibble_level_2
  std::uint8_t MinAge = 0;  // 0 = no rating
  std::string Language;     // three upper-case letters, or empty
  std::string Name;
  std::string ShortText;
  std::string Items; // one line per item, each ended by "\r"
  std::string ExtendedText;
};

} // namespace qev::guide
