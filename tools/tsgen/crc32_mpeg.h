#pragma once

#include <cstdint>
#include <span>

namespace qev::tsgen {

// CRC-32/MPEG-2: polynomial 0x04C11DB7, initial value 0xFFFFFFFF, no reflection, no final XOR.
// Running it over a whole section including its CRC field yields 0 when the section is intact.
std::uint32_t Crc32Mpeg(std::span<const std::uint8_t> bytes);

} // namespace qev::tsgen
