#include "teletext/qt/ttx_renderer.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>

namespace qev::teletext {
namespace {

constexpr int kAtlasColumns = 6;
constexpr int kAtlasRows = 16;
constexpr int kLargestFontSize = 50;

QFont PixelFont(const QString &family, int pixelSize) {
  QFont font(family);
  font.setPixelSize(pixelSize);
  font.setWeight(QFont::Normal);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

QRect AtlasCell(int code, QSize cell) {
  const int index = code - 0x20;
  return {QPoint(index / kAtlasRows * cell.width(), index % kAtlasRows * cell.height()), cell};
}

QRect CellTarget(const TTtxCell &cell, QRect normal) {
  const bool tall =
      cell.Size == TTtxCellSize::DoubleHeight || cell.Size == TTtxCellSize::DoubleSize;
  const bool wide = cell.Size == TTtxCellSize::DoubleWidth || cell.Size == TTtxCellSize::DoubleSize;
  return {normal.topLeft(),
          QSize(normal.width() * (wide ? 2 : 1), normal.height() * (tall ? 2 : 1))};
}

} // namespace

QColor TtxColour(int colour) { return QColor::fromRgb(TtxColourRgb(colour)); }

QString TtxFontFamily(const QString &configured) {
  const QString family = configured.isEmpty() ? QStringLiteral("Lucida Console") : configured;
  return QFontDatabase::hasFamily(family) ? family : QStringLiteral("DejaVu Sans Mono");
}

int TtxGlyphPixelSize(const QString &family, QSize cell) {
  int size = kLargestFontSize;
  for (; size > 1; --size) {
    const QFontMetrics metrics(PixelFont(family, size));
    if (metrics.horizontalAdvance(QLatin1Char('Q')) < cell.width() &&
        metrics.height() < cell.height())
      break;
  }
  return size;
}

QImage &TTtxRenderer::Prepare(QSize imageSize, int nationalCode) {
  const QSize cell(imageSize.width() / kTtxColumns, imageSize.height() / kTtxRows);
  if (image_.size() != imageSize)
    image_ = QImage(imageSize, QImage::Format_RGB32);
  if (cell != cell_ || nationalCode != loadedCode_) {
    cell_ = cell;
    loadedCode_ = nationalCode;
    LoadNationalTable(nationalCode, &table_, languageName_);
    BuildAtlas();
  }
  return image_;
}

void TTtxRenderer::BuildAtlas() {
  ++atlasBuilds_;
  QImage coverage(cell_.width() * kAtlasColumns, cell_.height() * kAtlasRows, QImage::Format_RGB32);
  coverage.fill(Qt::black);
  {
    QPainter painter(&coverage);
    painter.setFont(PixelFont(family_, TtxGlyphPixelSize(family_, cell_)));
    painter.setPen(Qt::white);
    for (int code = 0x20; code <= 0x7F; ++code) {
      const QRect target = AtlasCell(code, cell_);
      painter.setClipRect(target);
      painter.drawText(target, Qt::AlignCenter, QString(QChar(table_[code - 0x20])));
    }
  }
  for (int colour = 0; colour < 8; ++colour) {
    QImage tinted(coverage.size(), QImage::Format_ARGB32_Premultiplied);
    const QRgb rgb = TtxColourRgb(colour);
    for (int y = 0; y < coverage.height(); ++y) {
      const auto *source = reinterpret_cast<const QRgb *>(coverage.constScanLine(y));
      auto *target = reinterpret_cast<QRgb *>(tinted.scanLine(y));
      for (int x = 0; x < coverage.width(); ++x) {
        const int alpha = qGray(source[x]);
        target[x] = qPremultiply(qRgba(qRed(rgb), qGreen(rgb), qBlue(rgb), alpha));
      }
    }
    atlas_[colour] = std::move(tinted);
  }
}

void TTtxRenderer::Clear() { image_.fill(Qt::black); }

void TTtxRenderer::DrawRow(const TTtxGridRow &row, int rowNumber) {
  QPainter painter(&image_);
  for (int column = 0; column < kTtxColumns; ++column) {
    const TTtxCell &cell = row[column];
    if (cell.Kind == TTtxCellKind::Covered)
      continue;
    const QRect normal(QPoint(column * cell_.width(), rowNumber * cell_.height()), cell_);
    DrawCell(painter, cell, cell.LowerHalf ? normal : CellTarget(cell, normal));
  }
}

void TTtxRenderer::DrawCell(QPainter &painter, const TTtxCell &cell, QRect target) {
  painter.fillRect(target, TtxColour(cell.Background));
  if (cell.LowerHalf)
    return;
  if (cell.Kind == TTtxCellKind::Mosaic) {
    DrawMosaic(painter, cell, target);
    return;
  }
  if (cell.Code > 0x20)
    painter.drawImage(target, atlas_[cell.Foreground & 7], AtlasCell(cell.Code, cell_));
}

void TTtxRenderer::DrawMosaic(QPainter &painter, const TTtxCell &cell, QRect target) {
  const int blockWidth = (target.width() + 1) / 2;
  const int blockHeight = (target.height() + 2) / 3;
  static constexpr std::array<std::uint8_t, 6> kBits = {kMosaicTopLeft,    kMosaicTopRight,
                                                        kMosaicMiddleLeft, kMosaicMiddleRight,
                                                        kMosaicBottomLeft, kMosaicBottomRight};
  const QColor colour = TtxColour(cell.Foreground);
  for (int block = 0; block < 6; ++block) {
    if (!(cell.MosaicBits & kBits[block]))
      continue;
    QRect rect(target.left() + (block % 2) * blockWidth, target.top() + (block / 2) * blockHeight,
               blockWidth, blockHeight);
    rect = rect.intersected(target);
    if (cell.Separated)
      rect.adjust(1, 1, -1, -1);
    painter.fillRect(rect, colour);
  }
}

void TTtxRenderer::DrawMessage(const QString &text) {
  QPainter painter(&image_);
  const int height = static_cast<int>(1.3 * cell_.height());
  const QString family = TtxFontFamily({});
  int size = kLargestFontSize;
  for (; size > 1; --size) {
    if (QFontMetrics(PixelFont(family, size)).height() <= height)
      break;
  }
  const int top = 2 * cell_.height();
  painter.fillRect(QRect(0, top, image_.width(), height + 2), TtxColour(4));
  painter.setFont(PixelFont(family, size));
  painter.setPen(TtxColour(3));
  painter.drawText(QRect(0, top + 1, image_.width(), height), Qt::AlignHCenter | Qt::AlignTop,
                   text);
}

} // namespace qev::teletext
