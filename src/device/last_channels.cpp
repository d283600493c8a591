#include "device/last_channels.h"

#include "frame/atomic_file.h"
#include "frame/file_reader.h"

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

std::string TLastChannels::Load(const std::filesystem::path &file) {
  Reset();
  const frame::TFileContent content = frame::ReadFileStart(file, kLastChannelFileBytes);
  unreadable_ = content.Status == frame::FileReadStatus::Unreadable;
  if (unreadable_)
    return content.Error();
  const auto *bytes = reinterpret_cast<const unsigned char *>(content.Text.data());
  const std::size_t whole = content.Text.size() / 4;
  for (std::size_t i = 0; i < whole; ++i)
    handles_[i] = ReadLittleEndian(bytes + 4 * i);
  return {};
}

std::string TLastChannels::Save(const std::filesystem::path &file) const {
  if (unreadable_) // what is in memory is not what the file holds: it is left as it is
    return {};
  std::string bytes(kLastChannelFileBytes, '\0');
  for (std::size_t i = 0; i < kLastChannelEntries; ++i)
    WriteLittleEndian(handles_[i], bytes.data() + 4 * i);
  return frame::WriteFileAtomically(file, bytes);
}

} // namespace qev::device
