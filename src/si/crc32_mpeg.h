#pragma once

#include <cstdint>
#include <span>

namespace qev::si {

// The CRC-32 of ISO/IEC 13818-1 Annex A that guards PSI/SI sections: polynomial 0x04C11DB7,
// initial value all ones, no reflection, no final inversion. Over a whole section including its
// CRC_32 field the result is 0 when the section is intact; empty input gives 0xFFFFFFFF.
std::uint32_t Crc32Mpeg(std::span<const std::uint8_t> data);

} // namespace qev::si
