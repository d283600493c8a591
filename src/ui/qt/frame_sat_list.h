#pragma once

#include "ui/ui_context.h"

#include <QWidget>

#include <memory>

namespace qev::ui {

// The satellites tab of the main window: one row per satellite with its active check box; a
// double click makes the satellite the one AV slot 0 watches. Follows notifications 4 and 5.
class TFrameSatList : public QWidget {
  Q_OBJECT
public:
  TFrameSatList(QWidget *owner, TUiContext &context);
  ~TFrameSatList() override;

  void Refresh();

private:
  class TImpl;
  std::unique_ptr<TImpl> impl_;
};

} // namespace qev::ui
