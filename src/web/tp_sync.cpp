#include "web/tp_sync.h"

#include "frame/string_utils.h"

#include <algorithm>
#include <cstdlib>

namespace qev::web {

namespace {

constexpr data::TTransponder kNoEntry{};

const data::TTransponder &Side(const TSyncRow &row, int side) {
  return side == 0 ? row.New : row.Current;
}

bool Near(const data::TTransponder &a, const data::TTransponder &b, int maxDiff) {
  const long long diff = static_cast<long long>(a.TpFreq) - static_cast<long long>(b.TpFreq);
  return data::TpValid(a) && data::TpPolar(a) == data::TpPolar(b) && std::llabs(diff) <= maxDiff;
}

bool Differ(const data::TTransponder &a, const data::TTransponder &b, bool ignoreFreq) {
  if (ignoreFreq)
    return a.TpSRate != b.TpSRate;
  return data::TpKey(a) != data::TpKey(b);
}

bool Shows(int filter, std::uint8_t state) {
  switch (filter) {
  case kShowAllButEqual:
    return state != kSyncEqual;
  case kShowOnlyNew:
    return state == kSyncOnlyNew;
  case kShowOnlyCurrent:
    return state == kSyncOnlyCurrent;
  case kShowEqual:
    return state == kSyncEqual;
  case kShowChanged:
    return state == kSyncChanged;
  default:
    return true;
  }
}

} // namespace

std::optional<std::string> SatIdQuestion(const data::TSatTransponders &newList,
                                         const data::TSatTransponders &current) {
  if (newList.PositionText == current.PositionText)
    return std::nullopt;
  return "File contain wrong SatID [" + newList.PositionText + "] <> [" + current.PositionText +
         "]" + "\r\r" + "Continue with synchronization ?";
}

std::string SyncHeader(const data::TSatTransponders &list) {
  return list.PositionText + "-" + frame::Trim(list.Name);
}

TTpSync::TTpSync(const data::TSatTransponders &newList, const data::TSatTransponders &current)
    : new_(newList), current_(current) {
  Build();
}

void TTpSync::Build() {
  rows_.clear();
  for (const data::TTransponder &tp : new_.Items())
    Place(tp, 0);
  for (const data::TTransponder &tp : current_.Items())
    Place(tp, 1);
  for (TSyncRow &row : rows_) {
    Classify(row);
    row.Saved = row.Current;
  }
  changesPending_ = revertEnabled_ = false;
  Arrange();
}

void TTpSync::Place(const data::TTransponder &entry, int side) {
  data::TTransponder tp = entry;
  if (side == 0) {
    const long long shifted = static_cast<long long>(tp.TpFreq) + settings_.Offset;
    if (shifted <= 0)
      return;
    tp.TpFreq = static_cast<std::uint32_t>(shifted);
  }
  if (!data::TpValid(tp))
    return;
  const auto sameSide = std::find_if(rows_.begin(), rows_.end(), [&](const TSyncRow &row) {
    return Near(Side(row, side), tp, settings_.MaxDiff);
  });
  // A near twin in the new list adds nothing; one in the current list is still part of that
  // list and must survive the synchronisation, so it keeps a row of its own.
  if (sameSide != rows_.end() && side == 0)
    return;
  const auto other = sameSide != rows_.end()
                         ? rows_.end()
                         : std::find_if(rows_.begin(), rows_.end(), [&](const TSyncRow &row) {
                             return !data::TpValid(Side(row, side)) &&
                                    Near(Side(row, 1 - side), tp, settings_.MaxDiff);
                           });
  TSyncRow &row = other != rows_.end() ? *other : rows_.emplace_back(TSyncRow{});
  (side == 0 ? row.New : row.Current) = tp;
}

void TTpSync::Classify(TSyncRow &row) const {
  const bool hasNew = data::TpValid(row.New), hasCurrent = data::TpValid(row.Current);
  if (hasNew && hasCurrent)
    row.State = Differ(row.New, row.Current, settings_.IgnoreFreqDiff) ? kSyncChanged : kSyncEqual;
  else if (hasNew)
    row.State = kSyncOnlyNew;
  else
    row.State = hasCurrent ? kSyncOnlyCurrent : kSyncNone;
}

void TTpSync::Arrange() {
  const int order = settings_.SortOrder;
  std::stable_sort(rows_.begin(), rows_.end(), [order](const TSyncRow &a, const TSyncRow &b) {
    const data::TTransponder &ka = data::TpValid(a.New) ? a.New : a.Current;
    const data::TTransponder &kb = data::TpValid(b.New) ? b.New : b.Current;
    return data::TpOrderLess(ka, kb, order);
  });
  visible_.clear();
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (Shows(settings_.Filter, rows_[i].State))
      visible_.push_back(static_cast<int>(i));
  }
}

