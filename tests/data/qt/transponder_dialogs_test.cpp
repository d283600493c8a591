// The transponder dialog, the selection criteria, the coverage view and the list's commands.
#include "data/qt/form_coverage_info.h"
#include "data/qt/form_transp_select.h"
#include "data/qt/form_transponder.h"
#include "data/qt/transponder_actions.h"

#include "frame/app_paths.h"
#include "modal_driver.h"
#include "support/screenshot.h"
#include "support/scripted_presenter.h"
#include "support/temp_dir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

namespace qev::data::test {
namespace {

using ::testing::ElementsAre;

TEST(FormTransponder, OkOnlyWithFrequencyAndSymbolRate) {
  TFormTransponder form(nullptr, kTpDialogAdd, TTransponder{});
  EXPECT_EQ(form.windowTitle(), "Add");
  EXPECT_FALSE(form.OkEnabled());
  form.findChild<QLineEdit *>("FreqEdit")->setText("11778");
  EXPECT_FALSE(form.OkEnabled());
  form.findChild<QComboBox *>("SRateBox")->setCurrentIndex(1);
  EXPECT_TRUE(form.OkEnabled());
  form.findChild<QComboBox *>("PolarBox")->setCurrentIndex(1);
  EXPECT_EQ(TpText(form.Entry()), "11778,V,27500");
  form.show();
  qev::test::SaveScreenshot(form, "transponder_dialog");
  TFormTransponder edit(nullptr, kTpDialogEdit, MakeTransponder(12515, 'H', 22000));
  EXPECT_EQ(TpText(edit.Entry()), "12515,H,22000");
  EXPECT_TRUE(edit.OkEnabled());
}

TEST(FormTranspSelect, QuickChoicesFillTheRanges) {
  TFormTranspSelect form(nullptr, TTpCriteria{});
  const TTpCriteria start = form.Criteria();
  EXPECT_EQ(start.FreqFrom, 10700u);
  EXPECT_EQ(start.SRateTo, 45000u);
  EXPECT_TRUE(start.Horizontal && start.Vertical && start.InBlind && start.NotInBlind);
  form.findChild<QToolButton *>("FreqChoices")->menu()->actions()[2]->trigger();
  form.findChild<QToolButton *>("SRateChoices")->menu()->actions()[1]->trigger();
  EXPECT_EQ(form.Criteria().FreqFrom, 11700u);
  EXPECT_EQ(form.Criteria().FreqTo, 12750u);
  EXPECT_EQ(form.Criteria().SRateTo, 10000u);
  form.show();
  qev::test::SaveScreenshot(form, "transponder_select");
}

class TransponderActionsTest : public ::testing::Test {
protected:
  void SetUp() override {
    frame::SetPaths(frame::TAppPaths(dir.Path()));
    for (const char *text : {"10744,H,22000", "11778,V,27500", "12515,H,22000"})
      list.TpAdd(*ParseTpText(text));
    for (const TTransponder &tp : list.Items())
      new QTreeWidgetItem(&tree, {QString::fromStdString(TpText(tp))});
    actions = InstallTransponderActions(
        tree, {[this]() -> TSatTransponders & { return list; },
               [this]() -> const std::vector<TTransponder> & { return blind; },
               [] { return std::vector<std::string>{"11778,V,27500"}; }, [] { return 192; },
               [this] { ++changes; }});
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const TTransponder &tp : list.Items())
      texts.push_back(TpText(tp));
    return texts;
  }
  static void Answer(const char *freq, int polar, const char *srate) {
    WhenModal([=](QWidget &dialog) {
      dialog.findChild<QLineEdit *>("FreqEdit")->setText(freq);
      dialog.findChild<QComboBox *>("PolarBox")->setCurrentIndex(polar);
      dialog.findChild<QComboBox *>("SRateBox")->setCurrentText(srate);
      static_cast<QDialog &>(dialog).accept();
    });
  }

