#pragma once

#include <string>
#include <string_view>

#include "byte_writer.h"

namespace qev::tsgen {

// A character table of the broadcast text fields: the selector bytes that open the field and
// the iconv name of the table they select.
class Charset {
public:
  // The default table (ISO/IEC 6937, no selector byte).
  Charset();
  // Names: "default", "utf8" (0x15), "cyrillic" (0x01, ISO 8859-5), "iso8859-N" (0x10 0x00 N,
  // N = 1..15 without 12) and "sel8859-N" (the one-byte selectors 0x01..0x0B, N = 5..15).
  static Charset Named(std::string_view name);

  const Bytes &Selector() const { return selector_; }
  const std::string &IconvName() const { return iconvName_; }
  const std::string &Name() const { return name_; }

private:
  Charset(std::string name, Bytes selector, std::string iconvName);
  std::string name_;
  Bytes selector_;
  std::string iconvName_;
};

// Converts UTF-8 text into the table's bytes, selector first. Throws std::invalid_argument when
// a character has no code in the table.
Bytes EncodeDvbText(std::string_view utf8, const Charset &charset);

// A text field with its 8-bit length in front (at most 255 bytes are kept).
void PutDvbString(ByteWriter &out, std::string_view utf8, const Charset &charset);

} // namespace qev::tsgen
