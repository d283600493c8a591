// SDT sections for a scan (every service known) and for a rescan (the record of the first
// service): names stay within their fields, and the CA list stays the PMT parser's.

#include <cstring>

#include "si/fuzz/fuzz_chunks.h"
#include "si/psi_parsers.h"

namespace {

using qev::data::TChannelRec;

void RequireServiceFields(const TChannelRec &rec) {
  using qev::si::fuzz::Require;
  Require(std::memchr(rec.ChName, 0, sizeof rec.ChName) != nullptr &&
              std::memchr(rec.ChProv, 0, sizeof rec.ChProv) != nullptr,
          "terminated names");
  Require(rec.CaCount == 0 && rec.EsCount == 0 && rec.EcmPid == 0, "no CA or stream entries");
  Require(rec.EitFlags <= 3 && rec.Encrypted <= 1, "flags of their width");
}

// The record a rescan holds: keyed by the section's TID and its first service.
TChannelRec FirstServiceOf(const qev::si::fuzz::Chunk &section) {
  TChannelRec rec{};
  if (section.size() >= 13) {
    rec.TID = static_cast<std::uint16_t>(section[3] << 8 | section[4]);
    rec.SID = static_cast<std::uint16_t>(section[11] << 8 | section[12]);
  }
  return rec;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace qev::si;
  TChannelRec scan[4] = {};
  const TRecordFinder find = [&scan](std::uint16_t tid, std::uint16_t sid) {
    return &scan[(tid ^ sid) % 4];
  };
  for (const fuzz::Chunk &section : fuzz::Chunks({data, size})) {
    ParseSdt(section, find);
    TChannelRec one = FirstServiceOf(section);
    ParseSdtOne(section, one);
    RequireServiceFields(one);
  }
  for (const TChannelRec &rec : scan)
    RequireServiceFields(rec);
  return 0;
}
