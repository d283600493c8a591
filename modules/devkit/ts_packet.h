#pragma once

#include <cstdint>
#include <span>

namespace qev::devkit {

inline constexpr std::size_t kPacketSize = 188;
inline constexpr std::size_t kPayloadSize = 184;
inline constexpr std::uint8_t kSyncByte = 0x47;
inline constexpr std::uint16_t kNullPid = 0x1FFF;

// A view of one 188-byte transport packet.
class TsPacket {
public:
  explicit TsPacket(const std::uint8_t* bytes) : p_(bytes) {}

  const std::uint8_t* Bytes() const { return p_; }
  std::uint16_t Pid() const { return static_cast<std::uint16_t>(((p_[1] & 0x1F) << 8) | p_[2]); }
  bool UnitStart() const { return (p_[1] & 0x40) != 0; }
  bool HasPayload() const { return (p_[3] & 0x10) != 0; }
  bool HasAdaptation() const { return (p_[3] & 0x20) != 0; }
  std::uint8_t Continuity() const { return p_[3] & 0x0F; }
  // Bytes 4..187, whatever they hold: what consumers of raw payloads get.
  std::span<const std::uint8_t> RawPayload() const { return {p_ + 4, kPayloadSize}; }
  // The payload behind the adaptation field; empty when there is none or the field's length
  // is impossible.
  std::span<const std::uint8_t> Payload() const {
    if (!HasPayload())
      return {};
    std::size_t start = 4;
    if (HasAdaptation())
      start += 1 + p_[4];
    return start < kPacketSize ? std::span(p_ + start, kPacketSize - start)
                               : std::span<const std::uint8_t>();
  }

private:
  const std::uint8_t* p_;
};

} // namespace qev::devkit
