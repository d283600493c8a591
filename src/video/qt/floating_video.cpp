#include "video/qt/floating_video.h"

#include "video/video_outputs.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace qev::video {

namespace {
constexpr int kBorderPixels = 2;
constexpr int kBlinkMs = 150;
} // namespace

TFloatingVideo::TFloatingVideo(int index)
    : QWidget(nullptr), index_(index), panel_(new TVideoPanel(this)), mark_(new QWidget(this)) {
  setObjectName(QString("floatingVideo%1").arg(index));
  setWindowTitle(QString("QEV-DVB :: ") + kVideoNames[index]);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(panel_);
  mark_->setObjectName("mark");
  mark_->setStyleSheet("background: #f0c000");
  mark_->setGeometry(0, 0, 8, 8);
  mark_->hide();
  setFocusPolicy(Qt::StrongFocus);
  ApplyFlags();
  clock_.start();
  connect(&blinkTimer_, &QTimer::timeout, this, [this] {
    mark_->setVisible(!mark_->isVisible() && blinks_ > 0);
    mark_->raise();
    if (!mark_->isVisible() && --blinks_ <= 0)
      blinkTimer_.stop();
  });
  panel_->SetHandlers({[this] {
                         if (handlers_.MouseActivity)
                           handlers_.MouseActivity();
                       },
                       [this](QPoint local) { DoubleClick(local); },
                       [this](QPoint global) {
                         if (handlers_.ContextMenu)
                           handlers_.ContextMenu(global);
                       },
                       [this](QMouseEvent *event) { BeginDrag(event); },
                       [this] {
                         if (handlers_.PanelResized)
                           handlers_.PanelResized();
                       }});
}

void TFloatingVideo::ApplyFlags() {
  Qt::WindowFlags flags = Qt::Tool | Qt::WindowStaysOnTopHint;
  if (!border_ || fullScreen_)
    flags |= Qt::FramelessWindowHint;
  const bool visible = isVisible();
  setWindowFlags(flags);
  if (visible)
    show();
}

TVideoSize TFloatingVideo::Screen() const {
  const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
  const QSize size = s ? s->geometry().size() : QSize(1280, 1024);
  return {size.width(), size.height()};
}

// The client area, which setGeometry places (pos() would be the frame's corner).
TVideoRect TFloatingVideo::Bounds() const {
  const QRect g = geometry();
  return {g.x(), g.y(), g.width(), g.height()};
}

void TFloatingVideo::MoveTo(const TVideoRect &r) {
  placing_ = true;
  setGeometry(r.Left, r.Top, r.Width, r.Height);
  placing_ = false;
}

void TFloatingVideo::Restore(const TSavedWinPos &pos) {
  border_ = pos.Border;
  shape_ = pos.Shape;
  fullScreen_ = false;
  ApplyFlags();
  const TVideoSize fitted = FitToShape({pos.Bounds.Width, pos.Bounds.Height}, shape_);
  saved_ = {pos.Bounds.Left, pos.Bounds.Top, fitted.Width, fitted.Height};
  MoveTo(saved_);
}

TSavedWinPos TFloatingVideo::Saved() const {
  TVideoRect bounds = saved_;
  if (!fullScreen_)
    bounds = Bounds();
  return {bounds, border_, shape_};
}

void TFloatingVideo::SetFullScreen(bool fullScreen) {
  if (fullScreen == fullScreen_)
    return;
  if (fullScreen)
    saved_ = Bounds();
  fullScreen_ = fullScreen;
  ApplyFlags();
  const TVideoSize screen = Screen();
  MoveTo(fullScreen ? TVideoRect{0, 0, screen.Width, screen.Height} : saved_);
}

void TFloatingVideo::SetBorder(bool border) {
  if (border == border_ || fullScreen_)
    return;
  border_ = border;
  const int delta = border ? kBorderPixels : -kBorderPixels;
  ApplyFlags();
  MoveTo({geometry().x(), geometry().y(), width() + delta, height() + delta});
}

