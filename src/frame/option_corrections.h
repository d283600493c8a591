#pragma once

#include "frame/options.h"

namespace qev::frame {

// The corrections that follow loading the options (trimmed and defaulted names, limits, the
// preferred-language list): also what values the user edited go through.
void ApplyLoadCorrections(TOptions &options);

} // namespace qev::frame
