#include "teletext/ttx_cache.h"

#include <algorithm>

namespace qev::teletext {

struct TTtxCache::TEntry {
  std::uint8_t LastSubPage = 0;
  std::array<std::unique_ptr<TtxPageBuffer>, kTtxMaxSubPage + 1> Slots;
};

namespace {

constexpr bool InRange(int page, int subpage) {
  return page >= kTtxFirstPage && page <= kTtxLastPage && subpage >= 0 && subpage <= kTtxMaxSubPage;
}

// A subtitle page with nothing visible at the bottom is a cleared screen, not a language.
bool HasBottomText(const TtxPageBuffer &page) {
  for (int row = 20; row < kTtxRows; ++row)
    for (std::uint8_t byte : page.Rows[row])
      if ((byte & 0x7F) > 0x20)
        return true;
  return false;
}

} // namespace

TTtxCache::TTtxCache() : entries_(kTtxLastPage - kTtxFirstPage + 1) {}
TTtxCache::~TTtxCache() = default;

TTtxCache::TCommitResult TTtxCache::Commit(const TtxPageBuffer &page) {
  TCommitResult result;
  if (!InRange(page.Page, page.SubPage))
    return result;
  std::lock_guard lock(mutex_);
  if (page.Flags & kTtxSubtitleC6)
    result.SubtitleListChanged = OfferSubtitlePage(page);
  TEntry &entry = entries_[page.Page - kTtxFirstPage];
  std::unique_ptr<TtxPageBuffer> &slot = entry.Slots[page.SubPage];
  if (slot) {
    const bool replace = (page.Flags & (kTtxUpdateC8 | kTtxSubtitleC6)) || *slot != page;
    if (!replace) {
      result.Outcome = TCommit::Unchanged;
      return result;
    }
    *slot = page;
  } else {
    slot = std::make_unique<TtxPageBuffer>(page);
    ++pageCount_;
    entry.LastSubPage = static_cast<std::uint8_t>(page.SubPage);
  }
  result.Outcome = TCommit::Stored;
  return result;
}

bool TTtxCache::OfferSubtitlePage(const TtxPageBuffer &page) {
  if (subtitles_.size() >= kMaxSubtitlePages)
    return false;
  const auto known = std::find_if(subtitles_.begin(), subtitles_.end(),
                                  [&](const TtxSubtitlePage &s) { return s.Page == page.Page; });
  if (known != subtitles_.end() || !HasBottomText(page))
    return false;
  subtitles_.push_back({page.Page, page.NationalOption});
  std::sort(subtitles_.begin(), subtitles_.end(),
            [](const TtxSubtitlePage &a, const TtxSubtitlePage &b) { return a.Page < b.Page; });
  return true;
}

void TTtxCache::Clear() {
  std::lock_guard lock(mutex_);
  for (TEntry &entry : entries_)
    entry = TEntry{};
  pageCount_ = 0;
  subtitles_.clear();
}

std::optional<TtxPageBuffer> TTtxCache::Get(int page, int subpage) const {
  if (!InRange(page, subpage))
    return std::nullopt;
  std::lock_guard lock(mutex_);
  const auto &slot = entries_[page - kTtxFirstPage].Slots[subpage];
  if (!slot)
    return std::nullopt;
  return *slot;
}

std::optional<TtxPageEntry> TTtxCache::Entry(int page) const {
  if (!InRange(page, 0))
    return std::nullopt;
  std::lock_guard lock(mutex_);
  const TEntry &entry = entries_[page - kTtxFirstPage];
  TtxPageEntry result;
  result.LastSubPage = entry.LastSubPage;
  for (std::size_t i = 0; i < entry.Slots.size(); ++i)
    result.Filled[i] = entry.Slots[i] != nullptr;
  return result;
}

std::size_t TTtxCache::PageCount() const {
  std::lock_guard lock(mutex_);
  return pageCount_;
}

std::vector<TtxSubtitlePage> TTtxCache::SubtitlePages() const {
  std::lock_guard lock(mutex_);
  return subtitles_;
}

} // namespace qev::teletext
