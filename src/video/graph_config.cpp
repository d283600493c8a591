#include "video/graph_config.h"

#include "frame/fast_ini_file.h"
#include "frame/message_boxes.h"
#include "frame/string_utils.h"
#include "video/graph_options.h"
#include "video/graph_slots.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace qev::video {

namespace {

constexpr const char *kGraphFiles = "GraphFiles";

std::string GraphKey(int slot) { return std::string("Graph_") + GraphSlotName(slot); }

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

bool IsGraphExtension(const std::filesystem::path &name) {
  const std::string extension = Upper(name.extension().string());
  return extension == ".GRF" || extension == ".XGR" || extension == ".GRS";
}

} // namespace

const char *GraphFilePrefix(int slot) {
  if (slot == 4)
    return "MED";
  if (slot == 5)
    return "DVD";
  return "DVB";
}

std::string AutoGraphFileName(int slot) {
  return std::string("AutoGraph_") + GraphSlotName(slot) + ".GRS";
}

bool IsAutoGraphName(int slot, const std::string &name) {
  const std::string trimmed = frame::Trim(name);
  return trimmed.empty() || frame::EqualsNoCase(trimmed, AutoGraphFileName(slot));
}

std::vector<std::string> SlotGraphFiles(int slot, const std::filesystem::path &graphFolder) {
  std::vector<std::string> names;
  const std::string prefix = GraphFilePrefix(slot);
  std::error_code error;
  for (const auto &entry : std::filesystem::directory_iterator(graphFolder, error)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(prefix) && IsGraphExtension(entry.path()))
      names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadSlotGraphName(int slot, const std::filesystem::path &directShowFile) {
  frame::TFastIniFile ini(directShowFile);
  return frame::Trim(ini.ReadString(kGraphFiles, GraphKey(slot), ""));
}

std::string StoreSlotGraphName(int slot, const std::filesystem::path &directShowFile,
                               const std::string &name) {
  frame::TFastIniFile ini(directShowFile);
  if (ini.Unreadable())
    return "Cannot save " + directShowFile.string() + ": the file could not be read";
  ini.WriteString(kGraphFiles, GraphKey(slot), frame::Trim(name));
  return ini.UpdateFile();
}

TGraphConfigView OpenGraphConfig(int slot, const TGraphConfigPlaces &places,
                                 const TKnownFilterList &list) {
  TGraphConfigView view;
  const std::string stored = ReadSlotGraphName(slot, places.DirectShowFile);
  view.AutoPage = IsAutoGraphName(slot, stored);
  if (!view.AutoPage)
    view.FileName = stored;
  view.Files = SlotGraphFiles(slot, places.GraphFolder);
  view.Selection = ReadAutoGraphFile(places.GraphFolder / AutoGraphFileName(slot), list);
  return view;
}

bool SaveGraphConfig(int slot, bool autoPage, const std::string &fileName,
                     const TAutoGraphChoice &choice, IFilterRegistry &registry,
                     const TGraphConfigPlaces &places) {
  std::string name = frame::Trim(fileName);
  if (autoPage) {
    if (!WriteAutoGraph(choice, slot, registry, {places.GraphFolder, places.FilterFolder}))
      return false;
    name = AutoGraphFileName(slot);
  }
  const std::string error = StoreSlotGraphName(slot, places.DirectShowFile, name);
  if (!error.empty()) {
    frame::ShowError(error);
    return false;
  }
  return true;
}

} // namespace qev::video
