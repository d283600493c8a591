#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace qev::tool {

// Parses the common options, sets the program's paths and runs the command; the exit code.
int RunTool(const std::vector<std::string> &args, const std::filesystem::path &exeDir,
            std::ostream &out, std::ostream &err);

} // namespace qev::tool
