#pragma once

#include "frame/options.h"
#include "teletext/subtitle_layout.h"
#include "teletext/subtitle_watcher.h"

#include <QFont>
#include <QImage>
#include <QRegion>
#include <QWidget>

namespace qev::teletext {

inline constexpr const char *kSubFallbackFont = "DejaVu Sans";
inline constexpr const char *kGetTextRectError = "Exception in GetTextRect() :";

// The subtitle lines drawn as outlined text over a video panel. It is a borderless child of the
// panel shaped to the text and its outline, so the picture stays visible between the letters
// and nothing of it is copied or blended. Mouse input passes through to the panel.
class TSubtitleOverlay final : public QWidget {
  Q_OBJECT
public:
  TSubtitleOverlay(QWidget &panel, const frame::TTeletextOptions &options);
  ~TSubtitleOverlay() override;

  // Takes the font, colours and geometry options again; the next layout draws with them.
  void ApplyOptions(const frame::TTeletextOptions &options);
  // Shows the lines on `panel`, or hides the overlay when there are none.
  void ShowLines(QWidget &panel, TSubtitleLines lines);
  // Lays the overlay out on `panel` (its new parent), drawing again only when asked or when
  // the size of the font or the overlay changed.
  void Layout(QWidget &panel, bool redraw);

  const TSubtitleLines &Lines() const { return lines_; }
  int FontSize() const { return fontSize_; }
  // The text in its colour on the outline colour, as big as the overlay.
  const QImage &Image() const { return image_; }
  // The window shape: the glyphs widened by the outline.
  const QRegion &Shape() const { return shape_; }

protected:
  void paintEvent(QPaintEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  struct TLineBox {
    QString Text;
    int X = 0, Y = 0, Width = 0, Height = 0;
  };
  void WatchPanel(QWidget &panel);
  bool ScaleFont(const QWidget &panel);
  // The lines measured and stacked from the top; none (after the error box) when measuring
  // failed.
  std::vector<TLineBox> MeasureLines() const;
  void Redraw(const std::vector<TLineBox> &boxes);
  void AddToMask(TSubtitleMask &mask, const TLineBox &box) const;
  int Outline() const;

  frame::TTeletextOptions options_;
  TSubtitleLines lines_;
  QFont font_;
  int fontSize_ = 0;
  QImage image_;
  QRegion shape_;
};

} // namespace qev::teletext
