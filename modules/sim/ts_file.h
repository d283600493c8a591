#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>

namespace qev::sim {

// Reads the packets of a transport-stream file one by one, finding the sync byte again after
// garbage; at the end it starts again or reports the end.
class TsFile {
public:
  bool Open(const std::filesystem::path &path);
  bool IsOpen() const { return file_.is_open(); }
  void Close() { file_.close(); }
  // Copies the next 188-byte packet; false at the end (when not looping) or on a file without
  // packets.
  bool Next(std::uint8_t *packet, bool loop);

private:
  bool ReadAligned(std::uint8_t *packet);

  std::ifstream file_;
};

} // namespace qev::sim