void TFloatingVideo::SetShape(int shape) {
  shape_ = shape >= 0 && shape <= 2 ? shape : kShape4x3;
  const TVideoSize fitted = FitToShape({width(), height()}, shape_);
  if (!fullScreen_)
    MoveTo({geometry().x(), geometry().y(), fitted.Width, fitted.Height});
}

void TFloatingVideo::NextPresetPosition(const std::vector<std::string> &positions) {
  if (fullScreen_ || positions.empty())
    return;
  positionPreset_ = (positionPreset_ + 1) % static_cast<int>(positions.size());
  if (const auto r = PresetPositionRect(positions[positionPreset_], Bounds(), Screen(), shape_))
    MoveTo(*r);
}

void TFloatingVideo::NextPresetSize(const std::vector<std::string> &sizes) {
  if (fullScreen_ || sizes.empty())
    return;
  sizePreset_ = (sizePreset_ + 1) % static_cast<int>(sizes.size());
  ApplyPresetSize(sizes[sizePreset_]);
}

bool TFloatingVideo::ApplyPresetSize(const std::string &entry) {
  const auto r = PresetSizeRect(entry, Bounds(), Screen(), shape_);
  if (!r)
    return false;
  if (!fullScreen_)
    MoveTo(*r);
  return true;
}

void TFloatingVideo::Mark() {
  raise();
  blinks_ = 2;
  mark_->show();
  mark_->raise();
  blinkTimer_.start(kBlinkMs);
}

void TFloatingVideo::keyPressEvent(QKeyEvent *event) {
  switch (event->key()) {
  case Qt::Key_Escape:
  case Qt::Key_Return:
  case Qt::Key_Enter:
  case Qt::Key_Space:
    if (handlers_.Request)
      handlers_.Request(kLeaveFloating);
    return;
  default:
    QWidget::keyPressEvent(event);
  }
}

void TFloatingVideo::closeEvent(QCloseEvent *event) {
  // The video decides whether the window goes away.
  event->ignore();
  if (handlers_.Request)
    handlers_.Request(kLeaveFloating);
}

void TFloatingVideo::DoubleClick(QPoint local) {
  dragging_ = false;
  const bool zone = handlers_.DoubleClickZone && handlers_.DoubleClickZone();
  if (handlers_.Request)
    handlers_.Request(DoubleClickRequest(fullScreen_, zone, local.y(), panel_->height()));
}

void TFloatingVideo::BeginDrag(QMouseEvent *event) {
  if (fullScreen_) {
    event->ignore();
    return;
  }
  if (handlers_.Activated)
    handlers_.Activated();
  dragging_ = true;
  dragOffset_ = event->globalPosition().toPoint() - pos();
}

void TFloatingVideo::mouseMoveEvent(QMouseEvent *event) {
  if (!dragging_ || !(event->buttons() & Qt::LeftButton))
    return;
  const QPoint wanted = event->globalPosition().toPoint() - dragOffset_;
  const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
  const QRect area = s ? s->availableGeometry() : QRect(0, 0, 1280, 1024);
  const TVideoRect r =
      magnet_.Move({wanted.x(), wanted.y(), width(), height()},
                   {area.x(), area.y(), area.width(), area.height()}, clock_.elapsed());
  positionPreset_ = -1;
  move(r.Left, r.Top);
}

void TFloatingVideo::mouseReleaseEvent(QMouseEvent *) { dragging_ = false; }

void TFloatingVideo::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  const QSize old = lastSize_;
  lastSize_ = size();
  if (placing_ || fullScreen_ || shape_ == kShapeFree || !old.isValid())
    return;
  // Resized by hand: keep the shape, following the edge that moved.
  sizePreset_ = -1;
  const bool widthChanged = old.width() != width(), heightChanged = old.height() != height();
  const TSizeEdge edge = widthChanged && heightChanged ? TSizeEdge::BottomRight
                         : widthChanged                ? TSizeEdge::Right
                                                       : TSizeEdge::Bottom;
  const TVideoRect r = KeepRatioResize(Bounds(), edge, shape_);
  if (r.Width != width() || r.Height != height())
    MoveTo(r);
}

} // namespace qev::video
