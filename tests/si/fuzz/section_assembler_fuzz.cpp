// Arbitrary payload streams in arbitrary pieces: the assembler must never read past its data
// and must deliver only sections its CRC proves.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "si/crc32_mpeg.h"
#include "si/section_assembler.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static constexpr std::uint8_t kIds[] = {0x00, 0x02, 0x42, 0x4E, 0x4F, 0x50, 0x60, 0x6F};
  qev::si::TPk184ToSection assembler;
  assembler.AsmSetTableIds(kIds);
  // The first byte sets the piece size, so pieces that split payloads are explored too.
  const std::size_t piece = size > 0 ? 1 + data[0] * 3 : 1;
  for (std::size_t at = size > 0 ? 1 : 0; at < size; at += piece) {
    assembler.AsmAppend({data + at, std::min(piece, size - at)});
    while (assembler.AsmNextSection())
      if (qev::si::Crc32Mpeg(assembler.Section()) != 0 || (assembler.Section()[1] & 0x80) == 0)
        std::abort();
  }
  return 0;
}
