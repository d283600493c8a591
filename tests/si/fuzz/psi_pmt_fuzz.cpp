// PMT sections parsed one after the other into one record, as repeated PMTs of a rescan are:
// the lists stop at 16 entries and nothing but the PMT's fields changes.

#include <cstring>

#include "si/fuzz/fuzz_chunks.h"
#include "si/psi_parsers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace qev::si;
  qev::data::TChannelRec rec{};
  qev::data::SetChName(rec, "Name");
  rec.SID = 0x1234;
  for (const fuzz::Chunk &section : fuzz::Chunks({data, size})) {
    ParsePmt(section, rec);
    fuzz::Require(rec.EsCount <= qev::data::kMaxEsItems, "at most 16 streams");
    fuzz::Require(rec.CaCount <= qev::data::kMaxCaItems, "at most 16 CA entries");
    fuzz::Require(rec.PcrPid <= 0x1FFF && rec.VidPid <= 0x1FFF && rec.AudPid <= 0x1FFF &&
                      rec.Ac3Pid <= 0x1FFF && rec.TtxPid <= 0x1FFF && rec.EcmPid <= 0x1FFF,
                  "13-bit PIDs");
  }
  fuzz::Require(rec.SID == 0x1234 && std::strcmp(rec.ChName, "Name") == 0,
                "only the PMT's fields written");
  return 0;
}
