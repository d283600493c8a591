// The media type of a video stream from its sequence header (MPEG-2) or sequence parameter set
// (H.264, HEVC). Every read goes through TBitReader, which stops at the end of the bytes.
#include "video/bit_reader.h"
#include "video/es_detect.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace qev::video {

namespace {

constexpr std::uint32_t kMaxDimension = 16384;

struct TRatio {
  std::uint32_t X = 1, Y = 1;
};

// The display aspect ratio of a picture of width x height with samples of sar.X : sar.Y, reduced,
// and snapped to 4:3 or 16:9 when within 1 % of either (cropping and rounded SARs leave such
// near misses).
TRatio DisplayAspect(std::uint32_t width, std::uint32_t height, TRatio sar) {
  std::uint64_t x = std::uint64_t{width} * sar.X, y = std::uint64_t{height} * sar.Y;
  if (x == 0 || y == 0)
    return {0, 0};
  const double ratio = static_cast<double>(x) / static_cast<double>(y);
  for (TRatio snap : {TRatio{4, 3}, TRatio{16, 9}}) {
    const double target = static_cast<double>(snap.X) / snap.Y;
    if (ratio > target * 0.99 && ratio < target * 1.01)
      return snap;
  }
  const std::uint64_t divisor = std::gcd(x, y); // sizes and SARs keep both below 2^32
  x /= divisor;
  y /= divisor;
  return {static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)};
}

TMediaType VideoType(std::string subtype, std::uint32_t width, std::uint32_t height, TRatio aspect,
                     std::uint32_t bitRate) {
  TMediaType type;
  type.Major = TMajorType::Video;
  type.Subtype = std::move(subtype);
  type.FormatType = TFormatType::Mpeg2Video;
  type.HasFormat = true;
  type.Width = width;
  type.Height = height;
  type.AspectX = aspect.X;
  type.AspectY = aspect.Y;
  type.BitRate = bitRate;
  return type;
}

bool PlausibleSize(std::uint64_t width, std::uint64_t height) {
  return width > 0 && height > 0 && width <= kMaxDimension && height <= kMaxDimension;
}

// Offsets of the bytes behind each 00 00 01 start code.
template <typename Visit> bool ForEachStartCode(std::span<const std::uint8_t> es, Visit visit) {
  for (std::size_t i = 0; i + 3 < es.size(); ++i) {
    if (es[i] == 0 && es[i + 1] == 0 && es[i + 2] == 1 && visit(i + 3))
      return true;
  }
  return false;
}

// ---- MPEG-2 ---------------------------------------------------------------------------------

struct TSequenceExtension {
  std::uint32_t WidthHigh = 0, HeightHigh = 0, BitRateHigh = 0;
};

std::optional<TSequenceExtension> FindSequenceExtension(std::span<const std::uint8_t> es) {
  std::optional<TSequenceExtension> found;
  ForEachStartCode(es, [&](std::size_t at) {
    if (es[at] == 0xB3 || es[at] == 0x00)
      return true; // the next sequence or the first picture: no extension for this header
    if (es[at] != 0xB5)
      return false;
    TBitReader bits(es.subspan(at + 1));
    if (bits.Bits(4) != 1) // sequence extension
      return false;
    bits.Skip(8 + 1 + 2); // profile and level, progressive, chroma format
    TSequenceExtension ext;
    ext.WidthHigh = bits.Bits(2);
    ext.HeightHigh = bits.Bits(2);
    ext.BitRateHigh = bits.Bits(12);
    if (!bits.Failed())
      found = ext;
    return true;
  });
  return found;
}

std::optional<TMediaType> ParseMpeg2Sequence(std::span<const std::uint8_t> header) {
  TBitReader bits(header);
  std::uint32_t width = bits.Bits(12), height = bits.Bits(12);
  const std::uint32_t aspectCode = bits.Bits(4);
  bits.Skip(4); // frame rate code
  std::uint64_t bitRate = bits.Bits(18);
  if (bits.Failed() || aspectCode == 0 || aspectCode > 4)
    return std::nullopt;
  if (auto ext = FindSequenceExtension(header)) {
    width |= ext->WidthHigh << 12;
    height |= ext->HeightHigh << 12;
    bitRate |= std::uint64_t{ext->BitRateHigh} << 18;
  }
  if (!PlausibleSize(width, height))
    return std::nullopt;
  // aspect_ratio_information gives the display aspect; 1 means square samples.
  TRatio aspect;
  switch (aspectCode) {
  case 1:
    aspect = DisplayAspect(width, height, {1, 1});
    break;
  case 2:
    aspect = {4, 3};
    break;
  case 3:
    aspect = {16, 9};
    break;
  default:
    aspect = {221, 100};
    break;
  }
  bitRate *= 400;
  return VideoType("mpeg2", width, height, aspect,
                   static_cast<std::uint32_t>(std::min<std::uint64_t>(bitRate, 0xFFFFFFFFu)));
}

