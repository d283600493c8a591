#include "ts_file.h"

#include "devkit/ts_packet.h"

namespace qev::sim {

using devkit::kPacketSize;
using devkit::kSyncByte;

bool TsFile::Open(const std::filesystem::path &path) {
  file_.close();
  file_.clear();
  file_.open(path, std::ios::binary);
  return file_.is_open();
}

bool TsFile::ReadAligned(std::uint8_t *packet) {
  char *bytes = reinterpret_cast<char *>(packet);
  while (file_.read(bytes, kPacketSize)) {
    if (packet[0] == kSyncByte)
      return true;
    file_.seekg(1 - static_cast<std::streamoff>(kPacketSize), std::ios::cur);
  }
  return false;
}

bool TsFile::Next(std::uint8_t *packet, bool loop) {
  if (!file_.is_open())
    return false;
  if (ReadAligned(packet))
    return true;
  if (!loop)
    return false;
  file_.clear();
  file_.seekg(0);
  return ReadAligned(packet);
}

} // namespace qev::sim
