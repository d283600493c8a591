#include "byte_writer.h"

#include <stdexcept>

namespace qev::tsgen {

void ByteWriter::Put16(unsigned value) {
  Put8(value >> 8);
  Put8(value);
}

void ByteWriter::Put24(std::uint32_t value) {
  Put8(value >> 16);
  Put16(value & 0xFFFF);
}

void ByteWriter::Put32(std::uint32_t value) {
  Put16(value >> 16);
  Put16(value & 0xFFFF);
}

void ByteWriter::PutBytes(std::span<const std::uint8_t> data) {
  bytes_.insert(bytes_.end(), data.begin(), data.end());
}

void ByteWriter::PutText(std::string_view text) {
  bytes_.insert(bytes_.end(), text.begin(), text.end());
}

std::size_t ByteWriter::BeginLength(int bits, unsigned highBits) {
  const std::size_t at = bytes_.size();
  if (bits <= 8) {
    Put8(highBits << bits);
  } else {
    Put16(highBits << bits);
  }
  marks_.push_back({at, bits});
  return marks_.size() - 1;
}

void ByteWriter::EndLength(std::size_t mark) {
  const Mark m = marks_.at(mark);
  const std::size_t width = m.bits <= 8 ? 1 : 2;
  const std::size_t length = bytes_.size() - m.at - width;
  if (length >= (std::size_t{1} << m.bits)) {
    throw std::length_error("field too long for its length field");
  }
  if (width == 1) {
    bytes_[m.at] |= static_cast<std::uint8_t>(length);
  } else {
    bytes_[m.at] |= static_cast<std::uint8_t>(length >> 8);
    bytes_[m.at + 1] |= static_cast<std::uint8_t>(length);
  }
}

} // namespace qev::tsgen
