#include "recording/record_name.h"

#include "frame/string_utils.h"

#include <array>
#include <cctype>
#include <fmt/format.h>

namespace qev::recording {

namespace {

constexpr std::string_view kEmptyBrackets[] = {"[]", "[ ]", "()", "( )"};
constexpr std::string_view kBadChars = ":<>*?|/\\.";
// "_DupNN" and "_NNN" may still be added to a fitted base name.
constexpr std::size_t kSuffixReserve = 6 + 4;

bool ControlChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7F;
}

bool Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// One piece of the format: a date-time pattern, or text taken as it is (a name or an info).
struct TPiece {
  bool Literal = false;
  std::string Text;
};

std::vector<TPiece> SplitPlaceholders(std::string_view format, std::string_view name,
                                      std::string_view info) {
  std::vector<TPiece> pieces;
  std::string pattern;
  for (std::size_t i = 0; i < format.size();) {
    const std::string_view rest = format.substr(i);
    const bool isName = frame::FindNoCase(rest.substr(0, 6), "<Name>") == 0;
    const bool isInfo = frame::FindNoCase(rest.substr(0, 6), "<Info>") == 0;
    if (isName || isInfo) {
      pieces.push_back({false, std::move(pattern)});
      pattern.clear();
      pieces.push_back({true, frame::Trim(isName ? name : info)});
      i += 6;
      continue;
    }
    pattern += format[i++];
  }
  pieces.push_back({false, std::move(pattern)});
  return pieces;
}

std::size_t RunLength(std::string_view text, std::size_t from, char letter) {
  std::size_t n = 0;
  while (from + n < text.size() &&
         std::tolower(static_cast<unsigned char>(text[from + n])) == letter)
    ++n;
  return n;
}

constexpr std::array<const char *, 12> kMonthShort = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char *, 12> kMonthLong = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char *, 7> kDayShort = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char *, 7> kDayLong = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};

std::string Number(int value, std::size_t run) {
  return run >= 2 ? fmt::format("{:02}", value) : std::to_string(value);
}

// The date-time pattern language of the name formats. "m" right after an hour means minutes.
class TDatePattern {
public:
  explicit TDatePattern(const std::tm &local) : t_(local) {}

  std::string Format(std::string_view pattern) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size();) {
      const char c = pattern[i];
      if (c == '"' || c == '\'') {
        const std::size_t end = pattern.find(c, i + 1);
        const std::size_t stop = end == std::string_view::npos ? pattern.size() : end;
        out.append(pattern.substr(i + 1, stop - i - 1));
        i = stop == pattern.size() ? stop : stop + 1;
        continue;
      }
      const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      const std::size_t run = RunLength(pattern, i, letter);
      if (!Token(letter, run, out)) {
        out += c;
        ++i;
        continue;
      }
      i += run;
    }
    return out;
  }

private:
  bool Token(char letter, std::size_t run, std::string &out) {
    const bool afterHour = lastWasHour_;
    lastWasHour_ = false;
    switch (letter) {
    case 'y':
      out += run <= 2 ? fmt::format("{:02}", (t_.tm_year + 1900) % 100)
                      : std::to_string(t_.tm_year + 1900);
      return true;
    case 'm':
      if (afterHour && run <= 2)
        out += Number(t_.tm_min, run);
      else if (run >= 4)
        out += kMonthLong[t_.tm_mon % 12];
      else if (run == 3)
        out += kMonthShort[t_.tm_mon % 12];
      else
        out += Number(t_.tm_mon + 1, run);
      return true;
    case 'd':
      if (run >= 4)
        out += kDayLong[t_.tm_wday % 7];
      else if (run == 3)
        out += kDayShort[t_.tm_wday % 7];
      else
        out += Number(t_.tm_mday, run);
      return true;
    case 'h':
      out += Number(t_.tm_hour, run);
      lastWasHour_ = true;
      return true;
    case 'n':
      out += Number(t_.tm_min, run);
      return true;
    case 's':
      out += Number(t_.tm_sec, run);
      return true;
    case 'z':
      out += run >= 3 ? "000" : "0";
      return true;
    default:
      lastWasHour_ = afterHour;
      return false;
    }
  }

  const std::tm &t_;
  bool lastWasHour_ = false;
};

std::string CollapseSpaces(std::string_view text) {
  std::string out;
  for (const char c : text)
    if (c != ' ' || out.empty() || out.back() != ' ')
      out += c;
  return out;
}

std::string Clean(std::string_view text) {
  std::string out = CollapseSpaces(text);
  for (const std::string_view pair : kEmptyBrackets)
    out = frame::ReplaceAll(out, pair, " ");
  for (char &c : out)
    if (kBadChars.find(c) != std::string_view::npos || ControlChar(c))
      c = '_';
  return CollapseSpaces(out);
}

// What a file name can never hold, whether cleaning was asked for or not.
std::string Safe(std::string text) {
  for (char &c : text)
    if (c == '/' || c == '\0' || ControlChar(c))
      c = '_';
  return text;
}

} // namespace

std::string FormatRecordName(std::string_view format, std::string_view name, std::string_view info,
                             bool clean, const std::tm &local) {
  const std::string withDate = frame::ReplaceAll(frame::Trim(format), "<Date>", "yyyymmdd", true);
  std::string text;
  for (const TPiece &piece : SplitPlaceholders(withDate, name, info))
    text += piece.Literal ? piece.Text : TDatePattern(local).Format(piece.Text);
  return frame::Trim(clean ? Clean(text) : Safe(std::move(text)));
}

std::string FormatRecordName(std::string_view format, std::string_view name, std::string_view info,
                             bool clean) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  return FormatRecordName(format, name, info, clean, local);
}

std::string NormalizeExtension(std::string_view text) {
  std::string out = frame::Trim(text);
  if (!out.empty() && out.front() != '.')
    out.insert(out.begin(), '.');
  return out;
}

std::string SafeExtension(std::string_view text, std::size_t maxChars) {
  std::string out = NormalizeExtension(text);
  for (std::size_t i = 1; i < out.size(); ++i)
    if (kBadChars.find(out[i]) != std::string_view::npos || ControlChar(out[i]) || out[i] == ' ' ||
        out[i] == '"')
      out[i] = '_';
  return CutUtf8Chars(out, maxChars);
}

std::string RecFileName(std::string_view baseName, int partNumber, std::string_view extension) {
  std::string out(baseName);
  if (partNumber > 0)
    out += fmt::format("_{:03}", partNumber);
  out += extension;
  return out;
}

std::string FitBaseName(std::string_view baseName, std::string_view extension) {
  const std::size_t reserve = kSuffixReserve + extension.size();
  const std::size_t room = reserve < kMaxFileNameBytes ? kMaxFileNameBytes - reserve : 0;
  std::string out = frame::Trim(CutUtf8(baseName, room));
  return out.empty() ? std::string("REC") : out;
}

std::string CutUtf8(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes)
    return std::string(text);
  std::size_t end = maxBytes;
  while (end > 0 && Continuation(text[end]))
    --end;
  return std::string(text.substr(0, end));
}

std::string CutUtf8Chars(std::string_view text, std::size_t maxChars) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (Continuation(text[i]))
      continue;
    if (chars++ == maxChars)
      return std::string(text.substr(0, i));
  }
  return std::string(text);
}

} // namespace qev::recording
