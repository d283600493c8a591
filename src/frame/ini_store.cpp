#include "frame/ini_store.h"

#include "frame/app_paths.h"
#include "frame/atomic_file.h"

#include <fstream>
#include <sstream>

namespace qev::frame {

std::string TIniFileStore::Load() {
  if (path_.empty())
    return {};
  // Whatever name the file has on disk is the one written back.
  path_ = FindExisting(path_);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path_, ec))
    return {};
  std::ifstream in(path_, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return std::move(text).str();
}

std::string TIniFileStore::Store(std::string_view text) {
  if (path_.empty())
    return "No file name to write the settings to";
  return WriteFileAtomically(path_, text);
}

std::string TIniStreamStore::Load() {
  stream_.clear();
  stream_.seekg(0);
  return {std::istreambuf_iterator<char>(stream_), std::istreambuf_iterator<char>()};
}

std::string TIniStreamStore::Store(std::string_view text) {
  stream_.clear();
  stream_.str(std::string(text));
  return {};
}

} // namespace qev::frame
