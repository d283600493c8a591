#pragma once

#include "data/sat_editing.h"
#include "frame/options.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <memory>

namespace qev::data {

inline constexpr const char *kEditSatTitle = "Satellite";

// What the satellite editor needs besides the record.
struct TSatEditLinks {
  // Whether a satellite other than the one with this index has the position.
  std::function<bool(int position, int index)> PositionTaken = [](int, int) { return false; };
  frame::TDiseqcOptions Diseqc{};
  std::filesystem::path AllSats{};
};

// The satellite editor: name, position, dish group, LNB frequencies with presets, three DiSEqC
// switches and the positioner, each with the command it will send. Works on a copy; Result()
// holds the record once the user saved.
class TFormEditSat : public QDialog {
  Q_OBJECT
public:
  TFormEditSat(QWidget *owner, const TSatRec &rec, bool add, TSatEditLinks links);
  ~TFormEditSat() override;

  TSatEditForm Form() const;
  const TSatRec &Result() const;
  // Saving checks the inputs in order and stays open on the first failure.
  void accept() override;

private:
  class TImpl;
  std::unique_ptr<TImpl> impl_;
};

// Add mode offers the picker of AllSats.txt first. True when the user saved; rec holds it.
bool EditSatellite(QWidget *owner, TSatRec &rec, bool add, const TSatEditLinks &links);

} // namespace qev::data
