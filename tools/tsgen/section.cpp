#include "section.h"

#include <stdexcept>

#include "si/crc32_mpeg.h"

namespace qev::tsgen {
namespace {

void AppendCrc(Bytes &section) {
  const std::uint32_t crc = si::Crc32Mpeg(section);
  for (int shift = 24; shift >= 0; shift -= 8) {
    section.push_back(static_cast<std::uint8_t>(crc >> shift));
  }
}

} // namespace

Bytes LongSection(const SectionId &id, std::span<const std::uint8_t> body, bool dvbSi) {
  const std::size_t length = 5 + body.size() + 4;
  if (length > 4093) {
    throw std::length_error("section too long");
  }
  ByteWriter out;
  out.Put8(id.tableId);
  out.Put16((dvbSi ? 0xF000 : 0xB000) | length);
  out.Put16(id.extension);
  out.Put8(0xC0 | (id.version & 0x1F) << 1 | 1); // current_next_indicator 1
  out.Put8(id.number);
  out.Put8(id.lastNumber);
  out.PutBytes(body);
  Bytes section = out.Take();
  AppendCrc(section);
  return section;
}

Bytes ShortSection(std::uint8_t tableId, std::span<const std::uint8_t> body, bool withCrc) {
  const std::size_t length = body.size() + (withCrc ? 4 : 0);
  if (length > 4093) {
    throw std::length_error("section too long");
  }
  ByteWriter out;
  out.Put8(tableId);
  out.Put16(0x7000 | length);
  out.PutBytes(body);
  Bytes section = out.Take();
  if (withCrc) {
    AppendCrc(section);
  }
  return section;
}

std::vector<Bytes> NumberSections(SectionId id, const std::vector<Bytes> &bodies, bool dvbSi) {
  std::vector<Bytes> sections;
  id.lastNumber = static_cast<std::uint8_t>(bodies.size() - 1);
  for (std::size_t i = 0; i < bodies.size(); ++i) {
    id.number = static_cast<std::uint8_t>(i);
    sections.push_back(LongSection(id, bodies[i], dvbSi));
  }
  return sections;
}

std::vector<Bytes> GroupEntries(const std::vector<Bytes> &entries, std::size_t room) {
  std::vector<Bytes> groups(1);
  for (const Bytes &entry : entries) {
    if (entry.size() > room) {
      throw std::length_error("a table entry does not fit one section");
    }
    if (groups.back().size() + entry.size() > room) {
      groups.emplace_back();
    }
    groups.back().insert(groups.back().end(), entry.begin(), entry.end());
  }
  return groups;
}

void BreakCrc(Bytes &section) {
  if (!section.empty()) {
    section.back() ^= 0xFF;
  }
}

void BreakLength(Bytes &section, int delta) {
  if (section.size() < 3) {
    return;
  }
  const int declared = (section[1] & 0x0F) << 8 | section[2];
  const int wrong = (declared + delta) & 0x0FFF;
  section[1] = static_cast<std::uint8_t>((section[1] & 0xF0) | wrong >> 8);
  section[2] = static_cast<std::uint8_t>(wrong);
}

} // namespace qev::tsgen