  qev::test::TTempDir dir{"qev-tp-actions-"};
  qev::test::ScriptedPresenter presenter;
  TSatTransponders list;
  std::vector<TTransponder> blind{MakeTransponder(12515, 'H', 22000)};
  QTreeWidget tree;
  TTransponderActions *actions = nullptr;
  int changes = 0;
};

TEST_F(TransponderActionsTest, AddEditAndDeleteThroughTheirDialogs) {
  Answer("11778", 1, "27500");
  actions->Add();
  EXPECT_THAT(presenter.Texts(), ElementsAre("Duplicate item"));
  Answer("11000", 0, "22000");
  actions->Add();
  EXPECT_THAT(Texts(),
              ElementsAre("10744,H,22000", "11000,H,22000", "11778,V,27500", "12515,H,22000"));
  Answer("12000", 1, "27500");
  actions->Edit(0);
  EXPECT_THAT(Texts(),
              ElementsAre("11000,H,22000", "11778,V,27500", "12000,V,27500", "12515,H,22000"));
  EXPECT_EQ(changes, 2);
  presenter.AnswerNext(true);
  actions->Delete(1);
  EXPECT_EQ(presenter.Texts().back(), "Delete transponder: 11778,V,27500 ?");
  EXPECT_EQ(list.Count(), 3);
  actions->Select(TpSelectRule::Invert);
  presenter.AnswerNext(false);
  actions->DeleteMarked();
  EXPECT_EQ(presenter.Texts().back(), "Delete 3 selected transponders ?");
  EXPECT_EQ(list.Count(), 3);
  actions->Edit(-1);
  EXPECT_EQ(presenter.Texts().back(), "Please select one transponder...");
}

TEST_F(TransponderActionsTest, CriteriaAreKeptForTheNextSelection) {
  WhenModal([](QWidget &dialog) {
    dialog.findChild<QCheckBox *>("InBlindBox")->setChecked(false);
    static_cast<QDialog &>(dialog).accept();
  });
  actions->SelectByCriteria();
  EXPECT_EQ(list.MarkedCount(), 2);
  WhenModal([](QWidget &dialog) {
    EXPECT_FALSE(dialog.findChild<QCheckBox *>("InBlindBox")->isChecked());
    dialog.findChild<QCheckBox *>("InBlindBox")->setChecked(true);
    static_cast<QDialog &>(dialog).accept();
  });
  actions->SelectByCriteria();
  EXPECT_EQ(list.MarkedCount(), 3);
  actions->Select(TpSelectRule::Warned);
  EXPECT_EQ(list.MarkedCount(), 1);
}

TEST_F(TransponderActionsTest, CoverageShowsTheBeamsPictureOrSaysWhatIsMissing) {
  const frame::TAppPaths &paths = frame::Paths();
  actions->Coverage(1);
  EXPECT_EQ(presenter.Texts().back(),
            "Cannot load coverage list.\r\r" + (paths.Coverage / "0192.cvr").string());
  std::filesystem::create_directories(paths.CoverageImages);
  std::ofstream(paths.Coverage / "0192.cvr") << "11778,V=Europe\n10744,H=Spot\n";
  actions->Coverage(2);
  EXPECT_EQ(presenter.Texts().back(), "Can`t find coverage detail for : 12515,H");
  actions->Coverage(0);
  EXPECT_EQ(presenter.Texts().back(),
            "Can`t find coverage image.\r\r" + (paths.CoverageImages / "Spot.jpg").string());
  QImage picture(160, 100, QImage::Format_RGB32);
  picture.fill(Qt::darkCyan);
  ASSERT_TRUE(picture.save(QString::fromStdString((paths.CoverageImages / "Europe.jpg").string())));
  const std::size_t before = presenter.shown.size();
  WhenModal([](QWidget &view) {
    EXPECT_EQ(view.windowTitle(), "11778,V");
    qev::test::SaveScreenshot(view, "coverage_view");
    QTest::keyClick(&view, Qt::Key_C);
  });
  actions->Coverage(1);
  EXPECT_EQ(presenter.shown.size(), before);
}

} // namespace
} // namespace qev::data::test
