#include "data/qt/form_favorites_edit.h"

#include "frame/message_boxes.h"

#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QVBoxLayout>

#include <algorithm>

namespace qev::data {

namespace {

constexpr int kSlotRole = Qt::UserRole;

std::optional<std::string> AskWithInputDialog(QWidget *owner) {
  bool ok = false;
  const QString name =
      QInputDialog::getText(owner, kAddFavCaption, kAddFavPrompt, QLineEdit::Normal, {}, &ok);
  if (!ok)
    return std::nullopt;
  return name.toStdString();
}

} // namespace

TFormFavoritesEdit::TFormFavoritesEdit(QWidget *owner, const std::uint8_t (&favCat)[4],
                                       TFavEditLinks links)
    : QDialog(owner), links_(std::move(links)), list_(new QListWidget(this)) {
  setObjectName("FormFavoritesEdit");
  setWindowTitle("Favorites");
  std::copy(std::begin(favCat), std::end(favCat), favCat_);
  if (!links_.AskName)
    links_.AskName = AskWithInputDialog;
  list_->setObjectName("FavoritesList");
  auto *menu = new QMenuBar(this);
  QAction *add = menu->addMenu("&Category")->addAction("New category...");
  add->setObjectName("NewCategoryItem");
  connect(add, &QAction::triggered, this, [this] { AddCategory(); });
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(list_, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) { Ticked(item); });
  auto *layout = new QVBoxLayout(this);
  layout->setMenuBar(menu);
  layout->addWidget(list_);
  layout->addWidget(buttons);
  Fill();
  list_->setCurrentRow(0);
  list_->setFocus();
  resize(240, 360);
}

int TFormFavoritesEdit::RowOf(int slot) const {
  for (int row = 0; row < list_->count(); ++row)
    if (list_->item(row)->data(kSlotRole).toInt() == slot)
      return row;
  return -1;
}

void TFormFavoritesEdit::Fill() {
  const QSignalBlocker block(list_);
  list_->clear();
  for (int slot = 1; slot <= TFavorites::kSlots; ++slot) {
    const std::string name = links_.Favorites.FavName(slot);
    if (name.empty())
      continue;
    auto *item = new QListWidgetItem(QString::fromStdString(name), list_);
    item->setData(kSlotRole, slot);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(FavHas(favCat_, slot) ? Qt::Checked : Qt::Unchecked);
  }
}

void TFormFavoritesEdit::Ticked(QListWidgetItem *item) {
  const int slot = item->data(kSlotRole).toInt();
  if (item->checkState() != Qt::Checked) {
    FavRemove(favCat_, slot);
    return;
  }
  if (FavAdd(favCat_, slot) == FavChange::Full) {
    const QSignalBlocker block(list_);
    item->setCheckState(Qt::Unchecked);
    frame::ShowWarning(kMaxFavPerChannel);
  }
}

void TFormFavoritesEdit::AddCategory() {
  if (links_.Favorites.FirstFreeSlot() == 0)
    return;
  const std::optional<std::string> name = links_.AskName(this);
  if (!name)
    return;
  const int slot = FavAddCategory(links_.Favorites, *name);
  if (slot == 0)
    return;
  if (const std::string error = links_.Favorites.FavSave(links_.File); !error.empty())
    frame::ShowError(error);
  Fill();
  list_->setCurrentRow(RowOf(slot));
}

bool FavEdit(QWidget *owner, std::uint8_t (&favCat)[4], TFavEditLinks links,
             std::optional<QPoint> below) {
  TFormFavoritesEdit form(owner, favCat, std::move(links));
  if (below)
    form.move(*below);
  if (form.exec() != QDialog::Accepted)
    return false;
  std::copy(std::begin(form.FavCat()), std::end(form.FavCat()), favCat);
  return true;
}

} // namespace qev::data
