#pragma once

#include <optional>
#include <string>

namespace qev::frame {

// The options' places in the start-up and the shutdown, working on Options() and the options
// file of Paths().

// Loads the options; never ends the start-up.
int LoadOptionsStep();
// Decides the start channel from SelectLastChan (see ChooseStartChannel).
int StartChannelStep();
// Pins the process to the first processor when Only1Proc is on; a failure is logged.
int ProcessorAffinityStep();
// Saves the options; returns the error text of a failure.
std::optional<std::string> SaveOptionsStep();

} // namespace qev::frame
