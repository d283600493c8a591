#include "video/media_type.h"

#include <gtest/gtest.h>

namespace qev::video {
namespace {

TMediaType Video() {
  TMediaType t;
  t.Major = TMajorType::Video;
  t.Subtype = "mpeg2";
  t.FormatType = TFormatType::Mpeg2Video;
  t.HasFormat = true;
  t.Width = 720;
  t.Height = 576;
  t.AspectX = 4;
  t.AspectY = 3;
  t.BitRate = 6000000;
  return t;
}

TMediaType Audio() {
  TMediaType t;
  t.Major = TMajorType::Audio;
  t.Subtype = "mpa";
  t.FormatType = TFormatType::WaveFormatEx;
  t.HasFormat = true;
  t.FormatTag = 0x50;
  t.Channels = 2;
  t.AvgBytesPerSec = 24000;
  t.SamplesPerSec = 48000;
  return t;
}

TEST(MediaTypeDifference, MissingTypesOrFormatsDifferInEverything) {
  const TMediaType video = Video();
  EXPECT_EQ(MediaTypeDifference(nullptr, &video), kDiffAll);
  EXPECT_EQ(MediaTypeDifference(&video, nullptr), kDiffAll);
  TMediaType noFormat = video;
  noFormat.HasFormat = false;
  EXPECT_EQ(MediaTypeDifference(&video, &noFormat), kDiffAll);
  EXPECT_EQ(MediaTypeDifference(&noFormat, &noFormat), kDiffAll);
  TMediaType otherFormat = video;
  otherFormat.FormatType = TFormatType::None;
  EXPECT_EQ(MediaTypeDifference(&otherFormat, &video), kDiffAll);
  EXPECT_EQ(MediaTypeDifference(&video, &video), 0u);
}

TEST(MediaTypeDifference, VideoFieldsEachHaveTheirBit) {
  const TMediaType before = Video();
  TMediaType now = before;
  now.Height = 480;
  EXPECT_EQ(MediaTypeDifference(&before, &now), kDiffVideoSize);
  now = before;
  now.AspectX = 16;
  now.AspectY = 9;
  EXPECT_EQ(MediaTypeDifference(&before, &now), kDiffVideoAspect);
  now.BitRate = 1;
  EXPECT_EQ(MediaTypeDifference(&before, &now), kDiffVideoAspect | kDiffVideoBitRate);
  now = before;
  now.Subtype = "h264";
  now.Width = 1280;
  EXPECT_EQ(MediaTypeDifference(&before, &now), kDiffType | kDiffVideoSize);
  // Audio fields of a video type are not part of its format.
  now = before;
  now.Channels = 6;
  EXPECT_EQ(MediaTypeDifference(&before, &now), 0u);
}

TEST(MediaTypeDifference, AudioFieldsEachHaveTheirBit) {
  const TMediaType before = Audio();
  TMediaType now = before;
  now.FormatTag = 0x55;
  now.Channels = 1;
  EXPECT_EQ(MediaTypeDifference(&before, &now), kDiffAudioTag | kDiffAudioChannels);
  now = before;
  now.AvgBytesPerSec = 16000;
  now.SamplesPerSec = 44100;
  EXPECT_EQ(MediaTypeDifference(&before, &now), kDiffAudioBytesPerSec | kDiffAudioRate);
  now = before;
  now.Subtype = "ac3";
  EXPECT_EQ(MediaTypeDifference(&before, &now), kDiffType);
  // A video type after an audio type: only the type bit, the formats are not comparable.
  const TMediaType video = Video();
  EXPECT_EQ(MediaTypeDifference(&before, &video), kDiffType);
}

TEST(MediaTypeDifference, DefaultVideoMaskReconnectsOnAspectButNotOnBitRate) {
  constexpr std::uint32_t kVideoMask = 0x102;
  const TMediaType before = Video();
  TMediaType aspect = before;
  aspect.AspectX = 16;
  aspect.AspectY = 9;
  EXPECT_NE(MediaTypeDifference(&before, &aspect) & kVideoMask, 0u);
  TMediaType rate = before;
  rate.BitRate = 8000000;
  EXPECT_EQ(MediaTypeDifference(&before, &rate), kDiffVideoBitRate);
  EXPECT_EQ(MediaTypeDifference(&before, &rate) & kVideoMask, 0u);
}

} // namespace
} // namespace qev::video
