#include "plugins/qt/form_plugin_viewer.h"
#include "plugins/qt/form_profile_editor.h"

#include "../fake_plugin_table.h"
#include "frame/notification_hub.h"
#include "support/screenshot.h"
#include "support/scripted_presenter.h"
#include "support/temp_dir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <fstream>
#include <gtest/gtest.h>

namespace qev::plugins {
namespace {

QStringList Column(const QTreeWidget &tree, int column) {
  QStringList texts;
  for (QTreeWidgetItemIterator it(const_cast<QTreeWidget *>(&tree)); *it; ++it)
    texts << (*it)->text(column);
  return texts;
}

class PluginWindowsTest : public ::testing::Test {
protected:
  PluginWindowsTest() {
    std::ofstream(cfg) << "[Profile_02]\nDescription=Zapping\ncount.so=$0010\n"
                          "[Profile_05]\nDescription=Archive\n";
    profiles.LoadNames();
    table.Add(0, "count.so", true, -1);
    table.Add(1, "count.so", false, 5);
    table.Add(0, "epg.so", true, 3);
    table.entries[0].Menu = {{5, "Show counter", {}}, {6, "Reset", {}}};
    table.filters = {{0, 0, 1, 0x12, "  eit data ", 1234}, {3, 1, 2, 0x1ff, "ecm", 0}};
    log.Add(PluginLogKind::Info, "KnowPlugins was updated (0)..");
    log.Add(PluginLogKind::FilterAdded, "ADD Filter [0] PID=0012 HND=1", 0);
  }

  TPluginViewerLinks Links() {
    return {table,
            log,
            profiles,
            applier,
            frame::GlobalNotifications(),
            [this] { return options; },
            [this](const TPluginOptions &stored) {
              options = stored;
              ++optionSaves;
            },
            [] {
              return std::vector<std::string>{"count.so", "epg.so"};
            },
            cfg};
  }

  test::TTempDir dir{"plugwin"};
  std::filesystem::path cfg = dir / "Plugins.cfg";
  TPluginProfiles profiles{cfg};
  test::FakePluginTable table;
  TPluginLog log{frame::GlobalNotifications()};
  TPluginOptions options;
  int optionSaves = 0;
  TProfileApplier applier{table, profiles, {[] { return true; }, nullptr, nullptr}};
  test::ScriptedPresenter presenter;
};

TEST_F(PluginWindowsTest, ViewerShowsSlotsPluginsFiltersLogsAndProfiles) {
  TFormPluginViewer viewer(Links(), nullptr);
  viewer.show();
  auto *tree = viewer.findChild<QTreeWidget *>("PluginTree");
  ASSERT_TRUE(tree);
  ASSERT_EQ(tree->topLevelItemCount(), 2); // AV2 and AV3 have no plugins
  EXPECT_EQ(tree->topLevelItem(0)->text(0), "AV0-Main");
  EXPECT_EQ(tree->topLevelItem(1)->text(0), "AV1-PIP");
  QTreeWidgetItem *pip = tree->topLevelItem(1)->child(0);
  EXPECT_EQ(pip->text(1), "Plugin count.so");
  EXPECT_EQ(pip->checkState(0), Qt::Unchecked);
  EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(2), "...");

  pip->setCheckState(0, Qt::Checked);
  using Call = std::tuple<int, bool, bool>;
  EXPECT_EQ(table.enables, (std::vector<Call>{{1, true, true}}));

  auto *filters = viewer.findChild<QTreeWidget *>("FilterTable");
  ASSERT_TRUE(filters);
  EXPECT_EQ(Column(*filters, 1), (QStringList{"0012", "01FF"}));
  EXPECT_EQ(Column(*filters, 2), (QStringList{"EIT DATA", "ECM"}));
  EXPECT_EQ(Column(*filters, 3), (QStringList{"count.so", "count.so"}));
  EXPECT_EQ(Column(*filters, 4), (QStringList{"0", "1"}));

  auto *logView = viewer.findChild<QTreeWidget *>("PluginLog");
  ASSERT_TRUE(logView);
  EXPECT_EQ(Column(*logView, 1), (QStringList{"System", "count.so"}));
  EXPECT_EQ(Column(*logView, 2), (QStringList{"-", "0"}));

  auto *chooser = viewer.findChild<QComboBox *>("ProfileChooser");
  ASSERT_TRUE(chooser);
  ASSERT_EQ(chooser->count(), 3);
  EXPECT_EQ(chooser->itemText(0), "Default");
  EXPECT_EQ(chooser->itemText(1), "Archive");
  EXPECT_EQ(chooser->itemText(2), "Zapping");
  test::SaveScreenshot(viewer, "plugin_viewer");

