#include "dvb_settings.h"

#include "devkit/ini_reader.h"

#include <fmt/format.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

namespace qev::linuxdvb {

namespace {

constexpr long kLargestNumber = 255;
constexpr long kLongestLockWaitMs = 60000;

bool TakeNumber(const devkit::IniFile &ini, const char *key, long largest, int &value,
                std::string &error) {
  const std::string stored = ini.Get(kSettingsSection, key);
  const std::string_view text = devkit::TrimText(stored);
  if (text.empty())
    return true;
  long number = -1;
  const auto [end, failed] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (failed != std::errc() || end != text.data() + text.size() || number < 0 || number > largest) {
    error = fmt::format("{}={} is not a number in 0..{}", key, text, largest);
    return false;
  }
  value = static_cast<int>(number);
  return true;
}

// The whole file; -errno when it cannot be read.
int ReadWholeFile(const std::filesystem::path &path, std::string &text) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return -errno;
  char buffer[4096];
  int result = 0;
  for (;;) {
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR)
      continue;
    if (count <= 0) {
      result = count < 0 ? -errno : 0;
      break;
    }
    text.append(buffer, static_cast<std::size_t>(count));
  }
  ::close(fd);
  return result;
}

} // namespace

std::optional<TDvbSettings> ParseDvbSettings(const std::string &text, std::string &error) {
  const devkit::IniFile ini = devkit::IniFile::Parse(text);
  TDvbSettings settings;
  settings.dvbFolder = ini.Get(kSettingsSection, "DvbFolder", settings.dvbFolder);
  if (!TakeNumber(ini, "Adapter", kLargestNumber, settings.adapter, error) ||
      !TakeNumber(ini, "Frontend", kLargestNumber, settings.frontend, error) ||
      !TakeNumber(ini, "LockWait", kLongestLockWaitMs, settings.lockWaitMs, error))
    return std::nullopt;
  return settings;
}

std::optional<TDvbSettings> LoadDvbSettings(const std::filesystem::path &path, std::string &error) {
  std::string text;
  if (const int result = ReadWholeFile(path, text); result < 0) {
    // Only a file that is not there means the defaults.
    if (result == -ENOENT)
      return TDvbSettings{};
    error = fmt::format("Cannot read {}: {}", path.string(), std::strerror(-result));
    return std::nullopt;
  }
  auto settings = ParseDvbSettings(text, error);
  if (!settings)
    error = fmt::format("{}: {}", path.filename().string(), error);
  return settings;
}

} // namespace qev::linuxdvb
