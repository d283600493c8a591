#include "video/qt/form_graph_check.h"

#include "frame/message_boxes.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qev::video {

namespace {

const QColor kFailedColor(0x00, 0x00, 0x80); // dark blue

void MarkFailed(QTreeWidgetItem &row) {
  for (int column = 0; column < 2; ++column) {
    QFont font = row.font(column);
    font.setBold(true);
    row.setFont(column, font);
    row.setForeground(column, kFailedColor);
  }
  row.setExpanded(true);
}

} // namespace

TFormGraphCheck::TFormGraphCheck(const std::filesystem::path &file, const TGraphCheck &check,
                                 qint64 elapsedMs, QWidget *parent)
    : QDialog(parent), tree_(new QTreeWidget) {
  setObjectName("TFormGraphCheck");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QString::fromStdString(file.string()) + QString("  (%1ms)").arg(elapsedMs));
  tree_->setHeaderLabels({"Class id", "Name"});
  tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  if (!check.Scan.Error.empty())
    MarkFailed(*new QTreeWidgetItem(tree_, {QString::fromStdString(check.Scan.Error)}));
  for (const TGraphCheckRow &row : check.Rows) {
    auto *item = new QTreeWidgetItem(
        tree_, {QString::fromStdString(row.ClassId), QString::fromStdString(row.Name)});
    for (const auto &[caption, value] : row.Details)
      new QTreeWidgetItem(item, {QString::fromStdString(caption), QString::fromStdString(value)});
    if (row.Failed())
      MarkFailed(*item);
  }
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(tree_);
  resize(640, 360);
}

TGraphCheckShown CheckGraphFile(const std::filesystem::path &file, bool alwaysShow,
                                IFilterRegistry &registry, QWidget *parent) {
  QElapsedTimer timer;
  timer.start();
  const TGraphCheck check = CheckGraphFilters(file, registry);
  if (!check.Scan.ReadError.empty())
    frame::ShowError(check.Scan.ReadError);
  TGraphCheckShown shown{check.AllUsable(), nullptr};
  if (!shown.AllUsable || alwaysShow) {
    shown.Window = new TFormGraphCheck(file, check, timer.elapsed(), parent);
    shown.Window->show();
  }
  return shown;
}

} // namespace qev::video
