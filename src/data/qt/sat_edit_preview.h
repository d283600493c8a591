#pragma once

#include "data/sat_rec.h"
#include "frame/options.h"

#include <string>

namespace qev::data {

// What the satellite editor shows beside a switch: "Disabled", "ToneBurst A", the message's hex
// bytes, or "?" when the setting names no command.
std::string SwitchPreview(int level, const TSwitchCfg &sw, const frame::TDiseqcOptions &options);
// The positioner's command the same way; SmartPos sends nothing the editor could show.
std::string PositionerPreview(const TSatRec &sat, const frame::TDiseqcOptions &options);
// The angle a USALS positioner is really driven to, "12.3W"; empty for other types.
std::string DriveAngleText(const TSatRec &sat, const frame::TDiseqcOptions &options);

} // namespace qev::data
