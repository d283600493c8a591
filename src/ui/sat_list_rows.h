#pragma once

#include "ui/ui_context.h"

#include <optional>
#include <string>
#include <vector>

namespace qev::ui {

inline constexpr const char *kNoMoreSatSpace = "No more space for Sat items (max 255)";
inline constexpr const char *kSelectOneSat = "Please select one satellite item...";

// What one row of the satellite list shows.
struct TSatRow {
  bool Active = false;
  std::string Index;    // "007"
  std::string Dish;     // "Fix", "M 2"
  std::string Position; // "19.2E"
  std::string Name;
  bool Loaded = false; // the satellite the tuner last tuned: bold, with its own icon
};

std::string SatIndexText(int satIndex);
std::string DishText(int dish);
// "Delete : " + name + " ?"
std::string DeleteSatQuestion(const data::TSatRec &rec);
// One row per satellite, in the list's order.
std::vector<TSatRow> SatRows(const data::TSatList &sats, int loadedIndex);

// The satellite list's buttons and clicks. A row is the satellite's array position; no row
// means nothing is selected.
class TSatListCommands {
public:
  explicit TSatListCommands(TUiContext &context) : context_(context) {}

  // Which buttons have a subsystem behind them.
  bool CanEdit() const { return static_cast<bool>(context_.Subsystems.EditSatellite); }
  bool CanScan() const { return static_cast<bool>(context_.Subsystems.ScanSatellite); }

  void Add();
  void Modify(std::optional<int> row);
  void Delete(std::optional<int> row);
  void Scan(std::optional<int> row);
  void SetActive(int row, bool active);
  // A double click: the satellite becomes active and AV slot 0 goes back to the channel last
  // watched on it, selected in slot 0's channel list.
  void Activate(int row);

private:
  // The row when it names a satellite; otherwise asks the user to select one.
  std::optional<int> Selected(std::optional<int> row) const;

  TUiContext &context_;
};

} // namespace qev::ui