  // Applying a profile from the chooser: the plugin tree follows the notification.
  chooser->setCurrentIndex(2);
  viewer.findChild<QPushButton *>("ProfileApply")->click();
  EXPECT_EQ(applier.Current(), 2);
  QTest::qWait(20);
  EXPECT_EQ(tree->topLevelItem(0)->child(0)->checkState(0), Qt::Unchecked);
  EXPECT_EQ(tree->topLevelItem(1)->child(0)->checkState(0), Qt::Checked);
  EXPECT_EQ(chooser->currentText(), "Zapping");

  // Logs follow their notifications and empty on a double click.
  log.Add(PluginLogKind::Error, "No more filters available !", 2);
  log.AddCommand("[0]  10 04 05 00");
  QTest::qWait(20);
  EXPECT_EQ(logView->topLevelItemCount(), 3);
  auto *commands = viewer.findChild<QListWidget *>("CommandLog");
  ASSERT_EQ(commands->count(), 1);
  emit commands->itemDoubleClicked(commands->item(0));
  emit logView->itemDoubleClicked(logView->topLevelItem(0), 0);
  QTest::qWait(20);
  EXPECT_EQ(commands->count(), 0);
  EXPECT_EQ(logView->topLevelItemCount(), 0);

  QTest::keyClick(&viewer, Qt::Key_Escape);
  EXPECT_FALSE(viewer.isVisible());
}

TEST_F(PluginWindowsTest, ViewerOptionsAreStoredAtOnceAndDoubleClickRunsTheMonitorItem) {
  TFormPluginViewer viewer(Links(), nullptr);
  viewer.findChild<QCheckBox *>("PluginsChSave")->setChecked(false);
  EXPECT_FALSE(options.ChSave);
  viewer.findChild<QComboBox *>("PluginsPkSize")->setCurrentIndex(2);
  EXPECT_EQ(options.PkSize, 2);
  EXPECT_EQ(optionSaves, 2);

  auto *tree = viewer.findChild<QTreeWidget *>("PluginTree");
  QTreeWidgetItem *epg = tree->topLevelItem(0)->child(1);
  ASSERT_EQ(epg->text(0), "epg.so");
  emit tree->itemDoubleClicked(epg, 0);
  EXPECT_EQ(table.menus, (std::vector<std::pair<int, int>>{{2, 3}}));
}

TEST_F(PluginWindowsTest, EditorChangesOneSlotsStateAndKeepsRulesBeforeSaving) {
  auto model = TProfileEditorModel::ForNew(profiles, {"count.so", "epg.so"});
  ASSERT_TRUE(model);
  TFormProfileEditor editor(std::move(*model), nullptr);
  editor.show();
  EXPECT_EQ(editor.findChild<QLabel *>("ProfileNumber")->text(), "01");
  auto *states = editor.findChild<QTreeWidget *>("ProfileStates");
  ASSERT_EQ(states->topLevelItemCount(), 2);
  EXPECT_EQ(states->topLevelItem(0)->checkState(0), Qt::PartiallyChecked);
  EXPECT_EQ(states->topLevelItem(0)->text(1), "No change");

  editor.ShowSlot(1);
  states->topLevelItem(0)->setCheckState(0, Qt::Checked);
  EXPECT_EQ(states->topLevelItem(0)->text(1), "Enabled");
  editor.ShowSlot(3);
  states->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
  EXPECT_EQ(editor.Model().Profile().Masks.at("count.so"), 0x0212);
  editor.findChild<QComboBox *>("KeyLClick1")->setCurrentText("count.so");
  test::SaveScreenshot(editor, "profile_editor");

  editor.accept();
  EXPECT_EQ(presenter.Texts(), std::vector<std::string>{"No description..."});
  EXPECT_EQ(editor.result(), QDialog::Rejected);
  editor.findChild<QLineEdit *>("ProfileDescription")->setText("archive");
  editor.accept();
  EXPECT_EQ(presenter.Texts().back(), "Duplicate description !");

  editor.findChild<QLineEdit *>("ProfileDescription")->setText("Evening");
  editor.accept();
  EXPECT_EQ(editor.result(), QDialog::Accepted);
  EXPECT_EQ(profiles.Name(1), "Evening");
  const TPluginProfile stored = profiles.Read(1, {"count.so", "epg.so"}, 0);
  EXPECT_EQ(stored.Masks.at("count.so"), 0x0212);
  EXPECT_EQ(stored.Masks.at("epg.so"), 0x2222);
  EXPECT_EQ(stored.KeyLClick, (TSlotNames{"", "count.so", "", ""}));
}

} // namespace
} // namespace qev::plugins
