#pragma once

#include "devkit/ts_packet.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <filesystem>
#include <fstream>

namespace qev::sim {

// Reads the packets of a transport-stream file one by one, finding the sync byte again after
// garbage; at the end it starts again or reports the end. The file's packets come out as they
// are. Where it starts again, the first packet of each PID is preceded by a packet that
// carries only an adaptation field with the discontinuity indicator, so a receiver sees the
// jump of continuity counters and clocks as announced, not as errors.
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
  bool Rewind(std::uint8_t *packet);

  std::ifstream file_;
  bool wrapped_ = false;
  std::bitset<devkit::kNullPid + 1> announced_; // PIDs marked since the last wrap
  std::array<std::uint8_t, devkit::kPacketSize> held_{};
  bool holding_ = false; // held_ follows the marker just handed out
};

// The packet announcing a discontinuity right before `next` on its PID: adaptation field only
// (which does not count), discontinuity indicator set, and the continuity counter that `next`
// continues from.
void MakeDiscontinuityPacket(const std::uint8_t *next, std::uint8_t *marker);

} // namespace qev::sim
