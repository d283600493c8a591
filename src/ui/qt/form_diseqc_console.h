#pragma once

#include "ui/ui_context.h"

#include <QWidget>

#include <memory>

namespace qev::ui {

// The DiSEqC console for driving a positioner by hand. Only one exists; closing frees it.
class TFormDiseqcConsole : public QWidget {
  Q_OBJECT
public:
  // Shows the console (creating it when there is none), or the warning when the device's
  // DiSEqC level is below 11. Returns the console, or null after the warning.
  static TFormDiseqcConsole *ShowConsole(QWidget *owner, TUiContext &context);
  ~TFormDiseqcConsole() override;

private:
  TFormDiseqcConsole(QWidget *owner, TUiContext &context);
  class TImpl;
  std::unique_ptr<TImpl> impl_;
};

} // namespace qev::ui
