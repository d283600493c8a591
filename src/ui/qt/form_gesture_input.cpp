#include "ui/qt/form_gesture_input.h"

#include "ui/gesture_table.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace qev::ui {

namespace {

constexpr const char *kHint = "Click & drag gesture with right mouse button !";

} // namespace

TGestureArea::TGestureArea(QWidget *parent) : QWidget(parent) {
  setObjectName("gestureArea");
  setMinimumSize(320, 220);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TGestureArea::ClearTrail() {
  trail_.clear();
  update();
}

void TGestureArea::AddDot(QPoint at) {
  trail_.push_back(at);
  update(QRect(at - QPoint(3, 3), QSize(7, 7)));
}

void TGestureArea::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::ToolTipBase));
  painter.setPen(Qt::gray);
  for (int x = 0; x < width(); x += TMouseGesture::kThreshold)
    painter.drawLine(x, 0, x, height());
  for (int y = 0; y < height(); y += TMouseGesture::kThreshold)
    painter.drawLine(0, y, width(), y);
  QFont font("Tahoma", 8);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(Qt::blue);
  const int textWidth = painter.fontMetrics().horizontalAdvance(kHint);
  painter.drawText((width() - textWidth) / 2, height() - 16, kHint);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::red);
  for (const QPoint &dot : trail_)
    painter.drawEllipse(dot, 2, 2);
}

TFormGestureInput::TFormGestureInput(QWidget *owner, const QString &caption,
                                     const std::string &gesture)
    : QDialog(owner), gesture_(gesture), area_(new TGestureArea(this)), text_(new QLabel(this)),
      hook_(0, Qt::RightButton, this) {
  setObjectName("FormGestureInput");
  setWindowTitle(caption);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(area_, 1);
  text_->setObjectName("gestureText");
  text_->setAlignment(Qt::AlignCenter);
  text_->setFrameShape(QFrame::StyledPanel);
  layout->addWidget(text_);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  ShowText(Qt::blue);
  hook_.Recogniser().SetHandler([this](TMouseGesture &, TMouseGesture::TEvent event,
                                       const std::string &text,
                                       std::uint32_t) { OnGesture(event, text); });
  hook_.Attach(area_);
  area_->installEventFilter(this);
}

// The trail follows the mouse while the recogniser is active.
bool TFormGestureInput::eventFilter(QObject *watched, QEvent *event) {
  if (watched == area_ && event->type() == QEvent::MouseMove && hook_.Recogniser().Active())
    area_->AddDot(static_cast<QMouseEvent *>(event)->position().toPoint());
  return QDialog::eventFilter(watched, event);
}

void TFormGestureInput::OnGesture(TMouseGesture::TEvent event, const std::string &gesture) {
  switch (event) {
  case TMouseGesture::kStarted:
    gesture_.clear();
    text_->clear();
    area_->ClearTrail();
    break;
  case TMouseGesture::kLetterAdded:
    gesture_ = gesture;
    ShowText(Qt::red);
    break;
  case TMouseGesture::kEnded:
    ShowText(Qt::blue);
    break;
  }
}

void TFormGestureInput::ShowText(const QColor &color) {
  text_->setText(QString::fromStdString(GestureText(gesture_)));
  QPalette palette = text_->palette();
  palette.setColor(QPalette::WindowText, color);
  text_->setPalette(palette);
}

std::optional<std::string> AskGesture(QWidget *owner, const QString &actionName,
                                      const std::string &gesture) {
  TFormGestureInput dialog(owner, "Gesture :: " + actionName, gesture);
  if (dialog.exec() != QDialog::Accepted)
    return std::nullopt;
  return dialog.Gesture();
}

} // namespace qev::ui
