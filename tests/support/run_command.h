#pragma once

// Runs programs as a user would from a shell, for the tests that drive qevtool and its peers.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace qev::test {

// What the command printed on its standard output.
inline std::string Capture(const std::string &command) {
  std::string output;
  if (FILE *pipe = ::popen(command.c_str(), "r")) {
    std::array<char, 4096> buffer;
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
      output.append(buffer.data(), n);
    ::pclose(pipe);
  }
  return output;
}

inline bool HaveFfprobe() { return std::system("command -v ffprobe >/dev/null 2>&1") == 0; }

} // namespace qev::test
