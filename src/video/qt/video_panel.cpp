#include "video/qt/video_panel.h"

#include <QContextMenuEvent>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>

namespace qev::video {

QColor ColorFromBgr(std::uint32_t value) {
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

TVideoPanel::TVideoPanel(QWidget *parent)
    : QWidget(parent), surface_(CreateVideoSurface(this)), message_(new QLabel(this)) {
  setObjectName("videoPanel");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  surface_->Widget()->setMouseTracking(true);
  surface_->Widget()->setAttribute(Qt::WA_TransparentForMouseEvents);
  setMinimumSize(160, 90);
  message_->setObjectName("videoMessage");
  message_->setAttribute(Qt::WA_TransparentForMouseEvents);
  message_->hide();
}

TVideoPanel::~TVideoPanel() = default;

void TVideoPanel::SetPictureRect(const TVideoRect &rect) {
  pictureRect_ = rect;
  surface_->SetPictureRect(rect);
  update();
}

void TVideoPanel::ShowMessage(const TVideoMessage &m) {
  try {
    messageLayout_ = m.Layout;
    QFont font = message_->font();
    font.setPointSize(m.FontSize);
    message_->setFont(font);
    message_->setText(QString::fromStdString(m.Text));
    message_->setAlignment(m.Layout == 1 ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
    message_->setStyleSheet(
        QString("color: %1; background: %2; padding: 2px")
            .arg(ColorFromBgr(m.TextColor).name(),
                 m.Background ? ColorFromBgr(m.Background).name() : QString("transparent")));
    auto *shadow = new QGraphicsDropShadowEffect(message_);
    shadow->setColor(ColorFromBgr(m.Shadow));
    shadow->setOffset(m.ShadowSize());
    shadow->setBlurRadius(0);
    message_->setGraphicsEffect(shadow);
    PlaceMessage();
    message_->show();
    message_->raise();
  } catch (...) {
    QMessageBox::critical(this, kVideoManagerTitle, kMsgShowException);
  }
}

void TVideoPanel::HideMessage() {
  message_->hide();
  message_->clear();
}

QString TVideoPanel::MessageText() const { return message_->isVisible() ? message_->text() : ""; }

void TVideoPanel::PlaceMessage() {
  if (messageLayout_ == 1) {
    message_->setGeometry(rect());
    return;
  }
  const int h = message_->sizeHint().height();
  message_->setGeometry(0, messageLayout_ == 2 ? height() - h : 0, width(), h);
}

void TVideoPanel::resizeEvent(QResizeEvent *) {
  surface_->Widget()->setGeometry(rect());
  PlaceMessage();
  if (handlers_.Resized)
    handlers_.Resized();
}

void TVideoPanel::mouseMoveEvent(QMouseEvent *event) {
  if (handlers_.MouseActivity)
    handlers_.MouseActivity();
  event->ignore();
}

void TVideoPanel::mousePressEvent(QMouseEvent *event) {
  if (handlers_.MouseActivity)
    handlers_.MouseActivity();
  if (event->button() == Qt::LeftButton && handlers_.LeftPress)
    handlers_.LeftPress(event);
  else
    event->ignore();
}

void TVideoPanel::mouseReleaseEvent(QMouseEvent *event) {
  if (handlers_.MouseActivity)
    handlers_.MouseActivity();
  event->ignore();
}

void TVideoPanel::mouseDoubleClickEvent(QMouseEvent *event) {
  if (handlers_.DoubleClick)
    handlers_.DoubleClick(event->position().toPoint());
}

void TVideoPanel::contextMenuEvent(QContextMenuEvent *event) {
  if (handlers_.ContextMenu)
    handlers_.ContextMenu(event->globalPos());
}

void TVideoPanel::paintEvent(QPaintEvent *) {
  // The surface covers the panel; this only shows before it has been placed.
  QPainter(this).fillRect(rect(), Qt::black);
}

} // namespace qev::video
