#pragma once

#include "data/transponder_list.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qev::web {

enum TSyncState : std::uint8_t {
  kSyncNone = 0,
  kSyncOnlyNew = 1,
  kSyncOnlyCurrent = 2,
  kSyncEqual = 3,
  kSyncChanged = 4,
};
enum TSyncAction : std::uint8_t { kActionNone = 0, kActionCopy = 1, kActionDelete = 2 };

// One pair of entries of the two lists.
#pragma pack(push, 1)
struct TSyncRow {
  data::TTransponder New;     // from the new list, or all zero
  data::TTransponder Current; // from the current list, or all zero; the user's actions change it
  data::TTransponder Saved;   // Current after the last build or update, for undo
  std::uint8_t State;
  std::uint8_t Action;
};
#pragma pack(pop)
static_assert(sizeof(TSyncRow) == 35);

enum TSyncFilter : int {
  kShowAll = 0,
  kShowAllButEqual = 1,
  kShowOnlyNew = 2,
  kShowOnlyCurrent = 3,
  kShowEqual = 4,
  kShowChanged = 5,
};

struct TSyncSettings {
  int MaxDiff = 1;            // MHz, 0..5
  int Offset = 0;             // MHz added to the new list's frequencies, -5..+5
  bool IgnoreFreqDiff = true; // only a different symbol rate makes a pair "changed"
  int Filter = kShowAll;
  int SortOrder = data::kTpOrderPolar; // 0 or 1
};

inline constexpr const char *kAskSaveChanges = "Save changes ?";
inline constexpr const char *kAskDiscardChanges = "Discard changes ?";
inline constexpr const char *kAskRevert = "Revert transpoders lists to initial data ?";

// "File contain wrong SatID [...] <> [...]..." when the lists name different positions.
std::optional<std::string> SatIdQuestion(const data::TSatTransponders &newList,
                                         const data::TSatTransponders &current);
// "0192-Astra"
std::string SyncHeader(const data::TSatTransponders &list);

// Sets a new transponder list beside the current one, pairs their entries and lets the user
// decide entry by entry what the current list becomes. The lists are borrowed and read only;
// Apply writes the result.
class TTpSync {
public:
  TTpSync(const data::TSatTransponders &newList, const data::TSatTransponders &current);

  const TSyncSettings &Settings() const { return settings_; }
  // Rows in their sort order; Visible() are the indexes the show filter lets through.
  const std::vector<TSyncRow> &Rows() const { return rows_; }
  const std::vector<int> &Visible() const { return visible_; }
  bool UpdateEnabled() const { return changesPending_; }
  bool UndoEnabled() const { return changesPending_; }
  bool RevertEnabled() const { return revertEnabled_; }

  void SetMaxDiff(int mhz);
  void SetOffset(int mhz);
  void SetIgnoreFreqDiff(bool on);
  void SetFilter(int filter);
  void SetSortOrder(int order);

  // Row indexes are those of Rows(). False when the row's state does not allow the action.
  bool Copy(int row);
  bool Delete(int row);
  // Gives a row with a pending action its saved entry back; false without one.
  bool Cancel(int row);
  // Copies every row that allows it; returns how many.
  int CopyAll();
  void Update();
  void Undo();
  void Revert();

  // Writes the result into current: every row's current entry unless deleted.
  void Apply(data::TSatTransponders &current) const;

private:
  void Build();
  void Place(const data::TTransponder &tp, int side);
  void Classify(TSyncRow &row) const;
  void Arrange();
  bool Pending(int row) const;
  void MarkChanged();

  const data::TSatTransponders &new_;
  const data::TSatTransponders &current_;
  TSyncSettings settings_;
  std::vector<TSyncRow> rows_;
  std::vector<int> visible_;
  bool changesPending_ = false;
  bool revertEnabled_ = false;
};

} // namespace qev::web
