#include "ui/qt/form_settings.h"

#include "frame/message_boxes.h"

#include <algorithm>

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace qev::ui {

namespace {

constexpr const char *kColorProperty = "bgrColor";

// Colours are held as 0x00BBGGRR.
QColor FromBgr(long long bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}
long long ToBgr(const QColor &color) {
  return color.red() | (color.green() << 8) | (static_cast<long long>(color.blue()) << 16);
}

void ShowColor(QPushButton &button, long long bgr) {
  button.setProperty(kColorProperty, bgr);
  const QColor color = FromBgr(bgr);
  button.setText(color.name().toUpper());
  button.setStyleSheet(QString("background-color: %1; color: %2")
                           .arg(color.name(), color.lightness() > 128 ? "black" : "white"));
}

QPushButton *ColorButton(long long bgr) {
  auto *button = new QPushButton;
  ShowColor(*button, bgr);
  QObject::connect(button, &QPushButton::clicked, button, [button] {
    const QColor chosen = QColorDialog::getColor(
        FromBgr(button->property(kColorProperty).toLongLong()), button->window());
    if (chosen.isValid())
      ShowColor(*button, ToBgr(chosen));
  });
  return button;
}

QWidget *FolderEditor(QLineEdit *edit) {
  auto *row = new QWidget;
  auto *layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  auto *browse = new QToolButton;
  browse->setText("...");
  layout->addWidget(edit, 1);
  layout->addWidget(browse);
  QObject::connect(browse, &QToolButton::clicked, edit, [edit] {
    const QString folder = QFileDialog::getExistingDirectory(edit->window(), {}, edit->text());
    if (!folder.isEmpty())
      edit->setText(folder);
  });
  return row;
}

TFieldValue ValueOf(const TSettingsField &field, const QWidget &widget) {
  switch (field.Type) {
  case TFieldType::Bool:
    return static_cast<const QCheckBox &>(widget).isChecked();
  case TFieldType::Int:
  case TFieldType::Hex:
    return static_cast<long long>(static_cast<const QSpinBox &>(widget).value());
  case TFieldType::Float:
    return static_cast<const QDoubleSpinBox &>(widget).value();
  case TFieldType::Color:
    return widget.property(kColorProperty).toLongLong();
  case TFieldType::Choice:
    return static_cast<long long>(static_cast<const QComboBox &>(widget).currentIndex());
  case TFieldType::Text:
  case TFieldType::Folder:
    break;
  }
  return static_cast<const QLineEdit &>(widget).text().toStdString();
}

} // namespace

TFormSettings::TFormSettings(frame::TOptions &options, TSettingsLinks links, QWidget *parent)
    : QDialog(parent), options_(options), links_(std::move(links)), pageList_(new QListWidget),
      pages_(new QStackedWidget) {
  setObjectName("TFormSettings");
  setWindowTitle("Settings");
  pageList_->setObjectName("PageList");
  for (const TSettingsPage &page : SettingsPages()) {
    pageList_->addItem(QString::fromStdString(page.Title));
    pages_->addWidget(MakePage(page));
  }
  pageList_->setFixedWidth(pageList_->sizeHintForColumn(0) + 24);
  connect(pageList_, &QListWidget::currentRowChanged, pages_, &QStackedWidget::setCurrentIndex);

  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto *body = new QHBoxLayout;
  body->addWidget(pageList_);
  body->addWidget(pages_, 1);
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(body, 1);
  layout->addWidget(buttons);
  ShowPage(0);
}

QWidget *TFormSettings::MakePage(const TSettingsPage &page) {
  auto *widget = new QWidget;
  widget->setObjectName(QString::fromStdString(page.Title));
  auto *form = new QFormLayout(widget);
  for (const TSettingsField &field : page.Fields) {
    QWidget *editor = MakeEditor(field, field.Get(options_));
    editor->setObjectName(QString::fromStdString(field.Key));
    editors_.push_back({&field, editor});
    const QString label = QString::fromStdString(field.Label);
    if (field.Type == TFieldType::Bool)
      form->addRow(editor);
    else if (field.Type == TFieldType::Folder)
      form->addRow(label, FolderEditor(static_cast<QLineEdit *>(editor)));
    else
      form->addRow(label, editor);
  }
  if (page.Title == "Video")
    AddPageButton(*form, "Known filters...", "BtnKnowFilters", links_.KnownFilters);
  if (page.Title == "Remote control and gestures")
    AddPageButton(*form, "Gestures...", "BtnGestures", links_.EditGestures);
  if (page.Title == "Start and system")
    AddPageButton(*form, "Child lock password...", "BtnChildLockPassword", links_.ChangePassword);
  return widget;
}

void TFormSettings::AddPageButton(QFormLayout &form, const char *text, const char *name,
                                  const std::function<void(QWidget *)> &open) {
  if (!open)
    return;
  auto *button = new QPushButton(tr(text));
  button->setObjectName(name);
  connect(button, &QPushButton::clicked, this, [this, open] { open(this); });
  form.addRow(button);
}

QWidget *TFormSettings::MakeEditor(const TSettingsField &field, const TFieldValue &value) {
  const QString label = QString::fromStdString(field.Label);
  switch (field.Type) {
  case TFieldType::Bool: {
    auto *box = new QCheckBox(label);
    box->setChecked(std::get<bool>(value));
    return box;
  }
  case TFieldType::Int:
  case TFieldType::Hex: {
    auto *spin = new QSpinBox;
    spin->setRange(static_cast<int>(field.Min), static_cast<int>(field.Max));
    if (field.Type == TFieldType::Hex) {
      spin->setDisplayIntegerBase(16);
      spin->setPrefix("0x");
    }
    spin->setValue(static_cast<int>(std::get<long long>(value)));
    return spin;
  }
  case TFieldType::Float: {
    auto *spin = new QDoubleSpinBox;
    spin->setDecimals(4);
    spin->setRange(static_cast<double>(field.Min), static_cast<double>(field.Max));
    spin->setValue(std::get<double>(value));
    return spin;
  }
  case TFieldType::Color:
    return ColorButton(std::get<long long>(value));
  case TFieldType::Choice: {
    auto *box = new QComboBox;
    for (const std::string &item : field.Items)
      box->addItem(QString::fromStdString(item));
    // A value a hand-edited file put outside the items shows (and is saved) as the nearest.
    box->setCurrentIndex(
        static_cast<int>(std::clamp<long long>(std::get<long long>(value), 0, box->count() - 1)));
    return box;
  }
  case TFieldType::Text:
  case TFieldType::Folder:
    break;
  }
  return new QLineEdit(QString::fromStdString(std::get<std::string>(value)));
}

int TFormSettings::PageCount() const { return pages_->count(); }

void TFormSettings::ShowPage(int index) { pageList_->setCurrentRow(index); }

QWidget *TFormSettings::Editor(const std::string &key) const {
  for (const TEditor &editor : editors_)
    if (editor.Field->Key == key)
      return editor.Widget;
  return nullptr;
}

frame::TOptions TFormSettings::Edited() const {
  frame::TOptions edited = options_;
  for (const TEditor &editor : editors_)
    editor.Field->Set(edited, ValueOf(*editor.Field, *editor.Widget));
  return edited;
}

void TFormSettings::accept() {
  const std::string error = ConfirmSettings(options_, Edited(), links_.OptionsFile);
  if (!error.empty())
    frame::ShowError(error);
  if (links_.Applied)
    links_.Applied();
  QDialog::accept();
}

} // namespace qev::ui
