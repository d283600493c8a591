#pragma once

#include "video/qt/video_surface_widget.h"
#include "video/video_outputs.h"

#include <QWidget>

#include <functional>
#include <memory>

class QLabel;

namespace qev::video {

// The black panel that hosts a video: the surface fills it and paints black only around the
// picture rectangle; on-screen messages lie on top. Mouse activity, double clicks and the
// context menu are handed to whoever owns the panel.
class TVideoPanel final : public QWidget {
  Q_OBJECT
public:
  struct THandlers {
    std::function<void()> MouseActivity;
    std::function<void(QPoint local)> DoubleClick;
    std::function<void(QPoint global)> ContextMenu;
    std::function<void(QMouseEvent *)> LeftPress;
    std::function<void()> Resized;
  };

  explicit TVideoPanel(QWidget *parent = nullptr);
  ~TVideoPanel() override;

  void SetHandlers(THandlers handlers) { handlers_ = std::move(handlers); }
  std::uintptr_t Handle() const { return surface_->Handle(); }
  IVideoSurfaceWidget &Surface() { return *surface_; }
  void SetPictureRect(const TVideoRect &rect);
  TVideoRect PictureRect() const { return pictureRect_; }
  void ShowMessage(const TVideoMessage &message);
  void HideMessage();
  // The message shown, empty when none.
  QString MessageText() const;
  QLabel *MessageLabel() const { return message_; }

protected:
  void resizeEvent(QResizeEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  void contextMenuEvent(QContextMenuEvent *event) override;
  void paintEvent(QPaintEvent *event) override;

private:
  void PlaceMessage();

  THandlers handlers_;
  std::unique_ptr<IVideoSurfaceWidget> surface_;
  QLabel *message_;
  int messageLayout_ = 0;
  TVideoRect pictureRect_;
};

// A 0x00BBGGRR value as a colour.
QColor ColorFromBgr(std::uint32_t value);

} // namespace qev::video
