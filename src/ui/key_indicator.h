#pragma once

namespace qev::ui {

enum class TIndicatorImage { NotAvailable, Off, On, Alt };

// The reception/key indicator of one AV slot, stepped by the main window's 200 ms timer. A new
// status blinks for a few ticks between the lit and the alternative image and then stays lit.
class TKeyIndicator {
public:
  static constexpr int kBlinkTicks = 8;

  void SetBlink() { counter_ = kBlinkTicks; }
  void SetOff() { counter_ = 0; }
  void SetNotAvailable() { counter_ = -1; }

  // One timer step; returns the image to show now.
  TIndicatorImage Tick();
  TIndicatorImage Image() const { return image_; }

private:
  int counter_ = -1;
  TIndicatorImage image_ = TIndicatorImage::NotAvailable;
};

} // namespace qev::ui
