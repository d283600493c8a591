#pragma once

#include "diagnostics/hist_scope_model.h"

#include <QFont>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace qev::diagnostics {

// 0x00BBGGRR as the system stores colours.
QColor BgrColor(std::uint32_t bgr);

// The strip chart control: samples its channels on its own timer (or when the owner calls
// Update), draws into an off-screen picture only after a change, and clears its channels on a
// double click.
class THistScope final : public QWidget {
  Q_OBJECT
public:
  explicit THistScope(QWidget *parent = nullptr);

  THistScopeModel &Model() { return model_; }
  // Starts or stops the internal timer as AutoUpdate and Interval say.
  void ApplyTimer();
  void Update();
  void ClearAll();
  QFont LegendFont;

protected:
  void paintEvent(QPaintEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

private:
  void Render();
  void DrawGrid(QPainter &painter) const;
  void DrawChannel(QPainter &painter, const TDataChannel &channel) const;
  void DrawLegend(QPainter &painter, const TDataChannel &channel) const;

  THistScopeModel model_;
  QTimer timer_;
  QPixmap picture_;
  bool dirty_ = true;
};

} // namespace qev::diagnostics
