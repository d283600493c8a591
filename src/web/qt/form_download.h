#pragma once

#include "web/syn_http_get.h"

#include <QDialog>

#include <functional>
#include <sstream>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace qev::web {

inline constexpr const char *kActionResolving = "Resolving host";
inline constexpr const char *kActionConnecting = "Connecting...";
inline constexpr const char *kActionDownloading = "Downloading";
inline constexpr const char *kActionFinished = "Finnished";

// The small window that shows a download's progress: title, action line, address, byte
// counter and progress bar. Borderless and on top, centred on its owner, moved by dragging
// its title. Closing it asks the transfer to stop.
class TFormDownload : public QDialog {
  Q_OBJECT
public:
  TFormDownload(QWidget *owner, const QString &title);

  // On the window's thread: one progress event of the client.
  void Work(THttpWorkKind kind, const std::string &address, std::int64_t value);
  // The action line in red: code + "-" + text.
  void ShowFailure(int code, const std::string &text);
  bool CloseRequested() const { return closeRequested_; }
  std::function<void()> OnCloseRequest;

protected:
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void reject() override;

private:
  void Action(const QString &text, const QColor &colour, const std::string &address);

  QLabel *title_, *action_, *address_, *counter_;
  QProgressBar *progress_;
  QPoint dragFrom_;
  bool dragging_ = false;
  bool closeRequested_ = false;
};

// Downloads address into stream (emptied first) while the window shows the progress; the
// transfer runs on a thread of its own so the window stays alive. A failure stays on screen
// in red until the user closes the window. True when the whole body arrived.
bool DownloadFile(QWidget *owner, const std::string &title, const std::string &address,
                  std::stringstream &stream,
                  const std::function<void(TSynHttpGet &)> &configure = {});

} // namespace qev::web
