#include "video/qt/gl_video_surface.h"

namespace qev::video {

namespace {

constexpr const char *kVertexShader = R"(
attribute vec2 position;
attribute vec2 texCoord;
varying vec2 uv;
void main() {
  uv = texCoord;
  gl_Position = vec4(position, 0.0, 1.0);
})";

// format 0 I420, 1 NV12, 2 BGRx; bt709 chooses the matrix.
constexpr const char *kFragmentShader = R"(
varying vec2 uv;
uniform sampler2D planeY;
uniform sampler2D planeU;
uniform sampler2D planeV;
uniform int format;
uniform int bt709;
void main() {
  if (format == 2) {
    gl_FragColor = vec4(texture2D(planeY, uv).bgr, 1.0);
    return;
  }
  float y = 1.164 * (texture2D(planeY, uv).r - 0.0625);
  float u, v;
  if (format == 1) {
    vec4 c = texture2D(planeU, uv);
    u = c.r - 0.5;
    v = c.a - 0.5;
  } else {
    u = texture2D(planeU, uv).r - 0.5;
    v = texture2D(planeV, uv).r - 0.5;
  }
  vec3 rgb;
  if (bt709 == 1)
    rgb = vec3(y + 1.793 * v, y - 0.213 * u - 0.533 * v, y + 2.112 * u);
  else
    rgb = vec3(y + 1.596 * v, y - 0.391 * u - 0.813 * v, y + 2.018 * u);
  gl_FragColor = vec4(clamp(rgb, 0.0, 1.0), 1.0);
})";

constexpr unsigned kUnpackRowLength = 0x0CF2; // GL_UNPACK_ROW_LENGTH
constexpr unsigned kLuminanceAlpha = 0x190A;  // GL_LUMINANCE_ALPHA

} // namespace

TGlVideoSurface::TGlVideoSurface(QWidget *parent) : QOpenGLWidget(parent) {
  handle_ = RegisterSurface(*this);
}

TGlVideoSurface::~TGlVideoSurface() {
  UnregisterSurface(handle_);
  ReleaseGl();
}

void TGlVideoSurface::ReleaseGl() {
  if (!ready_ || !context())
    return;
  makeCurrent();
  glDeleteTextures(3, textures_.data());
  doneCurrent();
  ready_ = false;
}

void TGlVideoSurface::PresentFrame(std::shared_ptr<const TVideoFrame> frame) {
  state_.Present(std::move(frame));
  RequestRepaint(this);
}

void TGlVideoSurface::SetGeometry(const TRendererGeometry &geometry) {
  state_.SetGeometry(geometry);
  RequestRepaint(this);
}

void TGlVideoSurface::ClearFrame() {
  state_.Clear();
  RequestRepaint(this);
}

void TGlVideoSurface::SetPictureRect(const TVideoRect &rect) {
  state_.SetPictureRect(rect);
  update();
}

void TGlVideoSurface::initializeGL() {
  initializeOpenGLFunctions();
  program_.addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader);
  program_.addShaderFromSourceCode(QOpenGLShader::Fragment, kFragmentShader);
  program_.bindAttributeLocation("position", 0);
  program_.bindAttributeLocation("texCoord", 1);
  ready_ = program_.link();
  glGenTextures(3, textures_.data());
  for (const unsigned texture : textures_) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  }
  connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &TGlVideoSurface::ReleaseGl);
}

void TGlVideoSurface::UploadPlane(int index, const std::uint8_t *data, int stride,
                                  int bytesPerPixel, int width, int height, unsigned format) {
  glActiveTexture(GL_TEXTURE0 + index);
  glBindTexture(GL_TEXTURE_2D, textures_[index]);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(kUnpackRowLength, stride / bytesPerPixel);
  glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, format, GL_UNSIGNED_BYTE, data);
  glPixelStorei(kUnpackRowLength, 0);
}

void TGlVideoSurface::Upload(const TVideoFrame &f) {
  const int cw = (f.Width + 1) / 2, ch = (f.Height + 1) / 2;
  switch (f.Format) {
  case TVideoFrame::TFormat::I420:
    UploadPlane(0, f.Planes[0], f.Strides[0], 1, f.Width, f.Height, GL_LUMINANCE);
    UploadPlane(1, f.Planes[1], f.Strides[1], 1, cw, ch, GL_LUMINANCE);
    UploadPlane(2, f.Planes[2], f.Strides[2], 1, cw, ch, GL_LUMINANCE);
    break;
  case TVideoFrame::TFormat::NV12:
    UploadPlane(0, f.Planes[0], f.Strides[0], 1, f.Width, f.Height, GL_LUMINANCE);
    UploadPlane(1, f.Planes[1], f.Strides[1], 2, cw, ch, kLuminanceAlpha);
    break;
  case TVideoFrame::TFormat::BGRx:
    UploadPlane(0, f.Planes[0], f.Strides[0], 4, f.Width, f.Height, GL_RGBA);
    break;
  }
}

void TGlVideoSurface::paintGL() {
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  const auto frame = state_.Frame();
  if (!ready_ || !frame || !frame->Planes[0])
    return;
  if (frame != uploaded_) {
    Upload(*frame);
    uploaded_ = frame;
  }
  const QRect target = PictureTarget(state_.Geometry(), state_.HasGeometry(), size(), *frame);
  const qreal dpr = devicePixelRatioF();
  glViewport(static_cast<int>(target.left() * dpr),
             static_cast<int>((height() - target.bottom() - 1) * dpr),
             static_cast<int>(target.width() * dpr), static_cast<int>(target.height() * dpr));
  static const GLfloat positions[] = {-1, -1, 1, -1, -1, 1, 1, 1};
  static const GLfloat coords[] = {0, 1, 1, 1, 0, 0, 1, 0};
  program_.bind();
  program_.setUniformValue("planeY", 0);
  program_.setUniformValue("planeU", 1);
  program_.setUniformValue("planeV", 2);
  program_.setUniformValue("format", static_cast<int>(frame->Format));
  program_.setUniformValue("bt709", frame->Height > 576 ? 1 : 0);
  program_.enableAttributeArray(0);
  program_.enableAttributeArray(1);
  program_.setAttributeArray(0, GL_FLOAT, positions, 2);
  program_.setAttributeArray(1, GL_FLOAT, coords, 2);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  program_.disableAttributeArray(0);
  program_.disableAttributeArray(1);
  program_.release();
  glViewport(0, 0, static_cast<int>(width() * dpr), static_cast<int>(height() * dpr));
  ++painted_;
}

} // namespace qev::video
