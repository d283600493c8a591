#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qev::frame {

// The MD5 message digest (RFC 1321) of the bytes given.
std::array<std::uint8_t, 16> Md5(std::string_view bytes);
// The digest as 32 upper-case hexadecimal digits, two per byte in digest order.
std::string Md5Hex(std::string_view bytes);

} // namespace qev::frame
