#include "video/graph_options.h"

#include "frame/fast_ini_file.h"
#include "frame/string_utils.h"
#include "video/graph_slots.h"

#include <algorithm>

namespace qev::video {

namespace {
constexpr const char *kOptions = "Options";
constexpr const char *kGraphFiles = "GraphFiles";
constexpr int kMaxLatency = 2000;
} // namespace

TDirectShowOptions LoadDirectShowOptions(const std::filesystem::path &file,
                                         TDirectShowOptions options) {
  frame::TFastIniFile ini(file);
  const TDirectShowOptions defaults;
  options.Latency =
      std::clamp(ini.ReadInteger(kOptions, "Latency", defaults.Latency), 0, kMaxLatency);
  options.MTDetect = std::clamp(ini.ReadInteger(kOptions, "MTDetect", defaults.MTDetect),
                                kDetectOff, kDetectAndUse);
  options.DirRecon = ini.ReadBool(kOptions, "DirRecon", defaults.DirRecon);
  options.OnlyIFrm = ini.ReadBool(kOptions, "OnlyIFrm", defaults.OnlyIFrm);
  options.RMaskVid = ini.ReadHex32(kOptions, "RMaskVid", defaults.RMaskVid);
  options.RMaskAud = ini.ReadHex32(kOptions, "RMaskAud", defaults.RMaskAud);
  options.NonModPP = ini.ReadBool(kOptions, "NonModPP", defaults.NonModPP);
  return options;
}

std::string SaveDirectShowOptions(const std::filesystem::path &file,
                                  const TDirectShowOptions &options) {
  frame::TFastIniFile ini(file);
  ini.WriteInteger(kOptions, "Latency", options.Latency);
  ini.WriteInteger(kOptions, "MTDetect", options.MTDetect);
  ini.WriteBool(kOptions, "DirRecon", options.DirRecon);
  ini.WriteBool(kOptions, "OnlyIFrm", options.OnlyIFrm);
  ini.WriteHex32(kOptions, "RMaskVid", options.RMaskVid);
  ini.WriteHex32(kOptions, "RMaskAud", options.RMaskAud);
  ini.WriteBool(kOptions, "NonModPP", options.NonModPP);
  // The engine keeps a file it could not read; the user still learns the settings were lost.
  if (ini.Unreadable())
    return "Cannot save " + file.string() + ": the file could not be read";
  return ini.UpdateFile();
}

const char *GraphSlotName(int slot) {
  static constexpr const char *kNames[kGraphSlotCount] = {"AV0", "PIP", "PIP", "PIP", "MED", "DVD"};
  return slot >= 0 && slot < kGraphSlotCount ? kNames[slot] : "";
}

std::string SlotGraphFile(int slot, const std::filesystem::path &directShowFile,
                          const std::filesystem::path &graphFolder) {
  if (slot < 0 || slot >= kGraphSlotCount)
    return {};
  frame::TFastIniFile ini(directShowFile);
  const std::string name =
      frame::Trim(ini.ReadString(kGraphFiles, std::string("Graph_") + GraphSlotName(slot), ""));
  return name.empty() ? std::string() : (graphFolder / name).string();
}

} // namespace qev::video
