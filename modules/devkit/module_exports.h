#pragma once

// What every device module's exports share: no exception crosses into the program, texts go
// into the description's fixed fields cut and terminated, and a module finds its settings file
// beside itself.
#include "devapi/qev_devapi.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string_view>

namespace qev::devkit {

// Runs an entry so that no exception reaches the program.
template <class Result, class Body> Result Guard(Result failure, Body body) noexcept {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

inline void CopyText(std::string_view from, char *to, std::size_t size) {
  const std::size_t length = std::min(from.size(), size - 1);
  std::memcpy(to, from.data(), length);
  to[length] = '\0';
}

// A module that delivers whole packets and records ".ts" files.
inline void FillDescription(DeviceDescription &description, std::string_view name,
                            std::uint8_t videoStreams) {
  description = DeviceDescription{};
  description.Version = QEV_DEVAPI_VERSION;
  CopyText(name, description.Name, sizeof description.Name);
  CopyText("QEV-DVB", description.Author, sizeof description.Author);
  description.VideoStreams = videoStreams;
  description.VideoDecoders = 1;
  description.MinFilters = 32;
  description.Packets188 = 1;
  CopyText(".ts", description.StreamExt, sizeof description.StreamExt);
  description.StreamExtLength = 3;
}

// The file beside the module that holds `symbol`, with ".ini" for its extension:
// Devices/Dev_Sim.int -> Devices/Dev_Sim.ini. `fallback` when the module cannot be found.
inline std::filesystem::path SettingsBeside(const void *symbol, const char *fallback) {
  Dl_info info{};
  if (dladdr(symbol, &info) == 0 || info.dli_fname == nullptr)
    return fallback;
  return std::filesystem::path(info.dli_fname).replace_extension(".ini");
}

} // namespace qev::devkit
