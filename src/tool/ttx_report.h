#pragma once

#include "teletext/subtitle_lines.h"
#include "teletext/ttx_page.h"

#include <nlohmann/json.hpp>

#include <array>
#include <ostream>
#include <string>
#include <vector>

namespace qev::tool {

// A page as its 25 lines of UTF-8 text.
struct TTtxPageOut {
  int Page = 0;
  int SubPage = 0;
  std::array<std::string, teletext::kTtxRows> Rows;
};

TTtxPageOut PageOut(const teletext::TtxPageBuffer &page);
void WritePageText(std::ostream &out, const TTtxPageOut &page);
nlohmann::ordered_json PageJson(const TTtxPageOut &page);

// One subtitle as shown: its lines in UTF-8.
struct TTtxSubtitleOut {
  int Page = 0;
  std::vector<std::string> Lines;
  bool operator==(const TTtxSubtitleOut &) const = default;
};

// The subtitles of a page as they change: a page sent again with the same text adds nothing, a
// cleared screen adds nothing but lets the same text count again when it returns.
class TSubtitleLog {
public:
  void Offer(const teletext::TtxPageBuffer &page);
  const std::vector<TTtxSubtitleOut> &Entries() const { return entries_; }

private:
  teletext::TSubtitleLineBuilder builder_;
  std::vector<std::string> shown_;
  std::vector<TTtxSubtitleOut> entries_;
};

// Each subtitle's lines, then an empty line.
void WriteSubtitlesText(std::ostream &out, const std::vector<TTtxSubtitleOut> &subtitles);
nlohmann::ordered_json SubtitlesJson(const std::vector<TTtxSubtitleOut> &subtitles);

} // namespace qev::tool
