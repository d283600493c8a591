#pragma once

#include "ui/tree_rules.h"

#include <array>
#include <string>

namespace qev::ui {

inline constexpr int kServiceBoxes = 5;

// The values of the filter panel's controls.
struct TFilterControls {
  int Group1 = 0;
  int Group2 = 0;
  int Sort1 = 0;
  int Sort2 = 0;
  int InfoCol = 0;
  int Category = 0;
  std::array<bool, kServiceBoxes> Services{}; // TV, radio, data, scrambled, free
  bool Sub = false;
  bool Ttx = false;
  bool Ac3 = false;
  bool Favourite = false;
  std::string Name;
};

// The rule set in the controls; an index outside its chooser (categoryEntries counts "Any
// category" too) becomes 0.
TFilterControls ControlsOf(const TGSFRules &rules, int categoryEntries);
// Grouping and sorting; no second level without a first.
void StoreGrouping(TGSFRules &rules, TFilterControls &controls);
// Service bits, features, category and name.
void StoreFilter(TGSFRules &rules, const TFilterControls &controls);
// Every service shown, no other filter.
void ResetFilter(TGSFRules &rules);

} // namespace qev::ui
