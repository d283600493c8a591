#include "frame/options.h"
#include "support/screenshot.h"
#include "support/scripted_presenter.h"
#include "support/temp_dir.h"
#include "ui/qt/form_settings.h"
#include "ui/qt/main_menus.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>
#include <set>

namespace qev::ui {
namespace {

class FormSettingsTest : public ::testing::Test {
protected:
  TSettingsLinks Links() {
    TSettingsLinks links;
    links.OptionsFile = file;
    links.Applied = [this] { ++applied; };
    links.KnownFilters = [this](QWidget *) { ++knownFilters; };
    links.EditGestures = [this](QWidget *) { ++gestures; };
    links.ChangePassword = [this](QWidget *) { ++passwords; };
    return links;
  }
  // Focuses the editor of a key and types into it as a user would.
  void Type(TFormSettings &form, const std::string &key, const QString &text) {
    QWidget *editor = form.Editor(key);
    ASSERT_NE(editor, nullptr) << key;
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, text);
  }
  void Toggle(TFormSettings &form, const std::string &key) {
    QWidget *editor = form.Editor(key);
    ASSERT_NE(editor, nullptr) << key;
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_Space);
  }
  void Show(TFormSettings &form, const std::string &key) {
    for (int page = 0; page < form.PageCount(); ++page) {
      form.ShowPage(page);
      if (form.Editor(key)->isVisible())
        return;
    }
  }

  test::TTempDir dir{"qev_settings"};
  std::filesystem::path file = dir / "Options.cfg";
  frame::TOptions options;
  test::ScriptedPresenter presenter;
  int applied = 0, knownFilters = 0, gestures = 0, passwords = 0;
};

TEST_F(FormSettingsTest, OffersEveryOptionButThoseChangedElsewhere) {
  TFormSettings form(options, Links());
  std::set<std::string> keys;
  for (const TSettingsPage &page : SettingsPages())
    for (const TSettingsField &field : page.Fields) {
      EXPECT_TRUE(keys.insert(field.Key).second) << field.Key;
      EXPECT_NE(form.Editor(field.Key), nullptr) << field.Key;
    }
  for (const char *key :
       {"LastSelected", "LastChannel", "AutoCloseSWin", "PidEditsInHex", "Video0Disabled",
        "EpgChanGroup", "Group1By", "ChfContain", "MinimizedCF"})
    EXPECT_EQ(form.Editor(key), nullptr) << key;
  for (const char *key : {"ActiveDevice",      "TimeoutPAT",      "SetPrefAudLang",
                          "SingleClickChange", "PrefAudioLang",   "SignalUpdateInterval",
                          "OverscanPixels",    "VidCropPercent",  "CheckCRCinEIT",
                          "DestDirectory",     "FileSplitSize",   "Record_PAT",
                          "Enabled",           "HostPort",        "AntiRepeat",
                          "DiseqSW1Adr",       "DiseqRepPrefix",  "RxLongitude",
                          "SmartPosCom",       "TTxBgParser",     "SubFontColor",
                          "SubTextBorder",     "GesturesEnabled", "ClearGuideOnTpChange"})
    EXPECT_TRUE(keys.count(key)) << key;
  EXPECT_EQ(keys.size(), 70u);

  form.resize(760, 520);
  form.show();
  for (int page = 0; page < form.PageCount(); ++page) {
    form.ShowPage(page);
    test::SaveScreenshot(form, QString("settings_page_%1").arg(page));
  }
  for (const char *button : {"BtnKnowFilters", "BtnGestures", "BtnChildLockPassword"}) {
    auto *pushButton = form.findChild<QPushButton *>(button);
    ASSERT_NE(pushButton, nullptr) << button;
    for (int page = 0; page < form.PageCount() && !pushButton->isVisible(); ++page)
      form.ShowPage(page);
    QTest::mouseClick(pushButton, Qt::LeftButton);
  }
  EXPECT_EQ(knownFilters, 1);
  EXPECT_EQ(gestures, 1);
  EXPECT_EQ(passwords, 1);
}

