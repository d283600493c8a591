#pragma once

#include "frame/notification_hub.h"
#include "ui/child_lock.h"

#include <QToolButton>

#include <memory>

namespace qev::ui {

// The main window's child-lock button: pressing it asks for the password, releasing it engages
// the lock. It stays down exactly while the lock is disengaged, and every change is announced
// so that the channel trees show or hide the locked channels.
class TChildLockButton final : public QToolButton {
  Q_OBJECT
public:
  // Without an asker the password dialog asks over the button's window.
  TChildLockButton(TChildLock &lock, frame::TNotificationHub &hub,
                   std::unique_ptr<IPasswordAsker> asker = nullptr, QWidget *parent = nullptr);
  ~TChildLockButton() override;

  // Shows the lock's state (after a change elsewhere, the settings dialog's for one).
  void ShowState();

private:
  void Clicked();
  void OnChildLock(std::intptr_t first, std::intptr_t second);

  TChildLock &lock_;
  frame::TNotificationHub &hub_;
  std::unique_ptr<IPasswordAsker> asker_;
};

// The settings dialog's password change, over a window; announces the lock's state after it.
void ChangeChildLockPassword(QWidget *owner, TChildLock &lock, frame::TNotificationHub &hub);

} // namespace qev::ui
