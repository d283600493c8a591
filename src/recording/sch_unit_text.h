#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qev::recording {

// A value of one of our own "X-Qev-*" keys, kept to one line: backslashes, control characters
// and blanks at either end are written as C escapes, which systemd leaves alone in keys it does
// not know, so the value reads back exactly as it was.
std::string EscapeUnitValue(std::string_view value);
std::string UnescapeUnitValue(std::string_view text);

// Text for a setting that systemd expands specifiers in ("%n", "%h"...): every "%" doubled.
std::string EscapeSpecifiers(std::string_view text);

// One argument of an ExecStart= line: always in double quotes, with C escapes for quotes,
// backslashes and control characters, "%" doubled against specifier expansion and "$" doubled
// against variable expansion. Quoting also keeps a lone ";" or a leading "-" or "@" from being
// read as syntax.
std::string QuoteExecArgument(std::string_view argument);
// The arguments of an ExecStart= line as systemd splits and unescapes them; nothing when the
// quoting is broken.
std::optional<std::vector<std::string>> SplitExecLine(std::string_view line);

// The settings of a unit file: sections in brackets, "Key=Value" lines, "#" and ";" comments,
// lines continued by a trailing backslash. A key given twice keeps its last value.
class TUnitFile {
public:
  static TUnitFile Parse(std::string_view text);
  std::optional<std::string> Value(const std::string &section, const std::string &key) const;

private:
  std::map<std::string, std::map<std::string, std::string>> sections_;
};

} // namespace qev::recording
