#pragma once

#include <cstdint>
#include <optional>

namespace qev::data {

// A channel named by its satellite index (bits 16..30) and its position in that satellite's
// list (bits 0..15); negative values name no channel.
struct TChannelHandle {
  std::uint8_t SatIndex = 0;
  std::uint16_t Position = 0;
};

std::int32_t MakeChannelHandle(std::uint8_t satIndex, std::uint16_t position);
// The one decoder: refuses negative handles and handles whose satellite bits exceed 255 or
// name the empty slot 0.
std::optional<TChannelHandle> DecodeChannelHandle(std::int32_t handle);

} // namespace qev::data
