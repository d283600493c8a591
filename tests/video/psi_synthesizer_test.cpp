// The PAT and PMT made for a stream that arrives without them: well-formed sections that an
// independent demultiplexer follows to the right decoders.
#include "video/es_fixtures.h"

#include "si/crc32_mpeg.h"
#include "support/run_command.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace qev::video {
namespace {

using TPacketBytes = std::basic_string<std::uint8_t>;

struct TSection {
  std::uint16_t Pid = 0;
  std::uint8_t Continuity = 0;
  std::vector<std::uint8_t> Bytes;
};

// Reassembles the sections in the packets, checking the packet framing on the way.
std::vector<TSection> Sections(const TPacketBytes &packets) {
  std::vector<TSection> sections;
  EXPECT_EQ(packets.size() % 188, 0u);
  for (std::size_t at = 0; at + 188 <= packets.size(); at += 188) {
    const std::uint8_t *p = packets.data() + at;
    EXPECT_EQ(p[0], 0x47);
    EXPECT_EQ(p[3] & 0xF0, 0x10); // clear, payload only
    const auto pid = static_cast<std::uint16_t>((p[1] & 0x1F) << 8 | p[2]);
    if (p[1] & 0x40) {
      EXPECT_EQ(p[4], 0); // pointer field
      sections.push_back({pid, static_cast<std::uint8_t>(p[3] & 0x0F), {}});
      sections.back().Bytes.assign(p + 5, p + 188);
    } else {
      EXPECT_FALSE(sections.empty());
      EXPECT_EQ(sections.back().Pid, pid);
      sections.back().Bytes.insert(sections.back().Bytes.end(), p + 4, p + 188);
    }
  }
  for (TSection &s : sections) {
    const std::size_t length = 3 + ((s.Bytes[1] & 0x0F) << 8 | s.Bytes[2]);
    EXPECT_LE(length, 1024u);
    s.Bytes.resize(length);
    EXPECT_EQ(si::Crc32Mpeg(s.Bytes), 0u) << "section on PID " << s.Pid;
  }
  return sections;
}

std::uint8_t Version(const TSection &s) { return (s.Bytes[5] >> 1) & 0x1F; }

TMediaType Typed(const char *subtype, std::uint32_t rate = 48000) {
  TMediaType t;
  t.Subtype = subtype;
  t.SamplesPerSec = rate;
  return t;
}

TEST(PsiSynthesizer, PatPointsAtPmtThatListsTheStreams) {
  TPsiSynthesizer synth;
  const std::vector<TSynthStream> streams = {SynthStreamFor(0x100, Typed("hevc")),
                                             SynthStreamFor(0x101, Typed("eac3")),
                                             SynthStreamFor(0x102, Typed("mpa", 22050))};
  const auto sections = Sections(synth.Packets(0x100, streams));
  ASSERT_EQ(sections.size(), 2u);
  const auto &pat = sections[0].Bytes, &pmt = sections[1].Bytes;
  EXPECT_EQ(sections[0].Pid, 0);
  EXPECT_EQ(pat[0], 0x00);
  EXPECT_EQ(pat[8] << 8 | pat[9], 1);                         // programme 1 ...
  EXPECT_EQ((pat[10] & 0x1F) << 8 | pat[11], synth.PmtPid()); // ... on the PMT's PID
  EXPECT_EQ(sections[1].Pid, synth.PmtPid());
  EXPECT_EQ(pmt[0], 0x02);
  EXPECT_EQ((pmt[8] & 0x1F) << 8 | pmt[9], 0x100);                                      // PCR PID
  const std::vector<std::uint8_t> expected = {0x24, 0xE1, 0x00, 0xF0, 0x00,             //
                                              0x06, 0xE1, 0x01, 0xF0, 0x03, 0x7A, 1, 0, //
                                              0x04, 0xE1, 0x02, 0xF0, 0x00};
  EXPECT_EQ(std::vector<std::uint8_t>(pmt.begin() + 12, pmt.end() - 4), expected);
}

TEST(PsiSynthesizer, CountersRunOnAndVersionsFollowChanges) {
  TPsiSynthesizer synth;
  std::vector<TSynthStream> streams = {SynthStreamFor(0x200, Typed("h264")),
                                       SynthStreamFor(0x201, Typed("aac"))};
  auto first = Sections(synth.Packets(0x200, streams));
  auto again = Sections(synth.Packets(0x200, streams));
  ASSERT_EQ(again.size(), 2u);
  EXPECT_EQ(again[0].Continuity, (first[0].Continuity + 1) & 0x0F);
  EXPECT_EQ(again[1].Continuity, (first[1].Continuity + 1) & 0x0F);
  EXPECT_EQ(Version(again[1]), Version(first[1]));
  for (int i = 0; i < 20; ++i) // the counters wrap
    again = Sections(synth.Packets(0x200, streams));
  EXPECT_EQ(again[1].Continuity, (first[1].Continuity + 21) & 0x0F);

  streams[1] = SynthStreamFor(0x201, Typed("ac3"));
  const auto changed = Sections(synth.Packets(0x200, streams));
  EXPECT_EQ(Version(changed[1]), (Version(first[1]) + 1) & 0x1F);
  EXPECT_EQ(Version(changed[0]), Version(first[0])); // the PAT is unchanged

  // A stream on the PMT's own PID moves the PMT, and the PAT says so in a new version.
  const std::uint16_t oldPmt = synth.PmtPid();
  streams.push_back(SynthStreamFor(oldPmt, Typed("mpa")));
  const auto moved = Sections(synth.Packets(oldPmt - 1, streams));
  EXPECT_NE(synth.PmtPid(), oldPmt);
  EXPECT_NE(synth.PmtPid(), oldPmt - 1); // nor the PCR's
  EXPECT_EQ(moved[1].Pid, synth.PmtPid());
  EXPECT_EQ(Version(moved[0]), (Version(first[0]) + 1) & 0x1F);
}

TEST(PsiSynthesizer, LongPmtSpansPacketsAndStaysWithinOneSection) {
  TPsiSynthesizer synth;
  std::vector<TSynthStream> streams;
  for (std::uint16_t pid = 0x100; pid < 0x100 + 80; ++pid)
    streams.push_back({pid, 0x06, TPacketBytes(20, 0x42)});
  const TPacketBytes packets = synth.Packets(0x100, streams);
  const auto sections = Sections(packets);
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_GT(packets.size() / 188, 3u);
  // As many whole streams as fit, none cut.
  EXPECT_EQ((sections[1].Bytes.size() - 16) % 25, 0u);
}

// ffprobe and dvbinfo read a stream made of the clips' elementary-stream packets behind the
// synthesised tables only (the clips' own tables are left out).
TEST(PsiSynthesizer, PeersFollowTheTablesToEachCodec) {
  if (!test::HaveFfprobe())
    GTEST_SKIP() << "ffprobe is not installed";
  const auto hd = test::DemoClip("s1_12188h"), sd = test::DemoClip("s1_10788v");
  if (!std::filesystem::exists(hd) || !std::filesystem::exists(sd))
    GTEST_SKIP() << "the demo sky's clips are not built (no GStreamer)";
  const test::TBytes hdClip = test::ReadFile(hd), sdClip = test::ReadFile(sd);
  struct TSource {
    const test::TBytes &Clip;
    std::uint16_t Pid;
    TMajorType Kind;
    const char *Codec;
  };
  const TSource sources[] = {
      {hdClip, 0x101, TMajorType::Video, "mpeg2video"}, {hdClip, 0x201, TMajorType::Video, "hevc"},
      {hdClip, 0x202, TMajorType::Audio, "eac3"},       {hdClip, 0x302, TMajorType::Audio, "aac"},
      {sdClip, 0x204, TMajorType::Audio, "ac3"},        {sdClip, 0x102, TMajorType::Audio, "mp2"}};
  std::vector<TSynthStream> streams;
  for (const TSource &s : sources) {
    const auto type = test::WatchClip(s.Clip, s.Pid, s.Kind);
    ASSERT_TRUE(type) << s.Codec;
    // The SD clip's audio goes onto PIDs of their own beside the HD clip's.
    streams.push_back(SynthStreamFor(&s.Clip == &sdClip ? s.Pid + 0x1000 : s.Pid, *type));
  }
  TPsiSynthesizer synth;
  TPacketBytes ts;
  for (std::size_t at = 0; at + 188 <= hdClip.size(); at += 188) {
    if (at % (188 * 40) == 0)
      ts += synth.Packets(0x101, streams);
    for (const test::TBytes *clip : {&hdClip, &sdClip}) {
      if (at + 188 > clip->size())
        continue;
      const std::uint8_t *p = clip->data() + at;
      const auto pid = static_cast<std::uint16_t>((p[1] & 0x1F) << 8 | p[2]);
      for (const TSource &s : sources) {
        if (&s.Clip == clip && s.Pid == pid) {
          TPacketBytes packet(p, 188);
          if (clip == &sdClip)
            packet[1] = static_cast<std::uint8_t>(packet[1] | 0x10); // PID + 0x1000
          ts += packet;
        }
      }
    }
  }
  const std::string path = ::testing::TempDir() + "synth_psi_" + std::to_string(::getpid()) + ".ts";
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(ts.data()), static_cast<std::streamsize>(ts.size()));
  }
  const std::string probe = test::Capture(
      "ffprobe -v error -show_entries stream=id,codec_name -of compact=p=0 '" + path + "'");
  for (std::size_t i = 0; i < std::size(sources); ++i) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "codec_name=%s|id=0x%x", sources[i].Codec,
                  streams[i].Pid);
    EXPECT_NE(probe.find(expected), std::string::npos) << expected << "\n" << probe;
  }
  if (std::system("command -v dvbinfo >/dev/null 2>&1") == 0) {
    const std::string info = test::Capture("dvbinfo -f '" + path + "' 2>/dev/null");
    char pmt[64];
    std::snprintf(pmt, sizeof pmt, "pid: %#x", synth.PmtPid());
    EXPECT_NE(info.find(pmt), std::string::npos) << info;
  }
  std::filesystem::remove(path);
}

} // namespace
} // namespace qev::video
