#include "frame/fast_ini_file.h"

#include "frame/ini_value.h"
#include "frame/log.h"
#include "frame/string_utils.h"

#include <algorithm>

namespace qev::frame {

namespace {
constexpr std::size_t kMaxKeptComment = 255;
constexpr std::size_t kMaxListItems = 65536;

std::string AsComment(std::string_view comment) {
  return comment.starts_with(';') ? std::string(comment) : ";" + std::string(comment);
}
} // namespace

TFastIniFile::TFastIniFile(std::filesystem::path fileName)
    : TFastIniFile(std::make_unique<TIniFileStore>(std::move(fileName))) {}

TFastIniFile::TFastIniFile(std::unique_ptr<TIniStore> store) : store_(std::move(store)) {}

TFastIniFile::~TFastIniFile() {
  // A caller that got the failure from UpdateFile reports it; the last try here stays quiet.
  const bool callerTold = failureReturned_;
  try {
    if (const std::string error = UpdateFile(); !error.empty() && !callerTold)
      Log(error, kLogError);
  } catch (...) {
    Log("Settings could not be written", kLogError);
  }
}

std::string TFastIniFile::UpdateFile() {
  // What is held does not reflect the file, so writing it would destroy the file's content.
  if (!modified_ || unreadable_)
    return {};
  std::string error = store_->Store(lines_.Compose());
  if (error.empty())
    modified_ = false;
  failureReturned_ = !error.empty();
  return error;
}

TIniLines &TFastIniFile::Lines() {
  if (!loaded_) {
    const TIniSource source = store_->Load();
    if (!source.Error.empty())
      Log(source.Error, kLogError);
    unreadable_ = source.Unreadable;
    lines_.Parse(source.Text);
    loaded_ = true;
  }
  return lines_;
}

std::optional<std::size_t> TFastIniFile::SectionLine(std::string_view section, bool create) {
  if (!IsSingleLine(section))
    return std::nullopt;
  if (const auto header = Lines().FindSection(section))
    return header;
  return create ? std::optional<std::size_t>(lines_.AppendSection(section)) : std::nullopt;
}

std::optional<std::size_t> TFastIniFile::KeyLine(std::string_view section, std::string_view key,
                                                 bool create) {
  if (!IsSafeKeyName(key))
    return std::nullopt;
  const auto header = SectionLine(section, create);
  if (!header)
    return std::nullopt;
  const std::string name = Trim(key);
  if (const auto line = lines_.FindKey(*header, name))
    return line;
  return create ? std::optional<std::size_t>(lines_.AppendKey(*header, name)) : std::nullopt;
}

std::string TFastIniFile::ReadString(std::string_view section, std::string_view key,
                                     std::string_view defaultValue) {
  const auto line = KeyLine(section, key, false);
  return line ? DecodeValue(lines_[*line].Value) : std::string(defaultValue);
}

bool TFastIniFile::WriteString(std::string_view section, std::string_view key,
                               std::string_view value) {
  if (key.empty() && value.empty())
    return section.empty() ? UpdateFile().empty() : EraseSection(section);
  const auto encoded = EncodeValue(value);
  const auto line = encoded ? KeyLine(section, key, true) : std::nullopt;
  if (!line)
    return false;
  TIniItem &item = lines_[*line];
  if (DecodeValue(item.Value) == value)
    return true;
  const std::size_t commentStart = CommentStart(item.Value);
  if (commentStart == std::string::npos) {
    item.SetValue(*encoded);
  } else {
    // The comment keeps its column in the line when the new value leaves room for it.
    const std::size_t column = item.ValueColumn + commentStart;
    const std::size_t valueEnd = item.Name.size() + 1 + encoded->size();
    const std::string gap(valueEnd < column ? column - valueEnd : 1, ' ');
    item.SetValue(*encoded + gap + item.Value.substr(commentStart, kMaxKeptComment));
  }
  modified_ = true;
  return true;
}

bool TFastIniFile::ValueExists(std::string_view section, std::string_view key) {
  return KeyLine(section, key, false).has_value();
}

bool TFastIniFile::SectionExists(std::string_view section) {
  return SectionLine(section, false).has_value();
}

bool TFastIniFile::DeleteKey(std::string_view section, std::string_view key) {
  const auto line = KeyLine(section, key, false);
  if (!line)
    return false;
  lines_.Remove(*line, 1);
  modified_ = true;
  return true;
}

bool TFastIniFile::EraseSection(std::string_view section) {
  const auto header = SectionLine(section, false);
  if (!header)
    return false;
  std::size_t last = *header;
  for (std::size_t line = *header + 1; line < lines_.SectionEnd(*header); ++line) {
    TIniItem &item = lines_[line];
    item.Split();
    const bool content = item.Kind == TIniKind::Key || item.Kind == TIniKind::Text;
    const bool looseBlank =
        item.Kind == TIniKind::Blank && lines_[line - 1].Kind != TIniKind::Comment;
    if (content || looseBlank)
      last = line;
  }
  lines_.Remove(*header, last - *header + 1);
  modified_ = true;
  return true;
}

std::vector<std::string> TFastIniFile::ReadSection(std::string_view section) {
  std::vector<std::string> names;
  const auto header = SectionLine(section, false);
  if (!header)
    return names;
  for (std::size_t line = *header + 1; line < lines_.SectionEnd(*header); ++line) {
    lines_[line].Split();
    if (lines_[line].Kind == TIniKind::Key)
      names.push_back(lines_[line].Name);
  }
  return names;
}

std::vector<std::string> TFastIniFile::ReadSections() {
  std::vector<std::string> names;
  TIniLines &lines = Lines();
  for (std::size_t line = 0; line < lines.Size(); ++line) {
    if (lines[line].Kind == TIniKind::Section)
      names.push_back(lines[line].Raw.substr(1, lines[line].Raw.size() - 2));
  }
  return names;
}

std::vector<std::string> TFastIniFile::ReadSectionValues(std::string_view section) {
  std::vector<std::string> values;
  for (const std::string &name : ReadSection(section))
    values.push_back(name + "=" + ReadString(section, name, ""));
  return values;
}

bool TFastIniFile::SetKeyComment(std::string_view section, std::string_view key, unsigned flags,
                                 std::size_t column, std::string_view comment) {
  const auto line =
      IsSingleLine(comment) ? KeyLine(section, key, flags & kCreateMissing) : std::nullopt;
  if (!line)
    return false;
  TIniItem &item = lines_[*line];
  const std::size_t oldComment = CommentStart(item.Value);
  if (oldComment != std::string::npos && !(flags & kReplaceExisting))
    return false;
  std::string value = Trim(std::string_view(item.Value).substr(0, oldComment));
  const std::size_t lineLength = item.Name.size() + value.size() + 2;
  value = lineLength < column ? PadRight(value, column - item.Name.size() - 2) : value + " ";
  value += AsComment(comment);
  if (value != item.Value) {
    item.SetValue(std::move(value));
    modified_ = true;
  }
  return true;
}

bool TFastIniFile::InsertComment(std::string_view section, std::string_view key, unsigned flags,
                                 CommentPlace place, std::string_view comment) {
  if (!IsSingleLine(comment))
    return false;
  const int where = static_cast<int>(place);
  if (where < 1 || where > 4) {
    PlaceComment(Lines().Size(), std::nullopt, AsComment(comment));
    return true;
  }
  const bool create = flags & kCreateMissing;
  const bool nextToKey = place == CommentPlace::AboveKey || place == CommentPlace::BelowKey;
  const auto anchor = nextToKey ? KeyLine(section, key, create) : SectionLine(section, create);
  if (!anchor)
    return false;
  const bool above = place == CommentPlace::AboveSection || place == CommentPlace::AboveKey;
  const std::size_t at = above ? *anchor : *anchor + 1;
  const auto existing = (flags & kReplaceExisting) ? CommentNextTo(at, above) : std::nullopt;
  PlaceComment(at, existing, AsComment(comment));
  return true;
}

std::optional<std::size_t> TFastIniFile::CommentNextTo(std::size_t at, bool above) {
  if (above && at == 0)
    return std::nullopt;
  const std::size_t line = above ? at - 1 : at;
  if (line < lines_.Size() && lines_[line].Kind == TIniKind::Comment)
    return line;
  return std::nullopt;
}

void TFastIniFile::PlaceComment(std::size_t at, std::optional<std::size_t> existing,
                                std::string text) {
  if (!existing) {
    lines_.Insert(at, TIniItem::NewComment(text));
    modified_ = true;
  } else if (lines_[*existing].Raw != text) {
    lines_[*existing] = TIniItem::NewComment(text);
    modified_ = true;
  }
}

std::int32_t TFastIniFile::ReadInteger(std::string_view section, std::string_view key,
                                       std::int32_t defaultValue) {
  return ParseInteger(ReadString(section, key, "")).value_or(defaultValue);
}

bool TFastIniFile::WriteInteger(std::string_view section, std::string_view key,
                                std::int64_t value) {
  return WriteString(section, key, std::to_string(value));
}

bool TFastIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TFastIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

double TFastIniFile::ReadFloat(std::string_view section, std::string_view key,
                               double defaultValue) {
  return ParseFloat(ReadString(section, key, "")).value_or(defaultValue);
}

bool TFastIniFile::WriteFloat(std::string_view section, std::string_view key, double value) {
  return WriteString(section, key, FormatFloat(value));
}

std::uint32_t TFastIniFile::ReadHex32(std::string_view section, std::string_view key,
                                      std::uint32_t defaultValue) {
  return static_cast<std::uint32_t>(
      ReadInteger(section, key, static_cast<std::int32_t>(defaultValue)));
}

bool TFastIniFile::WriteHex16(std::string_view section, std::string_view key, std::uint16_t value) {
  return WriteString(section, key, FormatHex(value, 4));
}

bool TFastIniFile::WriteHex32(std::string_view section, std::string_view key, std::uint32_t value) {
  return WriteString(section, key, FormatHex(value, 8));
}

std::vector<std::string> TFastIniFile::ReadStringList(std::string_view section,
                                                      std::string_view name) {
  std::vector<std::string> items;
  const std::int32_t count = ReadInteger(section, std::string(name) + "Count", 0);
  // A count far beyond the file's size is damage, not a list to build in memory.
  const std::size_t limit = std::max(kMaxListItems, lines_.Size());
  const std::size_t size = count > 0 ? std::min(static_cast<std::size_t>(count), limit) : 0;
  for (std::size_t i = 0; i < size; ++i)
    items.push_back(ReadString(section, std::string(name) + std::to_string(i), ""));
  return items;
}

bool TFastIniFile::WriteStringList(std::string_view section, std::string_view name,
                                   const std::vector<std::string> &items) {
  const std::string countKey = std::string(name) + "Count";
  if (!IsSafeKeyName(countKey) || !IsSingleLine(section))
    return false;
  const bool wasModified = modified_;
  const std::vector<std::string> old = ReadStringList(section, name);
  const bool sameCount =
      ReadInteger(section, countKey, 0) == static_cast<std::int64_t>(items.size());
  for (std::size_t i = 0; i < old.size(); ++i)
    DeleteKey(section, std::string(name) + std::to_string(i));
  bool written = WriteInteger(section, countKey, static_cast<std::int64_t>(items.size()));
  for (std::size_t i = 0; i < items.size(); ++i)
    written = WriteString(section, std::string(name) + std::to_string(i), items[i]) && written;
  // Rewriting an unchanged list must not cause the file to be written.
  if (!wasModified && sameCount && old == items)
    modified_ = false;
  return written;
}

TFastIniStream::TFastIniStream(std::stringstream &stream)
    : TFastIniFile(std::make_unique<TIniStreamStore>(stream)) {}

} // namespace qev::frame
