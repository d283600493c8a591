#include "frame/ini_value.h"

#include "frame/string_utils.h"

#include <charconv>
#include <cmath>

namespace qev::frame {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) < '!'; }
bool IsQuote(char c) { return c == '"' || c == '\''; }

bool IsQuoted(std::string_view text) {
  return text.size() > 1 && IsQuote(text.front()) && text.front() == text.back();
}

std::optional<std::uint32_t> ParseHex(std::string_view digits) {
  std::uint32_t value = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
    return std::nullopt;
  return value;
}

std::optional<std::int32_t> ParseDecimal(std::string_view text) {
  if (text.starts_with('+'))
    text.remove_prefix(1);
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size())
    return std::nullopt;
  return value;
}

} // namespace

std::size_t CommentStart(std::string_view stored) {
  bool quoted = false;
  for (std::size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] == '"')
      quoted = !quoted;
    else if (stored[i] == ';' && !quoted)
      return i;
  }
  return std::string_view::npos;
}

std::string DecodeValue(std::string_view stored) {
  std::string value = Trim(stored.substr(0, CommentStart(stored)));
  if (IsQuoted(value))
    return value.substr(1, value.size() - 2);
  return value;
}

std::optional<std::string> EncodeValue(std::string_view value) {
  if (!IsSingleLine(value))
    return std::nullopt;
  const bool needsQuotes = value.find(';') != std::string_view::npos || IsQuoted(value) ||
                           (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back())));
  if (needsQuotes)
    return "\"" + std::string(value) + "\"";
  return std::string(value);
}

bool IsSafeKeyName(std::string_view name) {
  const std::string trimmed = Trim(name);
  return !trimmed.empty() && IsSingleLine(trimmed) && trimmed.find('=') == std::string::npos &&
         trimmed.front() != ';' && trimmed.front() != '[';
}

bool IsSingleLine(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::optional<std::int32_t> ParseInteger(std::string_view text) {
  std::optional<std::uint32_t> hex;
  if (text.size() > 2 && (text.starts_with("0x") || text.starts_with("0X")))
    hex = ParseHex(text.substr(2));
  else if (text.starts_with('$'))
    hex = ParseHex(text.substr(1));
  else
    return ParseDecimal(text);
  if (!hex)
    return std::nullopt;
  return static_cast<std::int32_t>(*hex);
}

std::optional<double> ParseFloat(std::string_view text) {
  std::string dotted(text);
  for (char &c : dotted) {
    if (c == ',')
      c = '.';
  }
  if (dotted.starts_with('+'))
    dotted.erase(0, 1);
  double value = 0;
  const auto [end, error] = std::from_chars(dotted.data(), dotted.data() + dotted.size(), value);
  if (dotted.empty() || error != std::errc() || end != dotted.data() + dotted.size() ||
      !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::string FormatFloat(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string FormatHex(std::uint32_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text(static_cast<std::size_t>(digits) + 1, '0');
  text[0] = '$';
  for (int i = digits; i > 0 && value != 0; --i, value >>= 4)
    text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
  return text;
}

} // namespace qev::frame
