#pragma once

#include "frame/ui_dispatcher.h"

#include <QObject>

namespace qev::frame {

// Runs tasks on the thread that created it (the GUI thread) through Qt's event loop.
class TQtDispatcher final : public UiDispatcher {
public:
  TQtDispatcher();

  void Post(Task task) override;
  void Send(Task task) override;
  bool IsUiThread() const override;
  void ProcessPending() override;

private:
  QObject context_;
};

} // namespace qev::frame
