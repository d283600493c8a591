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

  // All -1, then what the file covers: a missing or short file leaves -1 beyond its end. A
  // file that exists but cannot be read gives all -1 and the reason (empty otherwise), and is
  // not saved over in this run.
  std::string Load(const std::filesystem::path &file);
  // Writes all 1024 bytes at once, so the old file survives a failed write. Returns an error
  // text, empty on success or when the file was left alone because it could not be read.
  std::string Save(const std::filesystem::path &file) const;

private:
  std::array<std::int32_t, kLastChannelEntries> handles_{};
  bool unreadable_ = false;
};

} // namespace qev::device
