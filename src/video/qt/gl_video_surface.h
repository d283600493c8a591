#pragma once

#include "video/qt/video_surface_widget.h"

#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLWidget>

#include <array>

namespace qev::video {

// The OpenGL surface: the planes go up as textures and a fragment shader converts YUV to RGB
// (BT.601 up to 576 lines, BT.709 above).
class TGlVideoSurface final : public QOpenGLWidget,
                              public IVideoSurfaceWidget,
                              protected QOpenGLFunctions {
  Q_OBJECT
public:
  explicit TGlVideoSurface(QWidget *parent = nullptr);
  ~TGlVideoSurface() override;

  void PresentFrame(std::shared_ptr<const TVideoFrame> frame) override;
  void SetGeometry(const TRendererGeometry &geometry) override;
  void ClearFrame() override;
  QWidget *Widget() override { return this; }
  std::uintptr_t Handle() const override { return handle_; }
  void SetPictureRect(const TVideoRect &rect) override;
  std::uint64_t PaintedFrames() const override { return painted_; }
  bool UsesOpenGl() const override { return true; }

protected:
  void initializeGL() override;
  void paintGL() override;

private:
  void Upload(const TVideoFrame &frame);
  void UploadPlane(int index, const std::uint8_t *data, int stride, int bytesPerPixel, int width,
                   int height, unsigned format);
  void ReleaseGl();

  TSurfaceState state_;
  std::uintptr_t handle_ = 0;
  QOpenGLShaderProgram program_;
  std::array<unsigned, 3> textures_{};
  std::shared_ptr<const TVideoFrame> uploaded_;
  bool ready_ = false;
  std::atomic<std::uint64_t> painted_{0};
};

} // namespace qev::video
