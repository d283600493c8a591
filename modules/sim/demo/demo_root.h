#pragma once

#include "data/channel_rec.h"
#include "data/sat_rec.h"
#include "data/transponder.h"
#include "scanned_record.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qev::sim::demo {

// The band switch of the universal LNB that the simulated sky has.
inline constexpr std::int32_t kUniversalLofSwitch = 11700000;

// One satellite of the demo sky as a new root holds it.
struct TDemoSatellite {
  data::TSatRec Sat{};
  std::string PositionText;                     // four digits, names the files
  std::vector<data::TTransponder> Transponders; // in the order of the sky
  std::vector<data::TChannelRec> Channels;      // in scan order, as the merge takes them
};

struct TDemoSky {
  std::vector<TDemoSatellite> Satellites;
  double Now = 0; // when the demo sky starts; the channels' first-seen time
};

// The satellites of the sky file (Dev_Sim.ini) with the services of their transponders, read
// from the descriptions the transponder streams were generated from (a stream "Sky/NAME.ts"
// from "NAME.txt" in descriptionDir). The orbital position comes from the descriptions, the
// switch port and the LNB from the sky. Throws when a description cannot be read, when the sky
// and the descriptions disagree or when the sky reaches a satellite in a way the root cannot
// store.
TDemoSky ReadDemoSky(const std::filesystem::path &skyFile,
                     const std::filesystem::path &descriptionDir, const TScanRules &rules);

// Writes SatList.dat, the transponder lists and the channel lists of the sky below root
// through the data layer, replacing earlier copies; root becomes the program's root for that.
// Throws std::runtime_error on failure.
void WriteDemoRoot(const TDemoSky &sky, const std::filesystem::path &root);

} // namespace qev::sim::demo
