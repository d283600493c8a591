#include "teletext_carousel.h"

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
    : stream_(stream), shownCaption_(stream.pages.size(), SIZE_MAX) {}

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
  while (!stream_.pages.empty() && pending_.size() < count) {
    QueueChangedCaptions(elapsed, now);
    Queue(stream_.pages[nextPage_], elapsed, now);
    nextPage_ = (nextPage_ + 1) % stream_.pages.size();
  }
  std::vector<TeletextUnit> units;
  while (!pending_.empty() && units.size() < count) {
    units.push_back(pending_.front());
    pending_.pop_front();
  }
  return units;
}

TeletextPage MakeIndexPage(unsigned number, std::string_view title,
                           const std::vector<TeletextPage> &pages) {
  TeletextPage index;
  index.page = number;
  index.rows.push_back({1, std::string(title)});
  int row = 3;
  for (const TeletextPage &page : pages) {
    if (page.page == number || row > 23) {
      continue;
    }
    const std::string first =
        page.rows.empty() ? (page.subtitle ? "Subtitles" : "") : page.rows.front().text;
    index.rows.push_back({row++, fmt::format(" {:3}  {}", page.page, first.substr(0, 33))});
  }
  return index;
}

} // namespace qev::tsgen
