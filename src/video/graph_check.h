#pragma once

#include "video/filter_registry.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qev::video {

inline constexpr const char *kUnknownFileType = "Unknow file type.";
inline constexpr const char *kFileNotFound = "File NOT found";
inline constexpr const char *kInvalidGrf = "Invalid GRF file";
inline constexpr const char *kSectionNotFound = "Section NOT found.";
inline constexpr const char *kGraphEmpty = "Graph is empty.";
inline constexpr const char *kLibraryMissing = "Library missing";
inline constexpr const char *kClassNotRegistered = "Class not registered";

// (class id, name) of every filter a graph file loads, or the reason there are none.
struct TGraphFilters {
  std::vector<std::pair<std::string, std::string>> Filters;
  std::string Error;
  std::string ReadError; // the reason an existing file could not be read
};

// The filter section of a saved binary graph, read as 16-bit text of which only the low byte
// of each character counts. Every length in it comes from the file and is bounded by it.
TGraphFilters ScanGrf(std::string_view bytes);
TGraphFilters GraphFileFilters(const std::filesystem::path &file);

struct TGraphCheckRow {
  std::string ClassId, Name;
  int Status = kFilterUsable;
  std::vector<std::pair<std::string, std::string>> Details; // caption, value
  bool Failed() const { return Status != kFilterUsable; }
};

struct TGraphCheck {
  TGraphFilters Scan;
  std::vector<TGraphCheckRow> Rows;
  bool AllUsable() const;
};

TGraphCheck CheckGraphFilters(const std::filesystem::path &file, IFilterRegistry &registry);

} // namespace qev::video
