#include "si/qt/wait_dialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>

namespace qev::si {

TWaitDialog::TWaitDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      table_(new QLabel(this)), seconds_(new QLabel(this)) {
  setWindowTitle(kCaption);
  setModal(false);
  auto *layout = new QHBoxLayout(this);
  QFont bold = table_->font();
  bold.setBold(true);
  table_->setFont(bold);
  table_->setMinimumWidth(60);
  seconds_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  layout->addWidget(table_);
  layout->addWidget(seconds_);
  setFixedSize(sizeHint().expandedTo(QSize(180, 0)));
}

void TWaitDialog::ShowWait(const std::string &table, int secondsLeft) {
  table_->setText(QString::fromStdString(table));
  seconds_->setText(QStringLiteral("%1").arg(secondsLeft, 2, 10, QLatin1Char('0')));
  if (!isVisible())
    show();
}

TTableWait TWaitDialog::Callback() {
  return [this](const std::string &table, int secondsLeft) { ShowWait(table, secondsLeft); };
}

QString TWaitDialog::TableText() const { return table_->text(); }
QString TWaitDialog::SecondsText() const { return seconds_->text(); }

void TWaitDialog::reject() {}

void TWaitDialog::closeEvent(QCloseEvent *event) { event->ignore(); }

} // namespace qev::si
