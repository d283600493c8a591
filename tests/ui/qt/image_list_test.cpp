// The shared images: every number the windows use has one, at both densities, and each
// looks different from the others.
#include "data/channel_rec.h"
#include "data/code_tables.h"
#include "support/screenshot.h"
#include "ui/qt/image_list.h"

#include <QLabel>
#include <QPainter>
#include <gtest/gtest.h>

#include <vector>

using namespace qev;

namespace {

const std::vector<int> kUsed{
    ui::kImageGroup,          ui::kImageDataChannel,     ui::kImageTvChannel,
    ui::kImageRadioChannel,   ui::kImageDataScrambled,   ui::kImageTvScrambled,
    ui::kImageRadioScrambled, ui::kImageFavourite,       ui::kImageVideoStream,
    ui::kImageAudioStream,    ui::kImageAc3Stream,       ui::kImageTeletextStream,
    ui::kImageSubtitleStream, ui::kImageCaEntry,         ui::kImageCaEntryDisabled,
    ui::kImageSatellite,      ui::kImageSatelliteLoaded, ui::kImageKeyNotAvailable,
    ui::kImageKeyOff,         ui::kImageKeyOn,           ui::kImageKeyAlt,
    ui::kImageLocked,         ui::kImageFavouriteLocked};

int OpaquePixels(const QImage &image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      count += qAlpha(image.pixel(x, y)) > 0;
  return count;
}

} // namespace

TEST(ImageList, EveryUsedNumberHasAVisibleImageAtBothDensitiesAndNoTwoAreAlike) {
  std::vector<QImage> small;
  for (const int number : kUsed) {
    const QIcon icon = ui::ImageListIcon(number);
    ASSERT_FALSE(icon.isNull()) << number;
    const QList<QSize> sizes = icon.availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16))) << number;
    EXPECT_TRUE(sizes.contains(QSize(32, 32))) << number;
    const QImage image = icon.pixmap(16, 16).toImage();
    EXPECT_GT(OpaquePixels(image), 20) << number;
    EXPECT_LT(OpaquePixels(image), 16 * 16) << number << " fills its whole square";
    EXPECT_EQ(icon.pixmap(QSize(16, 16), 2.0).toImage().width(), 32) << number;
    for (std::size_t i = 0; i < small.size(); ++i)
      EXPECT_NE(small[i], image) << kUsed[i] << " looks like " << number;
    small.push_back(image);
  }

  // A sheet of the whole set at both densities, for a person to look at.
  QPixmap sheet(kUsed.size() * 36, 56);
  sheet.fill(Qt::white);
  QPainter painter(&sheet);
  for (std::size_t i = 0; i < kUsed.size(); ++i) {
    const QIcon icon = ui::ImageListIcon(kUsed[i]);
    painter.drawPixmap(i * 36 + 8, 4, icon.pixmap(QSize(16, 16)));
    painter.drawPixmap(i * 36 + 2, 22, icon.pixmap(QSize(32, 32)));
  }
  painter.end();
  QLabel label;
  label.setPixmap(sheet);
  label.resize(sheet.size());
  test::SaveScreenshot(label, "image_list");
}

TEST(ImageList, NumbersWithoutAnImageGiveANullIcon) {
  for (const int number : {-1, 1, 2, 10, 18, 19, 26, 75, 78, 1000})
    EXPECT_TRUE(ui::ImageListIcon(number).isNull()) << number;
}

TEST(ImageList, TheChannelAndStreamKindsOfTheDataHaveImages) {
  data::TChannelRec rec{};
  for (const std::uint8_t type : {0, 1, 2, 12, 25})
    for (const std::uint8_t encrypted : {0, 1}) {
      rec.SrvType = type;
      rec.Encrypted = encrypted;
      EXPECT_FALSE(ui::ImageListIcon(data::ChannelIcon(rec)).isNull())
          << int(type) << "/" << int(encrypted);
    }
  for (const std::uint8_t kind : {data::kKindVideo, data::kKindAudio, data::kKindAc3,
                                  data::kKindTeletext, data::kKindSubtitle})
    EXPECT_FALSE(ui::ImageListIcon(data::EsKindIcon(kind)).isNull()) << int(kind);
  EXPECT_EQ(data::EsKindIcon(data::kKindTeletext), ui::kImageTeletextStream);
  rec.SrvType = 1;
  rec.Encrypted = 1;
  EXPECT_EQ(data::ChannelIcon(rec), ui::kImageTvScrambled);
}
