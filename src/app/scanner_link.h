#pragma once

#include "ui/ui_context.h"

#include <optional>

class QWidget;

namespace qev::app {

// Opens the scanner on a satellite of the list with the program's tuner and device module:
// refused while a recording runs, else the tuner is released and the satellite becomes the
// loaded one. When a merge was stored, the windows are told the channel lists changed.
// With a transponder, the scanner is reduced to it.
void ScanSatellite(QWidget *owner, ui::TUiContext &context, int satIndex,
                   std::optional<data::TTransponder> one = std::nullopt);

} // namespace qev::app
