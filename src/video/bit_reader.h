#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace qev::video {

// Reads bit fields most significant bit first. A read past the end yields zeros and marks the
// reader failed, so a parser can read a whole header and check once at the end.
class TBitReader {
public:
  explicit TBitReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint32_t Bits(unsigned count);
  bool Flag() { return Bits(1) != 0; }
  void Skip(std::size_t count);
  // Exp-Golomb codes; a code longer than 32 bits fails the reader.
  std::uint32_t Ue();
  std::int64_t Se();
  bool Failed() const { return failed_; }
  std::size_t BitsLeft() const { return failed_ ? 0 : bytes_.size() * 8 - position_; }
  void Fail() { failed_ = true; }

private:
  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
  bool failed_ = false;
};

// The payload of a NAL unit without its emulation-prevention bytes (00 00 03 -> 00 00), up to
// the next start code or the end of the bytes.
std::vector<std::uint8_t> UnescapeNal(std::span<const std::uint8_t> nal);

} // namespace qev::video
