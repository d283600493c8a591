#pragma once

// xmllint's verdict on an XMLTV document against the format's structure.
#include "support/run_command.h"

#include <filesystem>
#include <string>

namespace qev::test {

inline bool HaveXmllint() { return std::system("command -v xmllint >/dev/null 2>&1") == 0; }

// Empty when the file is valid, else xmllint's messages (warnings alone do not count).
inline std::string XmltvErrors(const std::filesystem::path &file) {
  const std::string dtd = std::string(QEV_TOOL_TEST_DATA) + "/xmltv-subset.dtd";
  return Capture("out=$(xmllint --noout --dtdvalid '" + dtd + "' '" + file.string() +
                 "' 2>&1) || echo \"$out\"");
}

} // namespace qev::test
