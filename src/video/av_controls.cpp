#include "video/av_controls.h"

#include <algorithm>
#include <cmath>

namespace qev::video {

namespace {
// Values set from a byte come back as that byte even when the element keeps them with
// float precision.
constexpr double kByteSlack = 1e-3;
constexpr double kCurve = 2167.0;
constexpr int kSilentMillibels = -10000;
} // namespace

std::uint8_t PictureByte(double value, const TControlRange &range) {
  const double span = range.Max - range.Min;
  if (span == 0 || !std::isfinite(value))
    return 0;
  const double scaled = std::trunc((value - range.Min) * 255.0 / span + kByteSlack);
  return static_cast<std::uint8_t>(std::clamp(scaled, 0.0, 255.0));
}

double PictureValue(std::uint8_t byte, const TControlRange &range) {
  return range.Min + byte * (range.Max - range.Min) / 255.0;
}

int VolumeMillibels(int volume) {
  const int x = std::clamp(volume, 0, 100);
  return static_cast<int>(std::trunc(std::log(x + 1.0) * kCurve)) + kSilentMillibels;
}

double VolumeFactor(int volume) { return std::pow(10.0, VolumeMillibels(volume) / 2000.0); }

int VolumeFromFactor(double factor) {
  if (!(factor > 0))
    return 0;
  const double millibels = 2000.0 * std::log10(factor);
  const double volume = std::round(std::exp((millibels - kSilentMillibels) / kCurve)) - 1;
  return static_cast<int>(std::clamp(volume, 0.0, 100.0));
}

double PanoramaFromBalance(int balance) { return std::clamp(balance, -50, 50) / 50.0; }

int BalanceFromPanorama(double panorama) {
  if (!std::isfinite(panorama))
    return 0;
  return static_cast<int>(std::round(std::clamp(panorama, -1.0, 1.0) * 50.0));
}

} // namespace qev::video
