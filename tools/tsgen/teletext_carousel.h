#pragma once

#include <cstddef>
#include <deque>
#include <vector>

#include "dvb_time.h"
#include "pes.h"
#include "transponder.h"

namespace qev::tsgen {

// Sends the pages of one teletext stream in turn, each as header, rows and a time-filling
// header that closes it at once; a page with subpages sends the next of them on each turn. A
// subtitle page is sent again whenever its caption changes.
class TeletextCarousel {
public:
  explicit TeletextCarousel(const Stream &stream);

  // The next `count` units: captions as they are at `elapsed` seconds of the stream, headers
  // with the clock at `now`.
  std::vector<TeletextUnit> Next(double elapsed, UtcSeconds now, std::size_t count);

  // The header text (32 characters) with the clock at `now`.
  static std::string HeaderText(unsigned page, UtcSeconds now);
  // The rows of a subtitle page showing caption `index`.
  static std::vector<TeletextPage::Row> CaptionRows(const TeletextPage &page, std::size_t index);

private:
  void Queue(const TeletextPage &page, double elapsed, UtcSeconds now);
  void QueueChangedCaptions(double elapsed, UtcSeconds now);
  static std::size_t CaptionIndex(const TeletextPage &page, double elapsed);

  const Stream &stream_;
  // The stream's pages grouped by number, in order of appearance, with the subpage next due.
  struct Turn {
    std::vector<std::size_t> subpages;
    std::size_t next = 0;
  };
  std::vector<Turn> turns_;
  std::size_t nextTurn_ = 0;
  std::vector<std::size_t> shownCaption_;
  std::deque<TeletextUnit> pending_;
};

// An index page listing the other pages of its national set by number and first row under a
// banner of mosaics and a double-height title; with links, row 24 names them in their key
// colours. The text is still UTF-8 with teletext tokens (see EncodeTeletextText).
TeletextPage MakeIndexPage(const TeletextPage &index, std::string_view title,
                           const std::vector<TeletextPage> &pages);

} // namespace qev::tsgen
