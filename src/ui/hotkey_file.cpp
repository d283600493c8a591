#include "ui/hotkey_file.h"

#include "data/si_text.h"
#include "frame/atomic_file.h"
#include "frame/file_reader.h"
#include "frame/string_utils.h"

#include <charconv>
#include <cstdio>
#include <optional>

namespace qev::ui {

namespace {

constexpr std::size_t kMinFields = 3;

// The field's value: blanks around it dropped, then its enclosing double quotes.
std::string FieldValue(std::string_view raw) {
  std::string field = frame::Trim(raw);
  if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
    return field.substr(1, field.size() - 2);
  if (!field.empty() && field.front() == '"')
    return field.substr(1); // an unterminated quote runs to the end of the line
  return field;
}

std::optional<std::uint16_t> HexCode(std::string_view text) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size() || value == 0 || value > 0xFFFF)
    return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

std::string Quoted(std::string_view text) { return '"' + frame::Trim(text) + '"'; }

} // namespace

std::vector<std::string> SplitHotKeyFields(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  bool quoted = false;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    if (i < line.size() && line[i] == '"')
      quoted = !quoted;
    if (i == line.size() || (line[i] == ',' && !quoted)) {
      fields.push_back(FieldValue(line.substr(start, i - start)));
      start = i + 1;
    }
  }
  return fields;
}

bool ApplyHotKeyLine(THotKeyTable &table, std::string_view line) {
  const std::string trimmed = frame::Trim(line);
  if (trimmed.empty() || trimmed.front() == ';')
    return false;
  const std::vector<std::string> fields = SplitHotKeyFields(trimmed);
  if (fields.size() < kMinFields)
    return false;
  const auto code = HexCode(fields[0]);
  THotKeyAction *row = code ? table.Find(*code) : nullptr;
  if (!row)
    return false;
  constexpr TKeyField kOrder[] = {TKeyField::HotKey1, TKeyField::HotKey2, TKeyField::Remote1,
                                  TKeyField::Remote2};
  for (std::size_t i = 0; i < std::size(kOrder) && i + 1 < fields.size(); ++i)
    FieldOf(*row, kOrder[i]) = std::string(data::CutUtf8(fields[i + 1], kHotKeyTextMax));
  return true;
}

std::string HotKeysText(const THotKeyTable &table) {
  std::string text;
  for (const THotKeyAction &row : table.Rows()) {
    if (row.ActionCode == 0)
      continue;
    char code[8];
    std::snprintf(code, sizeof code, "%04X", row.ActionCode);
    text += code;
    for (const std::string *field :
         {&row.HotKey1, &row.HotKey2, &row.Remote1, &row.Remote2, &row.ActionName})
      text += ',' + Quoted(*field);
    text += "\r\n";
  }
  return text;
}

std::string LoadHotKeys(const std::filesystem::path &file, THotKeyTable &table) {
  const frame::TFileContent content = frame::ReadFileContent(file);
  if (content.Status == frame::FileReadStatus::Missing)
    return {};
  if (content.Status == frame::FileReadStatus::Unreadable)
    return content.Error();
  for (const std::string &line : frame::SplitAt(content.Text, "\r\n"))
    ApplyHotKeyLine(table, line);
  table.SortByCode();
  return {};
}

std::string SaveHotKeys(const std::filesystem::path &file, const THotKeyTable &table) {
  return frame::WriteFileAtomically(file, HotKeysText(table));
}

} // namespace qev::ui
