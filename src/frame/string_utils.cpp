#include "frame/string_utils.h"

#include "frame/case_fold.h"

#include <algorithm>

namespace qev::frame {

namespace {
char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
} // namespace

std::string Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return std::string(text);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[j]);
    if (x < 0x80 && y < 0x80) {
      if (FoldAscii(a[i++]) != FoldAscii(b[j++]))
        return false;
      continue;
    }
    const auto cx = NextCodePoint(a, i);
    const auto cy = NextCodePoint(b, j);
    if (!cx || !cy) {
      // A byte that starts no character matches only the same byte.
      if (cx || cy || x != y)
        return false;
    } else if (FoldCase(*cx) != FoldCase(*cy)) {
      return false;
    }
  }
  return i == a.size() && j == b.size();
}

std::size_t FindNoCase(std::string_view text, std::string_view needle, std::size_t from) {
  if (from > text.size())
    return std::string_view::npos;
  auto it = std::search(text.begin() + from, text.end(), needle.begin(), needle.end(),
                        [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
  return it == text.end() && !needle.empty() ? std::string_view::npos : it - text.begin();
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to,
                       bool ignoreCase) {
  if (from.empty())
    return std::string(text);
  std::string out;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t hit = ignoreCase ? FindNoCase(text, from, pos) : text.find(from, pos);
    if (hit == std::string_view::npos)
      break;
    out.append(text.substr(pos, hit - pos)).append(to);
    pos = hit + from.size();
  }
  return out.append(text.substr(pos));
}

std::string DeleteChars(std::string_view text, std::string_view chars) {
  std::string out;
  std::copy_if(text.begin(), text.end(), std::back_inserter(out),
               [&](char c) { return chars.find(c) == std::string_view::npos; });
  return out;
}

std::string PadLeft(std::string_view text, std::size_t width, char fill) {
  std::string out(width > text.size() ? width - text.size() : 0, fill);
  return out.append(text);
}

std::string PadRight(std::string_view text, std::size_t width, char fill) {
  std::string out(text);
  if (width > out.size())
    out.append(width - out.size(), fill);
  return out;
}

std::vector<std::string> SplitAt(std::string_view text, std::string_view separators) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || separators.find(text[i]) != std::string_view::npos) {
      fields.emplace_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return fields;
}

std::string HexDump(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (std::uint8_t b : bytes) {
    if (!out.empty())
      out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 0x0F];
  }
  return out;
}

std::string JoinArguments(std::span<const std::string> arguments) {
  std::string joined;
  for (const auto& argument : arguments) {
    if (!joined.empty())
      joined += ' ';
    joined += argument;
  }
  return Trim(joined);
}

} // namespace qev::frame
