// CAT sections of any shape: at most eight entries, each holding no more raw bytes than fit.

#include "si/fuzz/fuzz_chunks.h"
#include "si/psi_parsers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace qev::si;
  TCatList cat{};
  for (const fuzz::Chunk &section : fuzz::Chunks({data, size}))
    ParseCat(section, cat);
  fuzz::Require(cat.Count <= kMaxCatItems, "at most 8 CAT entries");
  for (std::uint32_t i = 0; i < cat.Count; ++i) {
    const TCatItem &item = cat.Items[i];
    fuzz::Require(item.Tag == 0x09 && item.EmmPid <= 0x1FFF, "CA descriptors with 13-bit PIDs");
    fuzz::Require(item.StoredLength <= kCatRawBytes && item.StoredLength <= item.Length + 2,
                  "stored bytes within the descriptor and the entry");
  }
  return 0;
}
