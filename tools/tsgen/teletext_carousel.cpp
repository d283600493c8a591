#include "teletext_carousel.h"

#include <algorithm>
#include <fmt/format.h>
#include <sstream>

namespace qev::tsgen {
namespace {

constexpr int kFirstCaptionRow = 20;
constexpr int kMaxCaptionLines = 5;
constexpr char kStartBox = 0x0B;
constexpr char kEndBox = 0x0A;

const char *const kWeekdays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct Civil {
  int year;
  unsigned month, day;
};

Civil CivilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int>(yoe + era * 400 + (m <= 2)), m, d};
}

} // namespace

TeletextCarousel::TeletextCarousel(const Stream &stream)
    : stream_(stream), shownCaption_(stream.pages.size(), SIZE_MAX) {
  for (std::size_t i = 0; i < stream.pages.size(); ++i) {
    const auto same = [&](const Turn &t) {
      return stream.pages[t.subpages[0]].page == stream.pages[i].page;
    };
    const auto turn = std::find_if(turns_.begin(), turns_.end(), same);
    if (turn == turns_.end()) {
      turns_.push_back({{i}, 0});
    } else {
      turn->subpages.push_back(i);
    }
  }
}

std::string TeletextCarousel::HeaderText(unsigned page, UtcSeconds now) {
  const std::int64_t days = now >= 0 ? now / 86400 : (now - 86399) / 86400;
  const auto inDay = static_cast<unsigned>(now - days * 86400);
  const Civil date = CivilFromDays(days);
  return fmt::format("QEV-DVB  {:3} {} {:02} {} {:02}:{:02}:{:02}", page,
                     kWeekdays[((days % 7) + 7) % 7], date.day, kMonths[date.month - 1],
                     inDay / 3600, inDay / 60 % 60, inDay % 60);
}

std::size_t TeletextCarousel::CaptionIndex(const TeletextPage &page, double elapsed) {
  if (page.captions.empty() || page.captionSeconds <= 0) {
    return 0;
  }
  return static_cast<std::size_t>(elapsed / page.captionSeconds) % page.captions.size();
}

std::vector<TeletextPage::Row> TeletextCarousel::CaptionRows(const TeletextPage &page,
                                                             std::size_t index) {
  std::vector<TeletextPage::Row> rows;
  if (page.captions.empty()) {
    return rows;
  }
  std::istringstream lines(page.captions.at(index % page.captions.size()));
  std::string line;
  for (int row = kFirstCaptionRow;
       row < kFirstCaptionRow + kMaxCaptionLines && std::getline(lines, line); ++row) {
    rows.push_back({row, std::string{kStartBox, kStartBox} + line + kEndBox + kEndBox});
  }
  return rows;
}

void TeletextCarousel::Queue(const TeletextPage &page, double elapsed, UtcSeconds now) {
  const std::string header = HeaderText(page.page, now);
  const unsigned magazine = MagazineOf(page.page);
  pending_.push_back({page.subtitle, TeletextPacketWriter::Header(page, header)});
  if (!page.links.empty()) {
    const bool row24 = std::any_of(page.rows.begin(), page.rows.end(),
                                   [](const TeletextPage::Row &r) { return r.number == 24; });
    pending_.push_back({page.subtitle, TeletextPacketWriter::Links(magazine, page.links, row24)});
  }
  const auto rows = page.subtitle ? CaptionRows(page, CaptionIndex(page, elapsed)) : page.rows;
  for (const auto &row : rows) {
    if (row.number >= 1 && row.number <= 24) {
      pending_.push_back(
          {page.subtitle, TeletextPacketWriter::Row(magazine, row.number, row.text)});
    }
  }
  pending_.push_back({page.subtitle, TeletextPacketWriter::TimeFiller(magazine, header)});
}

void TeletextCarousel::QueueChangedCaptions(double elapsed, UtcSeconds now) {
  for (std::size_t i = 0; i < stream_.pages.size(); ++i) {
    const TeletextPage &page = stream_.pages[i];
    if (page.subtitle && CaptionIndex(page, elapsed) != shownCaption_[i]) {
      shownCaption_[i] = CaptionIndex(page, elapsed);
      Queue(page, elapsed, now);
    }
  }
}

std::vector<TeletextUnit> TeletextCarousel::Next(double elapsed, UtcSeconds now,
                                                 std::size_t count) {
  while (!turns_.empty() && pending_.size() < count) {
    QueueChangedCaptions(elapsed, now);
    Turn &turn = turns_[nextTurn_];
    Queue(stream_.pages[turn.subpages[turn.next]], elapsed, now);
    turn.next = (turn.next + 1) % turn.subpages.size();
    nextTurn_ = (nextTurn_ + 1) % turns_.size();
  }
  std::vector<TeletextUnit> units;
  while (!pending_.empty() && units.size() < count) {
    units.push_back(pending_.front());
    pending_.pop_front();
  }
  return units;
}

namespace {

// A page's first row without its teletext tokens: how the index names it.
std::string Label(const TeletextPage &page) {
  if (page.rows.empty()) {
    return page.subtitle ? "Subtitles" : "";
  }
  std::string label;
  bool inToken = false;
  for (const char c : page.rows.front().text) {
    inToken = c == '{' || (inToken && c != '}');
    if (!inToken && c != '}' && static_cast<unsigned char>(c) >= 0x20) {
      label += c;
    }
  }
  return label;
}

// Cuts UTF-8 text to at most `count` characters.
std::string Cut(const std::string &text, std::size_t count) {
  std::size_t at = 0;
  for (std::size_t n = 0; at < text.size() && n < count; ++n) {
    do {
      ++at;
    } while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80);
  }
  return text.substr(0, at);
}

const TeletextPage *Find(const std::vector<TeletextPage> &pages, unsigned number) {
  const auto it = std::find_if(pages.begin(), pages.end(),
                               [number](const TeletextPage &p) { return p.page == number; });
  return it == pages.end() ? nullptr : &*it;
}

} // namespace

TeletextPage MakeIndexPage(const TeletextPage &page, std::string_view title,
                           const std::vector<TeletextPage> &pages) {
  static const char *const kKeyColours[] = {"{red}", "{green}", "{yellow}", "{cyan}"};
  TeletextPage index = page;
  index.rows.clear();
  const unsigned number = page.page;
  const std::vector<unsigned> &links = page.links;
  // A banner of mosaic blocks, then the title in double height (row 2 is its lower half).
  index.rows.push_back(
      {1, "{m-blue}{#7f}{#7f}{#7f}{#3c}{yellow}{double}" + Cut(std::string(title), 32)});
  std::string rule = "{m-cyan}{separated}";
  for (int i = 0; i < 38; ++i) {
    rule += "{#2c}";
  }
  index.rows.push_back({3, rule});
  int row = 5;
  std::vector<unsigned> listed{number};
  for (const TeletextPage &other : pages) {
    if (row > 22 || other.nationalOption != index.nationalOption ||
        std::find(listed.begin(), listed.end(), other.page) != listed.end()) {
      continue;
    }
    listed.push_back(other.page);
    index.rows.push_back(
        {row++, fmt::format(" {{yellow}}{:3}{{white}}  {}", other.page, Cut(Label(other), 32))});
  }
  std::string bar;
  for (std::size_t i = 0; i < links.size() && i < 4; ++i) {
    const TeletextPage *target = Find(pages, links[i]);
    bar += kKeyColours[i] + Cut(target != nullptr ? Label(*target) : std::to_string(links[i]), 8);
  }
  if (!bar.empty()) {
    index.rows.push_back({24, bar});
  }
  return index;
}

} // namespace qev::tsgen
