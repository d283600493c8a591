#pragma once

#include "teletext/ttx_page.h"
#include "teletext/ttx_page_grid.h"

#include <string>

namespace qev::teletext {

// The newest header bytes seen in the stream, which keep the window's clock running.
class TTtxLatestHeader {
public:
  // Takes the display bytes of an arrived page's header: only the clock (bytes 32..39) when the
  // shown page exists, all of 8..39 otherwise. Returns whether anything changed.
  bool Update(const TtxPageBuffer &arrived, bool shownPageExists);
  void Clear() { bytes_.fill(0); }
  const TTtxRowBytes &Bytes() const { return bytes_; }

private:
  TTtxRowBytes bytes_{};
};

// The header row the window draws: a colour code, the typed text in six columns and white, then
// the shown page's own header bytes 8..31 (or the latest header's when the page is missing) and
// the latest header's clock.
TTtxRowBytes BuildHeaderRow(const std::string &typed, const TtxPageBuffer *shownPage,
                            const TTtxLatestHeader &latest);

} // namespace qev::teletext
