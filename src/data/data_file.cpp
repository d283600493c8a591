#include "data/data_file.h"

#include "frame/app_paths.h"
#include "frame/log.h"

#include <fmt/format.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qev::data {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

TFileContent Unreadable(TFileContent content, std::string reason) {
  content.State = TFileState::Unreadable;
  content.Bytes.clear();
  content.Error = std::move(reason);
  return content;
}

std::string ErrnoText(int error) { return std::strerror(error); }

// Reads until the end (files under /proc report size 0) or until maxBytes.
bool ReadAll(int fd, std::size_t maxBytes, std::string &bytes, int &error) {
  char buffer[65536];
  while (bytes.size() < maxBytes) {
    const std::size_t want = std::min(sizeof buffer, maxBytes - bytes.size());
    const ssize_t got = ::read(fd, buffer, want);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0) {
      error = errno;
      return false;
    }
    if (got == 0)
      break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return true;
}

TFileContent ReadFound(TFileContent content, std::size_t maxBytes) {
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  const int fd = ::open(content.Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    if (error == ENOENT)
      return content;
    return Unreadable(std::move(content), ErrnoText(error));
  }
  struct stat info {};
  int error = 0;
  std::string reason;
  if (::fstat(fd, &info) != 0)
    reason = ErrnoText(errno);
  else if (S_ISDIR(info.st_mode))
    reason = ErrnoText(EISDIR);
  else if (!S_ISREG(info.st_mode))
    reason = "not a regular file";
  else if (!ReadAll(fd, maxBytes, content.Bytes, error))
    reason = ErrnoText(error);
  ::close(fd);
  if (!reason.empty())
    return Unreadable(std::move(content), std::move(reason));
  content.State = TFileState::Read;
  return content;
}

} // namespace

TFileContent ReadDataFile(const fs::path &file, std::size_t maxBytes) noexcept {
  TFileContent content;
  try {
    content.Path = frame::FindExisting(file);
    return ReadFound(std::move(content), maxBytes);
  } catch (const std::exception &e) { // a folder that cannot be listed, memory
    content.Path = file;
    return Unreadable(std::move(content), e.what());
  }
}

std::string UnreadableReason(const fs::path &file) noexcept {
  TFileContent content = ReadDataFile(file, 1);
  return std::move(content.Error);
}

void LogUnreadable(const TFileContent &content) {
  frame::Log(fmt::format("Cannot read {}: {}; the file is left as it is", content.Path.string(),
                         content.Error),
             frame::kLogError);
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
