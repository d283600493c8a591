#pragma once

#include "frame/ini_section_index.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qev::frame {

enum class TIniKind : std::uint8_t {
  Section = 0, // "[name]"
  Unsplit = 1, // not looked at yet: a key line or a text line
  Key = 2,     // name "=" value
  Text = 3,    // a line without "="
  Comment = 4, // starts with ";"
  Blank = 5,   // empty
};

// One line of a settings file. A line keeps the text it was read with, so that a line the
// program never changed is written back exactly as it came, even after it was looked at.
struct TIniItem {
  TIniKind Kind = TIniKind::Blank;
  std::uint32_t Hash = 0;      // of the upper-cased key name (key lines)
  std::string Raw;             // the line as read or as last built
  std::string Name;            // key lines: the name without surrounding blanks
  std::string Value;           // key lines: the text after "=" without surrounding blanks
  std::size_t ValueColumn = 0; // key lines: where the value starts in the line
  bool Rebuilt = false;        // key lines: the value was changed, write name "=" value

  static TIniItem FromLine(std::string_view line);
  static TIniItem NewKey(std::string_view name);
  static TIniItem NewComment(std::string_view comment);

  // Turns an unsplit line into a key or a text line; other kinds stay as they are.
  void Split();
  // Gives the key line a new value text; the line is then written as name "=" value.
  void SetValue(std::string value);
  const std::string &Line() const { return Raw; }
};

// The lines of one file in file order with the index of its section headers. Every insert and
// removal keeps the index in step.
class TIniLines {
public:
  // Splits at CR, LF or CR LF; a NUL ends the text; a leading UTF-8 byte-order mark is skipped.
  void Parse(std::string_view text);
  // Every line followed by CR LF.
  std::string Compose() const;

  std::size_t Size() const { return items_.size(); }
  TIniItem &operator[](std::size_t index) { return items_[index]; }
  const TIniItem &operator[](std::size_t index) const { return items_[index]; }

  // Line index of the header of the section (the later one when it occurs twice).
  std::optional<std::size_t> FindSection(std::string_view name);
  // Appends the header, after a blank line unless the file ends with one.
  std::size_t AppendSection(std::string_view name);
  // One past the section's last line: the next header or the end of the file.
  std::size_t SectionEnd(std::size_t header) const;
  // Line index of the key in the section that starts with that header, splitting on the way.
  std::optional<std::size_t> FindKey(std::size_t header, std::string_view name);
  // Puts a new key line after the section's last key or text line, or directly below the
  // header; returns its index.
  std::size_t AppendKey(std::size_t header, std::string_view name);

  void Insert(std::size_t at, TIniItem item);
  void Remove(std::size_t from, std::size_t count);

private:
  void Add(std::string_view line);

  std::vector<TIniItem> items_;
  TSectionItems sections_;
};

} // namespace qev::frame
