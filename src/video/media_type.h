#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qev::video {

enum class TMajorType : std::uint8_t { None, Video, Audio };
// Video streams carry the MPEG-2 video format block, audio streams the wave format block.
enum class TFormatType : std::uint8_t { None, Mpeg2Video, WaveFormatEx };

// What the source learnt of a stream from its elementary-stream headers: the media-type block
// that the reconnect logic compares and notification 12 hands on (as a copy).
struct TMediaType {
  TMajorType Major = TMajorType::None;
  std::string Subtype; // "mpeg2", "h264", "hevc", "mpa", "ac3", "eac3", "aac", "aac-latm"
  TFormatType FormatType = TFormatType::None;
  bool HasFormat = false;
  // MPEG-2 video format: picture size, display aspect ratio (4:3 -> 4, 3), bits per second.
  std::uint32_t Width = 0, Height = 0, AspectX = 0, AspectY = 0, BitRate = 0;
  // Wave format.
  std::uint16_t FormatTag = 0, Channels = 0;
  std::uint32_t AvgBytesPerSec = 0, SamplesPerSec = 0;

  bool operator==(const TMediaType &) const = default;
};

// Difference bits of two media types (0 = same).
inline constexpr std::uint32_t kDiffAll = 0xFFFF;
inline constexpr std::uint32_t kDiffType = 0x100;
inline constexpr std::uint32_t kDiffVideoSize = 0x001;
inline constexpr std::uint32_t kDiffVideoAspect = 0x002;
inline constexpr std::uint32_t kDiffVideoBitRate = 0x004;
inline constexpr std::uint32_t kDiffAudioTag = 0x010;
inline constexpr std::uint32_t kDiffAudioChannels = 0x020;
inline constexpr std::uint32_t kDiffAudioBytesPerSec = 0x040;
inline constexpr std::uint32_t kDiffAudioRate = 0x080;

std::uint32_t MediaTypeDifference(const TMediaType *before, const TMediaType *now);

} // namespace qev::video
