#include "ui/qt/image_list.h"

#include <QCoreApplication>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointer>

#include <array>
#include <cmath>

namespace qev::ui {

namespace {

// Every image is drawn in a 16 x 16 space; the painter is scaled for the larger pixmap.
using Draw = void (*)(QPainter &);

// One palette for the whole set, so that the images read as one family.
const QColor kOutline(0x30, 0x38, 0x48);
const QColor kScreen(0x2f, 0x7f, 0xd8);
const QColor kRadio(0x3c, 0xa0, 0x50);
const QColor kData(0x8a, 0x8f, 0x99);
const QColor kGold(0xf2, 0xb8, 0x1e);
const QColor kGoldDark(0xa8, 0x74, 0x08);
const QColor kRed(0xd8, 0x3a, 0x30);
const QColor kPaper(0xfa, 0xfa, 0xf6);

QPen Outline(qreal width = 1.0, const QColor &colour = kOutline) {
  QPen pen(colour, width);
  pen.setJoinStyle(Qt::RoundJoin);
  pen.setCapStyle(Qt::RoundCap);
  return pen;
}

void Folder(QPainter &p) {
  QPainterPath path;
  path.moveTo(1.5, 3.5);
  path.lineTo(6.0, 3.5);
  path.lineTo(7.5, 5.0);
  path.lineTo(14.5, 5.0);
  path.lineTo(14.5, 13.5);
  path.lineTo(1.5, 13.5);
  path.closeSubpath();
  p.setPen(Outline(1.0, kGoldDark));
  p.setBrush(kGold);
  p.drawPath(path);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xff, 0xdc, 0x6a));
  p.drawRect(QRectF(2.0, 6.5, 12.0, 6.5));
}

// A small key in the lower right corner: the channel is scrambled.
void ScrambledBadge(QPainter &p) {
  p.setPen(Outline(1.0, kGoldDark));
  p.setBrush(kGold);
  p.drawEllipse(QRectF(8.5, 8.5, 4.0, 4.0));
  p.setPen(Outline(1.6, kGoldDark));
  p.drawLine(QPointF(12.0, 12.0), QPointF(14.5, 14.5));
  p.drawLine(QPointF(13.6, 13.6), QPointF(14.6, 12.6));
}

void Television(QPainter &p) {
  p.setPen(Outline());
  p.setBrush(QColor(0x44, 0x4c, 0x5c));
  p.drawRoundedRect(QRectF(0.5, 2.5, 15.0, 10.0), 1.5, 1.5);
  p.setPen(Qt::NoPen);
  QLinearGradient glass(0, 3, 0, 12);
  glass.setColorAt(0, kScreen.lighter(140));
  glass.setColorAt(1, kScreen);
  p.setBrush(glass);
  p.drawRect(QRectF(2.0, 4.0, 12.0, 7.0));
  p.setPen(Outline(1.5));
  p.drawLine(QPointF(5.0, 14.5), QPointF(11.0, 14.5));
}

void RadioSet(QPainter &p) {
  p.setPen(Outline());
  p.setBrush(kRadio);
  p.drawRoundedRect(QRectF(0.5, 5.5, 15.0, 9.0), 1.5, 1.5);
  p.drawLine(QPointF(3.5, 5.5), QPointF(12.5, 1.0));
  p.setBrush(QColor(0x1e, 0x5a, 0x2c));
  p.drawEllipse(QRectF(2.5, 7.5, 5.0, 5.0));
  p.setPen(Outline(1.0, kPaper));
  for (const qreal y : {8.5, 10.5, 12.5})
    p.drawLine(QPointF(9.5, y), QPointF(13.5, y));
}

