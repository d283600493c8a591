#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace qev::si {

// A bounded big-endian cursor. Every read is checked: a read past the end returns 0 (or an
// empty span), sets the failed flag and leaves the cursor at the end, so a parser walking a
// damaged section stops instead of reading beyond it.
class TSectionReader {
public:
  TSectionReader() = default;
  explicit TSectionReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  // The section as a parser may read it: the bytes that were delivered and that
  // section_length covers, without the 4-byte CRC_32 at its end. Empty for a section too
  // short to hold its header and CRC.
  static TSectionReader OfSection(std::span<const std::uint8_t> section);

  std::size_t Size() const { return bytes_.size(); }
  std::size_t Pos() const { return pos_; }
  std::size_t Remaining() const { return bytes_.size() - pos_; }
  bool Failed() const { return failed_; }

  std::uint8_t U8();
  std::uint16_t U16();
  // A 13-bit PID or a 12-bit length after 3 or 4 reserved bits.
  std::uint16_t Pid() { return U16() & 0x1FFF; }
  std::uint16_t Len12() { return U16() & 0x0FFF; }
  std::span<const std::uint8_t> Bytes(std::size_t count);
  // A DVB text field: its length byte and that many bytes, the length byte included.
  std::span<const std::uint8_t> Field();
  // A reader over the next `count` bytes, which the cursor passes. A loop length that points
  // past the end is cut to what remains and marks this reader failed.
  TSectionReader Sub(std::size_t count);
  void Skip(std::size_t count) { (void)Bytes(count); }
  // Moves to an absolute offset; beyond the end it fails and stays at the end.
  void Seek(std::size_t pos);

private:
  bool Take(std::size_t count);

  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

} // namespace qev::si