// ---- H.264 and HEVC common parts ------------------------------------------------------------

constexpr std::array<TRatio, 17> kSampleAspects = {{{0, 0},
                                                    {1, 1},
                                                    {12, 11},
                                                    {10, 11},
                                                    {16, 11},
                                                    {40, 33},
                                                    {24, 11},
                                                    {20, 11},
                                                    {32, 11},
                                                    {80, 33},
                                                    {18, 11},
                                                    {15, 11},
                                                    {64, 33},
                                                    {160, 99},
                                                    {4, 3},
                                                    {3, 2},
                                                    {2, 1}}};

// aspect_ratio_info of a VUI, read from its first bit; square samples when absent or unknown.
TRatio ReadSampleAspect(TBitReader &bits) {
  if (!bits.Flag())
    return {1, 1};
  const std::uint32_t idc = bits.Bits(8);
  if (idc == 255) {
    TRatio sar{bits.Bits(16), bits.Bits(16)};
    return sar.X && sar.Y ? sar : TRatio{1, 1};
  }
  return idc > 0 && idc < kSampleAspects.size() ? kSampleAspects[idc] : TRatio{1, 1};
}

// Chroma subsampling of chroma_format_idc 0..3: the units of cropping windows.
TRatio ChromaUnits(std::uint32_t chromaFormat) {
  switch (chromaFormat) {
  case 1:
    return {2, 2};
  case 2:
    return {2, 1};
  default:
    return {1, 1};
  }
}

struct TCrop {
  std::uint32_t Left = 0, Right = 0, Top = 0, Bottom = 0;
};

TCrop ReadCrop(TBitReader &bits) { return {bits.Ue(), bits.Ue(), bits.Ue(), bits.Ue()}; }

std::optional<TMediaType> CroppedType(std::string subtype, std::uint64_t width,
                                      std::uint64_t height, TCrop crop, TRatio unit, TRatio sar) {
  const std::uint64_t cropX = (std::uint64_t{crop.Left} + crop.Right) * unit.X;
  const std::uint64_t cropY = (std::uint64_t{crop.Top} + crop.Bottom) * unit.Y;
  if (cropX >= width || cropY >= height)
    return std::nullopt;
  width -= cropX;
  height -= cropY;
  if (!PlausibleSize(width, height))
    return std::nullopt;
  const auto w = static_cast<std::uint32_t>(width), h = static_cast<std::uint32_t>(height);
  return VideoType(std::move(subtype), w, h, DisplayAspect(w, h, sar), 0);
}

// ---- H.264 ----------------------------------------------------------------------------------

bool HighProfile(std::uint32_t profile) {
  constexpr std::array<std::uint32_t, 13> kHigh = {100, 110, 122, 244, 44,  83, 86,
                                                   118, 128, 138, 139, 134, 135};
  return std::find(kHigh.begin(), kHigh.end(), profile) != kHigh.end();
}

void SkipH264ScalingList(TBitReader &bits, unsigned size) {
  std::int64_t last = 8, next = 8;
  for (unsigned j = 0; j < size && !bits.Failed(); ++j) {
    if (next != 0)
      next = ((last + bits.Se()) % 256 + 256) % 256;
    last = next == 0 ? last : next;
  }
}

