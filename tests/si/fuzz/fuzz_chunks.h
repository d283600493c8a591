#pragma once

// The input format of the si fuzzers: a sequence of chunks, each a 16-bit big-endian header and
// its bytes. The low 13 bits of the header give the chunk's length (the last chunk takes what
// is left when that is less); bit 15 asks for a correct CRC_32 to be appended, so that sections
// the fuzzer shapes also get past the checks that demand one. Each chunk is an exact-size heap
// copy: AddressSanitizer reports a read of even one byte beyond it.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "si/crc32_mpeg.h"

namespace qev::si::fuzz {

using Chunk = std::vector<std::uint8_t>;

inline constexpr std::uint16_t kSealFlag = 0x8000;
inline constexpr std::uint16_t kLengthMask = 0x1FFF;

inline std::vector<Chunk> Chunks(std::span<const std::uint8_t> input) {
  std::vector<Chunk> chunks;
  while (input.size() >= 2) {
    const auto header = static_cast<std::uint16_t>(input[0] << 8 | input[1]);
    const std::size_t length = std::min<std::size_t>(header & kLengthMask, input.size() - 2);
    Chunk chunk(input.begin() + 2, input.begin() + 2 + static_cast<std::ptrdiff_t>(length));
    if (header & kSealFlag) {
      const std::uint32_t crc = Crc32Mpeg(chunk);
      for (int shift = 24; shift >= 0; shift -= 8)
        chunk.push_back(static_cast<std::uint8_t>(crc >> shift));
    }
    chunks.push_back(std::move(chunk));
    input = input.subspan(2 + length);
  }
  return chunks;
}

// The header of a chunk that carries `size` bytes as they are.
inline std::uint16_t ChunkHeader(std::size_t size) {
  return static_cast<std::uint16_t>(std::min<std::size_t>(size, kLengthMask));
}

// A broken promise of the code under test ends the run as a crash, with its input saved.
inline void Require(bool holds, const char *what) {
  if (holds)
    return;
  std::fprintf(stderr, "broken promise: %s\n", what);
  std::abort();
}

} // namespace qev::si::fuzz
