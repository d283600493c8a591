#include "frame/ini_lines.h"

#include "frame/string_utils.h"

namespace qev::frame {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) < '!'; }

std::size_t SkipBlanks(std::string_view text, std::size_t from) {
  while (from < text.size() && IsBlank(text[from]))
    ++from;
  return from;
}

bool IsHeader(std::string_view line) {
  return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

} // namespace

TIniItem TIniItem::FromLine(std::string_view line) {
  TIniItem item;
  item.Raw = std::string(line);
  if (line.empty())
    item.Kind = TIniKind::Blank;
  else if (line.front() == ';')
    item.Kind = TIniKind::Comment;
  else if (IsHeader(line))
    item.Kind = TIniKind::Section;
  else
    item.Kind = TIniKind::Unsplit;
  return item;
}

TIniItem TIniItem::NewKey(std::string_view name) {
  TIniItem item;
  item.Kind = TIniKind::Key;
  item.Name = Trim(name);
  item.Hash = IniHash(item.Name);
  item.SetValue({});
  return item;
}

TIniItem TIniItem::NewComment(std::string_view comment) {
  TIniItem item = FromLine(comment);
  item.Kind = TIniKind::Comment;
  return item;
}

void TIniItem::Split() {
  if (Kind != TIniKind::Unsplit)
    return;
  const std::string_view line = Raw;
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) {
    Kind = TIniKind::Text;
    return;
  }
  Kind = TIniKind::Key;
  Name = Trim(line.substr(0, equals));
  Hash = IniHash(Name);
  ValueColumn = SkipBlanks(line, equals + 1);
  Value = Trim(line.substr(ValueColumn));
}

void TIniItem::SetValue(std::string value) {
  Value = std::move(value);
  Raw = Name + "=" + Value;
  ValueColumn = Name.size() + 1;
  Rebuilt = true;
}

void TIniLines::Add(std::string_view line) {
  items_.push_back(TIniItem::FromLine(line));
  if (items_.back().Kind == TIniKind::Section)
    sections_.Add(line.substr(1, line.size() - 2), items_.size());
}

void TIniLines::Parse(std::string_view text) {
  items_.clear();
  sections_.Clear();
  if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos)
    text = text.substr(0, nul);
  if (text.starts_with(kByteOrderMark))
    text.remove_prefix(kByteOrderMark.size());
  items_.reserve(text.size() / 16);
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      Add(text.substr(start));
      break;
    }
    Add(text.substr(start, end - start));
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  items_.shrink_to_fit();
}

std::string TIniLines::Compose() const {
  std::size_t length = 0;
  for (const TIniItem &item : items_)
    length += item.Line().size() + 2;
  std::string text;
  text.reserve(length);
  for (const TIniItem &item : items_)
    text.append(item.Line()).append("\r\n");
  return text;
}

std::optional<std::size_t> TIniLines::FindSection(std::string_view name) {
  const auto firstLine = sections_.Find(name);
  return firstLine ? std::optional<std::size_t>(*firstLine - 1) : std::nullopt;
}

std::size_t TIniLines::AppendSection(std::string_view name) {
  if (!items_.empty() && items_.back().Kind != TIniKind::Blank)
    Add("");
  Add("[" + std::string(name) + "]");
  return items_.size() - 1;
}

std::size_t TIniLines::SectionEnd(std::size_t header) const {
  std::size_t line = header + 1;
  while (line < items_.size() && items_[line].Kind != TIniKind::Section)
    ++line;
  return line;
}

std::optional<std::size_t> TIniLines::FindKey(std::size_t header, std::string_view name) {
  const std::uint32_t hash = IniHash(name);
  for (std::size_t line = header + 1; line < items_.size(); ++line) {
    TIniItem &item = items_[line];
    if (item.Kind == TIniKind::Section)
      break;
    item.Split();
    if (item.Kind == TIniKind::Key && item.Hash == hash && EqualsNoCase(item.Name, name))
      return line;
  }
  return std::nullopt;
}

std::size_t TIniLines::AppendKey(std::size_t header, std::string_view name) {
  std::size_t at = header + 1;
  for (std::size_t line = header + 1; line < items_.size(); ++line) {
    TIniItem &item = items_[line];
    if (item.Kind == TIniKind::Section)
      break;
    item.Split();
    if (item.Kind == TIniKind::Key || item.Kind == TIniKind::Text)
      at = line + 1;
  }
  Insert(at, TIniItem::NewKey(name));
  return at;
}

void TIniLines::Insert(std::size_t at, TIniItem item) {
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
  sections_.Shift(at, 1);
}

void TIniLines::Remove(std::size_t from, std::size_t count) {
  if (items_[from].Kind == TIniKind::Section)
    sections_.Remove(from + 1);
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(from),
               items_.begin() + static_cast<std::ptrdiff_t>(from + count));
  sections_.Shift(from, -static_cast<std::ptrdiff_t>(count));
}

} // namespace qev::frame
