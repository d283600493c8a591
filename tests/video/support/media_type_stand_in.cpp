// Stands in for the media-type comparison while the library has none of its own; the build
// leaves it out as soon as src/video/media_type.cpp exists. It knows only the bits the graph
// tests use.
#include "video/media_type.h"

namespace qev::video {

std::uint32_t MediaTypeDifference(const TMediaType *before, const TMediaType *now) {
  if (before == nullptr || now == nullptr || !before->HasFormat || !now->HasFormat)
    return kDiffAll;
  std::uint32_t bits = 0;
  if (before->Major != now->Major || before->Subtype != now->Subtype)
    bits |= kDiffType;
  if (before->Width != now->Width || before->Height != now->Height)
    bits |= kDiffVideoSize;
  if (before->AspectX != now->AspectX || before->AspectY != now->AspectY)
    bits |= kDiffVideoAspect;
  if (before->BitRate != now->BitRate)
    bits |= kDiffVideoBitRate;
  if (before->Channels != now->Channels)
    bits |= kDiffAudioChannels;
  return bits;
}

} // namespace qev::video
