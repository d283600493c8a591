#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace qev::linuxdvb {

inline constexpr const char *kSettingsSection = "LinuxDvb";
inline constexpr int kDefaultLockWaitMs = 1000;

// The module's own settings, "Dev_LinuxDvb.ini" beside the module:
//   [LinuxDvb]
//   Adapter=0          /dev/dvb/adapterN
//   Frontend=0         frontendM, demuxM and dvrM of that adapter
//   DvbFolder=/dev/dvb
//   LockWait=1000      ms DVB-S may take to lock before DVB-S2 is tried
// A missing file means all defaults.
struct TDvbSettings {
  std::string dvbFolder = "/dev/dvb";
  int adapter = 0;
  int frontend = 0;
  int lockWaitMs = kDefaultLockWaitMs;
};

// The settings, or nothing with `error` set when the file exists but cannot be read or holds a
// value out of range.
std::optional<TDvbSettings> LoadDvbSettings(const std::filesystem::path &path, std::string &error);
std::optional<TDvbSettings> ParseDvbSettings(const std::string &text, std::string &error);

} // namespace qev::linuxdvb
