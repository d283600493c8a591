#pragma once

#include <string>

namespace qev::device {

// The device choice's automatic selection: counts down from 9 once a second towards the row
// chosen last time, unless the user touches the list.
class TChoiceCountdown {
public:
  static constexpr int kSeconds = 9;

  void Start();
  void Stop() { running_ = false; }
  bool Running() const { return running_; }
  // One second passed; true when the count reached 0 and the focused row is to be chosen.
  bool Tick();
  // "Select (n)" while counting, else "Select".
  std::string ButtonText() const;

private:
  bool running_ = false;
  int remaining_ = 0;
};

} // namespace qev::device
