// The media type of an audio stream from its frame headers. A header is only taken when the
// frame behind it is followed by another header of the same kind, or ends with the bytes at
// hand, so that a sync word inside sound data is not mistaken for a frame.
#include "video/bit_reader.h"
#include "video/es_detect.h"

#include <array>

namespace qev::video {

namespace {

constexpr std::uint16_t kTagMpeg = 0x50, kTagMp3 = 0x55, kTagAac = 0xFF, kTagAc3 = 0x2000;

// One frame header: what it says of the stream and how long its frame is (0 when unknown).
struct TFrame {
  TMediaType Type;
  std::size_t Length = 0;
};

TMediaType AudioType(std::string subtype, std::uint16_t tag, std::uint32_t rate,
                     std::uint16_t channels, std::uint32_t bytesPerSec) {
  TMediaType type;
  type.Major = TMajorType::Audio;
  type.Subtype = std::move(subtype);
  type.FormatType = TFormatType::WaveFormatEx;
  type.HasFormat = true;
  type.FormatTag = tag;
  type.SamplesPerSec = rate;
  type.Channels = channels;
  type.AvgBytesPerSec = bytesPerSec;
  return type;
}

// ---- MPEG audio -----------------------------------------------------------------------------

std::optional<TFrame> MpegAudioFrame(std::span<const std::uint8_t> at) {
  TBitReader bits(at);
  if (bits.Bits(11) != 0x7FF)
    return std::nullopt;
  const std::uint32_t version = bits.Bits(2); // 0 MPEG-2.5, 2 MPEG-2, 3 MPEG-1
  const std::uint32_t layerBits = bits.Bits(2);
  bits.Skip(1);
  const std::uint32_t rateIndex = bits.Bits(4), rateCode = bits.Bits(2);
  const std::uint32_t padding = bits.Bits(1);
  bits.Skip(1);
  const std::uint32_t mode = bits.Bits(2);
  if (bits.Failed() || version == 1 || layerBits == 0 || rateIndex == 0 || rateIndex == 15 ||
      rateCode == 3)
    return std::nullopt;
  const unsigned layer = 4 - layerBits;
  const bool lsf = version != 3;
  static constexpr std::array<std::array<std::uint16_t, 15>, 3> kMpeg1 = {{
      {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
      {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
      {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
  }};
  static constexpr std::array<std::array<std::uint16_t, 15>, 2> kMpeg2 = {{
      {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
      {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
  }};
  static constexpr std::array<std::uint32_t, 3> kRates = {44100, 48000, 32000};
  const std::uint32_t kbps =
      lsf ? kMpeg2[layer == 1 ? 0 : 1][rateIndex] : kMpeg1[layer - 1][rateIndex];
  std::uint32_t rate = kRates[rateCode];
  if (version == 2)
    rate /= 2;
  else if (version == 0)
    rate /= 4;
  const std::uint32_t bitRate = kbps * 1000;
  std::size_t length = 0;
  if (layer == 1)
    length = (12 * bitRate / rate + padding) * 4;
  else
    length = (layer == 3 && lsf ? 72 : 144) * bitRate / rate + padding;
  return TFrame{AudioType("mpa", layer == 3 ? kTagMp3 : kTagMpeg, rate,
                          static_cast<std::uint16_t>(mode == 3 ? 1 : 2), bitRate / 8),
                length};
}

// ---- AC-3 and E-AC-3 ------------------------------------------------------------------------

constexpr std::array<std::uint16_t, 8> kAcmodChannels = {2, 1, 2, 3, 3, 4, 4, 5};

std::optional<TFrame> Ac3Frame(std::span<const std::uint8_t> at) {
  TBitReader bits(at);
  if (bits.Bits(16) != 0x0B77)
    return std::nullopt;
  bits.Skip(16); // crc1
  const std::uint32_t fscod = bits.Bits(2), frmsizecod = bits.Bits(6);
  const std::uint32_t bsid = bits.Bits(5);
  bits.Skip(3); // bsmod
  const std::uint32_t acmod = bits.Bits(3);
  if ((acmod & 1) && acmod != 1)
    bits.Skip(2); // cmixlev
  if (acmod & 4)
    bits.Skip(2); // surmixlev
  if (acmod == 2)
    bits.Skip(2); // dsurmod
  const std::uint32_t lfe = bits.Bits(1);
  if (bits.Failed() || fscod == 3 || frmsizecod >= 38 || bsid > 10)
    return std::nullopt;
  static constexpr std::array<std::uint16_t, 19> kKbps = {
      32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 448, 512, 576, 640};
  static constexpr std::array<std::uint32_t, 3> kRates = {48000, 44100, 32000};
  const std::uint32_t kbps = kKbps[frmsizecod / 2];
  std::size_t words = 0;
  switch (fscod) {
  case 0:
    words = 2 * kbps;
    break;
  case 1:
    words = kbps * 96000 / 44100 + (frmsizecod & 1);
    break;
  default:
    words = 3 * kbps;
    break;
  }
  // bsid 9 and 10 are the half- and quarter-rate variants.
  const unsigned shift = bsid > 8 ? bsid - 8 : 0;
  return TFrame{AudioType("ac3", kTagAc3, kRates[fscod] >> shift,
                          static_cast<std::uint16_t>(kAcmodChannels[acmod] + lfe),
                          (kbps * 1000 >> shift) / 8),
                words * 2};
}

std::optional<TFrame> Eac3Frame(std::span<const std::uint8_t> at) {
  TBitReader bits(at);
  if (bits.Bits(16) != 0x0B77)
    return std::nullopt;
  bits.Skip(2 + 3); // strmtyp, substreamid
  const std::size_t length = (std::size_t{bits.Bits(11)} + 1) * 2;
  const std::uint32_t fscod = bits.Bits(2);
  std::uint32_t rate = 0, blocks = 6;
  if (fscod == 3) {
    static constexpr std::array<std::uint32_t, 4> kHalfRates = {24000, 22050, 16000, 0};
    rate = kHalfRates[bits.Bits(2)];
  } else {
    static constexpr std::array<std::uint32_t, 3> kRates = {48000, 44100, 32000};
    static constexpr std::array<std::uint32_t, 4> kBlocks = {1, 2, 3, 6};
    rate = kRates[fscod];
    blocks = kBlocks[bits.Bits(2)];
  }
  const std::uint32_t acmod = bits.Bits(3), lfe = bits.Bits(1), bsid = bits.Bits(5);
  if (bits.Failed() || rate == 0 || bsid < 11 || bsid > 16)
    return std::nullopt;
  const auto bytesPerSec =
      static_cast<std::uint32_t>(std::uint64_t{length} * rate / (256 * blocks));
  return TFrame{AudioType("eac3", kTagAc3, rate,
                          static_cast<std::uint16_t>(kAcmodChannels[acmod] + lfe), bytesPerSec),
                length};
}

// ---- AAC: ADTS and LATM ---------------------------------------------------------------------

constexpr std::array<std::uint32_t, 13> kAacRates = {
    96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000, 7350};

std::uint16_t AacChannels(std::uint32_t configuration) {
  return static_cast<std::uint16_t>(configuration == 7 ? 8 : configuration);
}

// AAC's frames vary in length, so its byte rate is left unknown (0) rather than taken from one
// frame, which would make every frame look like a change of the stream.
std::optional<TFrame> AdtsFrame(std::span<const std::uint8_t> at) {
  TBitReader bits(at);
  if (bits.Bits(12) != 0xFFF)
    return std::nullopt;
  bits.Skip(1); // MPEG-2 or MPEG-4
  const std::uint32_t layer = bits.Bits(2);
  bits.Skip(1 + 2); // protection absent, profile
  const std::uint32_t rateIndex = bits.Bits(4);
  bits.Skip(1);
  const std::uint32_t channels = bits.Bits(3);
  bits.Skip(4);
  const std::size_t length = bits.Bits(13);
  if (bits.Failed() || layer != 0 || rateIndex >= kAacRates.size() || length < 7)
    return std::nullopt;
  return TFrame{AudioType("aac", kTagAac, kAacRates[rateIndex], AacChannels(channels), 0), length};
}

std::uint32_t LatmValue(TBitReader &bits) {
  const std::uint32_t bytes = bits.Bits(2) + 1;
  return bits.Bits(8 * bytes);
}

// AudioSpecificConfig: object type, sampling rate and channel configuration.
std::optional<TMediaType> ReadAudioSpecificConfig(TBitReader &bits) {
  if (bits.Bits(5) == 31)
    bits.Skip(6);
  const std::uint32_t rateIndex = bits.Bits(4);
  std::uint32_t rate = 0;
  if (rateIndex == 15)
    rate = bits.Bits(24);
  else if (rateIndex < kAacRates.size())
    rate = kAacRates[rateIndex];
  const std::uint32_t channels = bits.Bits(4);
  if (bits.Failed() || rate == 0 || channels > 7)
    return std::nullopt;
  return AudioType("aac-latm", kTagAac, rate, AacChannels(channels), 0);
}

// A LOAS frame whose AudioMuxElement carries its StreamMuxConfig (a frame that refers to an
// earlier configuration tells nothing on its own).
std::optional<TFrame> LatmFrame(std::span<const std::uint8_t> at) {
  TBitReader bits(at);
  if (bits.Bits(11) != 0x2B7)
    return std::nullopt;
  const std::size_t length = bits.Bits(13) + 3;
  if (bits.Flag()) // useSameStreamMux
    return std::nullopt;
  const bool version = bits.Flag();
  if (version && bits.Flag()) // audioMuxVersionA
    return std::nullopt;
  if (version)
    LatmValue(bits);                          // taraBufferFullness
  bits.Skip(1 + 6);                           // allStreamsSameTimeFraming, numSubFrames
  if (bits.Bits(4) != 0 || bits.Bits(3) != 0) // one programme, one layer
    return std::nullopt;
  if (version)
    LatmValue(bits); // ascLen
  auto type = ReadAudioSpecificConfig(bits);
  if (!type)
    return std::nullopt;
  return TFrame{*type, length};
}

// Sync words of the same kind behind each other, where the bytes reach that far.
using TFrameReader = std::optional<TFrame> (*)(std::span<const std::uint8_t>);

bool FollowedBySame(std::span<const std::uint8_t> es, std::size_t offset, const TFrame &frame,
                    TFrameReader read) {
  // A frame that runs past the bytes at hand has nothing to confirm it: it is believed only
  // where a PES packet's payload starts, not somewhere inside other data (a false sync word).
  if (frame.Length == 0 || offset + frame.Length + 2 > es.size())
    return offset == 0;
  const auto rest = es.subspan(offset + frame.Length);
  // A LATM frame after the first usually reuses its stream mux configuration: its sync word
  // is all it has to show.
  if (read == LatmFrame)
    return TBitReader(rest).Bits(11) == 0x2B7;
  const auto next = read(rest);
  return next && next->Type.Subtype == frame.Type.Subtype;
}

} // namespace

std::optional<TMediaType> DetectAudioType(std::span<const std::uint8_t> es) {
  static constexpr std::array<TFrameReader, 5> kReaders = {MpegAudioFrame, AdtsFrame, Ac3Frame,
                                                           Eac3Frame, LatmFrame};
  for (std::size_t offset = 0; offset + 1 < es.size(); ++offset) {
    for (TFrameReader read : kReaders) {
      const auto frame = read(es.subspan(offset));
      if (frame && FollowedBySame(es, offset, *frame, read))
        return frame->Type;
    }
  }
  return std::nullopt;
}

} // namespace qev::video
