#pragma once

#include "ui/channel_tree_model.h"

#include <chrono>
#include <string>
#include <string_view>

namespace qev::ui {

// The letters typed into a tree; a pause of 1500 ms starts a new text.
class TTypeAhead {
public:
  using TClock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kPause{1500};

  // The text to look for after `typed` arrived at `now`.
  const std::string &Add(std::string_view typed, TClock::time_point now);
  const std::string &Text() const { return text_; }

private:
  std::string text_;
  TClock::time_point last_{};
};

// The next displayed row whose text starts with `text` (ignoring letter case), looking from the
// focused row on: a longer text may stay on the focused row, a single letter moves past it. The
// search wraps around; kNoRow when no displayed row matches.
int TypeAheadRow(const TChannelTreeModel &model, std::string_view text);

} // namespace qev::ui
