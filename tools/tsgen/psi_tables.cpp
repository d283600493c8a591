#include "psi_tables.h"

#include <stdexcept>

#include "descriptors.h"

namespace qev::tsgen {
namespace {

constexpr std::uint16_t kNitPid = 0x0010;

void PutStreamDescriptors(ByteWriter &out, const Stream &stream) {
  if (!stream.language.empty()) {
    descriptor::Language(out, stream.language);
  }
  if (stream.kind == StreamKind::Ac3Audio) {
    descriptor::Ac3(out);
  }
  if (stream.kind == StreamKind::Eac3Audio) {
    descriptor::EnhancedAc3(out);
  }
  if (stream.kind == StreamKind::AacAudio) {
    descriptor::Aac(out);
  }
  if (stream.kind == StreamKind::Teletext) {
    descriptor::Teletext(out, stream.teletext);
  }
}

} // namespace

std::uint8_t StreamTypeOf(StreamKind kind) {
  switch (kind) {
  case StreamKind::Mpeg2Video:
    return 0x02;
  case StreamKind::H264Video:
    return 0x1B;
  case StreamKind::HevcVideo:
    return 0x24;
  case StreamKind::DataSections:
    return 0x05;
  case StreamKind::MpegAudio:
    return 0x03;
  case StreamKind::AacAudio:
    return 0x0F;
  case StreamKind::Ac3Audio:
  case StreamKind::Eac3Audio:
  case StreamKind::Teletext:
    return 0x06; // PES private data, told apart by its descriptor
  }
  return 0x06;
}

std::vector<Bytes> BuildPat(const Transponder &tp) {
  std::vector<Bytes> entries;
  ByteWriter nit;
  nit.Put16(0);
  nit.Put16(0xE000 | kNitPid);
  entries.push_back(nit.Take());
  for (const Service &service : tp.services) {
    ByteWriter entry;
    entry.Put16(service.serviceId);
    entry.Put16(0xE000 | service.pmtPid);
    entries.push_back(entry.Take());
  }
  return NumberSections({.tableId = 0x00, .extension = tp.transportStreamId},
                        GroupEntries(entries, kMaxPsiBody), false);
}

Bytes BuildPmt(const Service &service) {
  ByteWriter body;
  body.Put16(0xE000 | service.pcrPid);
  const auto programInfo = body.BeginLength(12, 0xF);
  for (const CaSystem &ca : service.ca) {
    descriptor::Ca(body, ca);
  }
  body.EndLength(programInfo);
  for (const Stream &stream : service.streams) {
    body.Put8(StreamTypeOf(stream.kind));
    body.Put16(0xE000 | stream.pid);
    const auto esInfo = body.BeginLength(12, 0xF);
    PutStreamDescriptors(body, stream);
    body.EndLength(esInfo);
  }
  if (body.Size() > kMaxPsiBody) {
    throw std::length_error("the PMT of a service does not fit one section");
  }
  return LongSection({.tableId = 0x02, .extension = service.serviceId}, body.Data(), false);
}

Bytes BuildCat(const std::vector<EmmEntry> &emms) {
  ByteWriter body;
  for (const EmmEntry &emm : emms) {
    descriptor::CaEmm(body, emm);
  }
  if (body.Size() > kMaxPsiBody) {
    throw std::length_error("the CAT does not fit one section");
  }
  return LongSection({.tableId = 0x01, .extension = 0xFFFF}, body.Data(), false);
}

std::vector<Bytes> BuildDataSections(const Stream &stream) {
  std::vector<Bytes> bodies;
  for (const std::string &text : stream.sections) {
    if (text.size() > kMaxPsiBody) {
      throw std::length_error("a data section's text does not fit one section");
    }
    bodies.emplace_back(text.begin(), text.end());
  }
  if (bodies.empty()) {
    return {};
  }
  return NumberSections({.tableId = stream.tableId, .extension = stream.pid}, bodies, false);
}

} // namespace qev::tsgen
