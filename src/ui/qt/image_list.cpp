#include "ui/qt/image_list.h"

#include <QPainter>
#include <QPixmap>

namespace qev::ui {

QIcon ImageListIcon(int number) {
  if (number <= 0)
    return {};
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(QColor::fromHsv((number * 47) % 360, 160, 200));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(2, 2, 12, 12);
  return QIcon(pixmap);
}

} // namespace qev::ui
