#pragma once

#include "video/qt/video_panel.h"
#include "video/video_geometry.h"
#include "video/video_win_config.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace qev::video {

// A video's own window: a top-most tool window with magnetic edges, a sizeable border that can
// be switched off, a window shape that resizing keeps, and full screen.
class TFloatingVideo final : public QWidget {
  Q_OBJECT
public:
  struct THandlers {
    std::function<void(int request)> Request; // asks the video for a state
    std::function<void()> Activated;          // became the active floating video
    std::function<bool()> DoubleClickZone;    // the option VideoDblClickZo
    std::function<void(QPoint global)> ContextMenu;
    std::function<void()> MouseActivity;
    std::function<void()> PanelResized;
  };

  explicit TFloatingVideo(int index);

  void SetHandlers(THandlers handlers) { handlers_ = std::move(handlers); }
  int Index() const { return index_; }
  TVideoPanel &Panel() { return *panel_; }

  // Places the window as saved; the saved place as it is now (not in full screen).
  void Restore(const TSavedWinPos &pos);
  TSavedWinPos Saved() const;
  void SetFullScreen(bool fullScreen);
  bool FullScreen() const { return fullScreen_; }
  bool Border() const { return border_; }
  void SetBorder(bool border);
  int Shape() const { return shape_; }
  void SetShape(int shape);
  // The next preset position or size (cyclic); nothing in full screen or for a bad entry.
  void NextPresetPosition(const std::vector<std::string> &positions);
  void NextPresetSize(const std::vector<std::string> &sizes);
  // One preset size by its entry; false when it does not parse.
  bool ApplyPresetSize(const std::string &entry);
  // Blinks the mark twice: this is the active floating video.
  void Mark();
  bool Marked() const { return blinks_ > 0; }

protected:
  void keyPressEvent(QKeyEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

private:
  void ApplyFlags();
  void BeginDrag(QMouseEvent *event);
  void DoubleClick(QPoint local);
  TVideoSize Screen() const;
  void MoveTo(const TVideoRect &rect);
  TVideoRect Bounds() const;

  const int index_;
  THandlers handlers_;
  TVideoPanel *panel_;
  QWidget *mark_;
  QTimer blinkTimer_;
  int blinks_ = 0;
  int shape_ = kShape4x3;
  bool border_ = true;
  bool fullScreen_ = false;
  TVideoRect saved_;
  int positionPreset_ = -1, sizePreset_ = -1;
  bool placing_ = false; // a move or resize of our own, not by hand
  bool dragging_ = false;
  QPoint dragOffset_;
  QSize lastSize_;
  TMagneticEdges magnet_;
  QElapsedTimer clock_;
};

} // namespace qev::video
