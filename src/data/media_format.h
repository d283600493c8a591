#pragma once

#include <cstdint>
#include <string>

namespace qev::data {

// What the source feed learnt about a decoded stream, reduced to the fields its summary needs.
struct TMediaFormat {
  enum class Type { None, Mpeg2Video, Wave };
  Type FormatType = Type::None;
  // MPEG-2 video
  int Width = 0, Height = 0, AspectX = 0, AspectY = 0;
  std::uint32_t BitRate = 0; // bits per second
  // wave format
  std::uint16_t FormatTag = 0;
  int Channels = 0;
  std::uint32_t SampleRate = 0; // Hz
  std::uint32_t AvgBytesPerSec = 0;
};

inline constexpr std::uint16_t kWaveMpa = 0x50, kWaveMp3 = 0x55, kWaveAc3 = 0x2000;

// "VID 720x576,16:9,6000Kbps" or "MPA 2Ch,48.0KHz,192Kbps"; empty for anything else.
std::string MediaFormatText(const TMediaFormat &format);

} // namespace qev::data