std::optional<TMediaType> ParseH264Sps(std::span<const std::uint8_t> rbsp) {
  TBitReader bits(rbsp);
  const std::uint32_t profile = bits.Bits(8);
  // An MPEG-2 slice start code looks like an SPS's NAL header: only real profiles pass.
  if (profile != 66 && profile != 77 && profile != 88 && !HighProfile(profile))
    return std::nullopt;
  bits.Skip(16); // constraint flags, level
  if (bits.Ue() > 31)
    return std::nullopt;
  std::uint32_t chromaFormat = 1;
  bool separatePlanes = false;
  if (HighProfile(profile)) {
    chromaFormat = bits.Ue();
    if (chromaFormat > 3)
      return std::nullopt;
    if (chromaFormat == 3)
      separatePlanes = bits.Flag();
    if (bits.Ue() > 6 || bits.Ue() > 6) // bit depths of luma and chroma, minus 8
      return std::nullopt;
    bits.Skip(1); // qpprime_y_zero_transform_bypass
    if (bits.Flag()) {
      for (unsigned i = 0; i < (chromaFormat != 3 ? 8u : 12u); ++i)
        if (bits.Flag())
          SkipH264ScalingList(bits, i < 6 ? 16 : 64);
    }
  }
  if (bits.Ue() > 12) // log2_max_frame_num - 4
    return std::nullopt;
  const std::uint32_t pocType = bits.Ue();
  if (pocType == 0) {
    bits.Ue();
  } else if (pocType == 1) {
    bits.Skip(1);
    bits.Se();
    bits.Se();
    const std::uint32_t cycle = bits.Ue();
    if (cycle > 255)
      return std::nullopt;
    for (std::uint32_t i = 0; i < cycle && !bits.Failed(); ++i)
      bits.Se();
  } else if (pocType != 2) {
    return std::nullopt;
  }
  bits.Ue();    // max_num_ref_frames
  bits.Skip(1); // gaps_in_frame_num_value_allowed
  const std::uint64_t widthMbs = std::uint64_t{bits.Ue()} + 1;
  const std::uint64_t heightMapUnits = std::uint64_t{bits.Ue()} + 1;
  const bool frameMbsOnly = bits.Flag();
  if (!frameMbsOnly)
    bits.Skip(1); // mb_adaptive_frame_field
  bits.Skip(1);   // direct_8x8_inference
  TCrop crop;
  if (bits.Flag())
    crop = ReadCrop(bits);
  TRatio sar{1, 1};
  if (bits.Flag())
    sar = ReadSampleAspect(bits);
  if (bits.Failed())
    return std::nullopt;
  const std::uint32_t fieldFactor = frameMbsOnly ? 1 : 2;
  TRatio unit = separatePlanes ? TRatio{1, 1} : ChromaUnits(chromaFormat);
  unit.Y *= fieldFactor;
  return CroppedType("h264", widthMbs * 16, heightMapUnits * 16 * fieldFactor, crop, unit, sar);
}

// ---- HEVC -----------------------------------------------------------------------------------

void SkipProfileTierLevel(TBitReader &bits, std::uint32_t maxSubLayersMinus1) {
  bits.Skip(88 + 8); // general profile space .. flags, general level
  std::array<bool, 8> profilePresent{}, levelPresent{};
  for (std::uint32_t i = 0; i < maxSubLayersMinus1; ++i) {
    profilePresent[i] = bits.Flag();
    levelPresent[i] = bits.Flag();
  }
  if (maxSubLayersMinus1 > 0)
    bits.Skip(2 * (8 - maxSubLayersMinus1));
  for (std::uint32_t i = 0; i < maxSubLayersMinus1; ++i) {
    if (profilePresent[i])
      bits.Skip(88);
    if (levelPresent[i])
      bits.Skip(8);
  }
}

void SkipHevcScalingLists(TBitReader &bits) {
  for (unsigned sizeId = 0; sizeId < 4; ++sizeId) {
    for (unsigned matrixId = 0; matrixId < 6; matrixId += sizeId == 3 ? 3 : 1) {
      if (!bits.Flag()) {
        bits.Ue(); // scaling_list_pred_matrix_id_delta
        continue;
      }
      const unsigned coefficients = std::min(64u, 1u << (4 + (sizeId << 1)));
      if (sizeId > 1)
        bits.Se();
      for (unsigned i = 0; i < coefficients && !bits.Failed(); ++i)
        bits.Se();
    }
  }
}

// Reads the short-term reference picture sets; false on values out of range.
bool SkipShortTermRefSets(TBitReader &bits, std::uint32_t count) {
  std::array<std::uint32_t, 64> deltaPocs{};
  for (std::uint32_t idx = 0; idx < count && !bits.Failed(); ++idx) {
    if (idx != 0 && bits.Flag()) { // predicted from the previous set
      bits.Skip(1);                // delta_rps_sign
      bits.Ue();                   // abs_delta_rps_minus1
      std::uint32_t used = 0;
      for (std::uint32_t j = 0; j <= deltaPocs[idx - 1] && !bits.Failed(); ++j)
        if (bits.Flag() || bits.Flag())
          ++used;
      deltaPocs[idx] = used;
    } else {
      const std::uint32_t negative = bits.Ue(), positive = bits.Ue();
      if (negative > 16 || positive > 16)
        return false;
      for (std::uint32_t j = 0; j < negative + positive && !bits.Failed(); ++j) {
        bits.Ue();
        bits.Skip(1);
      }
      deltaPocs[idx] = negative + positive;
    }
    if (deltaPocs[idx] > 32)
      return false;
  }
  return true;
}