void DataService(QPainter &p) {
  p.setPen(Outline());
  p.setBrush(kData);
  p.drawRect(QRectF(1.5, 9.5, 13.0, 4.0));
  p.drawRect(QRectF(1.5, 4.5, 13.0, 4.0));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x60, 0xe0, 0x70));
  p.drawRect(QRectF(3.0, 6.0, 2.0, 1.0));
  p.drawRect(QRectF(3.0, 11.0, 2.0, 1.0));
  p.setPen(Outline(1.0));
  p.drawLine(QPointF(8.0, 4.5), QPointF(8.0, 1.5));
  p.drawLine(QPointF(6.0, 1.5), QPointF(10.0, 1.5));
}

void Star(QPainter &p, QPointF centre, qreal outer) {
  QPainterPath path;
  for (int i = 0; i < 10; ++i) {
    const qreal radius = (i % 2 == 0) ? outer : outer * 0.42;
    const qreal angle = -M_PI / 2 + i * M_PI / 5;
    const QPointF point = centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
    i == 0 ? path.moveTo(point) : path.lineTo(point);
  }
  path.closeSubpath();
  p.setPen(Outline(1.0, kGoldDark));
  p.setBrush(kGold);
  p.drawPath(path);
}

void Padlock(QPainter &p, QRectF body) {
  p.setBrush(Qt::NoBrush);
  p.setPen(Outline(1.6, QColor(0x5a, 0x60, 0x6c)));
  const qreal w = body.width() * 0.6;
  p.drawArc(QRectF(body.center().x() - w / 2, body.top() - w * 0.8, w, w * 1.6), 0, 180 * 16);
  p.setPen(Outline(1.0, kGoldDark));
  p.setBrush(kGold);
  p.drawRoundedRect(body, 1.0, 1.0);
  p.setPen(Qt::NoPen);
  p.setBrush(kOutline);
  p.drawRect(QRectF(body.center().x() - 0.5, body.center().y() - 1.0, 1.0, 2.0));
}

void Favourite(QPainter &p) { Star(p, {8.0, 8.5}, 7.5); }
void Locked(QPainter &p) { Padlock(p, {3.5, 7.5, 9.0, 7.0}); }
void FavouriteLocked(QPainter &p) {
  Star(p, {6.5, 7.0}, 6.5);
  Padlock(p, {9.5, 10.5, 6.0, 5.0});
}

// An outlined panel; what is drawn on it next goes without an outline.
void Panel(QPainter &p, const QColor &fill, const QRectF &area) {
  p.setPen(Outline());
  p.setBrush(fill);
  p.drawRect(area);
  p.setPen(Qt::NoPen);
}

void FilmStrip(QPainter &p) {
  Panel(p, QColor(0x33, 0x3a, 0x48), QRectF(2.5, 0.5, 11.0, 15.0));
  p.setBrush(kPaper);
  for (int y = 2; y < 15; y += 3) {
    p.drawRect(QRectF(3.5, y, 1.0, 1.5));
    p.drawRect(QRectF(11.5, y, 1.0, 1.5));
  }
  p.setBrush(kScreen.lighter(130));
  p.drawRect(QRectF(5.5, 2.0, 5.0, 5.0));
  p.drawRect(QRectF(5.5, 9.0, 5.0, 5.0));
}

void Speaker(QPainter &p, qreal x, const QColor &colour) {
  QPainterPath path;
  path.moveTo(x, 5.5);
  path.lineTo(x + 2.5, 5.5);
  path.lineTo(x + 6.0, 2.0);
  path.lineTo(x + 6.0, 14.0);
  path.lineTo(x + 2.5, 10.5);
  path.lineTo(x, 10.5);
  path.closeSubpath();
  p.setPen(Outline());
  p.setBrush(colour);
  p.drawPath(path);
}

void Audio(QPainter &p) {
  Speaker(p, 0.5, kRadio);
  p.setBrush(Qt::NoBrush);
  p.setPen(Outline(1.2, kRadio.darker(130)));
  p.drawArc(QRectF(5.0, 4.5, 6.0, 7.0), -60 * 16, 120 * 16);
  p.drawArc(QRectF(5.0, 2.0, 10.0, 12.0), -60 * 16, 120 * 16);
}

