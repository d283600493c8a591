#include "data/data_file.h"

#include "frame/app_paths.h"
#include "frame/log.h"

#include <fmt/format.h>

namespace qev::data {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Finds the file in whatever letter case it has on disk, then reads it with read.
template <typename TRead> TFileContent ReadFound(const fs::path &file, TRead read) noexcept {
  try {
    return read(frame::FindExisting(file));
  } catch (const std::exception &e) { // only when memory runs out, before anything was read
    return {FileReadStatus::Unreadable, file, {}, e.what()};
  }
}

} // namespace

TFileContent ReadDataFile(const fs::path &file) noexcept {
  return ReadFound(file, [](const fs::path &found) { return frame::ReadFileContent(found); });
}

TFileContent ReadDataFileStart(const fs::path &file, std::size_t bytes) noexcept {
  return ReadFound(file,
                   [bytes](const fs::path &found) { return frame::ReadFileStart(found, bytes); });
}

std::string UnreadableReason(const fs::path &file) noexcept {
  TFileContent content = ReadDataFileStart(file, 1);
  return std::move(content.Reason);
}

void LogUnreadable(const TFileContent &content) {
  frame::Log(content.Error() + "; the file is left as it is", frame::kLogError);
}

std::vector<std::string> TextLines(std::string_view text) {
  if (text.starts_with(kUtf8Bom))
    text.remove_prefix(kUtf8Bom.size());
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r'))
      line.remove_suffix(1);
    lines.emplace_back(line);
    if (end == std::string_view::npos)
      break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::string UnreadableSaveText(std::string_view createText, const fs::path &file,
                               const std::string &readError) {
  return fmt::format("{}{}\rIt could not be read ({}), so it is not written over.", createText,
                     file.string(), readError);
}

std::string SaveFailureText(std::string_view createText, std::string_view saveText,
                            const fs::path &file, const std::string &writeError) {
  // The writer's text names the file; the reason is what follows its last ": ".
  const std::size_t colon = writeError.rfind(": ");
  const std::string reason = colon == std::string::npos ? writeError : writeError.substr(colon + 2);
  if (writeError.starts_with("Cannot create"))
    return fmt::format("{}{}\r{}", createText, file.string(), reason);
  return fmt::format("{}{}", saveText, writeError);
}

} // namespace qev::data
