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
  TeletextCarousel(const Stream &stream, UtcSeconds start);

  // The next `count` units at `elapsed` seconds after the start.
  std::vector<TeletextUnit> Next(double elapsed, std::size_t count);

  // The header text (32 characters) with the clock at `now`.
  static std::string HeaderText(unsigned page, UtcSeconds now);
  // The rows of a subtitle page showing caption `index`.
  static std::vector<TeletextPage::Row> CaptionRows(const TeletextPage &page, std::size_t index);

private:
  void Queue(const TeletextPage &page, double elapsed);
  void QueueChangedCaptions(double elapsed);
  static std::size_t CaptionIndex(const TeletextPage &page, double elapsed);

  const Stream &stream_;
  UtcSeconds start_;
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
