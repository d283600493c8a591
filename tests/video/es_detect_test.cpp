// Detection of media types from hand-made headers whose every field is known, and robustness
// against whatever bytes a broken or hostile stream holds.
#include "video/es_fixtures.h"

#include "support/random_bytes.h"

#include <gtest/gtest.h>

namespace qev::video {
namespace {

using test::Concat;
using test::TBitWriter;
using test::TBytes;

const TBytes kStartCode = {0, 0, 1};

// A 2.21:1 MPEG-2 sequence whose size and bit rate need the sequence extension's high bits.
TBytes Mpeg2Sequence(unsigned aspectCode) {
  TBitWriter w;
  w.Bits(0x000001B3, 32).Bits(0x100, 12).Bits(1080, 12).Bits(aspectCode, 4).Bits(3, 4);
  w.Bits(0x3FFFF, 18).Bits(1, 1).Bits(112, 10).Bits(0, 3);
  w.Bits(0x000001B5, 32).Bits(1, 4).Bits(0x44, 8).Bits(1, 1).Bits(1, 2); // id, level, 4:2:0
  w.Bits(1, 2).Bits(0, 2).Bits(1, 12).Bits(1, 1).Bits(0, 8).Bits(0, 1).Bits(0, 7);
  return Concat(w.Bytes(), {0, 0, 1, 0x00, 0, 0x0F}); // a picture follows
}

// An H.264 High-profile SPS: 1440x1088 coded, cropped to 1080, samples of 4:3 (idc 14).
TBytes H264Sps(bool progressive) {
  TBitWriter w;
  w.Bits(100, 8).Bits(0, 8).Bits(40, 8).Ue(0); // profile, constraints, level, id
  w.Ue(1).Ue(0).Ue(0).Bits(0, 1).Bits(1, 1);   // 4:2:0, 8 bit, scaling matrix
  w.Bits(1, 1);                                // the first list is sent ...
  for (int i = 0; i < 16; ++i)
    w.Ue(0);                            // ... with deltas of 0
  w.Bits(0, 7);                         // the other seven are not
  w.Ue(0).Ue(0).Ue(2).Ue(4).Bits(0, 1); // frame num, POC type 0, refs
  w.Ue(89).Ue(progressive ? 67 : 33).Bits(progressive, 1);
  if (!progressive)
    w.Bits(1, 1);          // MBAFF
  w.Bits(1, 1).Bits(1, 1); // direct 8x8, cropping
  w.Ue(0).Ue(0).Ue(0).Ue(progressive ? 4 : 2);
  w.Bits(1, 1).Bits(1, 1).Bits(14, 8); // VUI, SAR 4:3
  w.Bits(0, 8).Trailing();
  return Concat(Concat(kStartCode, {0x67}), test::Escape(w.Bytes()));
}

// An HEVC SPS with two temporal sub-layers, scaling lists, predicted reference picture sets and
// a conformance window: 1920x1088 coded, 1920x1080 shown.
TBytes HevcSps() {
  TBitWriter w;
  w.Bits(0, 4).Bits(1, 3).Bits(1, 1); // VPS id, 2 sub-layers, nesting
  w.Bits(1, 8).Bits(0x60000000, 32).Bits(0x900000000000, 48).Bits(120, 8);
  w.Bits(1, 1).Bits(1, 1).Bits(0, 14); // sub-layer profile and level sent
  w.Bits(0, 56).Bits(0x2, 32).Bits(90, 8);
  w.Ue(0).Ue(1).Ue(1920).Ue(1088).Bits(1, 1).Ue(0).Ue(0).Ue(0).Ue(4);
  w.Ue(0).Ue(0).Ue(4).Bits(1, 1); // 8 bit, POC bits, ordering for all
  for (int i = 0; i < 2; ++i)
    w.Ue(4).Ue(0).Ue(0);
  w.Ue(0).Ue(3).Ue(0).Ue(3).Ue(0).Ue(0); // block sizes, depths
  w.Bits(1, 1).Bits(1, 1);               // scaling lists sent
  w.Bits(1, 1);                          // the first explicitly ...
  for (int i = 0; i < 16; ++i)
    w.Ue(0);
  for (int list = 1; list < 20; ++list)
    w.Bits(0, 1).Ue(0);                                  // ... the rest predicted
  w.Bits(1, 1).Bits(1, 1).Bits(0, 1);                    // AMP, SAO, no PCM
  w.Ue(2).Ue(2).Ue(0).Ue(0).Bits(1, 1).Ue(1).Bits(1, 1); // set 0: two negative pictures
  w.Bits(1, 1).Bits(0, 1).Ue(0);                         // set 1 predicted from set 0
  w.Bits(1, 1).Bits(1, 1).Bits(0, 1).Bits(1, 1);
  w.Bits(0, 1).Bits(1, 1).Bits(1, 1); // no long-term, TMVP, smoothing
  w.Bits(1, 1).Bits(1, 1).Bits(1, 8); // VUI, square samples
  w.Bits(0, 8).Trailing();
  return Concat(Concat(kStartCode, {0x42, 0x01}), test::Escape(w.Bytes()));
}

TBytes Frames(const TBytes &header, std::size_t length, int count) {
  TBytes frame = header;
  frame.resize(length, 0x55);
  TBytes out;
  for (int i = 0; i < count; ++i)
    out = Concat(out, frame);
  return out;
}

TEST(DetectVideoType, Mpeg2SequenceWithExtension) {
  auto type = DetectVideoType(Concat({0x12, 0x34}, Mpeg2Sequence(4)));
  ASSERT_TRUE(type);
  EXPECT_EQ(type->Subtype, "mpeg2");
  EXPECT_EQ(type->Major, TMajorType::Video);
  EXPECT_EQ(type->FormatType, TFormatType::Mpeg2Video);
  EXPECT_TRUE(type->HasFormat);
  EXPECT_EQ(type->Width, 0x1100u);
  EXPECT_EQ(type->Height, 1080u);
  EXPECT_EQ(type->AspectX, 221u);
  EXPECT_EQ(type->AspectY, 100u);
  EXPECT_EQ(type->BitRate, ((1u << 19) - 1) * 400);
  // Square samples: the display aspect is the picture's own, reduced.
  type = DetectVideoType(Mpeg2Sequence(1));
  ASSERT_TRUE(type);
  EXPECT_EQ(type->AspectX, 0x1100u / 8);
  EXPECT_EQ(type->AspectY, 1080u / 8);
  EXPECT_FALSE(DetectVideoType(Mpeg2Sequence(0))); // forbidden aspect code
}

TEST(DetectVideoType, H264SpsCroppedWithSampleAspect) {
  for (bool progressive : {true, false}) {
    const auto type = DetectVideoType(Concat({0, 0, 0, 1, 0x09, 0xF0}, H264Sps(progressive)));
    ASSERT_TRUE(type) << progressive;
    EXPECT_EQ(type->Subtype, "h264");
    EXPECT_EQ(type->Width, 1440u);
    EXPECT_EQ(type->Height, 1080u);
    EXPECT_EQ(type->AspectX, 16u); // 1440 x 4 : 1080 x 3
    EXPECT_EQ(type->AspectY, 9u);
  }
  // The same SPS cut short is no SPS.
  const TBytes sps = H264Sps(true);
  EXPECT_FALSE(DetectVideoType(std::span(sps).first(12)));
}

TEST(DetectVideoType, HevcSpsBehindProfileTierLevelAndReferenceSets) {
  const auto type = DetectVideoType(HevcSps());
  ASSERT_TRUE(type);
  EXPECT_EQ(type->Subtype, "hevc");
  EXPECT_EQ(type->Width, 1920u);
  EXPECT_EQ(type->Height, 1080u);
  EXPECT_EQ(type->AspectX, 16u);
  EXPECT_EQ(type->AspectY, 9u);
}

// A P or B picture of MPEG-2 video: its slice start codes 0x01..0xAF are no NAL headers, even
// where one would read as a sequence parameter set (type 7).
TEST(DetectVideoType, Mpeg2PictureWithoutSequenceHeaderIsNoH264) {
  TBytes picture = {0, 0, 1, 0x00, 0x01, 0x5A, 0xFF, 0xF8};
  for (std::uint8_t slice = 1; slice <= 0x26; ++slice)
    picture = Concat(picture, TBytes{0, 0, 1, slice, 0x13, 0xF8, 0x7D, 0x29, 0x48, 0x8B, 0x94});
  // Slice row 0x27 of a tall picture (nal_ref_idc 1, type 7) whose bits happen to make a
  // whole parameter set.
  TBytes slice = H264Sps(true);
  slice[3] = 0x27;
  picture = Concat(picture, slice);
  EXPECT_FALSE(DetectVideoType(picture));
  // The next sequence header in the same bytes still tells the type.
  const auto type = DetectVideoType(Concat(picture, Mpeg2Sequence(2)));
  ASSERT_TRUE(type);
  EXPECT_EQ(type->Subtype, "mpeg2");
}

TEST(DetectVideoType, NothingInBytesWithoutHeaders) {
  EXPECT_FALSE(DetectVideoType({}));
  EXPECT_FALSE(DetectVideoType(TBytes{0, 0, 1}));
  EXPECT_FALSE(DetectVideoType(TBytes(4000, 0)));
  EXPECT_FALSE(DetectVideoType(TBytes{0, 0, 1, 0xB3, 0x2D, 0x02}));
}

TEST(DetectAudioType, MpegAudioLayersAndRates) {
  // MPEG-1 layer III, 128 kbit/s, 44.1 kHz, joint stereo: 417-byte frames.
  auto type = DetectAudioType(Frames({0xFF, 0xFB, 0x90, 0x64}, 417, 3));
  ASSERT_TRUE(type);
  EXPECT_EQ(type->Subtype, "mpa");
  EXPECT_EQ(type->FormatType, TFormatType::WaveFormatEx);
  EXPECT_EQ(type->FormatTag, 0x55);
  EXPECT_EQ(type->Channels, 2);
  EXPECT_EQ(type->SamplesPerSec, 44100u);
  EXPECT_EQ(type->AvgBytesPerSec, 16000u);
  EXPECT_EQ(SynthStreamFor(0x100, *type).StreamType, 0x03);
  // MPEG-2 layer II at half rate, mono: 64 kbit/s, 24 kHz.
  type = DetectAudioType(Frames({0xFF, 0xF5, 0x84, 0xC0}, 384, 2));
  ASSERT_TRUE(type);
  EXPECT_EQ(type->FormatTag, 0x50);
  EXPECT_EQ(type->Channels, 1);
  EXPECT_EQ(type->SamplesPerSec, 24000u);
  EXPECT_EQ(type->AvgBytesPerSec, 8000u);
  EXPECT_EQ(SynthStreamFor(0x100, *type).StreamType, 0x04);
  // A sync word whose frame is not followed by another is no frame.
  TBytes lone = Frames({0xFF, 0xFB, 0x90, 0x64}, 417, 1);
  lone.resize(900, 0x55);
  EXPECT_FALSE(DetectAudioType(lone));
}

TEST(DetectAudioType, Ac3AndEnhancedAc3) {
  TBitWriter ac3;
  ac3.Bits(0x0B77, 16).Bits(0, 16).Bits(0, 2).Bits(30, 6).Bits(8, 5).Bits(0, 3);
  ac3.Bits(7, 3).Bits(0, 2).Bits(0, 2).Bits(1, 1); // 3/2 with LFE
  auto type = DetectAudioType(Frames(ac3.Bytes(), 448 * 4, 2));
  ASSERT_TRUE(type);
  EXPECT_EQ(type->Subtype, "ac3");
  EXPECT_EQ(type->FormatTag, 0x2000);
  EXPECT_EQ(type->Channels, 6);
  EXPECT_EQ(type->SamplesPerSec, 48000u);
  EXPECT_EQ(type->AvgBytesPerSec, 56000u);
  EXPECT_EQ(SynthStreamFor(0x100, *type).Descriptors,
            (std::basic_string<std::uint8_t>{0x6A, 1, 0}));

  TBitWriter eac3;
  eac3.Bits(0x0B77, 16).Bits(0, 2).Bits(0, 3).Bits(383, 11).Bits(0, 2).Bits(3, 2);
  eac3.Bits(2, 3).Bits(0, 1).Bits(16, 5);
  type = DetectAudioType(Frames(eac3.Bytes(), 768, 2));
  ASSERT_TRUE(type);
  EXPECT_EQ(type->Subtype, "eac3");
  EXPECT_EQ(type->FormatTag, 0x2000);
  EXPECT_EQ(type->Channels, 2);
  EXPECT_EQ(type->AvgBytesPerSec, 24000u);
  const auto stream = SynthStreamFor(0x100, *type);
  EXPECT_EQ(stream.StreamType, 0x06);
  EXPECT_EQ(stream.Descriptors, (std::basic_string<std::uint8_t>{0x7A, 1, 0}));
}

TEST(DetectAudioType, AacInAdtsAndLatm) {
  TBitWriter adts;
  adts.Bits(0xFFF, 12).Bits(0, 1).Bits(0, 2).Bits(1, 1).Bits(1, 2).Bits(4, 4).Bits(0, 1);
  adts.Bits(6, 3).Bits(0, 4).Bits(300, 13).Bits(0x7FF, 11).Bits(0, 2);
  auto type = DetectAudioType(Frames(adts.Bytes(), 300, 2));
  ASSERT_TRUE(type);
  EXPECT_EQ(type->Subtype, "aac");
  EXPECT_EQ(type->FormatTag, 0xFF);
  EXPECT_EQ(type->Channels, 6);
  EXPECT_EQ(type->SamplesPerSec, 44100u);
  EXPECT_EQ(SynthStreamFor(0x100, *type).StreamType, 0x0F);

  TBitWriter latm;
  latm.Bits(0x2B7, 11).Bits(20, 13).Bits(0, 1).Bits(0, 1).Bits(1, 1).Bits(0, 6).Bits(0, 4);
  latm.Bits(0, 3).Bits(2, 5).Bits(3, 4).Bits(2, 4);
  type = DetectAudioType(Frames(latm.Bytes(), 23, 2));
  ASSERT_TRUE(type);
  EXPECT_EQ(type->Subtype, "aac-latm");
  EXPECT_EQ(type->FormatTag, 0xFF);
  EXPECT_EQ(type->Channels, 2);
  EXPECT_EQ(type->SamplesPerSec, 48000u);
  EXPECT_EQ(SynthStreamFor(0x100, *type).StreamType, 0x11);
  // A frame that only refers to an earlier configuration tells nothing.
  TBitWriter same;
  same.Bits(0x2B7, 11).Bits(20, 13).Bits(1, 1);
  EXPECT_FALSE(DetectAudioType(Frames(same.Bytes(), 23, 2)));
}

TEST(EsTypeWatcher, GathersPesPayloadAcrossPacketsAndReportsChangesOnce) {
  TEsTypeWatcher watcher(TMajorType::Video);
  // An access unit delimiter and filler in front push the SPS into the second packet; the PES
  // header itself is longer than a packet's payload.
  const TBytes es = Concat(Concat({0, 0, 0, 1, 0x09, 0xF0}, TBytes(250, 0xAA)), H264Sps(true));
  const auto packets = test::PesPackets(0x100, es, 0xE0, 200);
  ASSERT_GE(packets.size(), 3u);
  int reports = 0;
  for (int round = 0; round < 3; ++round)
    for (const TBytes &packet : packets)
      reports += watcher.Feed(packet.data());
  // The last PES packet is only complete when the next one starts.
  reports += watcher.Feed(test::PesPackets(0x100, {0, 0, 1, 0x41})[0].data());
  EXPECT_EQ(reports, 1);
  ASSERT_TRUE(watcher.Current());
  EXPECT_EQ(watcher.Current()->Width, 1440u);
  // Another stream on the same PID is reported.
  for (const TBytes &packet : test::PesPackets(0x100, Mpeg2Sequence(3)))
    watcher.Feed(packet.data());
  EXPECT_TRUE(watcher.Feed(test::PesPackets(0x100, {0, 0, 1, 0})[0].data()));
  EXPECT_EQ(watcher.Current()->Subtype, "mpeg2");
  watcher.Reset();
  EXPECT_FALSE(watcher.Current());
}

TEST(EsTypeWatcher, CountsScrambledPacketsAndLooksNoFurtherIntoThem) {
  TEsTypeWatcher watcher(TMajorType::Video);
  auto packets = test::PesPackets(0x100, Mpeg2Sequence(2));
  for (TBytes &packet : packets) {
    packet[3] |= 0x80; // scrambled with the even key
    EXPECT_FALSE(watcher.Feed(packet.data()));
  }
  EXPECT_EQ(watcher.ScrambledPackets(), packets.size());
  EXPECT_FALSE(watcher.Current());
  // A packet without payload, one with a broken sync byte: nothing.
  TBytes empty(188, 0xFF);
  empty[0] = 0x47, empty[1] = 0x41, empty[3] = 0x20, empty[4] = 183;
  EXPECT_FALSE(watcher.Feed(empty.data()));
  TBytes broken = test::PesPackets(0x100, Mpeg2Sequence(2))[0];
  broken[0] = 0x46;
  EXPECT_FALSE(watcher.Feed(broken.data()));
  EXPECT_FALSE(watcher.Current());
}

// Parsers meet random bytes, also behind each sync word or start code they look for, so that
// the random part reaches deep into their fields. The sanitizers catch any read out of bounds.
TEST(EsDetectRobustness, RandomBytesNeverCrash) {
  std::mt19937 rng(20261209);
  const std::vector<TBytes> prefixes = {
      {},           {0, 0, 1, 0xB3}, {0, 0, 1, 0x67}, {0, 0, 1, 0x27, 100}, {0, 0, 1, 0x42, 0x01},
      {0xFF, 0xFB}, {0x0B, 0x77},    {0xFF, 0xF1},    {0x56, 0xE0}};
  for (int i = 0; i < 3000; ++i) {
    const TBytes &prefix = prefixes[static_cast<std::size_t>(i) % prefixes.size()];
    const std::string noise = test::RandomBytes(rng, i % 2 ? 64 : 600);
    TBytes bytes = Concat(prefix, TBytes(noise.begin(), noise.end()));
    DetectVideoType(bytes);
    DetectAudioType(bytes);
    // The same on an exactly sized heap block, where one byte too far is caught.
    auto exact = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), exact.get());
    DetectVideoType(std::span(exact.get(), bytes.size()));
    DetectAudioType(std::span(exact.get(), bytes.size()));
  }
  TEsTypeWatcher video(TMajorType::Video), audio(TMajorType::Audio);
  for (int i = 0; i < 3000; ++i) {
    std::string noise = test::RandomBytes(rng, 188);
    noise.resize(188, '\0');
    TBytes packet(noise.begin(), noise.end());
    packet[0] = 0x47;
    if (i % 3 == 0) { // a PES start with a random header length
      packet[1] |= 0x40;
      packet[3] = 0x10;
      packet[4] = packet[5] = 0, packet[6] = 1;
    }
    video.Feed(packet.data());
    audio.Feed(packet.data());
  }
}

} // namespace
} // namespace qev::video
