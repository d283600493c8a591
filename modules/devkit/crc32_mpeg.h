#pragma once

#include <cstdint>
#include <span>

namespace qev::devkit {

// The MPEG-2 CRC-32 of PSI/SI sections (polynomial 0x04C11DB7, initial value all ones, no
// reflection, no final inversion). Over a whole section including its CRC field the result is
// 0 when the section is intact.
std::uint32_t Crc32Mpeg(std::span<const std::uint8_t> data);

} // namespace qev::devkit
