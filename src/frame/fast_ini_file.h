#pragma once

#include "frame/ini_lines.h"
#include "frame/ini_store.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace qev::frame {

// Reads and writes an INI-style settings file while keeping everything it does not touch:
// comments, blank lines, unknown keys and sections, spacing and order. The file is read on first
// access and written back only when a value really changed. Section and key names are compared
// ignoring letter case (Unicode simple case folding); values with it.
//
// Only a missing file reads as empty and is created on write-back. A file that exists but cannot
// be read (a folder or a FIFO in its place, no permission, an I/O error) is reported in the log
// once, reads as empty, and is never written back in this run.
//
// A file object is meant to live for one load or one save. Names holding a line break or NUL,
// and key names that are empty, hold "=" or start with ";" or "[", are refused: writes return
// false and change nothing, reads give the default.
class TFastIniFile {
public:
  explicit TFastIniFile(std::filesystem::path fileName);
  // Writes back what changed; a failure is logged as an error (unless UpdateFile already
  // returned it to the caller), never thrown.
  virtual ~TFastIniFile();
  TFastIniFile(const TFastIniFile &) = delete;
  TFastIniFile &operator=(const TFastIniFile &) = delete;

  // Writes the file back if something changed. Returns an error text, empty on success; on
  // failure the file on disk is left as it was and the changes stay pending.
  // A file that could not be read is not written and gives no error: it was reported then.
  std::string UpdateFile();
  bool Modified() const { return modified_; }
  // The file exists but could not be read (known after the first access).
  bool Unreadable() const { return unreadable_; }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue);
  // An empty key with an empty value erases the section, or with no section writes the file.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool ValueExists(std::string_view section, std::string_view key);
  bool SectionExists(std::string_view section);
  bool DeleteKey(std::string_view section, std::string_view key);
  // Removes the header and the section's lines up to its last key, text or blank line that does
  // not follow a comment, so a comment closing the section stays with the next one.
  bool EraseSection(std::string_view section);

  // Key names of the section in file order.
  std::vector<std::string> ReadSection(std::string_view section);
  // Every header in file order, a repeated one each time.
  std::vector<std::string> ReadSections();
  // "name=value" for each key of the section, the value as ReadString gives it.
  std::vector<std::string> ReadSectionValues(std::string_view section);

  enum CommentFlags : unsigned { kCreateMissing = 1, kReplaceExisting = 2 };
  enum class CommentPlace : int {
    EndOfFile = 0,
    AboveSection = 1,
    BelowSection = 2,
    AboveKey = 3,
    BelowKey = 4
  };
  // Puts ";" + comment behind the key's value at the 1-based column, or one blank after a value
  // that reaches it. False when the key is missing (without kCreateMissing) or already has a
  // comment (without kReplaceExisting).
  bool SetKeyComment(std::string_view section, std::string_view key, unsigned flags,
                     std::size_t column, std::string_view comment);
  // Inserts a comment line at the place; with kReplaceExisting a comment line already there
  // is replaced instead. Other places than the four append to the file.
  bool InsertComment(std::string_view section, std::string_view key, unsigned flags,
                     CommentPlace place, std::string_view comment);

  std::int32_t ReadInteger(std::string_view section, std::string_view key,
                           std::int32_t defaultValue);
  bool WriteInteger(std::string_view section, std::string_view key, std::int64_t value);
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue);
  bool WriteBool(std::string_view section, std::string_view key, bool value);
  double ReadFloat(std::string_view section, std::string_view key, double defaultValue);
  bool WriteFloat(std::string_view section, std::string_view key, double value);
  std::uint32_t ReadHex32(std::string_view section, std::string_view key,
                          std::uint32_t defaultValue);
  bool WriteHex16(std::string_view section, std::string_view key, std::uint16_t value);
  bool WriteHex32(std::string_view section, std::string_view key, std::uint32_t value);
  // Items stored as name + "Count" and name + "0", name + "1", ...; a missing item reads as an
  // empty string. Writing deletes the items of the old count before it writes the new ones.
  std::vector<std::string> ReadStringList(std::string_view section, std::string_view name);
  bool WriteStringList(std::string_view section, std::string_view name,
                       const std::vector<std::string> &items);

protected:
  explicit TFastIniFile(std::unique_ptr<TIniStore> store);

private:
  TIniLines &Lines();
  std::optional<std::size_t> SectionLine(std::string_view section, bool create);
  std::optional<std::size_t> KeyLine(std::string_view section, std::string_view key, bool create);
  // The comment line directly above or below (at itself) the insertion point, if any.
  std::optional<std::size_t> CommentNextTo(std::size_t at, bool above);
  void PlaceComment(std::size_t at, std::optional<std::size_t> existing, std::string text);

  std::unique_ptr<TIniStore> store_;
  TIniLines lines_;
  bool loaded_ = false;
  bool modified_ = false;
  bool unreadable_ = false;
  bool failureReturned_ = false;
};

// The same engine on a stream in memory: it reads from the stream's start and, when written
// back, replaces the stream's whole content.
class TFastIniStream : public TFastIniFile {
public:
  explicit TFastIniStream(std::stringstream &stream);
};

} // namespace qev::frame
