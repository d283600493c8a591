#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace qev::guide {

class TEpgStore;

// The guide kept across restarts, in the root.
inline constexpr const char *kKeptGuideFile = "Guide.dat";

// Writes the events that have not ended by nowUtc, replacing the file as a whole (a failure
// leaves the old file). Returns an error text, empty on success.
std::string SaveKeptGuide(const TEpgStore &store, const std::filesystem::path &file,
                          std::int64_t nowUtc);
// Adds the kept events that have not ended to the store. A missing file is no error; a file
// that cannot be read, or whose version or checksum is wrong, adds nothing and gives false with
// the reason. Never throws.
bool LoadKeptGuide(TEpgStore &store, const std::filesystem::path &file, std::int64_t nowUtc,
                   std::string &error);

} // namespace qev::guide
