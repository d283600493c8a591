#pragma once

#include "frame/window_placement.h"

class QWidget;

namespace qev::frame {

// Applies a stored placement to a top-level window, kept on the screens that exist now.
void RestorePlacement(QWidget& window, const TWindowPlacement& placement);
TWindowPlacement CurrentPlacement(const QWidget& window);

} // namespace qev::frame
