#include "data/si_text.h"

#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace qev::data {

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The character set a field's first bytes select, and how many bytes the selection takes.
struct TableChoice {
  const char *charset;
  std::size_t skip;
  bool singleByte;
  std::size_t unit = 1; // bytes per character unit; a unit that does not convert is skipped
};

constexpr const char *kDefaultTable = "ISO_6937";
// A selector without a table: the bytes are passed on as they are, each its own character.
constexpr const char *kNoTable = "ISO-8859-1";

const char *const kIso8859Tables[] = {nullptr,      "ISO-8859-5",  "ISO-8859-6",  "ISO-8859-7",
                                      "ISO-8859-8", "ISO-8859-9",  "ISO-8859-10", "ISO-8859-11",
                                      nullptr,      "ISO-8859-13", "ISO-8859-14", "ISO-8859-15"};

TableChoice ChooseTable(std::span<const std::uint8_t> text) {
  if (text.empty() || text[0] >= 0x20)
    return {kDefaultTable, 0, true};
  const std::uint8_t selector = text[0];
  if (selector <= 0x0B) {
    const char *table = kIso8859Tables[selector];
    return {table ? table : kNoTable, 1, true};
  }
  static const char *const kParts[] = {nullptr,      "ISO-8859-1",  "ISO-8859-2",  "ISO-8859-3",
                                       "ISO-8859-4", "ISO-8859-5",  "ISO-8859-6",  "ISO-8859-7",
                                       "ISO-8859-8", "ISO-8859-9",  "ISO-8859-10", "ISO-8859-11",
                                       nullptr,      "ISO-8859-13", "ISO-8859-14", "ISO-8859-15"};
  switch (selector) {
  case 0x10:
    if (text.size() < 3 || text[1] != 0 || text[2] >= 16 || !kParts[text[2]])
      return {kNoTable, 3, true};
    return {kParts[text[2]], 3, true};
  case 0x11:
    return {"UCS-2BE", 1, false, 2};
  case 0x12:
    return {"EUC-KR", 1, false};
  case 0x13:
    return {"GB2312", 1, false};
  case 0x14:
    return {"BIG5", 1, false}; // what broadcasters actually send for "Big5 subset"
  case 0x15:
    return {"UTF-8", 1, false};
  case 0x1F:
    return {kNoTable, 2, true}; // followed by an encoding_type_id without a table here
  default:
    return {kNoTable, 1, true}; // reserved
  }
}

// Converts with iconv, skipping a unit that does not convert instead of giving up.
std::string Convert(const char *charset, std::string in, std::size_t unit) {
  iconv_t cd = iconv_open("UTF-8", charset);
  if (cd == reinterpret_cast<iconv_t>(-1))
    return {};
  std::string out(in.size() * 4 + 8, '\0');
  char *src = in.data();
  std::size_t srcLeft = in.size();
  char *dst = out.data();
  std::size_t dstLeft = out.size();
  while (srcLeft > 0) {
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1))
      break;
    if (errno == E2BIG)
      break; // cannot happen with four output bytes per input byte
    const std::size_t drop = std::min(unit, srcLeft); // EILSEQ or EINVAL
    src += drop;
    srcLeft -= drop;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return out;
}

// The default table is ISO/IEC 6937 with the euro sign added at 0xA4, where iconv's table has
// nothing.
std::string ConvertDefault(std::string_view bytes) {
  std::string out;
  for (std::size_t start = 0;;) {
    const std::size_t euro = bytes.find('\xA4', start);
    out += Convert(kDefaultTable, std::string(bytes.substr(start, euro - start)), 1);
    if (euro == std::string_view::npos)
      return out;
    out += "\u20AC";
    start = euro + 1;
  }
}

// Decodes one UTF-8 character at i; advances i. Invalid bytes come back as U+FFFD.
char32_t NextCodePoint(std::string_view s, std::size_t &i) {
  const unsigned char c = s[i++];
  if (c < 0x80)
    return c;
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
  if (extra < 0)
    return 0xFFFD;
  char32_t cp = c & (0x3F >> extra);
  for (; extra > 0; --extra) {
    if (i >= s.size() || !IsContinuation(s[i]))
      return 0xFFFD;
    cp = (cp << 6) | (s[i++] & 0x3F);
  }
  return cp;
}

void AppendUtf8(std::string &out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool IsControl(char32_t cp) {
  return cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F) || (cp >= 0xE080 && cp <= 0xE09F);
}

std::string DropControls(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const char32_t cp = NextCodePoint(utf8, i);
    if (!IsControl(cp))
      AppendUtf8(out, cp);
  }
  return out;
}

// A locale object of its own, so that folding never depends on what the process chose.
locale_t FoldingLocale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  return locale;
}

char32_t FoldCodePoint(char32_t cp) {
  if (cp < 0x80)
    return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
  const locale_t locale = FoldingLocale();
  if (!locale)
    return cp;
  return static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), locale));
}

} // namespace

std::string_view CutUtf8(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes)
    return text;
  std::size_t end = maxBytes;
  while (end > 0 && IsContinuation(text[end]))
    --end;
  return text.substr(0, end);
}

std::string DecodeSiText(std::span<const std::uint8_t> field, std::size_t max) {
  if (field.empty())
    return {};
  const std::size_t n = std::min<std::size_t>({std::size_t{field[0]}, max, field.size() - 1});
  const std::span<const std::uint8_t> text = field.subspan(1, n);
  const TableChoice table = ChooseTable(text);
  std::string bytes;
  for (const std::uint8_t b : text.subspan(std::min(table.skip, text.size()))) {
    // In single-byte tables 0x80..0x9F are control codes and never characters.
    if (!(table.singleByte && b >= 0x80 && b <= 0x9F))
      bytes += static_cast<char>(b);
  }
  if (table.charset == kDefaultTable)
    return DropControls(ConvertDefault(bytes));
  return DropControls(Convert(table.charset, std::move(bytes), table.unit));
}

std::string FoldCase(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();)
    AppendUtf8(out, FoldCodePoint(NextCodePoint(utf8, i)));
  return out;
}

bool EqualsFold(std::string_view a, std::string_view b) { return FoldCase(a) == FoldCase(b); }

bool ContainsFold(std::string_view text, std::string_view needle) {
  return FoldCase(text).find(FoldCase(needle)) != std::string::npos;
}

} // namespace qev::data
