#pragma once

#include <QIcon>

namespace qev::ui {

// The program's shared 16-pixel images, by the numbers the channel data and the windows use
// (channel kinds, stream kinds, favourites and locks, CA entries, satellites). A number without
// an image gives a null icon.
// 20: a satellite of the satellite list; 21: the satellite the tuner has loaded.
QIcon ImageListIcon(int number);

} // namespace qev::ui
