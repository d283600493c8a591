#pragma once

#include <cstdint>
#include <string>

namespace qev::diagnostics {

inline constexpr std::size_t kTsPacketSize = 188;

// Content codes of a PID as the statistics window shows them.
inline constexpr std::int16_t kTypeUnknown = 0;
inline constexpr std::int16_t kTypeVideo = 0x101;
inline constexpr std::int16_t kTypeAudio = 0x102;
inline constexpr std::int16_t kTypePrivate1 = 0x103;
inline constexpr std::int16_t kTypePrivate2 = 0x104;
inline constexpr std::int16_t kTypeTeletext = 0x105;
inline constexpr std::int16_t kTypeAc3 = 0x106;
inline constexpr std::int16_t kTypeTableBase = 0x200;     // + table id
inline constexpr std::int16_t kTypeOtherPesBase = 0x1100; // + stream id
inline constexpr std::int16_t kTypeScrambled = -1;

// What the first unscrambled start packet of a PID carries; kTypeUnknown when it cannot tell
// (a non-zero pointer field, no payload, an adaptation field that leaves too little).
std::int16_t Classify(const std::uint8_t *packet);

// "PAT", "EIT", ..., "Reserved".
const char *TableName(std::uint8_t tableId);
// The "Data Type" column's text: "PES VID", "SI PAT", "PES 0xFA", "Scrambled", "Unknow".
std::string DataTypeText(std::int16_t dataType);

// Header fields of a whole packet.
inline std::uint16_t PacketPid(const std::uint8_t *p) {
  return static_cast<std::uint16_t>((p[1] & 0x1F) << 8 | p[2]);
}
inline bool Scrambled(const std::uint8_t *p) { return (p[3] & 0xC0) != 0; }
inline bool UnitStart(const std::uint8_t *p) { return (p[1] & 0x40) != 0; }
inline bool HasAdaptation(const std::uint8_t *p) { return (p[3] & 0x20) != 0; }
inline bool HasPayload(const std::uint8_t *p) { return (p[3] & 0x10) != 0; }

} // namespace qev::diagnostics
