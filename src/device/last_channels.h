#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

namespace qev::device {

inline constexpr std::size_t kLastChannelEntries = 256;
inline constexpr std::size_t kLastChannelFileBytes = kLastChannelEntries * 4;

// The channel last played in AV slot 0 on each satellite, by satellite index; -1 for none.
// "LastCh.dat" holds exactly these 256 handles as little-endian 32-bit values.
class TLastChannels {
public:
  TLastChannels() { Reset(); }

  std::int32_t Get(int satIndex) const;
  // Indexes outside 0..255 are ignored.
  void Set(int satIndex, std::int32_t handle);
  void Reset() { handles_.fill(-1); }

  // All -1, then what the file covers: a missing or short file leaves -1 beyond its end.
  void Load(const std::filesystem::path &file);
  // Writes all 1024 bytes at once, so the old file survives a failed write. Returns an error
  // text, empty on success.
  std::string Save(const std::filesystem::path &file) const;

private:
  std::array<std::int32_t, kLastChannelEntries> handles_{};
};

} // namespace qev::device
