#pragma once

#include <cstdint>
#include <string>

namespace qev::diagnostics {

// Fills a legend text with a value. The text is the program's own and may come from a
// setting, so it is never handed to printf: "%%" gives "%", the first "%d" or "%Nd" (width up
// to 20) gives the value right-aligned in N places, everything else stays as written.
std::string FormatLegend(const std::string &text, std::int64_t value);

} // namespace qev::diagnostics