TEST_F(FormSettingsTest, ConfirmedValuesAreSavedAndSurviveAReload) {
  { std::ofstream(file) << "[Options]\nHandAdded=1\n"; }
  TFormSettings form(options, Links());
  form.show();
  Show(form, "SelectLastChan");
  Toggle(form, "SelectLastChan");
  Show(form, "TimeoutPAT");
  Type(form, "TimeoutPAT", "7000");
  Show(form, "PrefAudioLang");
  Type(form, "PrefAudioLang", "GER, ENG");
  Show(form, "DiseqRepPrefix");
  form.Editor("DiseqRepPrefix")->setFocus();
  QTest::keyClick(form.Editor("DiseqRepPrefix"), Qt::Key_Up);
  Type(form, "DiseqSW2Adr", "12");
  Type(form, "RxLatitude", "51.5");
  Show(form, "FileSplitSize");
  Type(form, "FileSplitSize", "100");
  Type(form, "RecNameFormat", "   ");
  Show(form, "ClearGuideOnTpChange");
  Toggle(form, "ClearGuideOnTpChange");
  Show(form, "HostPort");
  Type(form, "HostPort", "/run/lirc/lircd");
  Show(form, "SignalUpdateInterval");
  Type(form, "SignalUpdateInterval", "150");
  form.accept();

  EXPECT_TRUE(presenter.shown.empty());
  EXPECT_EQ(applied, 1);
  EXPECT_FALSE(options.General.SelectLastChan);
  EXPECT_EQ(options.General.PrefAudioLang, "GER,ENG");
  EXPECT_EQ(frame::PrefLangIndex(options.Session.PrefLangs, "ENG"), 1);
  EXPECT_EQ(options.Recording.RecNameFormat, frame::kDefaultRecNameFormat);
  EXPECT_TRUE(options.Session.ClearGuideOnTpChange);

  frame::TOptions reloaded;
  frame::LoadOptions(reloaded, file);
  EXPECT_FALSE(reloaded.General.SelectLastChan);
  EXPECT_EQ(reloaded.Scanning.TimeoutPAT, 7000);
  EXPECT_EQ(reloaded.General.PrefAudioLang, "GER,ENG");
  EXPECT_EQ(reloaded.DiseqC.DiseqRepPrefix, 0);
  EXPECT_EQ(reloaded.DiseqC.DiseqSW2Adr, 0x12);
  EXPECT_DOUBLE_EQ(reloaded.DiseqC.RxLatitude, 51.5);
  EXPECT_EQ(reloaded.Recording.FileSplitSize, 100 * frame::kBytesPerMegabyte);
  EXPECT_EQ(reloaded.WinLirc.HostPort, "/run/lirc/lircd");
  EXPECT_EQ(reloaded.General.SignalUpdateInterval, 150);
  // The guide setting lives for this run only; keys the program does not know stay.
  EXPECT_FALSE(reloaded.Session.ClearGuideOnTpChange);
  std::ifstream in(file);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(text.find("HandAdded=1"), std::string::npos);
  EXPECT_EQ(text.find("ClearGuide"), std::string::npos);
}

TEST_F(FormSettingsTest, CancelKeepsTheOptionsAndTheFile) {
  TFormSettings form(options, Links());
  Toggle(form, "SelectLastChan");
  form.reject();
  EXPECT_TRUE(options.General.SelectLastChan);
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(applied, 0);
}

TEST_F(FormSettingsTest, AnUnreadableFileIsNeverOverwrittenAndTheUserIsTold) {
  { std::ofstream(file) << "[Options]\nSelectLastChan=1\n"; }
  // Larger than any settings file may be: it exists but is not read.
  std::filesystem::resize_file(file, (std::uintmax_t{65} << 20));
  frame::LoadOptions(options, file);
  TFormSettings form(options, Links());
  Toggle(form, "SelectLastChan");
  form.accept();
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].icon, frame::MessageIcon::Error);
  EXPECT_EQ(std::filesystem::file_size(file), std::uintmax_t{65} << 20);
  // The choice still holds for this run.
  EXPECT_FALSE(options.General.SelectLastChan);
  EXPECT_EQ(applied, 1);
}

TEST(SettingsMenuTest, TheToolsMenuOpensTheDialogWhenThereIsOne) {
  QMenuBar without;
  BuildMainMenus(without, {});
  EXPECT_EQ(without.findChild<QAction *>("settingsItem"), nullptr);
  int opened = 0;
  TMainMenuHandlers handlers;
  handlers.Settings = [&] { ++opened; };
  QMenuBar bar;
  BuildMainMenus(bar, handlers);
  QAction *item = bar.findChild<QAction *>("settingsItem");
  ASSERT_NE(item, nullptr);
  item->trigger();
  EXPECT_EQ(opened, 1);
}

} // namespace
} // namespace qev::ui
