#include "ui/tree_history_menu.h"

#include "frame/string_utils.h"

namespace qev::ui {
namespace {

constexpr std::size_t kIconAt = 8;    // the ninth character
constexpr std::size_t kCaptionAt = 9; // the tenth
constexpr std::size_t kCaptionChars = 32;

// Up to `count` code points of the text from byte `from`, never cutting a character in two.
std::string CodePointsFrom(std::string_view text, std::size_t from, std::size_t count) {
  std::size_t end = from;
  for (std::size_t taken = 0; end < text.size(); ++end) {
    if ((static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
      continue;
    if (taken++ == count)
      break;
  }
  return std::string(text.substr(from, end - from));
}

} // namespace

bool ParseHistoryText(std::string_view text, THistoryMenuItem &item) {
  const std::string trimmed = frame::Trim(text);
  if (trimmed.size() <= kCaptionAt)
    return false;
  const char digit = trimmed[kIconAt];
  item.Icon = digit >= '0' && digit <= '9' ? digit - '0' : -1;
  item.Caption = frame::Trim(CodePointsFrom(trimmed, kCaptionAt, kCaptionChars));
  return true;
}

std::vector<THistoryMenuItem> HistoryMenuItems(const std::vector<device::THistoryEntry> &entries) {
  std::vector<THistoryMenuItem> items;
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    THistoryMenuItem item;
    item.Handle = it->Handle;
    if (ParseHistoryText(it->Text, item))
      items.push_back(std::move(item));
  }
  return items;
}

} // namespace qev::ui
