// The channel editor with its ES and CA entry dialogs.
#include "data/qt/form_ca_item.h"
#include "data/qt/form_edit_ch.h"
#include "data/qt/form_es_item.h"

#include "modal_driver.h"
#include "support/screenshot.h"
#include "support/scripted_presenter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qev::data::test {
namespace {

using ::testing::ElementsAre;

TEsItem Es(std::uint8_t type, std::uint16_t pid, std::uint8_t kind, const char *lang = "",
           std::uint16_t page = 0) {
  TEsItem item{};
  item.StreamType = type;
  item.Pid = pid;
  item.Kind = kind;
  SetEsLang(item, lang);
  item.TtxPage = page;
  return item;
}

class FormEditChTest : public ::testing::Test {
protected:
  void SetUp() override {
    rec.Freq = 11778000;
    rec.SRate = 27500;
    rec.Polar = 'V';
    rec.TID = 1;
    rec.SID = 28006;
    rec.VidPid = 0x100;
    rec.AudPid = 0x101;
    rec.SrvType = 1;
    rec.VolAdj = 100;
    SetChName(rec, "Das Erste");
    SetChProv(rec, "ARD");
    EsAppend(rec, Es(2, 0x100, kKindVideo));
    EsAppend(rec, Es(4, 0x101, kKindAudio, "GER"));
    EsAppend(rec, Es(4, 0x102, kKindAudio, "ENG"));
    EsAppend(rec, Es(6, 0x104, kKindTeletext, "GER", 150));
    EsAppend(rec, Es(6, 0x105, kKindSubtitle, "GER", 777));
    CaAppend(rec, TCaItem{0x0B01, 0x500, 0x20, 0});
    CaAppend(rec, TCaItem{0x1801, 0x600, 0, kCaDisabledBit | 0x12});
    UpdateEcmPid(rec);
    links.Categories = {"#Unknow", "News", "Sport"};
    links.SetPidsInHex = [this](bool hex) { notations.push_back(hex); };
  }
  template <typename T> T *Child(QWidget &form, const char *name) {
    T *child = form.findChild<T *>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }

