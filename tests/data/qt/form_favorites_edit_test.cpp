// The favourites editor of one channel.
#include "data/qt/form_favorites_edit.h"

#include "support/screenshot.h"
#include "support/scripted_presenter.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QListWidget>
#include <QTest>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace qev::data::test {
namespace {

using ::testing::ElementsAre;

class FormFavoritesEditTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (auto [slot, name] : {std::pair{1, "News"},
                              {2, "Sport"},
                              {3, "Music"},
                              {4, "Kids"},
                              {9, "Movies"},
                              {17, "Docs"}})
      favorites.SetFavName(slot, name);
  }
  TFavEditLinks Links() {
    return {favorites, dir / "Favorites.cfg", [this](QWidget *) { return answer; }};
  }
  std::vector<int> Places(const TFormFavoritesEdit &form) const {
    return std::vector<int>(form.FavCat(), form.FavCat() + 4);
  }
  QListWidgetItem *Row(TFormFavoritesEdit &form, int slot) {
    return form.findChild<QListWidget *>("FavoritesList")->item(form.RowOf(slot));
  }

  qev::test::ScriptedPresenter presenter;
  qev::test::TTempDir dir{"qev-fav-edit-"};
  TFavorites favorites;
  std::optional<std::string> answer;
};

TEST_F(FormFavoritesEditTest, TicksKeepPlacesAscendingAndStopAtFour) {
  const std::uint8_t start[4] = {0, 0, 3, 17};
  TFormFavoritesEdit form(nullptr, start, Links());
  form.show();
  auto *list = form.findChild<QListWidget *>("FavoritesList");
  ASSERT_EQ(list->count(), 6);
  EXPECT_EQ(list->currentRow(), 0);
  EXPECT_EQ(form.RowOf(5), -1);
  EXPECT_EQ(Row(form, 3)->checkState(), Qt::Checked);
  qev::test::SaveScreenshot(form, "favorites_edit");
  Row(form, 9)->setCheckState(Qt::Checked);
  EXPECT_EQ(Places(form), (std::vector<int>{0, 3, 9, 17}));
  Row(form, 1)->setCheckState(Qt::Checked);
  Row(form, 2)->setCheckState(Qt::Checked);
  EXPECT_EQ(Row(form, 2)->checkState(), Qt::Unchecked);
  EXPECT_THAT(presenter.Texts(), ElementsAre("Maximum 4 categories per channel..."));
  EXPECT_EQ(Places(form), (std::vector<int>{1, 3, 9, 17}));
  Row(form, 3)->setCheckState(Qt::Unchecked);
  EXPECT_EQ(Places(form), (std::vector<int>{0, 1, 9, 17}));
}

TEST_F(FormFavoritesEditTest, ANewCategoryIsNamedInTitleCaseAndSaved) {
  std::uint8_t favCat[4] = {0, 0, 0, 1};
  TFormFavoritesEdit form(nullptr, favCat, Links());
  answer = "  ";
  form.AddCategory();
  EXPECT_EQ(favorites.FavName(5), "");
  answer = "sport - live tv";
  form.AddCategory();
  EXPECT_EQ(favorites.FavName(5), "Sport - Live Tv");
  ASSERT_GE(form.RowOf(5), 0);
  EXPECT_EQ(form.findChild<QListWidget *>("FavoritesList")->currentRow(), form.RowOf(5));
  std::ifstream saved(dir / "Favorites.cfg");
  std::stringstream text;
  text << saved.rdbuf();
  EXPECT_NE(text.str().find("05=Sport - Live Tv"), std::string::npos);
  TFavorites reloaded;
  ASSERT_TRUE(reloaded.FavLoad(dir / "Favorites.cfg"));
  EXPECT_EQ(reloaded.FavName(17), "Docs");
}

TEST_F(FormFavoritesEditTest, EnterAcceptsAndEscapeCancels) {
  std::uint8_t favCat[4] = {0, 0, 0, 0};
  TFormFavoritesEdit form(nullptr, favCat, Links());
  form.show();
  Row(form, 4)->setCheckState(Qt::Checked);
  QTest::keyClick(&form, Qt::Key_Return);
  EXPECT_EQ(form.result(), QDialog::Accepted);
  TFormFavoritesEdit other(nullptr, favCat, Links());
  other.show();
  QTest::keyClick(&other, Qt::Key_Escape);
  EXPECT_EQ(other.result(), QDialog::Rejected);
}

} // namespace
} // namespace qev::data::test
