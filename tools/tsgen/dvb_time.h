#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "byte_writer.h"

namespace qev::tsgen {

// Seconds since 1970-01-01 00:00:00 UTC; the generator never reads the wall clock.
using UtcSeconds = std::int64_t;

// Parses "YYYY-MM-DD HH:MM:SS" (or "YYYY-MM-DDTHH:MM:SS") as UTC.
std::optional<UtcSeconds> ParseUtc(std::string_view text);

// The 40-bit UTC_time field: 16-bit Modified Julian Date and hours, minutes, seconds in BCD.
void PutMjdTime(ByteWriter &out, UtcSeconds time);
// A 24-bit BCD duration hh:mm:ss (hours wrap at 100).
void PutBcdDuration(ByteWriter &out, std::int64_t seconds);

unsigned ToBcd(unsigned value);

// The 40-bit field of an undefined start time and the 24-bit field of an undefined duration:
// every bit set.
void PutUndefinedTime(ByteWriter &out);
void PutUndefinedDuration(ByteWriter &out);

} // namespace qev::tsgen
