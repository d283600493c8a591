// A new user's setup from the editors alone: a satellite from AllSats.txt with its LNB and
// DiSEqC port, its transponders, a channel and its favourites; every step is in the files and
// comes back when they are read again.
#include "data/channel_list.h"
#include "data/qt/form_edit_ch.h"
#include "data/qt/form_edit_sat.h"
#include "data/qt/form_favorites_edit.h"
#include "data/qt/transponder_actions.h"
#include "data/sat_list.h"

#include "frame/app_paths.h"
#include "modal_driver.h"
#include "support/scripted_presenter.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <fstream>

namespace qev::data::test {
namespace {

void Accept(QWidget &dialog) { static_cast<QDialog &>(dialog).accept(); }

class EditorsRoundTrip : public ::testing::Test {
protected:
  void SetUp() override {
    frame::SetPaths(frame::TAppPaths(dir.Path()));
    std::filesystem::create_directories(frame::Paths().SatFiles);
    std::ofstream(frame::Paths().SatFiles / "AllSats.txt") << "130,x,Hot Bird\n192,x,Astra 1KR\n";
  }

  // The picker's second line, then the editor with switch 1 on committed port 3.
  TSatRec AddAstra() {
    TSatRec rec{};
    rec.SatIdx = static_cast<std::uint8_t>(sats.SatNextIndex());
    TSatEditLinks links;
    links.AllSats = frame::Paths().SatFiles / "AllSats.txt";
    links.PositionTaken = [this](int pos, int index) { return sats.PositionTaken(pos, index); };
    WhenModal([](QWidget &picker) {
      picker.findChild<QListWidget *>("SatPickerList")->setCurrentRow(1);
      Accept(picker);
      WhenModal([](QWidget &editor) {
        editor.findChild<QToolButton *>("LnbPresetButton")
            ->menu()
            ->findChild<QAction *>("KU-Linear")
            ->trigger();
        editor.findChild<QComboBox *>("Sw1TypeBox")->setCurrentIndex(2);
        editor.findChild<QComboBox *>("Sw1PortBox")->setCurrentIndex(2);
        Accept(editor);
      });
    });
    EXPECT_TRUE(EditSatellite(nullptr, rec, true, links));
    return rec;
  }

  qev::test::TTempDir dir{"qev-round-trip-"};
  qev::test::ScriptedPresenter presenter;
  TSatList sats;
};

TEST_F(EditorsRoundTrip, EveryEditIsInTheFilesAfterAReload) {
  const TSatRec astra = AddAstra();
  ASSERT_TRUE(sats.SatAdd(astra));

  // Transponders typed into the scanner's list, saved as the scanner saves them on closing.
  TSatTransponders tps;
  tps.PositionText = "0192";
  tps.Name = SatName(astra);
  QTreeWidget tree;
  TTransponderActions *actions =
      InstallTransponderActions(tree, {[&]() -> TSatTransponders & { return tps; },
                                       [&]() -> const std::vector<TTransponder> & {
                                         static const std::vector<TTransponder> none;
                                         return none;
                                       }});
  for (const char *freq : {"11778", "12515"}) {
    WhenModal([freq](QWidget &dialog) {
      dialog.findChild<QLineEdit *>("FreqEdit")->setText(freq);
      dialog.findChild<QComboBox *>("SRateBox")->setCurrentText("27500");
      dialog.findChild<QComboBox *>("PolarBox")->setCurrentIndex(1);
      Accept(dialog);
    });
    actions->Add();
  }
  ASSERT_EQ(tps.TpSaveIni(TransponderFileName(astra.SatPos)), "");

  // A channel edited and given a new favourite category.
  TFavorites favorites;
  TChannelsList list(astra.SatPos, astra.SatIdx);
  TChannelRec rec{};
  rec.Freq = 11778000;
  rec.SRate = 27500;
  rec.Polar = 'V';
  rec.SID = 28006;
  rec.VolAdj = 100;
  SetChName(rec, "Erste");
  const int at = list.ListAppend(rec);
  WhenModal([](QWidget &editor) {
    editor.findChild<QLineEdit *>("NameEdit")->setText("Das Erste HD");
    editor.findChild<QLineEdit *>("AUDEdit")->setText("257");
    Accept(editor);
  });
  ASSERT_TRUE(EditChannel(nullptr, rec, TChannelEditLinks{}));
  TFavEditLinks favLinks{favorites, frame::Paths().FavoritesFile,
                         [](QWidget *) { return std::optional<std::string>("public tv"); }};
  WhenModal([](QWidget &dialog) {
    auto &form = static_cast<TFormFavoritesEdit &>(dialog);
    form.AddCategory();
    form.findChild<QListWidget *>("FavoritesList")->item(form.RowOf(1))->setCheckState(Qt::Checked);
    Accept(dialog);
  });
  ASSERT_TRUE(FavEdit(nullptr, rec.FavCat, favLinks));
  list.ListSet(at, rec);
  ASSERT_TRUE(list.ListSaveAll());
  EXPECT_TRUE(presenter.shown.empty());

  // A restart reads everything back.
  TSatList sats2;
  ASSERT_TRUE(sats2.SatLoad());
  TSatRec read{};
  ASSERT_TRUE(sats2.SatGet(astra.SatIdx, read));
  EXPECT_EQ(SatName(read), "Astra 1KR");
  EXPECT_EQ(read.SatPos, 192);
  EXPECT_EQ(read.LofSwitch, 11700000);
  EXPECT_EQ(read.Sw1.SwType, 2);
  EXPECT_EQ(read.Sw1.SwPort, 3);
  TSatTransponders tps2;
  ASSERT_TRUE(tps2.TpLoadIni(TransponderFileName(192)));
  ASSERT_EQ(tps2.Count(), 2);
  EXPECT_EQ(TpText(tps2.TpGet(1)), "12515,V,27500");
  TChannelsList list2(192, astra.SatIdx);
  ASSERT_TRUE(list2.ListLoad());
  ASSERT_EQ(list2.Count(), 1);
  EXPECT_EQ(ChName(list2.Item(0)), "Das Erste HD");
  EXPECT_EQ(list2.Item(0).AudPid, 257);
  EXPECT_EQ(list2.Item(0).FavCat[3], 1);
  TFavorites favorites2;
  ASSERT_TRUE(favorites2.FavLoad(frame::Paths().FavoritesFile));
  EXPECT_EQ(favorites2.FavName(1), "Public Tv");
}

} // namespace
} // namespace qev::data::test
