#include "diagnostics/qt/hist_scope.h"

#include <QPainter>
#include <QPolygon>

namespace qev::diagnostics {

QColor BgrColor(std::uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>(bgr >> 8 & 0xFF),
                static_cast<int>(bgr >> 16 & 0xFF));
}

THistScope::THistScope(QWidget *parent)
    : QWidget(parent), LegendFont("Courier New", 10, QFont::Bold) {
  setMinimumSize(60, 40);
  connect(&timer_, &QTimer::timeout, this, &THistScope::Update);
  ApplyTimer();
}

void THistScope::ApplyTimer() {
  timer_.setInterval(model_.Interval());
  if (model_.AutoUpdate)
    timer_.start();
  else
    timer_.stop();
}

void THistScope::Update() {
  model_.Update();
  dirty_ = true;
  update();
}

void THistScope::ClearAll() {
  model_.ClearAll();
  dirty_ = true;
  update();
}

void THistScope::mouseDoubleClickEvent(QMouseEvent *) { ClearAll(); }

void THistScope::resizeEvent(QResizeEvent *) { dirty_ = true; }

void THistScope::paintEvent(QPaintEvent *) {
  if (dirty_ || picture_.size() != size())
    Render();
  QPainter(this).drawPixmap(0, 0, picture_);
}

void THistScope::Render() {
  picture_ = QPixmap(size());
  picture_.fill(BgrColor(model_.Color));
  QPainter painter(&picture_);
  DrawGrid(painter);
  // Last to first, so the first channel lies on top.
  for (std::size_t i = model_.ChannelCount(); i-- > 0;)
    if (model_.Channel(i).Visible)
      DrawChannel(painter, model_.Channel(i));
  painter.setFont(LegendFont);
  for (std::size_t i = model_.ChannelCount(); i-- > 0;)
    if (model_.Channel(i).Visible && !model_.Channel(i).LegendText.empty())
      DrawLegend(painter, model_.Channel(i));
  dirty_ = false;
}

void THistScope::DrawGrid(QPainter &painter) const {
  painter.setPen(BgrColor(model_.GridColor));
  for (int x : model_.VerticalGrid(width()))
    painter.drawLine(x, 0, x, height() - 1);
  for (int y : model_.HorizontalGrid(height()))
    painter.drawLine(0, y, width() - 1, y);
  if (model_.BaseVisible) {
    painter.setPen(BgrColor(model_.BaseColor));
    const int y = model_.BaseY(height());
    painter.drawLine(0, y, width() - 1, y);
  }
}

void THistScope::DrawChannel(QPainter &painter, const TDataChannel &channel) const {
  const std::vector<TPoint> points = model_.PlotPoints(channel, width(), height());
  if (points.empty() || channel.PlotMode == TPlotMode::pmNone)
    return;
  const QColor color = BgrColor(channel.Color);
  painter.setPen(QPen(color, channel.Width));
  const int step = model_.ScrollDir == TScrollDir::sdToLeft ? 1 : -1;
  if (channel.PlotMode == TPlotMode::pmLine) {
    QPolygon line;
    for (const TPoint &p : points)
      line << QPoint(p.X, p.Y);
    painter.drawPolyline(line);
  } else if (channel.PlotMode == TPlotMode::pmBar) {
    QPolygon steps;
    int previous = points.front().X + step;
    for (const TPoint &p : points) {
      steps << QPoint(previous, p.Y) << QPoint(p.X, p.Y);
      previous = p.X;
    }
    painter.drawPolyline(steps);
  } else {
    const int bottom = THistScopeModel::BandBottom(channel, height());
    for (const TPoint &p : points)
      painter.fillRect(QRect(QPoint(p.X, p.Y), QPoint(p.X + model_.Frequency() - 1, bottom)),
                       color);
  }
  if (channel.MarkSize > 0)
    for (const TPoint &p : points)
      painter.fillRect(p.X - channel.MarkSize, p.Y - channel.MarkSize, 2 * channel.MarkSize + 1,
                       2 * channel.MarkSize + 1, color);
}

void THistScope::DrawLegend(QPainter &painter, const TDataChannel &channel) const {
  const QColor color = BgrColor(channel.Color);
  const int textHeight = painter.fontMetrics().height();
  int x = channel.LegendOfsX;
  if (channel.LegendLine > 0) {
    const int y = channel.LegendOfsY + textHeight / 2;
    painter.setPen(QPen(color, 2));
    painter.drawLine(x, y, x + channel.LegendLine, y);
    x += channel.LegendLine + 2;
  }
  painter.setPen(color);
  painter.drawText(x, channel.LegendOfsY + painter.fontMetrics().ascent(),
                   QString::fromStdString(channel.Legend()));
}

} // namespace qev::diagnostics
