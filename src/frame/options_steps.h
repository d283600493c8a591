#pragma once

#include <optional>
#include <string>

namespace qev::frame {

// The options' places in the start-up and the shutdown, working on Options() and the options
// file of Paths().

// Loads the options; never ends the start-up.
int LoadOptionsStep();
// Decides the start channel from SelectLastChan without touching the stored LastChannel.
int StartChannelStep();
// Pins the process to the first processor when Only1Proc is on; a failure is logged.
int ProcessorAffinityStep();
// Saves the options; a failure is logged as an error and returned.
std::optional<std::string> SaveOptionsStep();

} // namespace qev::frame
