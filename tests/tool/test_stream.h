#pragma once

// A short transport stream made by tsgen for the tests that play a file.
#include "description_file.h"
#include "multiplexer.h"

#include <filesystem>
#include <sstream>
#include <string>
#include <unistd.h>

namespace qev::test {

inline constexpr const char *kTestStreamDescription =
    "[transponder]\ntsid = 7\nonid = 1\nnetwork_id = 1\n"
    "start = 2026-12-09 20:00:00\nduration = 2\n"
    "[service]\nid = 0x21\npmt = 0x100\npcr = 0x101\ntype = 1\n"
    "name = One\nprovider = Test\n"
    "[stream]\nkind = mpeg2\npid = 0x101\n";

// A two-second stream in the temporary folder; `name` tells the files of one test program apart.
inline std::filesystem::path MakeTestStream(const std::string &name) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                     ("qev-" + name + "-" + std::to_string(::getpid()) + ".ts");
  std::istringstream in(kTestStreamDescription);
  tsgen::GenerateFile(tsgen::DescriptionFile::Parse(in), file.string());
  return file;
}

} // namespace qev::test
