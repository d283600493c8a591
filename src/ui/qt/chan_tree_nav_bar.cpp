#include "ui/qt/chan_tree_nav_bar.h"

#include "ui/qt/image_list.h"
#include "ui/tree_history_menu.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>

namespace qev::ui {

TChanTreeNavBar::TChanTreeNavBar(std::function<const device::TSlotState &()> slot, QWidget *parent)
    : QWidget(parent), slot_(std::move(slot)) {
  setObjectName(QStringLiteral("ChTreeNavBar"));
  auto *layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(1);
  connect(Button("OpenAll", QStringLiteral("+"), QStringLiteral("Open all groups")),
          &QToolButton::clicked, this, &TChanTreeNavBar::OpenAll);
  connect(Button("CloseAll", QStringLiteral("-"), QStringLiteral("Close all groups")),
          &QToolButton::clicked, this, &TChanTreeNavBar::CloseAll);
  connect(Button("GoPlaying", QStringLiteral("\u25CE"), QStringLiteral("Go to playing channel")),
          &QToolButton::clicked, this, &TChanTreeNavBar::GoPlaying);
  connect(Button("GoParent", QStringLiteral("\u2191"), QStringLiteral("Go to parent")),
          &QToolButton::clicked, this, &TChanTreeNavBar::GoParent);
  QToolButton *previous =
      Button("Previous", QStringLiteral("\u21B6"), QStringLiteral("Previous channel"));
  history_ = new QMenu(previous);
  previous->setMenu(history_);
  previous->setPopupMode(QToolButton::MenuButtonPopup);
  connect(history_, &QMenu::aboutToShow, this, [this] { FillHistory(); });
  connect(previous, &QToolButton::clicked, this, [this] { OnPrevious(); });
  up_ = Button("StepUp", QStringLiteral("\u25B2"), QStringLiteral("Previous in list"));
  down_ = Button("StepDown", QStringLiteral("\u25BC"), QStringLiteral("Next in list"));
  layout->addStretch(1);
  connect(&autoStep_, &QTimer::timeout, this, [this] { emit Step(autoDirection_); });
  autoStep_.setInterval(kAutoStepMs);
}

QToolButton *TChanTreeNavBar::Button(const char *name, const QString &text, const QString &tip) {
  auto *button = new QToolButton(this);
  button->setObjectName(QString::fromUtf8(name));
  button->setText(text);
  button->setToolTip(tip);
  button->installEventFilter(this);
  layout()->addWidget(button);
  return button;
}

void TChanTreeNavBar::FillHistory() {
  history_->clear();
  for (const THistoryMenuItem &item : HistoryMenuItems(slot_().History.Entries())) {
    QAction *action =
        history_->addAction(ImageListIcon(item.Icon), QString::fromStdString(item.Caption));
    const std::int32_t handle = item.Handle;
    connect(action, &QAction::triggered, this, [this, handle] {
      if (handle > 0)
        emit SwitchTo(handle);
    });
  }
}

void TChanTreeNavBar::OnPrevious() {
  const auto &entries = slot_().History.Entries();
  if (!entries.empty() && entries.back().Handle > 0)
    emit SwitchTo(entries.back().Handle);
}

void TChanTreeNavBar::StepPressed(int direction, Qt::KeyboardModifiers modifiers) {
  const auto both = Qt::ShiftModifier | Qt::ControlModifier;
  if ((modifiers & both) == both) {
    autoDirection_ = direction;
    autoStep_.start();
    return;
  }
  autoStep_.stop();
  emit Step(direction);
}

bool TChanTreeNavBar::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::MouseButtonPress && (watched == up_ || watched == down_)) {
    const auto *press = static_cast<QMouseEvent *>(event);
    if (press->button() == Qt::LeftButton) {
      StepPressed(watched == up_ ? -1 : 1, press->modifiers());
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

} // namespace qev::ui
