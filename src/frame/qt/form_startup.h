#pragma once

#include "frame/log.h"

#include <QWidget>

class QListWidget;
class QProgressBar;
class QPushButton;

namespace qev::frame {

// The small window that shows the start-up log before the main window exists.
class TFormStartup final : public QWidget, public StartupLogView {
  Q_OBJECT
public:
  static constexpr const char* kCaption = "DVB App Init";

  TFormStartup();

  void AppendLogLine(const std::string& line) override;
  QStringList LogLines() const;

  // The progress bar is shown only on the device module's request.
  void SetProgressMaximum(int maximum);
  void SetProgressPosition(int position);
  void SetProgressVisible(bool visible);

  // Keeps the window open with its log until the user closes it.
  void WaitForClose();

protected:
  void closeEvent(QCloseEvent* event) override;

signals:
  void Closed();

private:
  QListWidget* log_;
  QProgressBar* progress_;
  QPushButton* close_;
  bool closable_ = false;
};

} // namespace qev::frame
