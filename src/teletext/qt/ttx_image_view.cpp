#include "teletext/qt/ttx_image_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace qev::teletext {

TTtxImageView::TTtxImageView(QWidget *parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(40, 25);
}

void TTtxImageView::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (image_)
    painter.drawImage(QPoint(0, 0), *image_);
}

void TTtxImageView::keyPressEvent(QKeyEvent *event) {
  if (KeyPressed && KeyPressed(event->key()))
    event->accept();
  else
    QWidget::keyPressEvent(event);
}

void TTtxImageView::mouseMoveEvent(QMouseEvent *event) {
  if (PointerMoved)
    PointerMoved(event->position().toPoint());
}

void TTtxImageView::mousePressEvent(QMouseEvent *event) {
  setFocus(Qt::MouseFocusReason);
  if (event->button() == Qt::LeftButton && Clicked)
    Clicked(event->position().toPoint());
}

void TTtxImageView::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  if (Resized)
    Resized(size());
}

} // namespace qev::teletext
