#pragma once

#include "video/video_geometry.h"
#include "video/video_surface.h"

#include <QImage>
#include <QRect>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace qev::video {

// The latest frame and the renderer geometry of a surface, shared between the streaming thread
// that presents and the user-interface thread that paints.
class TSurfaceState {
public:
  void Present(std::shared_ptr<const TVideoFrame> frame);
  void SetGeometry(const TRendererGeometry &geometry);
  // From the window side: the picture rectangle, keeping the renderer's aspect mode. An empty
  // rectangle drops the picture.
  void SetPictureRect(const TVideoRect &rect);
  void Clear();
  std::shared_ptr<const TVideoFrame> Frame() const;
  TRendererGeometry Geometry() const;
  bool HasGeometry() const;

private:
  mutable std::mutex mutex_;
  std::shared_ptr<const TVideoFrame> frame_;
  TRendererGeometry geometry_;
  bool hasGeometry_ = false;
};

// Where the picture goes inside a widget of that size: the renderer rectangle (the whole widget
// when none was given), with aspect mode 1 the frame's display aspect kept inside it.
QRect PictureTarget(const TRendererGeometry &geometry, bool hasGeometry, QSize widget,
                    const TVideoFrame &frame);
// The frame converted to RGB (BT.601 up to 576 lines, BT.709 above, limited range).
QImage FrameToImage(const TVideoFrame &frame);

// A widget that shows the frames a renderer presents. Registered as a surface while it lives;
// its handle is the owner window given to the device module and the graph helpers.
class IVideoSurfaceWidget : public IVideoSurface {
public:
  virtual QWidget *Widget() = 0;
  virtual std::uintptr_t Handle() const = 0;
  virtual void SetPictureRect(const TVideoRect &rect) = 0;
  // Frames painted so far, and whether OpenGL draws them.
  virtual std::uint64_t PaintedFrames() const = 0;
  virtual bool UsesOpenGl() const = 0;
};

// OpenGL when a context can be made (not on the offscreen platform, or when QEV_VIDEO_SURFACE
// is "cpu"), else the CPU conversion.
std::unique_ptr<IVideoSurfaceWidget> CreateVideoSurface(QWidget *parent);
bool OpenGlAvailable();

// The CPU surface: converts the picture into an image and paints it.
class TVideoSurface final : public QWidget, public IVideoSurfaceWidget {
  Q_OBJECT
public:
  explicit TVideoSurface(QWidget *parent = nullptr);
  ~TVideoSurface() override;

  void PresentFrame(std::shared_ptr<const TVideoFrame> frame) override;
  void SetGeometry(const TRendererGeometry &geometry) override;
  void ClearFrame() override;
  QWidget *Widget() override { return this; }
  std::uintptr_t Handle() const override { return handle_; }
  void SetPictureRect(const TVideoRect &rect) override;
  std::uint64_t PaintedFrames() const override { return painted_; }
  bool UsesOpenGl() const override { return false; }

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  TSurfaceState state_;
  std::uintptr_t handle_ = 0;
  std::shared_ptr<const TVideoFrame> converted_; // the frame `image_` holds
  QImage image_;
  std::atomic<std::uint64_t> painted_{0};
};

// Schedules a repaint of the widget from any thread.
void RequestRepaint(QWidget *widget);

} // namespace qev::video
