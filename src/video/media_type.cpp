#include "video/media_type.h"

namespace qev::video {

namespace {

bool Comparable(const TMediaType &type) {
  return type.HasFormat && (type.FormatType == TFormatType::Mpeg2Video ||
                            type.FormatType == TFormatType::WaveFormatEx);
}

std::uint32_t VideoDifference(const TMediaType &a, const TMediaType &b) {
  std::uint32_t bits = 0;
  if (a.Width != b.Width || a.Height != b.Height)
    bits |= kDiffVideoSize;
  if (a.AspectX != b.AspectX || a.AspectY != b.AspectY)
    bits |= kDiffVideoAspect;
  if (a.BitRate != b.BitRate)
    bits |= kDiffVideoBitRate;
  return bits;
}

std::uint32_t AudioDifference(const TMediaType &a, const TMediaType &b) {
  std::uint32_t bits = 0;
  if (a.FormatTag != b.FormatTag)
    bits |= kDiffAudioTag;
  if (a.Channels != b.Channels)
    bits |= kDiffAudioChannels;
  if (a.AvgBytesPerSec != b.AvgBytesPerSec)
    bits |= kDiffAudioBytesPerSec;
  if (a.SamplesPerSec != b.SamplesPerSec)
    bits |= kDiffAudioRate;
  return bits;
}

} // namespace

std::uint32_t MediaTypeDifference(const TMediaType *before, const TMediaType *now) {
  if (before == nullptr || now == nullptr || !Comparable(*before) || !Comparable(*now))
    return kDiffAll;
  std::uint32_t bits = 0;
  if (before->Major != now->Major || before->Subtype != now->Subtype ||
      before->FormatType != now->FormatType)
    bits |= kDiffType;
  if (before->FormatType != now->FormatType)
    return bits; // the format blocks have nothing in common to compare
  if (now->FormatType == TFormatType::Mpeg2Video)
    return bits | VideoDifference(*before, *now);
  return bits | AudioDifference(*before, *now);
}

} // namespace qev::video
