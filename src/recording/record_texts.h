#pragma once

#include "recording/recorder.h"

#include <chrono>
#include <string>

namespace qev::recording {

// "hh:nn:ss" with as many hour digits as needed (a recording may run for days); negative
// durations show as 00:00:00.
std::string RecDurationText(std::chrono::seconds duration);
// The records list's 'Elapsed' column.
std::string RecElapsedText(const TRecordSlotView &slot);
// The records list's 'Remaining' column: "---" without a time limit.
std::string RecRemainingText(const TRecordSlotView &slot);

} // namespace qev::recording
