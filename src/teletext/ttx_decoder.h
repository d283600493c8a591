#pragma once

#include "teletext/ttx_page.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>

namespace qev::teletext {

// The 42 bytes of one teletext packet as they arrive in a data unit: the 2-byte address and 40
// data bytes, each with its first transmitted bit in the most significant place.
inline constexpr std::size_t kTtxPacketBytes = 42;

// Teletext packets into pages: one page in reception per magazine, handed over whole when the
// next header of its magazine arrives. Uses only fixed buffers.
class TTtxDecoder {
public:
  // Called with each page that a header of its magazine ended.
  using PageDone = std::function<void(const TtxPageBuffer &)>;

  explicit TTtxDecoder(PageDone pageDone);

  void Decode(std::span<const std::uint8_t, kTtxPacketBytes> packet);
  // Forgets the pages in reception, as after a channel change.
  void Reset();

private:
  using Work = std::array<std::uint8_t, kTtxPacketBytes>;

  void Header(TtxPageBuffer &page, int magazine, const Work &w);
  static void Links(TtxPageBuffer &page, int magazine, const Work &w);

  PageDone pageDone_;
  // Indexed by the magazine as transmitted: magazine 8 uses index 0.
  std::array<TtxPageBuffer, 8> magazines_{};
};

// Subpage number of a subcode whose S3 and S4 are zero: S2 S1 as two decimal digits; else the
// whole 13-bit subcode. Negative when S1 is not a decimal digit.
int TtxSubPageOf(unsigned s1, unsigned s2, unsigned s3, unsigned s4);

} // namespace qev::teletext
