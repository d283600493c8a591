#pragma once

#include "teletext/national_charset.h"
#include "teletext/ttx_cache.h"
#include "teletext/ttx_header.h"

#include <array>
#include <optional>
#include <string>

namespace qev::teletext {

inline constexpr int kTtxSubPageButtons = 10;

struct TTtxSubPageButton {
  bool Enabled = false; // that subpage of the current page is cached
  bool Current = false;
  bool operator==(const TTtxSubPageButton &) const = default;
};

enum class TTtxGesture { Page100, Close, NextPage, PreviousPage, NextSubPage, PreviousSubPage };

// What the window has to do after an event.
enum class TTtxRedraw {
  Nothing,
  Header, // the header row only
  Page,   // header and page (or the message in its place)
  Close,  // the window is to close
};

// The page choice of the teletext window: the current page and subpage, the previous page, the
// typed digits, auto subpage and the latest header. All calls come from the window's thread.
class TTtxNavigator {
public:
  explicit TTtxNavigator(const TTtxCache &cache) : cache_(cache) {}

  // 100 <= page <= 900 and subpage <= 80 (-1: the newest stored); false when refused.
  bool GoToPage(int page, int subpage);
  TTtxRedraw TypeDigit(int digit);
  void Escape();
  TTtxRedraw Back();
  TTtxRedraw SubPageButton(int subpage);
  TTtxRedraw AutoButton();
  TTtxRedraw Gesture(TTtxGesture gesture);
  TTtxRedraw SetLanguage(int choice);

  // Notification 13 on the window's thread: a stored page, or a cache event (kTtxCacheEvent).
  TTtxRedraw OnNotification(int value, int subpage);

  int Page() const { return page_; }
  int SubPage() const { return subPage_; }
  int PreviousPage() const { return previousPage_; }
  bool BackVisible() const { return backVisible_; }
  bool AutoSubPage() const { return autoSubPage_; }
  const std::string &Typed() const { return typed_; }
  int LanguageChoice() const { return languageChoice_; }
  // The national option to draw with: the choice, or the page's own when it is Auto.
  int NationalCode(const std::optional<TtxPageBuffer> &shown) const;

  // The page on screen, read from the cache; empty while the message is shown.
  std::optional<TtxPageBuffer> ShownPage() const;
  std::array<TTtxSubPageButton, kTtxSubPageButtons> SubPageButtons() const;
  TTtxRowBytes HeaderRow() const;
  // "[ Teletext disabled ]" without a current page, else the waiting text.
  std::string Message() const;

private:
  std::optional<int> NeighbourSubPage(int step) const;

  const TTtxCache &cache_;
  int page_ = 0;
  int subPage_ = -1;
  int previousPage_ = 0;
  bool backVisible_ = false;
  bool autoSubPage_ = true;
  std::string typed_;
  int languageChoice_ = kTtxLanguageAuto;
  TTtxLatestHeader latest_;
};

// Notification 13 values the window takes: stored pages and cache events.
bool IsTtxWindowNotification(int value, int subpage);

inline constexpr const char *kTtxDisabledText = "[ Teletext disabled ]";
std::string TtxWaitingText(int page);

} // namespace qev::teletext
