#include "si/section_reader.h"

#include <algorithm>

namespace qev::si {

namespace {
constexpr std::size_t kHeaderBytes = 3; // table_id and section_length
constexpr std::size_t kCrcBytes = 4;
} // namespace

TSectionReader TSectionReader::OfSection(std::span<const std::uint8_t> section) {
  if (section.size() < kHeaderBytes)
    return {};
  const std::size_t total = kHeaderBytes + ((section[1] & 0x0Fu) << 8 | section[2]);
  if (total < kHeaderBytes + kCrcBytes)
    return {};
  // A section delivered short of its length has lost its CRC already.
  return TSectionReader(section.first(std::min(total - kCrcBytes, section.size())));
}

bool TSectionReader::Take(std::size_t count) {
  if (count > Remaining()) {
    failed_ = true;
    pos_ = bytes_.size();
    return false;
  }
  pos_ += count;
  return true;
}

std::uint8_t TSectionReader::U8() {
  const std::size_t at = pos_;
  return Take(1) ? bytes_[at] : 0;
}

std::uint16_t TSectionReader::U16() {
  const std::size_t at = pos_;
  if (!Take(2))
    return 0;
  return static_cast<std::uint16_t>(bytes_[at] << 8 | bytes_[at + 1]);
}

std::span<const std::uint8_t> TSectionReader::Bytes(std::size_t count) {
  const std::size_t at = pos_;
  if (!Take(count))
    return {};
  return bytes_.subspan(at, count);
}

std::span<const std::uint8_t> TSectionReader::Field() {
  if (Remaining() == 0 || bytes_[pos_] >= Remaining()) {
    Take(Remaining() + 1);
    return {};
  }
  return Bytes(std::size_t{1} + bytes_[pos_]);
}

TSectionReader TSectionReader::Sub(std::size_t count) {
  const std::size_t at = pos_;
  const std::size_t n = std::min(count, Remaining());
  Take(count);
  return TSectionReader(bytes_.subspan(at, n));
}

void TSectionReader::Seek(std::size_t pos) {
  if (pos > bytes_.size()) {
    failed_ = true;
    pos_ = bytes_.size();
    return;
  }
  pos_ = pos;
}

} // namespace qev::si
