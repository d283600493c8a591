#pragma once

#include "data/sat_list.h"

#include <QDialog>

#include <filesystem>
#include <optional>
#include <vector>

class QListWidget;

namespace qev::data {

// The satellites of AllSats.txt, one row each ("19.2E  Astra 1KR"); a double click or OK picks.
class TFormSatPicker : public QDialog {
  Q_OBJECT
public:
  TFormSatPicker(QWidget *owner, std::vector<TKnownSat> sats);

  std::optional<TKnownSat> Chosen() const;

private:
  std::vector<TKnownSat> sats_;
  QListWidget *list_;
};

// Reads the list and lets the user pick; a list that cannot be read shows why and picks nothing.
std::optional<TKnownSat> PickSatellite(QWidget *owner, const std::filesystem::path &allSats);

} // namespace qev::data
