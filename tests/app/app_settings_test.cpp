// The settings dialog in the program on the demo root: opened from the Tools menu, its OK puts
// the values in force and into the root's "Options.cfg".
#include "app/qev_application.h"
#include "demo_root_test.h"
#include "frame/options.h"
#include "ui/qt/form_dvb_main.h"
#include "ui/qt/form_settings.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QTimer>

using namespace qev;

namespace {

class AppSettings : public test::DemoRootTest {
protected:
  AppSettings() : DemoRootTest("qev-app-settings-") {}
};

TEST_F(AppSettings, TheToolsMenuOpensTheDialogAndOkSavesTheOptions) {
  app::TQevApplication application(SimDeviceOptions(), PlacementFile());
  ASSERT_TRUE(application.Start());
  QAction *item = application.MainWindow()->findChild<QAction *>("settingsItem");
  ASSERT_TRUE(item);
  frame::TOptions &options = frame::Options();
  const bool before = options.Scanning.RescanSDTOnUpd;

  // The dialog is modal: it is answered from the event loop it runs.
  bool answered = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto *form = qobject_cast<ui::TFormSettings *>(QApplication::activeModalWidget());
    if (!form)
      return;
    poll.stop();
    qobject_cast<QCheckBox *>(form->Editor("RescanSDTOnUpd"))->setChecked(!before);
    answered = true;
    form->accept();
  });
  poll.start(20);
  item->trigger();
  ASSERT_TRUE(answered);
  EXPECT_EQ(options.Scanning.RescanSDTOnUpd, !before);
  frame::TOptions reloaded;
  frame::LoadOptions(reloaded, root / "Configs" / "Options.cfg");
  EXPECT_EQ(reloaded.Scanning.RescanSDTOnUpd, !before);
  options.Scanning.RescanSDTOnUpd = before; // the options are the process's
}

} // namespace
