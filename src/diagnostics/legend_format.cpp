#include "diagnostics/legend_format.h"

#include <cctype>

namespace qev::diagnostics {

namespace {

constexpr std::size_t kMaxWidth = 20;

// The length of a "%Nd" at `at` (0 when there is none) and its width.
std::size_t Placeholder(const std::string &text, std::size_t at, std::size_t &width) {
  std::size_t i = at + 1;
  width = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && i - at <= 2) {
    width = width * 10 + static_cast<std::size_t>(text[i] - '0');
    ++i;
  }
  if (i >= text.size() || text[i] != 'd' || width > kMaxWidth)
    return 0;
  return i + 1 - at;
}

} // namespace

std::string FormatLegend(const std::string &text, std::int64_t value) {
  std::string out;
  bool filled = false;
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] != '%') {
      out += text[i++];
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '%') {
      out += '%';
      i += 2;
      continue;
    }
    std::size_t width = 0;
    const std::size_t length = filled ? 0 : Placeholder(text, i, width);
    if (length == 0) {
      out += text[i++];
      continue;
    }
    const std::string number = std::to_string(value);
    if (number.size() < width)
      out.append(width - number.size(), ' ');
    out += number;
    filled = true;
    i += length;
  }
  return out;
}

} // namespace qev::diagnostics
