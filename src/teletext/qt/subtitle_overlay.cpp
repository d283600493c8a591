#include "teletext/qt/subtitle_overlay.h"

#include "frame/message_boxes.h"
#include "video/qt/video_panel.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <exception>

namespace qev::teletext {

namespace {

QFont SubtitleFont(const frame::TTeletextOptions &options) {
  const QString name = QString::fromStdString(options.SubFontName);
  QFont font(!name.isEmpty() && QFontDatabase::hasFamily(name) ? name : kSubFallbackFont);
  font.setBold(options.SubFontBold);
  // The shape is made of whole pixels: a glyph pixel either belongs to the window or not.
  font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

QRegion RegionOf(const std::vector<TSubtitleRect> &rects) {
  std::vector<QRect> qrects;
  qrects.reserve(rects.size());
  for (const TSubtitleRect &r : rects)
    qrects.emplace_back(r.Left, r.Top, r.Width, r.Height);
  QRegion region;
  // The rectangles come banded (sorted by rows, disjoint, rows of equal runs joined), which
  // is the form a region keeps internally.
  region.setRects(qrects.data(), static_cast<int>(qrects.size()));
  return region;
}

} // namespace

TSubtitleOverlay::TSubtitleOverlay(QWidget &panel, const frame::TTeletextOptions &options)
    : QWidget(nullptr) {
  setObjectName("subtitleOverlay");
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_OpaquePaintEvent);
  ApplyOptions(options);
  WatchPanel(panel);
  hide();
}

TSubtitleOverlay::~TSubtitleOverlay() = default;

void TSubtitleOverlay::ApplyOptions(const frame::TTeletextOptions &options) {
  options_ = options;
  font_ = SubtitleFont(options);
  fontSize_ = 0; // applied again by the next layout
}

void TSubtitleOverlay::ShowLines(QWidget &panel, TSubtitleLines lines) {
  lines_ = std::move(lines);
  Layout(panel, true);
}

void TSubtitleOverlay::WatchPanel(QWidget &panel) {
  if (QWidget *old = parentWidget())
    old->removeEventFilter(this);
  setParent(&panel); // hides the overlay until the next layout shows it
  panel.installEventFilter(this);
}

bool TSubtitleOverlay::eventFilter(QObject *watched, QEvent *event) {
  if (watched == parentWidget() && event->type() == QEvent::Resize)
    Layout(*parentWidget(), false);
  return false;
}

bool TSubtitleOverlay::ScaleFont(const QWidget &panel) {
  const QScreen *screen = panel.screen();
  const int size = SubtitleFontSize(options_.SubFontSize, panel.height(),
                                    screen ? screen->geometry().height() : 0);
  if (size == fontSize_)
    return false;
  fontSize_ = size;
  // In pixels of the panel's screen, so that measuring and drawing into images agree.
  font_.setPixelSize(std::max(1, static_cast<int>(size * panel.logicalDpiY() / 72.0 + 0.5)));
  return true;
}

int TSubtitleOverlay::Outline() const { return std::max(options_.SubOutlSize, 0); }

std::vector<TSubtitleOverlay::TLineBox> TSubtitleOverlay::MeasureLines() const {
  std::vector<TLineBox> boxes;
  try {
    const QFontMetrics metrics(font_);
    int y = 0;
    for (const std::u16string &line : lines_) {
      TLineBox box;
      box.Text = QString::fromStdU16String(line);
      box.Width = metrics.horizontalAdvance(box.Text);
      box.Height = metrics.height() + 2 * options_.SubTextBorder;
      box.Y = y;
      y += box.Height;
      boxes.push_back(std::move(box));
    }
  } catch (const std::exception &error) {
    frame::ShowError(std::string(kGetTextRectError) + error.what());
    boxes.clear();
  }
  return boxes;
}

void TSubtitleOverlay::Layout(QWidget &panel, bool redraw) {
  if (parentWidget() != &panel)
    WatchPanel(panel);
  if (lines_.empty()) {
    hide();
    return;
  }
  const bool newFont = ScaleFont(panel);
  std::vector<TLineBox> boxes = MeasureLines();
  int textHeight = 0;
  for (const TLineBox &box : boxes)
    textHeight += box.Height;
  const TSubtitleRect bounds =
      SubtitleBounds(panel.width(), panel.height(), options_.SubPosPercent, textHeight);
  for (TLineBox &box : boxes)
    box.X = SubtitleLineX(bounds.Width, box.Width);
  const QRect rect(bounds.Left, bounds.Top, bounds.Width, bounds.Height);
  const bool resized = rect.size() != image_.size();
  setGeometry(rect);
  if (redraw || newFont || resized)
    Redraw(boxes);
  if (shape_.isEmpty()) {
    hide(); // an empty mask would mean no shape at all, the whole rectangle
    return;
  }
  show();
  raise();
}

// The glyphs of one line, drawn white on black, spread up and down by the outline into the
// mask; the widening to the sides comes with the shape's rectangles.
void TSubtitleOverlay::AddToMask(TSubtitleMask &mask, const TLineBox &box) const {
  const QFontMetrics metrics(font_);
  // Room to the right for glyphs that reach beyond their advance.
  QImage glyphs(box.Width + metrics.height(), metrics.height(), QImage::Format_Grayscale8);
  glyphs.fill(0);
  {
    QPainter painter(&glyphs);
    painter.setFont(font_);
    painter.setPen(Qt::white);
    painter.drawText(0, metrics.ascent(), box.Text);
  }
  const int o = Outline();
  for (int k = -o; k <= o; ++k)
    mask.Or(glyphs.constBits(), glyphs.width(), glyphs.height(),
            static_cast<std::size_t>(glyphs.bytesPerLine()), box.X + o, box.Y + o + k);
}

void TSubtitleOverlay::Redraw(const std::vector<TLineBox> &boxes) {
  // Sized to the overlay itself: a mask of a fixed size would cut the text of wide panels.
  image_ = QImage(size(), QImage::Format_RGB32);
  image_.fill(video::ColorFromBgr(options_.SubOutlColor));
  TSubtitleMask mask(width(), height());
  const int o = Outline();
  {
    QPainter painter(&image_);
    painter.setFont(font_);
    painter.setPen(video::ColorFromBgr(options_.SubFontColor));
    const int ascent = QFontMetrics(font_).ascent();
    for (const TLineBox &box : boxes) {
      AddToMask(mask, box);
      painter.drawText(box.X + o, box.Y + o + ascent, box.Text);
    }
  }
  shape_ = RegionOf(mask.Rectangles(o));
  if (!shape_.isEmpty())
    setMask(shape_);
  update();
}

void TSubtitleOverlay::paintEvent(QPaintEvent *) { QPainter(this).drawImage(0, 0, image_); }

} // namespace qev::teletext
