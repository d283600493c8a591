// The stream as a whole: determinism, timing, and picture and sound from an input stream.

#include <gtest/gtest.h>

#include "input_stream.h"
#include "tsgen_fixture.h"

namespace qev::tsgen::test {
namespace {

std::uint64_t Pcr(const TsReader::Packet &p) {
  const auto &b = p.bytes;
  const std::uint64_t base = std::uint64_t{b[6]} << 25 | std::uint64_t{b[7]} << 17 |
                             std::uint64_t{b[8]} << 9 | std::uint64_t{b[9]} << 1 | b[10] >> 7;
  return base * 300 + ((b[10] & 1) << 8 | b[11]);
}

TEST(TsgenGenerator, SameDescriptionSameBytes) {
  const Transponder tp = SampleTransponder();
  const Bytes a = GenerateStream(tp);
  EXPECT_EQ(a, GenerateStream(SampleTransponder()));
  Transponder later = tp;
  later.start += 1;
  EXPECT_NE(a, GenerateStream(later));
}

TEST(TsgenGenerator, SizeFollowsBitrateAndPcrFollowsTheSlot) {
  Transponder tp = SmallTransponder();
  tp.durationSeconds = 2;
  const Bytes stream = GenerateStream(tp);
  EXPECT_EQ(stream.size() / 188, static_cast<std::size_t>(2 * 1'000'000 / (188 * 8)));
  const TsReader reader(stream);
  int pcrs = 0;
  for (const auto &p : reader.PacketsOf(0x0101)) {
    if (p.adaptationSize >= 8 && (p.bytes[5] & 0x10)) {
      // 27 MHz ticks of the packet's slot at 1 Mbit/s.
      EXPECT_EQ(Pcr(p), p.index * 188 * 8 * 27'000'000ull / 1'000'000);
      ++pcrs;
    }
  }
  EXPECT_EQ(pcrs, 50); // one every 40 ms
}

TEST(TsgenGenerator, InputStreamIsRemappedAndPacedByItsPcr) {
  // An input at 1 Mbit/s with its PCR on PID 0x0101 every 40 ms.
  Transponder source = SmallTransponder();
  source.services[0].pcrPid = 0x0101;
  const Bytes input = GenerateStream(source);
  Transponder tp = SmallTransponder();
  tp.bitrate = 2'000'000;
  tp.services[0].streams[1].sourcePid = 0x0102;
  tp.services[0].streams[1].pid = 0x0202;
  const InputStream in = InputStream::Parse(input, {{0x0102, 0x0202}}, tp.bitrate);
  ASSERT_FALSE(in.Packets().empty());
  std::vector<std::uint8_t> out;
  Multiplexer(tp, in).Run(
      [&out](std::span<const std::uint8_t> p) { out.insert(out.end(), p.begin(), p.end()); });
  const TsReader sourceReader(input), reader(out);
  const auto original = sourceReader.PacketsOf(0x0102);
  const auto moved = reader.PacketsOf(0x0202);
  EXPECT_TRUE(reader.PacketsOf(0x0102).empty());
  ASSERT_EQ(moved.size(), original.size());
  for (std::size_t i = 0; i < moved.size(); ++i) {
    EXPECT_TRUE(
        std::equal(moved[i].payload.begin(), moved[i].payload.end(), original[i].payload.begin()));
    // Twice the bitrate: each packet arrives at about half its index, never early.
    EXPECT_GE(moved[i].index + 2, original[i].index * 2);
    EXPECT_LE(moved[i].index, original[i].index * 2 + 8);
    if (i > 0) {
      EXPECT_EQ(moved[i].continuity, (moved[i - 1].continuity + 1) & 0x0F);
    }
  }
}

TEST(TsgenGenerator, InputWithoutPacketsIsRefused) {
  EXPECT_THROW(InputStream::Parse(Bytes(1000, 0x00), {}, 1'000'000), std::runtime_error);
  Transponder tp = SmallTransponder();
  tp.inputFile = "/nonexistent/input.ts";
  EXPECT_THROW(GenerateStream(tp), std::runtime_error);
}

} // namespace
} // namespace qev::tsgen::test
