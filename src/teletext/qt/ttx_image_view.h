#pragma once

#include <QImage>
#include <QWidget>

#include <functional>

namespace qev::teletext {

// The widget that shows the teletext image and passes on keys, pointer moves, clicks and size
// changes; it takes the focus so that typed digits reach it.
class TTtxImageView : public QWidget {
public:
  explicit TTtxImageView(QWidget *parent);

  void SetImage(const QImage *image) { image_ = image; }
  void SetPreferredSize(QSize size) {
    preferred_ = size;
    updateGeometry();
  }
  QSize sizeHint() const override { return preferred_; }

  std::function<bool(int key)> KeyPressed;
  std::function<void(QPoint position)> PointerMoved;
  std::function<void(QPoint position)> Clicked;
  std::function<void(QSize size)> Resized;

protected:
  void paintEvent(QPaintEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

private:
  const QImage *image_ = nullptr;
  QSize preferred_{320, 275};
};

} // namespace qev::teletext
