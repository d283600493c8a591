#include "device/choice_countdown.h"

namespace qev::device {

void TChoiceCountdown::Start() {
  running_ = true;
  remaining_ = kSeconds;
}

bool TChoiceCountdown::Tick() {
  if (!running_)
    return false;
  if (--remaining_ > 0)
    return false;
  running_ = false;
  return true;
}

std::string TChoiceCountdown::ButtonText() const {
  return running_ ? "Select (" + std::to_string(remaining_) + ")" : "Select";
}

} // namespace qev::device