// Surround sound: a speaker with the dots of several channels.
void SurroundAudio(QPainter &p) {
  const QColor orange(0xe8, 0x7a, 0x1c);
  Speaker(p, 0.5, orange);
  p.setPen(Qt::NoPen);
  p.setBrush(orange.darker(120));
  for (const QPointF &dot :
       {QPointF(10, 3), QPointF(14, 3), QPointF(12, 8), QPointF(10, 13), QPointF(14, 13)})
    p.drawEllipse(dot, 1.5, 1.5);
}

void Teletext(QPainter &p) {
  Panel(p, QColor(0x1a, 0x1a, 0x22), QRectF(0.5, 1.5, 15.0, 13.0));
  p.setBrush(kPaper);
  for (int y = 3; y <= 8; y += 2)
    p.drawRect(QRectF(2.0, y, 12.0 - (y % 3) * 2, 1.0));
  const std::array<QColor, 4> fastext{kRed, kRadio, kGold, QColor(0x30, 0xc8, 0xd8)};
  for (std::size_t i = 0; i < fastext.size(); ++i) {
    p.setBrush(fastext[i]);
    p.drawRect(QRectF(2.0 + 3.0 * i, 11.0, 2.5, 2.0));
  }
}

void Subtitle(QPainter &p) {
  Panel(p, kScreen, QRectF(0.5, 1.5, 15.0, 13.0));
  p.setBrush(QColor(0x10, 0x18, 0x28, 200));
  p.drawRect(QRectF(1.0, 8.5, 14.0, 5.5));
  p.setBrush(QColor(0xff, 0xf0, 0x60));
  p.drawRect(QRectF(3.0, 9.5, 10.0, 1.0));
  p.drawRect(QRectF(4.5, 11.5, 7.0, 1.0));
}

void Key(QPainter &p, const QColor &fill, const QColor &line) {
  p.setPen(Outline(1.0, line));
  p.setBrush(fill);
  p.drawEllipse(QRectF(1.0, 4.0, 7.0, 7.0));
  p.setBrush(kPaper);
  p.drawEllipse(QRectF(3.0, 6.0, 3.0, 3.0));
  p.setPen(Outline(2.0, line));
  p.drawLine(QPointF(8.0, 7.5), QPointF(14.5, 7.5));
  p.drawLine(QPointF(12.5, 7.5), QPointF(12.5, 10.5));
  p.drawLine(QPointF(14.5, 7.5), QPointF(14.5, 10.0));
}

void CaEntry(QPainter &p) { Key(p, kGold, kGoldDark); }
void CaEntryDisabled(QPainter &p) {
  Key(p, QColor(0xc8, 0xc8, 0xc8), QColor(0x80, 0x80, 0x80));
  p.setPen(Outline(1.8, kRed));
  p.drawLine(QPointF(2.0, 14.0), QPointF(14.0, 2.0));
}

void SatelliteBody(QPainter &p) {
  p.save();
  p.translate(8.0, 8.0);
  p.rotate(-35);
  p.setPen(Outline(1.0));
  p.setBrush(kScreen);
  p.drawRect(QRectF(-7.5, -2.5, 5.0, 5.0));
  p.drawRect(QRectF(2.5, -2.5, 5.0, 5.0));
  p.setPen(Outline(0.8, kScreen.lighter(160)));
  p.drawLine(QPointF(-5.0, -2.0), QPointF(-5.0, 2.0));
  p.drawLine(QPointF(5.0, -2.0), QPointF(5.0, 2.0));
  p.setPen(Outline(1.0));
  p.setBrush(QColor(0xd0, 0xd4, 0xdc));
  p.drawRect(QRectF(-2.0, -3.0, 4.0, 6.0));
  p.restore();
}

void Satellite(QPainter &p) { SatelliteBody(p); }

