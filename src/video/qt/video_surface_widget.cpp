#include "video/qt/video_surface_widget.h"

#include "video/qt/gl_video_surface.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace qev::video {

namespace {

std::uint8_t Clamp8(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

struct TYuvMatrix {
  int rv, gu, gv, bu; // x 1024, limited range
};
constexpr TYuvMatrix kBt601{1634, 401, 832, 2066};
constexpr TYuvMatrix kBt709{1836, 218, 546, 2163};

QRgb YuvToRgb(int y, int u, int v, const TYuvMatrix &m) {
  const int c = (y - 16) * 1192; // 255/219 x 1024
  const int d = u - 128, e = v - 128;
  return qRgb(Clamp8((c + m.rv * e) >> 10), Clamp8((c - m.gu * d - m.gv * e) >> 10),
              Clamp8((c + m.bu * d) >> 10));
}

} // namespace

void TSurfaceState::Present(std::shared_ptr<const TVideoFrame> frame) {
  std::lock_guard lock(mutex_);
  frame_ = std::move(frame);
}

void TSurfaceState::SetGeometry(const TRendererGeometry &geometry) {
  std::lock_guard lock(mutex_);
  geometry_ = geometry;
  hasGeometry_ = true;
}

void TSurfaceState::SetPictureRect(const TVideoRect &rect) {
  std::lock_guard lock(mutex_);
  geometry_.Left = rect.Left;
  geometry_.Top = rect.Top;
  geometry_.Width = rect.Width;
  geometry_.Height = rect.Height;
  hasGeometry_ = rect.Width > 0 && rect.Height > 0;
  if (!hasGeometry_)
    frame_.reset();
}

void TSurfaceState::Clear() {
  std::lock_guard lock(mutex_);
  frame_.reset();
}

std::shared_ptr<const TVideoFrame> TSurfaceState::Frame() const {
  std::lock_guard lock(mutex_);
  return frame_;
}

TRendererGeometry TSurfaceState::Geometry() const {
  std::lock_guard lock(mutex_);
  return geometry_;
}

bool TSurfaceState::HasGeometry() const {
  std::lock_guard lock(mutex_);
  return hasGeometry_;
}

QRect PictureTarget(const TRendererGeometry &geometry, bool hasGeometry, QSize widget,
                    const TVideoFrame &frame) {
  QRect target = hasGeometry ? QRect(geometry.Left, geometry.Top, geometry.Width, geometry.Height)
                             : QRect(QPoint(0, 0), widget);
  if (geometry.AspectMode != 1 || frame.AspectX <= 0 || frame.AspectY <= 0 || target.isEmpty())
    return target;
  const long long w = target.width(), h = target.height();
  // The largest rectangle of the frame's display aspect inside the target, centred.
  long long pw = w, ph = h;
  if (w * frame.AspectY > h * frame.AspectX)
    pw = (h * frame.AspectX + frame.AspectY / 2) / frame.AspectY;
  else
    ph = (w * frame.AspectY + frame.AspectX / 2) / frame.AspectX;
  return QRect(target.left() + static_cast<int>((w - pw) / 2),
               target.top() + static_cast<int>((h - ph) / 2), static_cast<int>(pw),
               static_cast<int>(ph));
}

QImage FrameToImage(const TVideoFrame &f) {
  if (f.Width <= 0 || f.Height <= 0 || !f.Planes[0])
    return {};
  QImage image(f.Width, f.Height, QImage::Format_RGB32);
  if (f.Format == TVideoFrame::TFormat::BGRx) {
    for (int y = 0; y < f.Height; ++y)
      std::memcpy(image.scanLine(y), f.Planes[0] + y * f.Strides[0], f.Width * 4);
    return image;
  }
  const TYuvMatrix &m = f.Height > 576 ? kBt709 : kBt601;
  const bool nv12 = f.Format == TVideoFrame::TFormat::NV12;
  if (!f.Planes[1] || (!nv12 && !f.Planes[2]))
    return {};
  for (int y = 0; y < f.Height; ++y) {
    auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
    const std::uint8_t *py = f.Planes[0] + y * f.Strides[0];
    const std::uint8_t *pu = f.Planes[1] + (y / 2) * f.Strides[1];
    const std::uint8_t *pv = nv12 ? pu + 1 : f.Planes[2] + (y / 2) * f.Strides[2];
    const int step = nv12 ? 2 : 1;
    for (int x = 0; x < f.Width; ++x)
      out[x] = YuvToRgb(py[x], pu[(x / 2) * step], pv[(x / 2) * step], m);
  }
  return image;
}

void RequestRepaint(QWidget *widget) {
  QMetaObject::invokeMethod(widget, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

bool OpenGlAvailable() {
  if (const char *choice = std::getenv("QEV_VIDEO_SURFACE"))
    return std::strcmp(choice, "cpu") != 0;
  if (QGuiApplication::platformName() == "offscreen")
    return false;
  static const bool available = [] {
    QOpenGLContext context;
    if (!context.create())
      return false;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    return context.makeCurrent(&surface);
  }();
  return available;
}

std::unique_ptr<IVideoSurfaceWidget> CreateVideoSurface(QWidget *parent) {
  if (OpenGlAvailable())
    return std::make_unique<TGlVideoSurface>(parent);
  return std::make_unique<TVideoSurface>(parent);
}

TVideoSurface::TVideoSurface(QWidget *parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  handle_ = RegisterSurface(*this);
}

TVideoSurface::~TVideoSurface() { UnregisterSurface(handle_); }

void TVideoSurface::PresentFrame(std::shared_ptr<const TVideoFrame> frame) {
  state_.Present(std::move(frame));
  RequestRepaint(this);
}

void TVideoSurface::SetGeometry(const TRendererGeometry &geometry) {
  state_.SetGeometry(geometry);
  RequestRepaint(this);
}

void TVideoSurface::ClearFrame() {
  state_.Clear();
  RequestRepaint(this);
}

void TVideoSurface::SetPictureRect(const TVideoRect &rect) {
  state_.SetPictureRect(rect);
  update();
}

void TVideoSurface::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  const auto frame = state_.Frame();
  if (!frame) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  if (frame != converted_) {
    image_ = FrameToImage(*frame);
    converted_ = frame;
  }
  const QRect target = PictureTarget(state_.Geometry(), state_.HasGeometry(), size(), *frame);
  // Black only around the picture, so that it is never drawn over.
  QRegion around(rect());
  around -= target;
  for (const QRect &r : around)
    painter.fillRect(r, Qt::black);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, image_);
  ++painted_;
}

} // namespace qev::video
