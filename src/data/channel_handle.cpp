#include "data/channel_handle.h"

namespace qev::data {

std::int32_t MakeChannelHandle(std::uint8_t satIndex, std::uint16_t position) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(satIndex) << 16) | position);
}

std::optional<TChannelHandle> DecodeChannelHandle(std::int32_t handle) {
  if (handle < 0)
    return std::nullopt;
  const std::uint32_t sat = static_cast<std::uint32_t>(handle) >> 16;
  if (sat == 0 || sat > 255)
    return std::nullopt;
  return TChannelHandle{static_cast<std::uint8_t>(sat),
                        static_cast<std::uint16_t>(handle & 0xFFFF)};
}

} // namespace qev::data
