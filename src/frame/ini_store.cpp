#include "frame/ini_store.h"

#include "frame/app_paths.h"
#include "frame/atomic_file.h"
#include "frame/file_reader.h"

#include <exception>

namespace qev::frame {

namespace {
constexpr const char *kNotUsed = "; its settings are not used and it is left as it is";
} // namespace

TIniSource TIniFileStore::Load() {
  if (path_.empty())
    return {};
  try {
    // Whatever name the file has on disk is the one written back.
    path_ = FindExisting(path_);
    if (IsUnreadable(path_))
      return {{}, true, {}};
    TFileContent content = ReadFileContent(path_);
    if (content.Status == FileReadStatus::Unreadable)
      return {{}, true, content.Error() + kNotUsed};
    return {std::move(content.Text), false, {}};
  } catch (const std::exception &e) {
    return {{}, true, "Cannot read " + path_.string() + ": " + e.what() + kNotUsed};
  }
}

std::string TIniFileStore::Store(std::string_view text) {
  if (path_.empty())
    return "No file name to write the settings to";
  return WriteFileAtomically(path_, text);
}

TIniSource TIniStreamStore::Load() {
  stream_.clear();
  stream_.seekg(0);
  return {{std::istreambuf_iterator<char>(stream_), std::istreambuf_iterator<char>()}, false, {}};
}

std::string TIniStreamStore::Store(std::string_view text) {
  stream_.clear();
  stream_.str(std::string(text));
  return {};
}

} // namespace qev::frame
