#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace qev::tsgen {

using Bytes = std::vector<std::uint8_t>;

// Appends big-endian fields to a byte vector; length fields are reserved first and patched
// once the data they count has been written.
class ByteWriter {
public:
  void Put8(unsigned value) { bytes_.push_back(static_cast<std::uint8_t>(value)); }
  void Put16(unsigned value);
  void Put24(std::uint32_t value);
  void Put32(std::uint32_t value);
  void PutBytes(std::span<const std::uint8_t> data);
  void PutText(std::string_view text);

  // Reserves a length field whose low `bits` bits are patched later; `highBits` fill the rest
  // of the field (reserved bits of the table syntax).
  std::size_t BeginLength(int bits, unsigned highBits = 0);
  // Writes the count of bytes written since BeginLength into the reserved field.
  void EndLength(std::size_t mark);

  std::size_t Size() const { return bytes_.size(); }
  const Bytes &Data() const { return bytes_; }
  Bytes Take() { return std::move(bytes_); }

private:
  struct Mark {
    std::size_t at;
    int bits;
  };
  Bytes bytes_;
  std::vector<Mark> marks_;
};

} // namespace qev::tsgen
