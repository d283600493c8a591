// The plugin windows in the program on the demo sky: the start profile is applied once the
// plugins are loaded, and the main window's Plugins menu opens the viewer, which lists the
// sample plugin and its filter.
#include "app/plugin_link.h"
#include "app/qev_application.h"
#include "demo_root_test.h"
#include "plugins/plugin_host.h"
#include "support/screenshot.h"
#include "ui/qt/form_dvb_main.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>

using namespace qev;

namespace {

class AppPluginWindows : public test::DemoRootTest {
protected:
  AppPluginWindows() : DemoRootTest("qev-app-plugwin-") {}
};

QAction *Item(QMenu &menu, const QString &name) {
  for (QAction *action : menu.actions())
    if (action->objectName() == name)
      return action;
  return nullptr;
}

TEST_F(AppPluginWindows, StartProfileIsAppliedAndTheViewerListsThePluginAndItsFilter) {
  app::TQevApplication application(SimDeviceOptions(), PlacementFile());
  ASSERT_TRUE(application.Start());
  plugins::TPluginHost &host = application.Plugins().Host();
  const auto lines = host.Log().Lines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const plugins::TPluginLogLine &line) {
    return line.Text.starts_with("Plugins profile [0] applyed in ");
  }));

  auto *menu = application.MainWindow()->findChild<QMenu *>("pluginsMenu");
  ASSERT_TRUE(menu);
  emit menu->aboutToShow();
  QAction *viewerItem = Item(*menu, "pluginViewerItem");
  ASSERT_TRUE(viewerItem);
  viewerItem->trigger();
  auto *viewer = application.MainWindow()->findChild<QWidget *>("FormPluginViewer");
  ASSERT_TRUE(viewer);
  EXPECT_TRUE(viewer->isVisible());
  auto *tree = viewer->findChild<QTreeWidget *>("PluginTree");
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), "AV0-Main");
  EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(0), "qev_sample.so");
  auto *filters = viewer->findChild<QTreeWidget *>("FilterTable");
  EXPECT_TRUE(QTest::qWaitFor([&] { return filters->topLevelItemCount() > 0; }, 15000));
  test::SaveScreenshot(*viewer, "app_plugin_viewer");

  application.RequestClose();
  ASSERT_TRUE(QTest::qWaitFor([&] { return host.ShutDown(); }, 15000));
}

} // namespace
