#pragma once

#include "teletext/national_charset.h"
#include "teletext/ttx_page.h"

#include <string>
#include <vector>

namespace qev::teletext {

inline constexpr std::size_t kMaxSubtitleLines = 4;

// Builds the subtitle lines of a page: rows 20..24, spacing attributes as spaces, trimmed,
// blank rows left out, at most four lines, each mapped through the national table of the page's
// own national option (loaded again only when the option changes).
class TSubtitleLineBuilder {
public:
  // UTF-16 lines of at most 40 characters.
  std::vector<std::u16string> Build(const TtxPageBuffer &page);
  const std::string &LanguageName() const { return languageName_; }

private:
  int loadedOption_ = 255 + 1; // none yet
  TNationalTable table_{};
  std::string languageName_;
};

// The line shown until the followed page arrives, taken without any national table.
std::u16string WaitingLine(int page);

} // namespace qev::teletext
