#pragma once

#include "ui/ui_context.h"

#include <QWidget>

#include <memory>

namespace qev::ui {

// The channel tab of the main window: streams, CA entries and parameters of AV slot 0's
// selected channel, with DEC/HEX and the channel's volume adjustment. Every edit goes through
// the engine's StoreEditedChannel. Follows notifications 6 (slot 0), 7, 8 and 11.
class TFrameChannelInfo : public QWidget {
  Q_OBJECT
public:
  TFrameChannelInfo(QWidget *owner, TUiContext &context);
  ~TFrameChannelInfo() override;

  void Refresh();

private:
  class TImpl;
  std::unique_ptr<TImpl> impl_;
};

} // namespace qev::ui