void TTpSync::SetMaxDiff(int mhz) {
  settings_.MaxDiff = std::clamp(mhz, 0, 5);
  Build();
}

void TTpSync::SetOffset(int mhz) {
  settings_.Offset = std::clamp(mhz, -5, 5);
  Build();
}

void TTpSync::SetIgnoreFreqDiff(bool on) {
  settings_.IgnoreFreqDiff = on;
  for (TSyncRow &row : rows_) {
    if (row.Action == kActionNone)
      Classify(row);
  }
  Arrange();
}

void TTpSync::SetFilter(int filter) {
  settings_.Filter = std::clamp(filter, 0, static_cast<int>(kShowChanged));
  Arrange();
}

void TTpSync::SetSortOrder(int order) {
  settings_.SortOrder = std::clamp(order, 0, 1);
  Arrange();
}

bool TTpSync::Pending(int row) const {
  return row >= 0 && row < static_cast<int>(rows_.size()) &&
         rows_[static_cast<std::size_t>(row)].Action != kActionNone;
}

void TTpSync::MarkChanged() { changesPending_ = revertEnabled_ = true; }

bool TTpSync::Copy(int index) {
  if (index < 0 || index >= static_cast<int>(rows_.size()))
    return false;
  TSyncRow &row = rows_[static_cast<std::size_t>(index)];
  if (row.State != kSyncOnlyNew && row.State != kSyncChanged)
    return false;
  row.Current = row.New;
  row.Action = kActionCopy;
  MarkChanged();
  return true;
}

bool TTpSync::Delete(int index) {
  if (index < 0 || index >= static_cast<int>(rows_.size()))
    return false;
  TSyncRow &row = rows_[static_cast<std::size_t>(index)];
  if (row.State != kSyncOnlyCurrent && row.State != kSyncEqual && row.State != kSyncChanged)
    return false;
  row.Action = kActionDelete;
  MarkChanged();
  return true;
}

bool TTpSync::Cancel(int index) {
  if (!Pending(index))
    return false;
  TSyncRow &row = rows_[static_cast<std::size_t>(index)];
  row.Current = row.Saved;
  row.Action = kActionNone;
  return true;
}

int TTpSync::CopyAll() {
  int copied = 0;
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i)
    copied += Copy(i) ? 1 : 0;
  return copied;
}

void TTpSync::Update() {
  for (TSyncRow &row : rows_) {
    if (row.Action == kActionCopy) {
      row.Saved = row.Current;
      row.State = kSyncEqual;
    } else if (row.Action == kActionDelete) {
      row.Current = row.Saved = kNoEntry;
      Classify(row);
    }
    row.Action = kActionNone;
  }
  changesPending_ = false;
  Arrange();
}

void TTpSync::Undo() {
  for (TSyncRow &row : rows_) {
    if (row.Action != kActionNone) {
      row.Current = row.Saved;
      row.Action = kActionNone;
    }
  }
  changesPending_ = false;
}

void TTpSync::Revert() { Build(); }

void TTpSync::Apply(data::TSatTransponders &current) const {
  std::vector<data::TTransponder> kept;
  for (const TSyncRow &row : rows_) {
    if (row.Action != kActionDelete && data::TpValid(row.Current))
      kept.push_back(row.Current);
  }
  if (frame::Trim(current.Name).empty())
    current.Name = frame::Trim(new_.Name);
  // Rebuilt through TpAdd, so the marked count follows the marks the entries now carry.
  current.TpClear();
  for (const data::TTransponder &tp : kept)
    current.TpAdd(tp);
  current.TpSort(data::kTpOrderPolar);
}

} // namespace qev::web
