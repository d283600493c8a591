#pragma once

#include <array>
#include <cstdint>

namespace qev::teletext {

inline constexpr int kTtxRows = 25;
inline constexpr int kTtxColumns = 40;
inline constexpr int kTtxFirstPage = 100;
inline constexpr int kTtxLastPage = 900;
inline constexpr int kTtxMaxSubPage = 80;
// The first value of notification 13 that is not a page: cache cleared (0) or filter opened (1).
inline constexpr int kTtxCacheEvent = 0xAAAA;

// Page header control bits in TtxPageBuffer::Flags.
enum : std::uint8_t {
  kTtxEraseC4 = 0x80,
  kTtxNewsflashC5 = 0x40,
  kTtxSubtitleC6 = 0x20,
  kTtxSuppressHeaderC7 = 0x10,
  kTtxUpdateC8 = 0x08,
  kTtxInterruptedC9 = 0x04,
  kTtxInhibitDisplayC10 = 0x02,
  kTtxSerialC11 = 0x01,
};

// One teletext page as received, always copied whole. Rows that were not received are zero.
// Row 0 holds the 40 header bytes after the packet address: 8 Hamming-coded bytes of page,
// subcode and control, then 32 display bytes (the last 8 of them the broadcaster's clock).
struct TtxPageBuffer {
  std::uint16_t Page = 0; // magazine (8 for 0) * 100 + tens * 10 + units; 0 = empty
  std::uint16_t SubPage = 0;
  std::uint8_t Flags = 0;
  std::uint8_t ShowRow24 = 0;              // non-zero: row 24 is shown
  std::uint8_t NationalOption = 0;         // C12 * 4 + C13 * 2 + C14
  std::array<std::uint16_t, 4> LinkPage{}; // red, green, yellow, cyan; 0 = none
  std::array<std::uint16_t, 4> LinkSubPage{};
  std::array<std::array<std::uint8_t, kTtxColumns>, kTtxRows> Rows{};

  bool operator==(const TtxPageBuffer &) const = default;
};

} // namespace qev::teletext
