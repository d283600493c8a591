#include "data/media_format.h"

#include <fmt/format.h>

namespace qev::data {

namespace {
const char *CodecName(std::uint16_t tag) {
  switch (tag) {
  case kWaveMpa:
    return "MPA";
  case kWaveMp3:
    return "MP3";
  case kWaveAc3:
    return "AC3";
  default:
    return "";
  }
}
} // namespace

std::string MediaFormatText(const TMediaFormat &f) {
  switch (f.FormatType) {
  case TMediaFormat::Type::Mpeg2Video:
    return fmt::format("VID {}x{},{}:{},{}Kbps", f.Width, f.Height, f.AspectX, f.AspectY,
                       f.BitRate / 1000);
  case TMediaFormat::Type::Wave:
    return fmt::format("{} {}Ch,{:.1f}KHz,{}Kbps", CodecName(f.FormatTag), f.Channels,
                       f.SampleRate / 1000.0, std::uint64_t{f.AvgBytesPerSec} * 8 / 1000);
  default:
    return {};
  }
}

} // namespace qev::data
