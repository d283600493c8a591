// Where a capture may end: never inside a PES whose length is known.
#include "tool/pes_cut.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>

using qev::tool::TPesCut;

namespace {

using Packet = std::array<std::uint8_t, 188>;

// A packet of `pid` whose payload starts a PES of `pesLength` (its length field), or continues
// one when `pesLength` is empty; `adaptation` bytes of stuffing go before the payload.
Packet Make(std::uint16_t pid, std::optional<std::uint16_t> pesLength,
            std::uint8_t adaptation = 0) {
  Packet p{};
  p.fill(0xFF);
  p[0] = 0x47;
  p[1] = static_cast<std::uint8_t>((pesLength ? 0x40 : 0) | (pid >> 8));
  p[2] = static_cast<std::uint8_t>(pid);
  p[3] = adaptation ? 0x30 : 0x10;
  std::size_t at = 4;
  if (adaptation) {
    p[4] = static_cast<std::uint8_t>(adaptation - 1);
    p[5] = 0;
    at += adaptation;
  }
  if (pesLength) {
    const std::array<std::uint8_t, 6> head{0,
                                           0,
                                           1,
                                           0xC0,
                                           static_cast<std::uint8_t>(*pesLength >> 8),
                                           static_cast<std::uint8_t>(*pesLength)};
    std::copy(head.begin(), head.end(), p.begin() + static_cast<long>(at));
  }
  return p;
}

TEST(PesCut, ASoundPesIsWholeOnlyAfterItsLastByte) {
  TPesCut cut;
  EXPECT_TRUE(cut.Clean());
  // 400 bytes + 6 of header: 184 in the first packet, 184 in the second, 38 in the third.
  cut.Observe(Make(0x102, 400).data());
  EXPECT_FALSE(cut.Clean());
  cut.Observe(Make(0x102, std::nullopt).data());
  EXPECT_FALSE(cut.Clean());
  cut.Observe(Make(0x101, 0).data()); // video of open length never holds the end back
  EXPECT_FALSE(cut.Clean());
  cut.Observe(Make(0x102, std::nullopt, 146).data()); // the last 38 bytes after stuffing
  EXPECT_TRUE(cut.Clean());
}

TEST(PesCut, EveryPidMustBeWholeAndAPesThatFitsOnePacketIsAtOnce) {
  TPesCut cut;
  cut.Observe(Make(0x102, 300).data());
  cut.Observe(Make(0x202, 100).data()); // fits one packet
  EXPECT_FALSE(cut.Clean());
  cut.Observe(Make(0x102, std::nullopt).data());
  EXPECT_TRUE(cut.Clean());
  // A new unit start ends whatever went before on that PID, a section as much as a PES.
  cut.Observe(Make(0x302, 1000).data());
  Packet section = Make(0x302, std::nullopt);
  section[1] |= 0x40;
  section[4] = 0x00; // pointer field, not a PES start code
  cut.Observe(section.data());
  EXPECT_TRUE(cut.Clean());
}

TEST(PesCut, DamagedPacketsChangeNothing) {
  TPesCut cut;
  cut.Observe(Make(0x102, 1000).data());
  Packet lost = Make(0x102, std::nullopt);
  lost[0] = 0x00;
  cut.Observe(lost.data());
  Packet error = Make(0x102, 20);
  error[1] |= 0x80;
  cut.Observe(error.data());
  EXPECT_FALSE(cut.Clean());
}

} // namespace