  qev::test::ScriptedPresenter presenter;
  TChannelRec rec{};
  TChannelEditLinks links;
  std::vector<bool> notations;
};

TEST_F(FormEditChTest, ShowsTheRecordAndItsLists) {
  TFormEditCh form(nullptr, rec, links);
  form.resize(900, 640);
  form.show();
  EXPECT_EQ(Child<QLineEdit>(form, "NameEdit")->text(), "Das Erste");
  EXPECT_EQ(Child<QComboBox>(form, "PolarBox")->currentText(), "Vertical");
  EXPECT_EQ(Child<QLineEdit>(form, "AUDEdit")->text(), "257");
  auto *es = Child<QTreeWidget>(form, "ESList");
  ASSERT_EQ(es->topLevelItemCount(), 5);
  EXPECT_EQ(es->topLevelItem(1)->text(4), "German");
  EXPECT_TRUE(es->topLevelItem(1)->font(0).bold());
  EXPECT_FALSE(es->topLevelItem(2)->font(0).bold());
  EXPECT_EQ(es->topLevelItem(3)->text(3), "150");
  auto *ca = Child<QTreeWidget>(form, "CAList");
  EXPECT_EQ(ca->topLevelItem(1)->text(4), "Nagravision");
  EXPECT_EQ(ca->topLevelItem(1)->foreground(0).color(), QColor(Qt::gray));
  EXPECT_FALSE(Child<QPushButton>(form, "RescanButton")->isVisible());
  qev::test::SaveScreenshot(form, "edit_channel");

  Child<QPushButton>(form, "HexButton")->click();
  EXPECT_EQ(Child<QLineEdit>(form, "AUDEdit")->text(), "101");
  EXPECT_EQ(es->topLevelItem(1)->text(1), "0101");
  Child<QPushButton>(form, "HexButton")->click();
  Child<QPushButton>(form, "DecButton")->click();
  EXPECT_THAT(notations, ElementsAre(true, false));
}

TEST_F(FormEditChTest, SetCopiesAPidAfterAskingAndRefusesOtherKinds) {
  TFormEditCh form(nullptr, rec, links);
  presenter.AnswerNext(true);
  form.EsSet(2);
  EXPECT_EQ(Child<QLineEdit>(form, "AUDEdit")->text(), "258");
  presenter.AnswerNext(true);
  form.EsSet(3);
  EXPECT_EQ(Child<QLineEdit>(form, "TTXEdit")->text(), "260");
  form.EsSet(4);
  form.EsModify(-1);
  form.CaDelete(7);
  presenter.AnswerNext(true);
  form.CaSet(1);
  EXPECT_EQ(Child<QLineEdit>(form, "ECMEdit")->text(), "1536");
  EXPECT_THAT(presenter.Texts(),
              ElementsAre("Set AUDIO pid to 258 ?", "Set TELETEXT pid to 260 ?",
                          "Selected item type is not AUD/VID/TTX...",
                          "Please select one ES item...", "Please select one CA item...",
                          "Set ECM pid to 1536 ?"));
  const TChannelRec saved = form.Working();
  EXPECT_EQ(saved.AudPid, 0x102);
  EXPECT_EQ(saved.TtxPid, 0x104);
  EXPECT_EQ(saved.EcmPid, 0x600);
}

TEST_F(FormEditChTest, EntryDialogsAddModifyAndDelete) {
  TFormEditCh form(nullptr, rec, links);
  WhenModal([](QWidget &dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Add Item");
    dialog.findChild<QSpinBox *>("StreamTypeEdit")->setValue(3);
    EXPECT_EQ(dialog.findChild<QLabel *>("StreamTypeText")->text(), "ISO/IEC 11172 Audio");
    dialog.findChild<QSpinBox *>("KindEdit")->setValue(3);
    EXPECT_EQ(dialog.findChild<QLabel *>("KindText")->text(), "AC3");
    EXPECT_FALSE(dialog.findChild<QSpinBox *>("PageEdit")->isVisible());
    dialog.findChild<QLineEdit *>("PidEdit")->setText("259");
    dialog.findChild<QComboBox *>("LangBox")->setCurrentText(" fren ");
    qev::test::SaveScreenshot(dialog, "es_item_dialog");
    static_cast<QDialog &>(dialog).accept();
  });
  form.EsAdd();
  TChannelRec working = form.Working();
  ASSERT_EQ(working.EsCount, 6);
  EXPECT_EQ(working.EsList[5].Pid, 259);
  EXPECT_EQ(EsLang(working.EsList[5]), "FRE");
  form.EsMove(5, -1);
  EXPECT_EQ(form.Working().EsList[4].Pid, 259);

  WhenModal([](QWidget &dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Modify Item");
    EXPECT_TRUE(dialog.findChild<QCheckBox *>("DisabledBox")->isChecked());
    dialog.findChild<QCheckBox *>("DisabledBox")->setChecked(false);
    qev::test::SaveScreenshot(dialog, "ca_item_dialog");
    static_cast<QDialog &>(dialog).accept();
  });
  form.CaModify(1);
  EXPECT_EQ(form.Working().CaList[1].ProvId, 0x12u);
  WhenModal([](QWidget &dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Delete Item");
    static_cast<QDialog &>(dialog).accept();
  });
  form.CaDelete(0);
  working = form.Working();
  ASSERT_EQ(working.CaCount, 1);
  EXPECT_EQ(working.EcmPid, 0x600);

  for (int i = working.EsCount; i < kMaxEsItems; ++i)
    EsAppend(working, Es(6, static_cast<std::uint16_t>(0x200 + i), 255));
  TFormEditCh full(nullptr, working, links);
  full.EsAdd();
  EXPECT_EQ(presenter.Texts().back(), "No more space for ES items (max 16)");
}

TEST_F(FormEditChTest, SavingStoresTheInputsAndReadOnlyShowsOnly) {
  TFormEditCh form(nullptr, rec, links);
  form.show();
  Child<QLineEdit>(form, "NameEdit")->setText("  Das Erste HD ");
  Child<QComboBox>(form, "CategBox")->setCurrentIndex(2);
  auto *volume = Child<QSlider>(form, "VolumeSlider");
  volume->setValue(40);
  QTest::mouseDClick(volume, Qt::LeftButton);
  EXPECT_EQ(volume->value(), 100);
  volume->setValue(130);
  form.accept();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(ChName(form.Result()), "Das Erste HD");
  EXPECT_EQ(form.Result().Categ, 2);
  EXPECT_EQ(form.Result().VolAdj, 130);

  links.ReadOnly = true;
  links.Rescan = [](TChannelRec &) { return true; };
  TFormEditCh view(nullptr, rec, links);
  view.show();
  EXPECT_FALSE(Child<QPushButton>(view, "SaveButton")->isVisible());
  EXPECT_FALSE(Child<QPushButton>(view, "RescanButton")->isVisible());
  EXPECT_FALSE(Child<QLineEdit>(view, "NameEdit")->isEnabled());
  EXPECT_FALSE(Child<QPushButton>(view, "ESAddButton")->isEnabled());
  EXPECT_TRUE(Child<QPushButton>(view, "HexButton")->isEnabled());
  EXPECT_TRUE(Child<QPushButton>(view, "CancelButton")->isEnabled());
}

TEST(FormEsItem, LanguagesAreTheSortedCodes) {
  const QStringList codes = LangCodes();
  EXPECT_EQ(codes.front(), "AAR");
  EXPECT_TRUE(codes.contains("QAA"));
  EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end()));
}

} // namespace
} // namespace qev::data::test
