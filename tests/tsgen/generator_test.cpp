// The stream as a whole: determinism, timing, and picture and sound from an input stream.

#include <gtest/gtest.h>

#include "input_stream.h"
#include "stream_check.h"
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

TEST(TsgenGenerator, SizeFollowsBitrateAndPcrFollowsTheSlotBelowFortyMilliseconds) {
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
  EXPECT_GE(pcrs, 50);
  const StreamCheck check = StreamCheck::Of(stream);
  EXPECT_LT(check.largestPcrIntervalMs, 40.0);
  EXPECT_TRUE(check.continuityErrors.empty());
}

// A clip of one second: 25 placeholder PES packets per stream, 40 ms apart.
Bytes OneSecondClip() {
  Transponder source = SmallTransponder();
  source.services[0].pcrPid = 0x0101;
  return GenerateStream(source);
}

std::uint64_t PtsOf(std::span<const std::uint8_t> payload) {
  const std::uint8_t *t = payload.data() + 9;
  return (std::uint64_t{t[0]} >> 1 & 7) << 30 | std::uint64_t{t[1]} << 22 |
         (std::uint64_t{t[2]} >> 1) << 15 | std::uint64_t{t[3]} << 7 | t[4] >> 1;
}

TEST(TsgenGenerator, InputLoopsWithTimestampsAndCountersRunningOn) {
  const Bytes clip = OneSecondClip();
  const InputStream in = InputStream::Parse(clip, {{0x0102, 0x0202}});
  ASSERT_EQ(in.Streams().size(), 1u);
  EXPECT_EQ(in.Streams()[0].period90, 90000u);
  EXPECT_EQ(in.Streams()[0].units.size(), 25u);

  Transponder tp = SmallTransponder();
  tp.bitrate = 2'000'000;
  tp.durationSeconds = 3.5;
  tp.services[0].streams[1].sourcePid = 0x0102;
  tp.services[0].streams[1].pid = 0x0202;
  Bytes out;
  Multiplexer(tp, in).Run(
      [&out](std::span<const std::uint8_t> p) { out.insert(out.end(), p.begin(), p.end()); });
  const TsReader sourceReader(clip), reader(out);
  const auto original = sourceReader.PacketsOf(0x0102);
  const auto moved = reader.PacketsOf(0x0202);
  EXPECT_TRUE(reader.PacketsOf(0x0102).empty());
  ASSERT_GE(moved.size(), 3 * original.size());
  std::uint64_t lastPts = 0;
  for (std::size_t i = 0; i < moved.size(); ++i) {
    const auto &source = original[i % original.size()];
    // The payload after the time stamp is the clip's, loop after loop.
    EXPECT_TRUE(std::equal(moved[i].payload.begin() + 14, moved[i].payload.end(),
                           source.payload.begin() + 14));
    const std::uint64_t pts = PtsOf(moved[i].payload);
    if (i > 0) {
      EXPECT_EQ(pts, lastPts + 3600) << "packet " << i;
    }
    lastPts = pts;
  }
  const StreamCheck check = StreamCheck::Of(out);
  EXPECT_TRUE(check.continuityErrors.empty()) << check.continuityErrors.front();
  EXPECT_TRUE(check.pcrErrors.empty());
  EXPECT_GT(check.pesCount, 80u);
  EXPECT_GT(check.smallestPesMarginMs, 100.0);
}

// One TS packet per PES, each starting a PES with the PTS given, on `pid`.
void AppendPes(Bytes &ts, std::uint16_t pid, std::uint64_t pts) {
  Bytes p(188, 0xFF);
  const std::uint8_t header[] = {0x47,
                                 static_cast<std::uint8_t>(0x40 | pid >> 8),
                                 static_cast<std::uint8_t>(pid),
                                 0x10,
                                 0x00,
                                 0x00,
                                 0x01,
                                 0xC0,
                                 0x00,
                                 0x00,
                                 0x80,
                                 0x80,
                                 0x05,
                                 static_cast<std::uint8_t>(0x21 | (pts >> 29 & 0x0E)),
                                 static_cast<std::uint8_t>(pts >> 22),
                                 static_cast<std::uint8_t>(pts >> 14 | 1),
                                 static_cast<std::uint8_t>(pts >> 7),
                                 static_cast<std::uint8_t>(pts << 1 | 1)};
  std::copy(std::begin(header), std::end(header), p.begin());
  ts.insert(ts.end(), p.begin(), p.end());
}