std::optional<TMediaType> ParseHevcSps(std::span<const std::uint8_t> rbsp) {
  TBitReader bits(rbsp);
  bits.Skip(4); // sps_video_parameter_set_id
  const std::uint32_t maxSubLayersMinus1 = bits.Bits(3);
  bits.Skip(1);
  if (maxSubLayersMinus1 > 6)
    return std::nullopt;
  SkipProfileTierLevel(bits, maxSubLayersMinus1);
  if (bits.Ue() > 15) // sps_seq_parameter_set_id
    return std::nullopt;
  const std::uint32_t chromaFormat = bits.Ue();
  if (chromaFormat > 3)
    return std::nullopt;
  const bool separatePlanes = chromaFormat == 3 && bits.Flag();
  const std::uint64_t width = bits.Ue(), height = bits.Ue();
  TCrop crop;
  if (bits.Flag())
    crop = ReadCrop(bits);
  if (bits.Ue() > 8 || bits.Ue() > 8) // bit depths minus 8
    return std::nullopt;
  const std::uint32_t pocLsbBits = bits.Ue() + 4;
  if (pocLsbBits > 16)
    return std::nullopt;
  const bool orderingForAll = bits.Flag();
  for (std::uint32_t i = orderingForAll ? 0 : maxSubLayersMinus1; i <= maxSubLayersMinus1; ++i) {
    bits.Ue();
    bits.Ue();
    bits.Ue();
  }
  const std::uint32_t minCbLog2 = bits.Ue() + 3;
  if (minCbLog2 > 6)
    return std::nullopt;
  bits.Ue(); // log2_diff_max_min_luma_coding_block_size
  bits.Ue(); // log2_min_luma_transform_block_size_minus2
  bits.Ue(); // log2_diff_max_min_luma_transform_block_size
  bits.Ue(); // max_transform_hierarchy_depth_inter
  bits.Ue(); // max_transform_hierarchy_depth_intra
  if (bits.Flag() && bits.Flag())
    SkipHevcScalingLists(bits);
  bits.Skip(2);      // amp, sample adaptive offset
  if (bits.Flag()) { // pcm
    bits.Skip(8);
    bits.Ue();
    bits.Ue();
    bits.Skip(1);
  }
  const std::uint32_t refSets = bits.Ue();
  if (refSets > 64 || !SkipShortTermRefSets(bits, refSets))
    return std::nullopt;
  if (bits.Flag()) { // long-term reference pictures
    const std::uint32_t longTerm = bits.Ue();
    if (longTerm > 32)
      return std::nullopt;
    for (std::uint32_t i = 0; i < longTerm && !bits.Failed(); ++i)
      bits.Skip(pocLsbBits + 1);
  }
  bits.Skip(2); // temporal mvp, strong intra smoothing
  TRatio sar{1, 1};
  if (bits.Flag())
    sar = ReadSampleAspect(bits);
  const std::uint64_t minCb = std::uint64_t{1} << minCbLog2;
  if (bits.Failed() || width % minCb != 0 || height % minCb != 0)
    return std::nullopt;
  const TRatio unit = separatePlanes ? TRatio{1, 1} : ChromaUnits(chromaFormat);
  return CroppedType("hevc", width, height, crop, unit, sar);
}

// The RBSP of the NAL unit whose header starts at `at`, behind a header of `headerBytes`.
std::vector<std::uint8_t> NalPayload(std::span<const std::uint8_t> es, std::size_t at,
                                     std::size_t headerBytes) {
  if (at + headerBytes >= es.size())
    return {};
  return UnescapeNal(es.subspan(at + headerBytes));
}

std::optional<TMediaType> DetectAt(std::span<const std::uint8_t> es, std::size_t at) {
  const std::uint8_t code = es[at];
  if (code == 0xB3)
    return ParseMpeg2Sequence(es.subspan(at + 1));
  if ((code & 0x80) != 0)
    return std::nullopt; // forbidden_zero_bit of both NAL headers
  // An SPS always has a nal_ref_idc; MPEG-2 slice 7 has none.
  if ((code & 0x1F) == 7 && (code & 0x60) != 0)
    return ParseH264Sps(NalPayload(es, at, 1));
  // HEVC: type 33 in layer 0 with temporal id 0 (nuh_temporal_id_plus1 == 1).
  if (((code >> 1) & 0x3F) == 33 && (code & 1) == 0 && at + 1 < es.size() && es[at + 1] == 0x01)
    return ParseHevcSps(NalPayload(es, at, 2));
  return std::nullopt;
}

} // namespace

std::optional<TMediaType> DetectVideoType(std::span<const std::uint8_t> es) {
  std::optional<TMediaType> found;
  // A picture, group or extension start code is MPEG-2 video (no H.264 or HEVC NAL header is
  // 0x00, 0xB5 or 0xB8): from there on only a sequence header tells the type, or its slice
  // start codes 0x01..0xAF would pass for parameter sets.
  bool mpeg2 = false;
  ForEachStartCode(es, [&](std::size_t at) {
    const std::uint8_t code = es[at];
    mpeg2 = mpeg2 || code == 0x00 || code == 0xB5 || code == 0xB8;
    if (mpeg2 && code != 0xB3)
      return false;
    found = DetectAt(es, at);
    return found.has_value();
  });
  return found;
}

} // namespace qev::video
