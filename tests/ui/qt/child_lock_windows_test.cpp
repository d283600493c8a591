// The password dialog and the main window's child-lock button.
#include "frame/md5.h"
#include "support/screenshot.h"
#include "support/temp_dir.h"
#include "ui/qt/child_lock_button.h"
#include "ui/qt/password_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <deque>
#include <fstream>

using namespace qev;

namespace {

TEST(PasswordDialog, EnterGivesTheUpperCasedTextAndEscapeCancels) {
  ui::TFormPassword dialog(nullptr, "ChildLock password");
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_EQ(dialog.Field()->echoMode(), QLineEdit::Password);
  EXPECT_EQ(dialog.findChild<QLabel *>()->text(), "ChildLock password");
  QTest::keyClicks(dialog.Field(), "sEcret");
  test::SaveScreenshot(dialog, "child_lock_password");
  QTest::keyClick(dialog.Field(), Qt::Key_Return);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Answer(), "SECRET");

  QTimer::singleShot(0, [] {
    auto *open = qobject_cast<ui::TFormPassword *>(QApplication::activeModalWidget());
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->windowTitle(), "New password");
    test::SaveScreenshot(*open, "child_lock_new_password");
    QTest::keyClicks(open->Field(), "typed");
    QTest::keyClick(open, Qt::Key_Escape);
  });
  EXPECT_EQ(ui::AskPassword(nullptr, ui::kPromptNewPassword), std::nullopt);
}

class ListAsker : public ui::IPasswordAsker {
public:
  std::optional<std::string> AskPassword(const std::string &) override {
    ++asked;
    if (answers.empty())
      return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<std::optional<std::string>> answers;
  int asked = 0;
};

struct TCounter {
  int calls = 0;
  void On(std::intptr_t, std::intptr_t) { ++calls; }
};

TEST(ChildLockButton, StaysDownExactlyWhileTheLockIsOffAndAnnouncesEveryChange) {
  test::TTempDir dir("childlockbutton");
  std::ofstream(dir / "Options.cfg") << "[Options]\nChpDigest=" << frame::Md5Hex("PIN") << "\n";
  ui::TChildLock lock;
  ASSERT_EQ(lock.Load(dir / "Options.cfg"), "");
  frame::TNotificationHub hub;
  TCounter counter;
  hub.Add(frame::kNotifyChildLock, &frame::MethodHandler<TCounter, &TCounter::On>, &counter);
  auto asker = std::make_unique<ListAsker>();
  ListAsker &answers = *asker;
  ui::TChildLockButton button(lock, hub, std::move(asker));
  EXPECT_FALSE(button.isChecked());

  answers.answers = {std::nullopt};
  button.click(); // cancelled: up again
  EXPECT_FALSE(button.isChecked());
  EXPECT_TRUE(lock.Active());
  answers.answers = {"pin"};
  button.click();
  EXPECT_TRUE(button.isChecked());
  EXPECT_FALSE(lock.Active());
  button.click(); // released
  EXPECT_FALSE(button.isChecked());
  EXPECT_TRUE(lock.Active());
  EXPECT_EQ(answers.asked, 2);
  EXPECT_EQ(counter.calls, 3);

  lock.SetActive(false); // a change elsewhere, announced
  hub.Notify(frame::kNotifyChildLock, 0, 0);
  EXPECT_TRUE(button.isChecked());
  hub.Remove(frame::kNotifyChildLock, &frame::MethodHandler<TCounter, &TCounter::On>, &counter);
}

} // namespace
