#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

namespace qev::video {

// Media-type detection of the live source (`MTDetect`).
inline constexpr int kDetectOff = 0;
inline constexpr int kDetectReport = 1;
inline constexpr int kDetectAndUse = 2;

// Section `Options` of "DirectShow.cfg".
struct TDirectShowOptions {
  int Latency = 0; // ms, 0..2000
  int MTDetect = kDetectReport;
  bool DirRecon = true;
  bool OnlyIFrm = false;
  std::uint32_t RMaskVid = 0x102;
  std::uint32_t RMaskAud = 0x100;
  bool NonModPP = false;
  // How long detection mode 2 waits for the streams before it runs the graph; kept in memory
  // only, never written.
  std::chrono::milliseconds RunTimeout{1500};
};

inline constexpr const char *kDirectShowFileName = "DirectShow.cfg";

// Missing keys, a missing file or one that cannot be read (reported by the settings engine)
// give the defaults; the run time-out is left as given.
TDirectShowOptions LoadDirectShowOptions(const std::filesystem::path &file,
                                         TDirectShowOptions options = {});
// Answers the error text of a failed write, empty on success.
std::string SaveDirectShowOptions(const std::filesystem::path &file,
                                  const TDirectShowOptions &options);

// The name a slot's graph file is configured under: 0 "AV0", 1..3 "PIP", 4 "MED", 5 "DVD".
const char *GraphSlotName(int slot);
// `Graph_` + slot name in `GraphFiles` of the file, trimmed, with the graph folder in front;
// empty when none is set or the slot is not one of the six.
std::string SlotGraphFile(int slot, const std::filesystem::path &directShowFile,
                          const std::filesystem::path &graphFolder);

} // namespace qev::video
