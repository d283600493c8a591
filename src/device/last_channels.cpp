#include "device/last_channels.h"

#include "frame/atomic_file.h"

#include <fstream>

namespace qev::device {

namespace {

std::int32_t ReadLittleEndian(const unsigned char *bytes) {
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
      static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24);
}

void WriteLittleEndian(std::int32_t value, char *bytes) {
  const auto v = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i)
    bytes[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

} // namespace

std::int32_t TLastChannels::Get(int satIndex) const {
  if (satIndex < 0 || static_cast<std::size_t>(satIndex) >= kLastChannelEntries)
    return -1;
  return handles_[static_cast<std::size_t>(satIndex)];
}

void TLastChannels::Set(int satIndex, std::int32_t handle) {
  if (satIndex >= 0 && static_cast<std::size_t>(satIndex) < kLastChannelEntries)
    handles_[static_cast<std::size_t>(satIndex)] = handle;
}

void TLastChannels::Load(const std::filesystem::path &file) {
  Reset();
  std::ifstream in(file, std::ios::binary);
  unsigned char bytes[kLastChannelFileBytes];
  in.read(reinterpret_cast<char *>(bytes), sizeof bytes);
  const auto whole = static_cast<std::size_t>(in.gcount()) / 4;
  for (std::size_t i = 0; i < whole; ++i)
    handles_[i] = ReadLittleEndian(bytes + 4 * i);
}

std::string TLastChannels::Save(const std::filesystem::path &file) const {
  std::string bytes(kLastChannelFileBytes, '\0');
  for (std::size_t i = 0; i < kLastChannelEntries; ++i)
    WriteLittleEndian(handles_[i], bytes.data() + 4 * i);
  return frame::WriteFileAtomically(file, bytes);
}

} // namespace qev::device
