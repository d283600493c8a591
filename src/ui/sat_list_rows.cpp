#include "ui/sat_list_rows.h"

#include "frame/message_boxes.h"

#include <fmt/format.h>

namespace qev::ui {

std::string SatIndexText(int satIndex) { return fmt::format("{:03d}", satIndex); }

std::string DishText(int dish) { return dish == 0 ? "Fix" : fmt::format("M {}", dish); }

std::string DeleteSatQuestion(const data::TSatRec &rec) {
  return "Delete : " + data::SatName(rec) + " ?";
}

std::vector<TSatRow> SatRows(const data::TSatList &sats, int loadedIndex) {
  std::vector<TSatRow> rows;
  rows.reserve(sats.Items().size());
  for (const data::TSatRec &rec : sats.Items()) {
    rows.push_back({rec.SatActive != 0, SatIndexText(rec.SatIdx), DishText(rec.SatDish),
                    data::PositionText(rec.SatPos), data::SatName(rec),
                    loadedIndex != 0 && rec.SatIdx == loadedIndex});
  }
  return rows;
}

std::optional<int> TSatListCommands::Selected(std::optional<int> row) const {
  if (row && *row >= 0 && *row < context_.Sats.Count())
    return row;
  frame::ShowInformation(kSelectOneSat);
  return std::nullopt;
}

void TSatListCommands::Add() {
  if (!CanEdit())
    return;
  const int index = context_.Sats.SatNextIndex();
  if (context_.Sats.Count() >= data::kMaxSatellites || index == 0) {
    frame::ShowWarning(kNoMoreSatSpace);
    return;
  }
  data::TSatRec rec{};
  rec.SatIdx = static_cast<std::uint8_t>(index);
  if (!context_.Subsystems.EditSatellite(rec, true))
    return;
  rec.SatIdx = static_cast<std::uint8_t>(index);
  if (!context_.Sats.SatAdd(rec) && context_.Sats.LastError().empty())
    frame::ShowError("Another satellite already has the position " +
                     data::PositionText(rec.SatPos));
}

void TSatListCommands::Modify(std::optional<int> row) {
  if (!CanEdit())
    return;
  const auto selected = Selected(row);
  if (!selected)
    return;
  data::TSatRec rec = context_.Sats.At(*selected);
  if (!context_.Subsystems.EditSatellite(rec, false))
    return;
  // The editor keeps the index; the list refuses a record that would take another's place.
  if (!context_.Sats.SatModify(*selected, rec) && context_.Sats.LastError().empty()) {
    frame::ShowError("Another satellite already has the position " +
                     data::PositionText(rec.SatPos));
    return;
  }
  // LNB and DiSEqC edits of the satellite being watched count from the next tune on, even
  // when the file could not be written (the list in memory holds them).
  if (data::TSatRec stored{}; context_.Sats.SatGet(rec.SatIdx, stored))
    context_.LoadedSat.Refresh(stored);
}

void TSatListCommands::Delete(std::optional<int> row) {
  const auto selected = Selected(row);
  if (!selected || !frame::Confirm(DeleteSatQuestion(context_.Sats.At(*selected))))
    return;
  context_.Sats.SatDelete(*selected);
}

void TSatListCommands::Scan(std::optional<int> row) {
  if (!CanScan())
    return;
  if (const auto selected = Selected(row))
    context_.Subsystems.ScanSatellite(context_.Sats.At(*selected).SatIdx);
}

void TSatListCommands::SetActive(int row, bool active) {
  context_.Sats.SatSetActive(row, active, context_.Options.General.OneSatMobDish);
}

void TSatListCommands::Activate(int row) {
  if (row < 0 || row >= context_.Sats.Count())
    return;
  const int satIndex = context_.Sats.At(row).SatIdx;
  SetActive(row, true);
  if (context_.Engine.SwitchToSatellite(satIndex))
    context_.Engine.SelectSlotChannel(0, context_.Engine.Slot(0).CurrentHandle, 0);
}

} // namespace qev::ui
