#include "ui/key_indicator.h"

namespace qev::ui {

TIndicatorImage TKeyIndicator::Tick() {
  if (counter_ < 0) {
    image_ = TIndicatorImage::NotAvailable;
  } else if (counter_ == 0) {
    image_ = TIndicatorImage::Off;
  } else if (counter_ >= 2) {
    // Even counts light the indicator, so the blinking ends on the lit image when 1 is reached.
    image_ = counter_ % 2 == 0 ? TIndicatorImage::On : TIndicatorImage::Alt;
    --counter_;
  }
  return image_;
}

} // namespace qev::ui
