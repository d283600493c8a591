#pragma once

#include <QIcon>

namespace qev::ui {

// The numbers of the program's shared 16-pixel images. Channel and stream kinds come from
// data::ChannelIcon and data::EsKindIcon; the rest are named here.
enum ImageNumber : int {
  kImageGroup = 0,
  kImageDataChannel = 3,
  kImageTvChannel = 4,
  kImageRadioChannel = 5,
  // A scrambled channel: its kind's number + 3.
  kImageDataScrambled = 6,
  kImageTvScrambled = 7,
  kImageRadioScrambled = 8,
  kImageFavourite = 9,
  kImageVideoStream = 11,
  kImageAudioStream = 12,
  kImageAc3Stream = 13,
  kImageTeletextStream = 14,
  kImageSubtitleStream = 15,
  kImageCaEntry = 16,
  kImageCaEntryDisabled = 17,
  // A satellite of the satellite list, and the one the tuner has loaded.
  kImageSatellite = 20,
  kImageSatelliteLoaded = 21,
  // The key indicators of the AV slots: not available, off, and the two lit images that
  // alternate while a new status blinks.
  kImageKeyNotAvailable = 22,
  kImageKeyOff = 23,
  kImageKeyOn = 24,
  kImageKeyAlt = 25,
  kImageLocked = 76,
  kImageFavouriteLocked = 77,
};

// The image of a number, with a 16 and a 32 pixel version so that it stays crisp on a screen
// of twice the density. A number without an image gives a null icon. Images are drawn once
// and kept; call on the user-interface thread only.
QIcon ImageListIcon(int number);

} // namespace qev::ui
