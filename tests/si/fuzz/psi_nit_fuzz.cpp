// NIT sections of any shape into one transponder list: one transponder per delivery
// descriptor at most, and the position text set once.

#include "data/transponder_list.h"
#include "si/fuzz/fuzz_chunks.h"
#include "si/psi_parsers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace qev::si;
  qev::data::TSatTransponders list;
  for (const fuzz::Chunk &section : fuzz::Chunks({data, size})) {
    const int before = list.Count();
    ParseNit(section, list);
    // A delivery descriptor takes at least 13 bytes.
    fuzz::Require(static_cast<std::size_t>(list.Count() - before) <= section.size() / 13,
                  "a transponder per delivery descriptor");
  }
  return 0;
}
