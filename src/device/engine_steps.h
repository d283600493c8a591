#pragma once

#include "device/last_channels.h"
#include "device/tuning_engine.h"

#include <optional>
#include <string>

namespace qev::device {

// The program's last-channel memory and tuning engine, on the program's channel lists,
// satellites, device module, tuner and notification hub.
TLastChannels &LastChannels();
TTuningEngine &TuningEngine();

// Start-up place LastChannels: reads "LastCh.dat"; never ends the start-up.
int LoadLastChannelsStep();
// Part of the shutdown's settings step: writes "LastCh.dat"; a failure is logged and returned.
std::optional<std::string> SaveLastChannelsStep();
// The shutdown's release step, also run by a system suspend.
std::optional<std::string> ReleaseEngineStep();

// The main window's last creation step: slot 0 to the channel chosen for this start.
bool SwitchToStartChannel();
// After a resume: slot 0 back to the last channel it played.
bool SwitchToLastChannel();

} // namespace qev::device
