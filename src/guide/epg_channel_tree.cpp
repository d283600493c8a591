#include "guide/epg_channel_tree.h"

#include "data/channel_list.h"
#include "data/channel_rec.h"
#include "frame/case_fold.h"
#include "frame/string_utils.h"

#include <algorithm>
#include <locale>
#include <stdexcept>

namespace qev::guide {
namespace {

std::u32string Folded(std::string_view utf8) {
  std::u32string out;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    if (const std::optional<char32_t> c = frame::NextCodePoint(utf8, pos))
      out.push_back(frame::FoldCase(*c));
  }
  return out;
}

// The folded text as UTF-8, for the user's collation.
std::string FoldedUtf8(std::string_view utf8) {
  std::string out;
  for (const char32_t c : Folded(utf8))
    frame::AppendUtf8(out, c);
  return out;
}

// The collation of the user's locale, read once; the classic one when the environment names a
// locale the system lacks.
const std::collate<char> &UserCollation() {
  static const std::locale locale = [] {
    try {
      return std::locale("");
    } catch (const std::runtime_error &) {
      return std::locale::classic();
    }
  }();
  return std::use_facet<std::collate<char>>(locale);
}

bool HasFavourite(const data::TChannelRec &rec) {
  return std::any_of(std::begin(rec.FavCat), std::end(rec.FavCat),
                     [](std::uint8_t c) { return c >= 1 && c <= data::kMaxFavCat; });
}

void SortRows(std::vector<TEpgTreeRow> &rows) {
  std::stable_sort(rows.begin(), rows.end(), TreeRowLess);
  for (TEpgTreeRow &row : rows)
    SortRows(row.Children);
}

} // namespace

std::string TreeRowText(std::string_view utf8) {
  std::size_t pos = 0;
  for (std::size_t n = 0; n < kTreeRowChars && pos < utf8.size(); ++n)
    frame::NextCodePoint(utf8, pos);
  return std::string(utf8.substr(0, pos));
}

bool TreeRowLess(const TEpgTreeRow &a, const TEpgTreeRow &b) {
  if (a.IsGroup() != b.IsGroup())
    return a.IsGroup();
  const std::string x = FoldedUtf8(a.Text);
  const std::string y = FoldedUtf8(b.Text);
  return UserCollation().compare(x.data(), x.data() + x.size(), y.data(), y.data() + y.size()) < 0;
}

TEpgChannelTree::TEpgChannelTree(const data::TChannelsList &list, TCategoryName categoryName)
    : list_(list), categoryName_(std::move(categoryName)) {}

bool TEpgChannelTree::AddChannel(std::uint16_t tid, std::uint16_t sid) {
  const bool known = std::any_of(entries_.begin(), entries_.end(), [&](const TEpgChannelEntry &e) {
    return e.Tid == tid && e.Sid == sid;
  });
  if (known)
    return false;
  const int index = list_.ListFind(tid, sid);
  if (!list_.IndexValid(index))
    return false;
  entries_.push_back({tid, sid, index});
  AddRows(entries_.back());
  return true;
}

void TEpgChannelTree::Sort() { SortRows(rows_); }

void TEpgChannelTree::Clear() {
  entries_.clear();
  rows_.clear();
}

void TEpgChannelTree::SetGrouping(int grouping) {
  grouping_ = std::clamp(grouping, 0, 2);
  Rebuild();
}

void TEpgChannelTree::SetOnlyFavourites(bool only) {
  onlyFavourites_ = only;
  Rebuild();
}

void TEpgChannelTree::AddRows(const TEpgChannelEntry &entry) {
  const data::TChannelRec &rec = list_.Item(entry.ListIndex);
  if (onlyFavourites_ && !HasFavourite(rec))
    return;
  const TEpgTreeRow row{TreeRowText(data::ChName(rec)), entry.ListIndex, {}};
  switch (grouping_) {
  case 1: {
    const std::string provider = frame::Trim(data::FixedText(rec.ChProv));
    GroupRow(provider.empty() ? kNoGroupText : provider).Children.push_back(row);
    break;
  }
  case 2:
    if (!HasFavourite(rec)) {
      GroupRow(kNoGroupText).Children.push_back(row);
      break;
    }
    for (const std::uint8_t category : rec.FavCat) {
      if (category < 1 || category > data::kMaxFavCat)
        continue;
      std::string name = categoryName_ ? categoryName_(category) : std::string();
      if (name.empty())
        name = "#" + std::to_string(category);
      GroupRow(name).Children.push_back(row);
    }
    break;
  default:
    rows_.push_back(row);
  }
}

TEpgTreeRow &TEpgChannelTree::GroupRow(const std::string &name) {
  const std::string text = TreeRowText(name);
  const std::u32string key = Folded(text);
  for (TEpgTreeRow &row : rows_) {
    if (row.IsGroup() && Folded(row.Text) == key)
      return row;
  }
  rows_.push_back({text, -1, {}});
  return rows_.back();
}

void TEpgChannelTree::Rebuild() {
  rows_.clear();
  for (const TEpgChannelEntry &entry : entries_)
    AddRows(entry);
  Sort();
}

} // namespace qev::guide
