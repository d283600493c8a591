#include "recording/sch_unit_text.h"

#include "frame/string_utils.h"

#include <fmt/format.h>

namespace qev::recording {

namespace {

// The C escape of a character that may not stand as it is, or nothing.
std::optional<std::string> ControlEscape(char c) {
  switch (c) {
  case '\n':
    return "\\n";
  case '\r':
    return "\\r";
  case '\t':
    return "\\t";
  default:
    break;
  }
  const auto byte = static_cast<unsigned char>(c);
  if (byte < 0x20 || byte == 0x7F)
    return fmt::format("\\x{:02x}", byte);
  return std::nullopt;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// Reads the escape after the backslash at text[i]; advances i past it. Unknown escapes are
// kept as they stand.
std::string ReadEscape(std::string_view text, std::size_t &i) {
  if (i + 1 >= text.size()) {
    ++i;
    return "\\";
  }
  const char c = text[i + 1];
  i += 2;
  switch (c) {
  case 'n':
    return "\n";
  case 'r':
    return "\r";
  case 't':
    return "\t";
  case '\\':
  case '"':
  case '\'':
    return std::string(1, c);
  case 'x':
    if (i + 1 < text.size() && HexDigit(text[i]) >= 0 && HexDigit(text[i + 1]) >= 0) {
      const char byte = static_cast<char>(HexDigit(text[i]) * 16 + HexDigit(text[i + 1]));
      i += 2;
      return std::string(1, byte);
    }
    break;
  default:
    break;
  }
  return std::string{'\\', c};
}

// Undoes what systemd expands after splitting: "$$" and "%%" stand for one character.
std::string CollapseDoubled(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if ((text[i] == '$' || text[i] == '%') && i + 1 < text.size() && text[i + 1] == text[i])
      ++i;
  }
  return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

} // namespace

std::string EscapeUnitValue(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    const bool edge = i == 0 || i + 1 == value.size();
    if (const auto escape = ControlEscape(c))
      out += *escape;
    else if (c == ' ' && edge)
      out += "\\x20";
    else if (c == '\\')
      // A backslash at the end of a line would join the next line to it.
      out += i + 1 == value.size() ? "\\x5c" : "\\\\";
    else
      out += c;
  }
  return out;
}

std::string UnescapeUnitValue(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == '\\')
      out += ReadEscape(text, i);
    else
      out += text[i++];
  }
  return out;
}

std::string EscapeSpecifiers(std::string_view text) { return frame::ReplaceAll(text, "%", "%%"); }

std::string QuoteExecArgument(std::string_view argument) {
  std::string out = "\"";
  for (const char c : argument) {
    if (const auto escape = ControlEscape(c))
      out += *escape;
    else if (c == '\\' || c == '"')
      out += {'\\', c};
    else if (c == '%' || c == '$')
      out += {c, c};
    else
      out += c;
  }
  return out + "\"";
}

std::optional<std::vector<std::string>> SplitExecLine(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  // Prefixes of the program path ("-", "@", ":", "+", "!") change how it runs, not what runs.
  while (i < line.size() && std::string_view("-@:+!").find(line[i]) != std::string_view::npos)
    ++i;
  while (true) {
    while (i < line.size() && IsBlank(line[i]))
      ++i;
    if (i >= line.size())
      return words;
    std::string word;
    char quote = 0;
    while (i < line.size() && (quote || !IsBlank(line[i]))) {
      const char c = line[i];
      if (c == '\\') {
        word += ReadEscape(line, i);
      } else if (quote && c == quote) {
        quote = 0;
        ++i;
      } else if (!quote && (c == '"' || c == '\'')) {
        quote = c;
        ++i;
      } else {
        word += c;
        ++i;
      }
    }
    if (quote)
      return std::nullopt;
    words.push_back(CollapseDoubled(word));
  }
}

TUnitFile TUnitFile::Parse(std::string_view text) {
  TUnitFile file;
  std::string section;
  std::string pending;
  for (const std::string &raw : frame::SplitAt(text, "\n")) {
    std::string line = frame::Trim(raw);
    if (pending.empty() && (line.empty() || line[0] == '#' || line[0] == ';'))
      continue;
    const std::size_t trailing = line.size() - line.find_last_not_of('\\') - 1;
    if (!line.empty() && line.find_last_not_of('\\') != std::string::npos && trailing % 2 == 1) {
      pending += line.substr(0, line.size() - 1) + " ";
      continue;
    }
    line = pending + line;
    pending.clear();
    if (line.front() == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos)
      continue;
    file.sections_[section][frame::Trim(line.substr(0, equals))] =
        frame::Trim(line.substr(equals + 1));
  }
  return file;
}

std::optional<std::string> TUnitFile::Value(const std::string &section,
                                            const std::string &key) const {
  const auto found = sections_.find(section);
  if (found == sections_.end())
    return std::nullopt;
  const auto value = found->second.find(key);
  if (value == found->second.end())
    return std::nullopt;
  return value->second;
}

} // namespace qev::recording
