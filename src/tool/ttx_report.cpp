#include "tool/ttx_report.h"

#include "teletext/national_charset.h"
#include "teletext/ttx_page_text.h"

namespace qev::tool {

namespace {

std::string Utf8(const std::u16string &text) {
  std::string out;
  for (const char16_t c : text)
    teletext::AppendUtf8(out, c);
  return out;
}

} // namespace

TTtxPageOut PageOut(const teletext::TtxPageBuffer &page) {
  return {page.Page, page.SubPage, teletext::PageText(page)};
}

void WritePageText(std::ostream &out, const TTtxPageOut &page) {
  for (const std::string &row : page.Rows)
    out << row << '\n';
}

nlohmann::ordered_json PageJson(const TTtxPageOut &page) {
  nlohmann::ordered_json json;
  json["page"] = page.Page;
  json["subpage"] = page.SubPage;
  json["rows"] = page.Rows;
  return json;
}

void TSubtitleLog::Offer(const teletext::TtxPageBuffer &page) {
  std::vector<std::string> lines;
  for (const std::u16string &line : builder_.Build(page))
    lines.push_back(Utf8(line));
  if (lines == shown_)
    return;
  shown_ = lines;
  if (!lines.empty())
    entries_.push_back({page.Page, std::move(lines)});
}

void WriteSubtitlesText(std::ostream &out, const std::vector<TTtxSubtitleOut> &subtitles) {
  for (const TTtxSubtitleOut &subtitle : subtitles) {
    for (const std::string &line : subtitle.Lines)
      out << line << '\n';
    out << '\n';
  }
}

nlohmann::ordered_json SubtitlesJson(const std::vector<TTtxSubtitleOut> &subtitles) {
  nlohmann::ordered_json json = nlohmann::ordered_json::array();
  for (const TTtxSubtitleOut &subtitle : subtitles)
    json.push_back({{"page", subtitle.Page}, {"lines", subtitle.Lines}});
  return json;
}

} // namespace qev::tool
