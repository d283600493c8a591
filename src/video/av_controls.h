#pragma once

#include "video/graph_backend.h"

#include <cstdint>

namespace qev::video {

// Picture values travel as bytes 0..255 over the element's range.
std::uint8_t PictureByte(double value, const TControlRange &range);
double PictureValue(std::uint8_t byte, const TControlRange &range);

// Volume 0..100 follows the renderer's loudness curve: the renderer volume in millibels
// (-10000..0) is Trunc(ln(x + 1) * 2167) - 10000, and the volume element's factor is
// 10^(millibels / 2000). VolumeFromFactor inverts it, rounding, so every step comes back.
int VolumeMillibels(int volume);
double VolumeFactor(int volume);
int VolumeFromFactor(double factor);

// Balance -50..50 maps linearly onto the panorama -1..1.
double PanoramaFromBalance(int balance);
int BalanceFromPanorama(double panorama);

} // namespace qev::video
