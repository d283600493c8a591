#include "video/es_detect.h"

#include "si/crc32_mpeg.h"
#include "devkit/ts_packet.h"

#include <algorithm>

namespace qev::video {

namespace {

using TBytes = std::basic_string<std::uint8_t>;

constexpr std::uint16_t kProgramNumber = 1;
constexpr std::uint16_t kTransportStreamId = 1;
// A section's length field counts at most 1021 bytes behind it.
constexpr std::size_t kMaxSectionLength = 1021;

TBytes Descriptor(std::uint8_t tag) { return TBytes{tag, 1, 0x00}; } // no optional fields

void Put16(TBytes &out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}

// A long-form section: header up to last_section_number, the body, and the CRC.
TBytes Section(std::uint8_t tableId, std::uint16_t idExtension, std::uint8_t version,
               const TBytes &body) {
  TBytes section{tableId, 0, 0};
  Put16(section, idExtension);
  section.push_back(static_cast<std::uint8_t>(0xC1 | (version & 0x1F) << 1));
  section.push_back(0); // section_number
  section.push_back(0); // last_section_number
  section += body;
  const std::size_t length = section.size() - 3 + 4;
  section[1] = static_cast<std::uint8_t>(0xB0 | length >> 8);
  section[2] = static_cast<std::uint8_t>(length);
  const std::uint32_t crc = si::Crc32Mpeg(section);
  for (int shift = 24; shift >= 0; shift -= 8)
    section.push_back(static_cast<std::uint8_t>(crc >> shift));
  return section;
}

TBytes PmtBody(std::uint16_t pcrPid, const std::vector<TSynthStream> &streams) {
  TBytes body;
  Put16(body, static_cast<std::uint16_t>(0xE000 | (pcrPid & 0x1FFF)));
  Put16(body, 0xF000); // no programme descriptors
  for (const TSynthStream &stream : streams) {
    const std::size_t descriptors = std::min<std::size_t>(stream.Descriptors.size(), 0x3FF);
    // The section length counts 5 header bytes and the CRC beside the body.
    if (5 + body.size() + 5 + descriptors + 4 > kMaxSectionLength)
      break; // more streams than one section holds: the rest stay out
    body.push_back(stream.StreamType);
    Put16(body, static_cast<std::uint16_t>(0xE000 | (stream.Pid & 0x1FFF)));
    Put16(body, static_cast<std::uint16_t>(0xF000 | descriptors));
    body += stream.Descriptors.substr(0, descriptors);
  }
  return body;
}

} // namespace

TSynthStream SynthStreamFor(std::uint16_t pid, const TMediaType &type) {
  TSynthStream stream{pid, 0, {}};
  const std::string &s = type.Subtype;
  if (s == "mpeg2")
    stream.StreamType = 0x02;
  else if (s == "h264")
    stream.StreamType = 0x1B;
  else if (s == "hevc")
    stream.StreamType = 0x24;
  else if (s == "mpa") // the half and quarter rates are MPEG-2's extension of MPEG audio
    stream.StreamType = type.SamplesPerSec != 0 && type.SamplesPerSec < 32000 ? 0x04 : 0x03;
  else if (s == "aac")
    stream.StreamType = 0x0F;
  else if (s == "aac-latm")
    stream.StreamType = 0x11;
  else if (s == "ac3" || s == "eac3") {
    stream.StreamType = 0x06;
    stream.Descriptors = Descriptor(s == "ac3" ? 0x6A : 0x7A);
  }
  return stream;
}

void TPsiSynthesizer::ChoosePmtPid(std::uint16_t pcrPid, const std::vector<TSynthStream> &streams) {
  auto used = [&](std::uint16_t pid) {
    return pid == pcrPid || std::any_of(streams.begin(), streams.end(),
                                        [pid](const auto &s) { return (s.Pid & 0x1FFF) == pid; });
  };
  if (!used(pmtPid_))
    return;
  for (std::uint16_t pid = 0x1FF0; pid >= 0x0020; --pid) {
    if (!used(pid)) {
      pmtPid_ = pid;
      return;
    }
  }
}

void TPsiSynthesizer::Packetise(std::uint16_t pid, const TBytes &section, std::uint8_t &continuity,
                                TBytes &out) {
  TBytes payload{0x00}; // pointer_field: the section starts right behind it
  payload += section;
  for (std::size_t offset = 0; offset < payload.size(); offset += devkit::kPayloadSize) {
    const std::uint8_t unitStart = offset == 0 ? 0x40 : 0x00;
    out += TBytes{devkit::kSyncByte, static_cast<std::uint8_t>(unitStart | pid >> 8),
                  static_cast<std::uint8_t>(pid), static_cast<std::uint8_t>(0x10 | continuity)};
    continuity = (continuity + 1) & 0x0F;
    const std::size_t n = std::min(devkit::kPayloadSize, payload.size() - offset);
    out += payload.substr(offset, n);
    out.append(devkit::kPayloadSize - n, 0xFF);
  }
}

TBytes TPsiSynthesizer::Packets(std::uint16_t pcrPid, const std::vector<TSynthStream> &streams) {
  const std::uint16_t oldPmtPid = pmtPid_;
  ChoosePmtPid(pcrPid, streams);
  const TBytes body = PmtBody(pcrPid, streams);
  if (started_ && oldPmtPid != pmtPid_)
    patVersion_ = (patVersion_ + 1) & 0x1F;
  if (started_ && body != pmt_)
    pmtVersion_ = (pmtVersion_ + 1) & 0x1F;
  started_ = true;
  pmt_ = body;

  TBytes patBody;
  Put16(patBody, kProgramNumber);
  Put16(patBody, static_cast<std::uint16_t>(0xE000 | pmtPid_));
  TBytes out;
  Packetise(0x0000, Section(0x00, kTransportStreamId, patVersion_, patBody), patContinuity_, out);
  Packetise(pmtPid_, Section(0x02, kProgramNumber, pmtVersion_, body), pmtContinuity_, out);
  return out;
}

} // namespace qev::video
