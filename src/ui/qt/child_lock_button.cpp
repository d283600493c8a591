#include "ui/qt/child_lock_button.h"

#include "ui/qt/image_list.h"
#include "ui/qt/password_dialog.h"

#include <QSignalBlocker>

namespace qev::ui {

TChildLockButton::TChildLockButton(TChildLock &lock, frame::TNotificationHub &hub,
                                   std::unique_ptr<IPasswordAsker> asker, QWidget *parent)
    : QToolButton(parent), lock_(lock), hub_(hub), asker_(std::move(asker)) {
  setObjectName("childLockButton");
  setCheckable(true);
  setAutoRaise(true);
  if (!asker_)
    asker_ = std::make_unique<TDialogPasswordAsker>(this);
  connect(this, &QToolButton::clicked, this, [this] { Clicked(); });
  hub_.Add(frame::kNotifyChildLock,
           &frame::MethodHandler<TChildLockButton, &TChildLockButton::OnChildLock>, this);
  ShowState();
}

TChildLockButton::~TChildLockButton() {
  hub_.Remove(frame::kNotifyChildLock,
              &frame::MethodHandler<TChildLockButton, &TChildLockButton::OnChildLock>, this);
}

void TChildLockButton::OnChildLock(std::intptr_t, std::intptr_t) { ShowState(); }

void TChildLockButton::Clicked() {
  if (isChecked())
    lock_.Unlock(*asker_);
  else
    lock_.SetActive(true);
  hub_.Notify(frame::kNotifyChildLock, 0, 0);
}

void TChildLockButton::ShowState() {
  const QSignalBlocker blocker(this);
  const bool engaged = lock_.Active();
  setChecked(!engaged);
  setIcon(ImageListIcon(engaged ? kImageLocked : kImageKeyOn));
  setToolTip(engaged ? "Child lock engaged: locked channels are hidden"
                     : "Child lock off: locked channels are shown");
}

void ChangeChildLockPassword(QWidget *owner, TChildLock &lock, frame::TNotificationHub &hub) {
  TDialogPasswordAsker asker(owner);
  const bool wasActive = lock.Active();
  lock.ChangePassword(asker);
  if (lock.Active() != wasActive)
    hub.Notify(frame::kNotifyChildLock, 0, 0);
}

} // namespace qev::ui
