#pragma once

#include "video/auto_graph.h"

#include <filesystem>
#include <string>
#include <vector>

namespace qev::video {

// "DVB" for slots 0..3, "MED" for 4, "DVD" for 5: graph files offered for a slot start with it.
const char *GraphFilePrefix(int slot);
// "AutoGraph_" + the slot's key name + ".GRS".
std::string AutoGraphFileName(int slot);
// The automatic page belongs to an empty name and to the slot's AutoGraph name in any case.
bool IsAutoGraphName(int slot, const std::string &name);

// The .GRF, .XGR and .GRS files of the folder with the slot's prefix, sorted by name.
std::vector<std::string> SlotGraphFiles(int slot, const std::filesystem::path &graphFolder);

// The slot's graph file name as stored in "DirectShow.cfg" (trimmed, relative to the folder).
std::string ReadSlotGraphName(int slot, const std::filesystem::path &directShowFile);
// Stores it; answers an error text, empty on success.
std::string StoreSlotGraphName(int slot, const std::filesystem::path &directShowFile,
                               const std::string &name);

struct TGraphConfigPlaces {
  std::filesystem::path DirectShowFile, GraphFolder, FilterFolder;
};

// What the configuration frame shows when it opens for a slot.
struct TGraphConfigView {
  bool AutoPage = true;
  std::string FileName; // empty on the automatic page
  std::vector<std::string> Files;
  TAutoGraphSelection Selection;
};
TGraphConfigView OpenGraphConfig(int slot, const TGraphConfigPlaces &places,
                                 const TKnownFilterList &list);

// Save and apply's storing half: the file page stores the named file; the automatic page
// writes the AutoGraph and stores its name. False (the user told why) when nothing was stored.
bool SaveGraphConfig(int slot, bool autoPage, const std::string &fileName,
                     const TAutoGraphChoice &choice, IFilterRegistry &registry,
                     const TGraphConfigPlaces &places);

} // namespace qev::video
