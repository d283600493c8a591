#pragma once

#include "teletext/national_charset.h"
#include "teletext/ttx_page_grid.h"

#include <QFont>
#include <QImage>
#include <QString>

#include <array>

namespace qev::teletext {

// The font the window draws with: the configured family when the system has it, else
// "DejaVu Sans Mono" (an empty name means "Lucida Console", the usual default).
QString TtxFontFamily(const QString &configured);

// The largest pixel size from 50 down (at least 1) whose "Q" is smaller than the cell both ways.
int TtxGlyphPixelSize(const QString &family, QSize cell);

// Draws laid-out rows into an image of 40 x 25 cells. Glyphs come from an atlas that holds every
// character of the national table once per teletext colour, rendered for one cell size; a page
// then costs one image copy per cell.
class TTtxRenderer {
public:
  explicit TTtxRenderer(QString fontFamily) : family_(std::move(fontFamily)) {}

  // Rebuilds the atlas when the image size or the table changed; returns the image to draw into.
  QImage &Prepare(QSize imageSize, int nationalCode);
  const TNationalTable &Table() const { return table_; }
  const std::string &LanguageName() const { return languageName_; }
  QSize CellSize() const { return cell_; }
  int AtlasBuilds() const { return atlasBuilds_; }

  void Clear();
  void DrawRow(const TTtxGridRow &row, int rowNumber);
  // The yellow message on a blue bar across the third row.
  void DrawMessage(const QString &text);

  QImage &Image() { return image_; }

private:
  void BuildAtlas();
  void DrawCell(QPainter &painter, const TTtxCell &cell, QRect target);
  void DrawMosaic(QPainter &painter, const TTtxCell &cell, QRect target);

  QString family_;
  QSize cell_;
  int loadedCode_ = -1;
  TNationalTable table_{};
  std::string languageName_;
  std::array<QImage, 8> atlas_; // one per foreground colour, alpha = glyph coverage
  QImage image_;
  int atlasBuilds_ = 0;
};

QColor TtxColour(int colour);

} // namespace qev::teletext
