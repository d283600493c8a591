#include "video/bit_reader.h"

namespace qev::video {

std::uint32_t TBitReader::Bits(unsigned count) {
  std::uint32_t value = 0;
  for (unsigned i = 0; i < count; ++i) {
    if (failed_ || position_ >= bytes_.size() * 8) {
      failed_ = true;
      return 0;
    }
    const std::uint8_t byte = bytes_[position_ / 8];
    value = (value << 1) | ((byte >> (7 - position_ % 8)) & 1u);
    ++position_;
  }
  return value;
}

void TBitReader::Skip(std::size_t count) {
  if (failed_ || count > bytes_.size() * 8 - position_) {
    failed_ = true;
    return;
  }
  position_ += count;
}

std::uint32_t TBitReader::Ue() {
  unsigned zeros = 0;
  while (!failed_ && Bits(1) == 0) {
    if (++zeros > 31) {
      failed_ = true;
      return 0;
    }
  }
  if (failed_)
    return 0;
  return static_cast<std::uint32_t>((std::uint64_t{1} << zeros) - 1 + Bits(zeros));
}

std::int64_t TBitReader::Se() {
  const std::uint32_t code = Ue();
  const auto magnitude = static_cast<std::int64_t>((std::uint64_t{code} + 1) / 2);
  return (code & 1) ? magnitude : -magnitude;
}

std::vector<std::uint8_t> UnescapeNal(std::span<const std::uint8_t> nal) {
  std::vector<std::uint8_t> out;
  out.reserve(nal.size());
  unsigned zeros = 0;
  for (std::uint8_t byte : nal) {
    if (zeros >= 2 && byte <= 0x01)
      break; // the next start code (or a forbidden sequence): the unit ends here
    if (zeros >= 2 && byte == 0x03) {
      zeros = 0;
      continue;
    }
    zeros = byte == 0 ? zeros + 1 : 0;
    out.push_back(byte);
  }
  return out;
}

} // namespace qev::video
