#pragma once

#include "teletext/ttx_page.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace qev::teletext {

// A page number with the national option it was received with, as the subtitle menu lists it.
struct TtxSubtitlePage {
  std::uint16_t Page = 0;
  std::uint8_t NationalOption = 0;
  bool operator==(const TtxSubtitlePage &) const = default;
};

// What the viewer's subpage buttons need of one page number.
struct TtxPageEntry {
  std::uint8_t LastSubPage = 0; // low byte of the subpage stored most recently
  std::bitset<kTtxMaxSubPage + 1> Filled;
};

// The cache of complete pages 100..900 x subpages 0..80 and the list of subtitle pages seen.
// One writer (the decoder on the device's delivery thread) and any number of readers on other
// threads: readers get copies taken under the cache's lock, never a half-written page.
class TTtxCache {
public:
  static constexpr std::size_t kMaxSubtitlePages = 16;

  enum class TCommit {
    Dropped,   // outside 100..900 or subpage above 80
    Unchanged, // a repeat of the stored copy: no copy made, nothing to notify
    Stored,    // a new slot or a changed page: notify (page, subpage)
  };
  struct TCommitResult {
    TCommit Outcome = TCommit::Dropped;
    bool SubtitleListChanged = false;
  };

  TTtxCache();
  ~TTtxCache();
  TTtxCache(const TTtxCache &) = delete;
  TTtxCache &operator=(const TTtxCache &) = delete;

  // A page whose next header arrived. A stored page is replaced when C8 or C6 is set or when
  // its bytes differ; a page with C6 and visible text in rows 20..24 joins the subtitle list.
  TCommitResult Commit(const TtxPageBuffer &page);
  void Clear();

  std::optional<TtxPageBuffer> Get(int page, int subpage) const;
  // Empty for a page number outside 100..900.
  std::optional<TtxPageEntry> Entry(int page) const;
  std::size_t PageCount() const;
  // Sorted by page number, at most 16.
  std::vector<TtxSubtitlePage> SubtitlePages() const;

private:
  struct TEntry;
  bool OfferSubtitlePage(const TtxPageBuffer &page);

  mutable std::mutex mutex_;
  std::vector<TEntry> entries_;
  std::size_t pageCount_ = 0;
  std::vector<TtxSubtitlePage> subtitles_;
};

} // namespace qev::teletext