// The satellite the dish points at: the body with a lit lamp.
void SatelliteLoaded(QPainter &p) {
  SatelliteBody(p);
  p.setPen(Outline(1.0, kPaper));
  p.setBrush(QColor(0x2e, 0xb8, 0x3e));
  p.drawEllipse(QRectF(0.5, 9.5, 6.0, 6.0));
}

void Lamp(QPainter &p, const QColor &colour) {
  QRadialGradient glow(QPointF(6.5, 6.0), 7.0);
  glow.setColorAt(0, colour.lighter(170));
  glow.setColorAt(1, colour);
  p.setPen(Outline(1.0, colour.darker(170)));
  p.setBrush(glow);
  p.drawEllipse(QRectF(2.5, 2.5, 11.0, 11.0));
}

void KeyNotAvailable(QPainter &p) {
  p.setPen(Outline(1.0, QColor(0xa0, 0xa4, 0xaa)));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRectF(2.5, 2.5, 11.0, 11.0));
}
void KeyOff(QPainter &p) { Lamp(p, QColor(0x3a, 0x44, 0x3c)); }
void KeyOn(QPainter &p) { Lamp(p, QColor(0x2e, 0xb8, 0x3e)); }
void KeyAlt(QPainter &p) { Lamp(p, QColor(0xf0, 0xa0, 0x18)); }

void ScrambledData(QPainter &p) {
  DataService(p);
  ScrambledBadge(p);
}
void ScrambledTelevision(QPainter &p) {
  Television(p);
  ScrambledBadge(p);
}
void ScrambledRadio(QPainter &p) {
  RadioSet(p);
  ScrambledBadge(p);
}

Draw Drawing(int number) {
  switch (number) {
  case kImageGroup:
    return Folder;
  case kImageDataChannel:
    return DataService;
  case kImageTvChannel:
    return Television;
  case kImageRadioChannel:
    return RadioSet;
  case kImageDataScrambled:
    return ScrambledData;
  case kImageTvScrambled:
    return ScrambledTelevision;
  case kImageRadioScrambled:
    return ScrambledRadio;
  case kImageFavourite:
    return Favourite;
  case kImageVideoStream:
    return FilmStrip;
  case kImageAudioStream:
    return Audio;
  case kImageAc3Stream:
    return SurroundAudio;
  case kImageTeletextStream:
    return Teletext;
  case kImageSubtitleStream:
    return Subtitle;
  case kImageCaEntry:
    return CaEntry;
  case kImageCaEntryDisabled:
    return CaEntryDisabled;
  case kImageSatellite:
    return Satellite;
  case kImageSatelliteLoaded:
    return SatelliteLoaded;
  case kImageKeyNotAvailable:
    return KeyNotAvailable;
  case kImageKeyOff:
    return KeyOff;
  case kImageKeyOn:
    return KeyOn;
  case kImageKeyAlt:
    return KeyAlt;
  case kImageLocked:
    return Locked;
  case kImageFavouriteLocked:
    return FavouriteLocked;
  default:
    return nullptr;
  }
}

QPixmap Render(Draw draw, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 16.0, size / 16.0);
  draw(painter);
  return pixmap;
}

// Trees paint an image per row; each is drawn once per application.
class TImageCache final : public QObject {
public:
  using QObject::QObject;
  QHash<int, QIcon> icons;
};

} // namespace

QIcon ImageListIcon(int number) {
  const Draw draw = Drawing(number);
  if (!draw)
    return {};
  static QPointer<TImageCache> cache;
  if (!cache)
    cache = new TImageCache(QCoreApplication::instance()); // freed with the application
  auto found = cache->icons.constFind(number);
  if (found != cache->icons.constEnd())
    return *found;
  QIcon icon;
  icon.addPixmap(Render(draw, 16));
  icon.addPixmap(Render(draw, 32));
  cache->icons.insert(number, icon);
  return icon;
}

} // namespace qev::ui
