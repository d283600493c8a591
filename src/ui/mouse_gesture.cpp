#include "ui/mouse_gesture.h"

#include <cstdlib>

namespace qev::ui {

namespace {

// The direction of a step, 0 on a diagonal.
char LetterOf(int dx, int dy) {
  if (std::abs(dy) < std::abs(dx))
    return dx > 0 ? 'R' : 'L';
  if (std::abs(dx) < std::abs(dy))
    return dy > 0 ? 'D' : 'U'; // screen coordinates grow downwards
  return 0;
}

} // namespace

void TMouseGesture::Start(int x, int y) {
  lastLetter_ = 0;
  gesture_.clear();
  active_ = true;
  lastX_ = x;
  lastY_ = y;
  Raise(kStarted);
}

void TMouseGesture::Move(int x, int y) {
  if (!active_)
    return;
  const int dx = x - lastX_, dy = y - lastY_;
  if (std::abs(dx) < kThreshold && std::abs(dy) < kThreshold)
    return;
  lastX_ = x;
  lastY_ = y;
  const char letter = LetterOf(dx, dy);
  if (letter == 0 || letter == lastLetter_)
    return;
  gesture_ += letter;
  lastLetter_ = letter;
  Raise(kLetterAdded);
}

void TMouseGesture::End() {
  if (!active_)
    return;
  active_ = false;
  if (!gesture_.empty())
    Raise(kEnded);
}

void TMouseGesture::Raise(TEvent event) {
  if (handler_)
    handler_(*this, event, gesture_, tag_);
}

} // namespace qev::ui