// A remuxer packs AAC frames (1920 ticks each) by eight into PES packets, the last one shorter:
// the clip still loops on the length its picture tells, so sound stays with the picture.
TEST(TsgenGenerator, ClipLoopsAsAWholeWhenItsSoundHasUnevenPes) {
  Bytes clip;
  constexpr std::uint64_t kStart = 129600; // 1.44 s
  for (std::uint64_t frame = 0; frame < 25; ++frame) {
    AppendPes(clip, 0x0101, kStart + frame * 3600);
  }
  for (std::uint64_t frame = 0; frame < 46; frame += 8) { // 46 frames: the last PES holds six
    AppendPes(clip, 0x0102, kStart + frame * 1920);
  }
  const InputStream in = InputStream::Parse(clip, {{0x0101, 0x0201}, {0x0102, 0x0202}});
  ASSERT_EQ(in.Streams().size(), 2u);
  EXPECT_EQ(in.Streams()[0].period90, 90000u);
  EXPECT_EQ(in.Streams()[1].period90, 90000u);
}

TEST(TsgenGenerator, InputWithoutPacketsOrTimestampsIsRefused) {
  EXPECT_THROW(InputStream::Parse(Bytes(1000, 0x00), {}), std::runtime_error);
  EXPECT_THROW(InputStream::Parse(OneSecondClip(), {{0x0555, 0x0202}}), std::runtime_error);
  Transponder tp = SmallTransponder();
  tp.inputFile = "/nonexistent/input.ts";
  tp.services[0].streams[1].sourcePid = 0x0102;
  EXPECT_THROW(GenerateStream(tp), std::runtime_error);
}

std::string RefusalOf(const Transponder &tp) {
  try {
    Multiplexer mux(tp, std::nullopt);
  } catch (const std::invalid_argument &e) {
    return e.what();
  }
  return "accepted";
}

TEST(TsgenGenerator, CollidingPidsAndTooLowBitratesAreRefusedSayingWhatIsNeeded) {
  Transponder tp = SmallTransponder();
  tp.services[0].streams[1].pid = 0x0011;
  EXPECT_NE(RefusalOf(tp).find("PID 0x0011 of the audio stream of service 0x0033 is reserved "
                               "for the SDT"),
            std::string::npos)
      << RefusalOf(tp);
  tp.services[0].streams[1].pid = 0x0100;
  EXPECT_NE(RefusalOf(tp).find("PID 0x0100 is used twice: by the PMT of service 0x0033 and by "
                               "the audio stream of service 0x0033"),
            std::string::npos)
      << RefusalOf(tp);
  tp.services[0].streams[1].pid = 0x1FFF;
  EXPECT_NE(RefusalOf(tp).find("null packets"), std::string::npos);

  Transponder shared = SmallTransponder();
  Service second = shared.services[0];
  second.serviceId = 0x0034;
  second.pmtPid = 0x0200;
  second.ca.push_back({0x0100, 0x0300, {}});
  shared.services[0].ca.push_back({0x0100, 0x0300, {}});
  shared.services.push_back(second);
  EXPECT_NE(RefusalOf(shared).find("PID 0x0101 is used twice"), std::string::npos);
  shared.services.back().streams.clear(); // a PCR on the other service's video, a shared ECM PID
  EXPECT_EQ(RefusalOf(shared), "accepted");

  Transponder slow = SmallTransponder();
  slow.bitrate = 120'000;
  const std::string refusal = RefusalOf(slow);
  EXPECT_NE(refusal.find("the bitrate of 120000 bit/s is too low"), std::string::npos) << refusal;
  EXPECT_NE(refusal.find("need at least"), std::string::npos);
  EXPECT_EQ(RefusalOf(SmallTransponder()), "accepted");
}

} // namespace
} // namespace qev::tsgen::test
