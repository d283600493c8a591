#include "ui/gesture_table.h"

#include "frame/atomic_file.h"
#include "frame/file_reader.h"
#include "frame/string_utils.h"

#include <charconv>
#include <cstdio>
#include <sstream>

namespace qev::ui {

namespace {

// A field of a line: trimmed, its double quotes removed.
std::string FieldValue(std::string_view raw) {
  std::string field = frame::Trim(raw);
  if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
    field = field.substr(1, field.size() - 2);
  return field;
}

// Splits at commas outside double quotes.
std::vector<std::string> SplitFields(std::string_view line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (const char c : line) {
    if (c == '"')
      quoted = !quoted;
    if (c == ',' && !quoted)
      fields.emplace_back();
    else
      fields.back() += c;
  }
  for (auto &field : fields)
    field = FieldValue(field);
  return fields;
}

std::uint32_t HexCode(std::string_view text) {
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

} // namespace

TGestureTable::TGestureTable()
    : entries_{{{0x1001, "Channel +", "R"},
                {0x1002, "Channel -", "L"},
                {0x1010, "Video - Floating Window", "U"},
                {0x1011, "Video - Toggle FullScreen", "D"},
                {0x1012, "Video - Restore/Close", "DR"},
                {0x1013, "Video - Hide Video", "DL"},
                {0x1014, "Video - Show PIP", "URDL"},
                {0x1020, "Application Close", "LDR"},
                {kTtxGestureHome, "Home (100)", "DL"},
                {kTtxGestureClose, "Close", "DR"},
                {kTtxGesturePageNext, "Page +", "R"},
                {kTtxGesturePagePrev, "Page -", "L"},
                {kTtxGestureSubpageNext, "Subpage +", "D"},
                {kTtxGestureSubpagePrev, "Subpage -", "U"},
                {}}} {}

void TGestureTable::SetGesture(std::size_t index, std::string_view gesture) {
  entries_.at(index).Gesture = std::string(gesture.substr(0, kGestureFieldMax));
}

int TGestureTable::Lookup(std::string_view gesture, std::uint16_t group) const {
  if (gesture.empty())
    return -1;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const TGestureEntry &entry = entries_[i];
    if (entry.Code == 0 || (group != 0 && (entry.Code & kGroupMask) != group))
      continue;
    if (entry.Gesture == gesture)
      return static_cast<int>(i);
  }
  return -1;
}

std::string TGestureTable::ToText() const {
  std::string text;
  for (const TGestureEntry &entry : entries_) {
    if (entry.Code == 0)
      continue;
    char code[8];
    std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(entry.Code));
    std::string gesture = entry.Gesture;
    if (gesture.size() < 10)
      gesture.resize(10, ' ');
    text += std::string(code) + "," + gesture + ",\"" + entry.Name + "\"\n";
  }
  return text;
}

void TGestureTable::ReadText(std::string_view text) {
  std::istringstream lines{std::string(text)};
  std::string line;
  while (std::getline(lines, line)) {
    const std::string trimmed = frame::Trim(line);
    if (trimmed.empty() || trimmed.front() == ';')
      continue;
    const std::vector<std::string> fields = SplitFields(trimmed);
    if (fields.size() < 3)
      continue;
    const std::uint16_t code = static_cast<std::uint16_t>(HexCode(fields[0]) & 0xFFFF);
    if (code == 0)
      continue;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].Code == code) {
        SetGesture(i, fields[1]);
        break;
      }
    }
  }
}

std::string GestureText(std::string_view gesture) {
  std::string text;
  for (const char letter : gesture) {
    switch (letter) {
    case 'U':
      text += "Up+";
      break;
    case 'D':
      text += "Down+";
      break;
    case 'L':
      text += "Left+";
      break;
    case 'R':
      text += "Right+";
      break;
    default:
      break;
    }
  }
  if (!text.empty())
    text.pop_back();
  return text;
}

std::string GestureGroupName(std::uint16_t code) {
  switch (code & kGroupMask) {
  case kGroupVideo:
    return "Video Window";
  case kGroupTeletext:
    return "Teletext Window";
  default:
    return {};
  }
}

std::string GesturesLoad(TGestureTable &table, const std::filesystem::path &path) {
  const frame::TFileContent content = frame::ReadFileContent(path);
  if (content.Status == frame::FileReadStatus::Unreadable)
    return content.Error();
  if (content.Status == frame::FileReadStatus::Read)
    table.ReadText(content.Text);
  return {};
}

std::string GesturesSave(const TGestureTable &table, const std::filesystem::path &path) {
  return frame::WriteFileAtomically(path, table.ToText());
}

TGestureTable &Gestures() {
  static TGestureTable table;
  return table;
}

} // namespace qev::ui
