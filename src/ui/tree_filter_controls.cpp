#include "ui/tree_filter_controls.h"

namespace qev::ui {
namespace {

constexpr int kAllServices = 31;

int Clamped(int index, int entries) { return index < 0 || index >= entries ? 0 : index; }

} // namespace

TFilterControls ControlsOf(const TGSFRules &rules, int categoryEntries) {
  TFilterControls c;
  c.Group1 = Clamped(rules.Group1By, frame::kGroupKinds);
  c.Group2 = Clamped(rules.Group2By, frame::kGroupKinds);
  c.Sort1 = Clamped(rules.SortRule1, frame::kSortKeys);
  c.Sort2 = Clamped(rules.SortRule2, frame::kSortKeys);
  c.InfoCol = Clamped(rules.ChfInfoCol, frame::kInfoColumns);
  c.Category = Clamped(rules.ChfCategory, categoryEntries);
  for (int i = 0; i < kServiceBoxes; ++i)
    c.Services[static_cast<std::size_t>(i)] = (rules.ChfServType & (1 << i)) != 0;
  c.Sub = rules.ChfFlagSUB;
  c.Ttx = rules.ChfFlagTTX;
  c.Ac3 = rules.ChfFlagAC3;
  c.Favourite = rules.ChfFavorite;
  c.Name = rules.ChfContain;
  return c;
}

void StoreGrouping(TGSFRules &rules, TFilterControls &controls) {
  if (controls.Group1 == 0)
    controls.Group2 = 0;
  rules.Group1By = controls.Group1;
  rules.Group2By = controls.Group2;
  rules.SortRule1 = controls.Sort1;
  rules.SortRule2 = controls.Sort2;
}

void StoreFilter(TGSFRules &rules, const TFilterControls &controls) {
  int bits = 0;
  for (int i = 0; i < kServiceBoxes; ++i)
    bits |= controls.Services[static_cast<std::size_t>(i)] ? 1 << i : 0;
  rules.ChfServType = bits;
  rules.ChfFlagSUB = controls.Sub;
  rules.ChfFlagTTX = controls.Ttx;
  rules.ChfFlagAC3 = controls.Ac3;
  rules.ChfFavorite = controls.Favourite;
  rules.ChfCategory = controls.Category;
  rules.ChfContain = controls.Name;
}

void ResetFilter(TGSFRules &rules) {
  rules.ChfServType = kAllServices;
  rules.ChfCategory = 0;
  rules.ChfContain.clear();
  rules.ChfFlagSUB = rules.ChfFlagTTX = rules.ChfFlagAC3 = rules.ChfFavorite = false;
}

} // namespace qev::ui
