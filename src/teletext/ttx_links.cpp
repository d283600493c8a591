#include "teletext/ttx_links.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace qev::teletext {
namespace {

using TRow = std::array<std::uint8_t, kTtxColumns>;

char LinkChar(std::uint8_t byte) {
  const std::uint8_t code = byte & 0x7F;
  return code >= 0x21 && code <= 0x7E ? static_cast<char>(code) : ' ';
}

template <typename Predicate>
std::string RunThrough(const TRow &bytes, int column, Predicate inRun) {
  if (!inRun(LinkChar(bytes[column])))
    return {};
  int first = column;
  while (first > 0 && inRun(LinkChar(bytes[first - 1])))
    --first;
  int last = column;
  while (last + 1 < kTtxColumns && inRun(LinkChar(bytes[last + 1])))
    ++last;
  std::string run;
  for (int i = first; i <= last; ++i)
    run += LinkChar(bytes[i]);
  return run;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsWordChar(char c) { return c != ' ' && std::strchr("<>,?;!#$%^&*()\"", c) == nullptr; }

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

bool LooksLikeAddress(const std::string &word) {
  const std::string upper = Upper(word);
  for (const char *mark : {"WWW.", ".COM", ".ORG", ".NET"}) {
    if (upper.find(mark) != std::string::npos)
      return true;
  }
  return false;
}

TTtxLink TextRowLink(const TRow &bytes, int column) {
  const std::string digits = RunThrough(bytes, column, IsDigit);
  if (!digits.empty()) {
    // A long run of digits is no page number; only its length need be looked at.
    const int value = digits.size() <= 3 ? std::stoi(digits) : 0;
    return value >= kTtxFirstPage && value <= kTtxLastPage ? TTtxLink{value, {}} : TTtxLink{};
  }
  std::string word = RunThrough(bytes, column, IsWordChar);
  if (!LooksLikeAddress(word))
    return {};
  return {0, std::move(word)};
}

TTtxLink ColourLink(const TtxPageBuffer &page, int column) {
  int colour = 7;
  for (int i = 0; i <= column; ++i) {
    const std::uint8_t code = page.Rows[24][i] & 0x7F;
    if (code <= 0x07)
      colour = code;
    else if (code >= 0x10 && code <= 0x17)
      colour = code - 0x10;
  }
  int index = -1;
  switch (colour) {
  case 1:
    index = 0;
    break;
  case 2:
    index = 1;
    break;
  case 3:
    index = 2;
    break;
  case 6:
    index = 3;
    break;
  default:
    return {};
  }
  const int target = page.LinkPage[index];
  return target >= kTtxFirstPage && target <= kTtxLastPage ? TTtxLink{target, {}} : TTtxLink{};
}

std::string Trimmed(const std::string &text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos)
    return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

} // namespace

TTtxLink LinkAt(const TtxPageBuffer &page, int column, int row) {
  if (column < 0 || column >= kTtxColumns)
    return {};
  if (row >= 1 && row <= 23)
    return TextRowLink(page.Rows[row], column);
  if (row == 24)
    return ColourLink(page, column);
  return {};
}

std::string LinkCaption(const TTtxLink &link) {
  if (link.Page)
    return std::to_string(link.Page);
  return link.Text.empty() ? std::string() : std::string("LINK");
}

std::string LinkUrl(const std::string &text) {
  const std::string trimmed = Trimmed(text);
  if (trimmed.find('@') != std::string::npos)
    return "mailto:" + trimmed;
  if (Upper(trimmed).find("HTTP://") != std::string::npos)
    return trimmed;
  return "http://" + trimmed;
}

bool IsOpenableUrl(const std::string &url) {
  const bool plain =
      std::all_of(url.begin(), url.end(), [](unsigned char c) { return c > 0x20 && c < 0x7F; });
  if (!plain)
    return false;
  const std::string upper = Upper(url);
  for (const char *scheme : {"HTTP://", "HTTPS://", "MAILTO:"}) {
    const std::size_t length = std::strlen(scheme);
    if (upper.size() > length && upper.compare(0, length, scheme) == 0)
      return true;
  }
  return false;
}

} // namespace qev::teletext
