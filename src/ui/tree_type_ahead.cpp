#include "ui/tree_type_ahead.h"

#include <algorithm>

namespace qev::ui {
namespace {

bool StartsWithIgnoringCase(std::string_view text, const std::u32string &prefix) {
  const std::u32string folded = FoldedText(text);
  return folded.compare(0, prefix.size(), prefix) == 0;
}

std::size_t CodePoints(std::string_view utf8) {
  return static_cast<std::size_t>(
      std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

} // namespace

const std::string &TTypeAhead::Add(std::string_view typed, TClock::time_point now) {
  if (now - last_ >= kPause)
    text_.clear();
  last_ = now;
  text_ += typed;
  return text_;
}

int TypeAheadRow(const TChannelTreeModel &model, std::string_view text) {
  const std::vector<int> order = model.DisplayOrder();
  if (order.empty() || text.empty())
    return TChannelTreeModel::kNoRow;
  const std::u32string prefix = FoldedText(text);
  const auto at = std::find(order.begin(), order.end(), model.FocusedRow());
  std::size_t start = at == order.end() ? 0 : static_cast<std::size_t>(at - order.begin());
  if (at != order.end() && CodePoints(text) == 1)
    ++start;
  for (std::size_t i = 0; i < order.size(); ++i) {
    const int row = order[(start + i) % order.size()];
    if (StartsWithIgnoringCase(model.Row(row).RowText, prefix))
      return row;
  }
  return TChannelTreeModel::kNoRow;
}

} // namespace qev::ui
