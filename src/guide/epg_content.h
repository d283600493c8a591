#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace qev::guide {

struct TEventContent {
  std::uint8_t Code;
  const char *Text;
};

// The 79 content codes and their texts, ascending.
std::span<const TEventContent> EventContentTable();
// "Sports (0x40)", or "Undefined content (0x0C)".
std::string EpgContentText(std::uint8_t content);

} // namespace qev::guide
