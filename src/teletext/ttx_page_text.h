#pragma once

#include "teletext/national_charset.h"
#include "teletext/ttx_page.h"

#include <array>
#include <string>

namespace qev::teletext {

// A page as 25 lines of UTF-8 text for a terminal: spacing attributes as spaces, text through the
// national table (the page's own option, or `languageChoice` when it is not Auto), block mosaics
// as the Unicode block-sextant characters, the lower half of double-height rows blank. Row 0 is
// the page's own header (its 32 display bytes after eight spaces). Trailing spaces are trimmed;
// a control character left in the text shows as U+25A0.
std::array<std::string, kTtxRows> PageText(const TtxPageBuffer &page,
                                           int languageChoice = kTtxLanguageAuto);

} // namespace qev::teletext
