#include "ui/qt/main_menus.h"
#include "ui/qt/main_panels.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>

namespace qev::ui {
namespace {

QStringList Texts(const QMenu &menu) {
  QStringList texts;
  for (const QAction *action : menu.actions())
    texts << (action->isSeparator() ? "-" : action->text());
  return texts;
}

TEST(MainWindowPlugins, PluginMenuOffersViewerProfilesAndThePluginsMenus) {
  QMenuBar bar;
  TUiSubsystems none;
  AddPluginMenu(bar, none);
  EXPECT_FALSE(bar.findChild<QMenu *>("pluginsMenu")); // no host, no menu

  TUiSubsystems subsystems;
  int viewerOpened = 0;
  std::vector<int> applied;
  subsystems.OpenPluginViewer = [&] { ++viewerOpened; };
  subsystems.PluginProfiles = [] {
    return std::vector<std::pair<int, std::string>>{{0, "Default"}, {4, "Night"}};
  };
  subsystems.CurrentPluginProfile = [] { return 4; };
  subsystems.ApplyPluginProfile = [&](int profile) { applied.push_back(profile); };
  subsystems.FillPluginMenus = [](QMenu &menu) { menu.addMenu("QEV One")->addAction("Counter"); };
  AddPluginMenu(bar, subsystems);
  auto *menu = bar.findChild<QMenu *>("pluginsMenu");
  ASSERT_TRUE(menu);
  emit menu->aboutToShow();
  EXPECT_EQ(Texts(*menu), (QStringList{"Plugin viewer...", "Profile", "-", "QEV One"}));
  auto *profiles = menu->findChild<QMenu *>("pluginProfileMenu");
  ASSERT_TRUE(profiles);
  EXPECT_EQ(Texts(*profiles), (QStringList{"Default", "Night"}));
  EXPECT_FALSE(profiles->actions()[0]->isChecked());
  EXPECT_TRUE(profiles->actions()[1]->isChecked());
  profiles->actions()[0]->trigger();
  menu->actions()[0]->trigger();
  EXPECT_EQ(applied, std::vector<int>{0});
  EXPECT_EQ(viewerOpened, 1);

  emit menu->aboutToShow(); // built again, not doubled
  EXPECT_EQ(menu->actions().size(), 4);
}

TEST(MainWindowPlugins, KeyIndicatorClicksGiveSlotAndButton) {
  TMainKeyIndicators indicators(true);
  std::vector<std::pair<int, int>> clicks;
  indicators.OnKeyClick([&](int slot, int button) { clicks.emplace_back(slot, button); });
  indicators.show();
  QTest::mouseClick(indicators.findChild<QLabel *>("keyIndicator0"), Qt::LeftButton);
  QTest::mouseClick(indicators.findChild<QLabel *>("keyIndicator1"), Qt::RightButton);
  QTest::mouseClick(indicators.findChild<QLabel *>("keyIndicator1"), Qt::MiddleButton);
  QTest::mouseClick(indicators.findChild<QLabel *>("reception0"), Qt::LeftButton);
  EXPECT_EQ(clicks, (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}}));
}

} // namespace
} // namespace qev::ui
