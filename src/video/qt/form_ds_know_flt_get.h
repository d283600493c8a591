#pragma once

#include "video/known_filters.h"

#include <QDialog>

class QComboBox;
class QDialogButtonBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace qev::video {

// Picks one of the system's filters of a kind for the known filters list: the filter's class,
// name and library, an info text and the pins the graph is to use.
class TFormDsKnowFltGet final : public QDialog {
  Q_OBJECT
public:
  TFormDsKnowFltGet(int kind, IFilterRegistry &registry, QWidget *parent = nullptr);

  // Shows the filter of a row of the list (what a double click or Enter does).
  void ChooseRow(int row);
  // The record OK gives: the kind, the chosen class, name, trimmed info and pins.
  TKnownFilter Result() const;

  QListWidget *Filters() const { return list_; }
  QLineEdit *Info() const { return info_; }
  QComboBox *InputPins() const { return inputPins_; }
  QComboBox *OutputPins() const { return outputPins_; }
  QPushButton *OkButton() const;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void UpdateOk();
  void ShowProperties();

  const int kind_;
  IFilterRegistry &registry_;
  QListWidget *list_;
  QLineEdit *guid_, *name_, *path_, *info_;
  QComboBox *inputPins_, *outputPins_;
  QPushButton *properties_;
  QDialogButtonBox *buttons_;
};

} // namespace qev::video
