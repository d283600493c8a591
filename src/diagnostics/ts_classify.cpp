#include "diagnostics/ts_classify.h"

#include <fmt/format.h>

namespace qev::diagnostics {

namespace {

constexpr std::size_t kHeaderSize = 4;
constexpr int kMaxAdaptationSkip = 180;
constexpr std::uint8_t kTeletextHeaderLength = 0x24;

std::uint32_t StartCode(const std::uint8_t *payload) {
  return std::uint32_t{payload[0]} << 24 | std::uint32_t{payload[1]} << 16 |
         std::uint32_t{payload[2]} << 8 | payload[3];
}

// An AC-3 sync word anywhere in the payload (never in the header or the adaptation field).
bool HasAc3Sync(const std::uint8_t *packet, std::size_t payloadStart) {
  for (std::size_t i = payloadStart; i + 1 < kTsPacketSize; ++i)
    if (packet[i] == 0x0B && packet[i + 1] == 0x77)
      return true;
  return false;
}

std::int16_t ClassifyPrivate1(const std::uint8_t *packet, int skip) {
  const std::size_t payloadStart = kHeaderSize + static_cast<std::size_t>(skip);
  if (skip < 174 && packet[payloadStart + 8] == kTeletextHeaderLength)
    return kTypeTeletext;
  return HasAc3Sync(packet, payloadStart) ? kTypeAc3 : kTypePrivate1;
}

} // namespace

std::int16_t Classify(const std::uint8_t *packet) {
  if (!HasPayload(packet))
    return kTypeUnknown;
  const int skip = HasAdaptation(packet) ? packet[4] + 1 : 0;
  if (skip > kMaxAdaptationSkip)
    return kTypeUnknown;
  const std::uint8_t *payload = packet + kHeaderSize + skip;
  const std::uint32_t code = StartCode(payload);
  if ((code & ~0xFu) == 0x1C0 || (code & ~0xFu) == 0x1D0)
    return kTypeAudio;
  if ((code & ~0xFu) == 0x1E0)
    return kTypeVideo;
  if (code == 0x1BD)
    return ClassifyPrivate1(packet, skip);
  if (code == 0x1BF)
    return kTypePrivate2;
  if (payload[0] == 0 && payload[1] == 0 && payload[2] == 1)
    return static_cast<std::int16_t>(kTypeOtherPesBase + payload[3]);
  if (payload[0] == 0)
    return static_cast<std::int16_t>(kTypeTableBase + payload[1]);
  return kTypeUnknown;
}

const char *TableName(std::uint8_t id) {
  switch (id) {
  case 0x00:
    return "PAT";
  case 0x01:
    return "CAT";
  case 0x02:
    return "PMT";
  case 0x40:
  case 0x41:
    return "NIT";
  case 0x42:
  case 0x46:
    return "SDT";
  case 0x4A:
    return "BAT";
  case 0x70:
    return "TDT";
  case 0x71:
    return "RST";
  case 0x72:
    return "ST";
  case 0x73:
    return "TOT";
  case 0x7E:
    return "DIT";
  case 0x7F:
    return "SIT";
  case 0x80:
  case 0x81:
  case 0x83:
  case 0x84:
    return "ECM";
  case 0x82:
    return "EMM";
  default:
    break;
  }
  return id >= 0x4E && id <= 0x6F ? "EIT" : "Reserved";
}

std::string DataTypeText(std::int16_t type) {
  switch (type) {
  case kTypeScrambled:
    return "Scrambled";
  case kTypeVideo:
    return "PES VID";
  case kTypeAudio:
    return "PES AUD";
  case kTypePrivate1:
    return "PES PS1";
  case kTypePrivate2:
    return "PES PS2";
  case kTypeTeletext:
    return "PES TTX";
  case kTypeAc3:
    return "PES AC3";
  default:
    break;
  }
  if (type >= kTypeOtherPesBase && type <= kTypeOtherPesBase + 0xFF)
    return fmt::format("PES 0x{:02X}", type - kTypeOtherPesBase);
  if (type >= kTypeTableBase && type <= kTypeTableBase + 0xFF)
    return std::string("SI ") + TableName(static_cast<std::uint8_t>(type - kTypeTableBase));
  return "Unknow";
}

} // namespace qev::diagnostics
