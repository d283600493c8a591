#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace qev::ui {

// Turns mouse movement into a gesture: the sequence of stroke directions "U", "D", "L", "R",
// never the same letter twice in a row. The toolkit side feeds it presses, moves and releases.
class TMouseGesture {
public:
  enum TEvent : int { kStarted = 0, kLetterAdded = 1, kEnded = 2 };
  static constexpr int kThreshold = 20;

  using THandler =
      std::function<void(TMouseGesture &, TEvent, const std::string &gesture, std::uint32_t tag)>;

  explicit TMouseGesture(std::uint32_t tag = 0) : tag_(tag) {}

  void SetHandler(THandler handler) { handler_ = std::move(handler); }
  std::uint32_t Tag() const { return tag_; }
  bool Active() const { return active_; }
  // The gesture so far; it stays after the end until the next start.
  const std::string &Gesture() const { return gesture_; }

  void Start(int x, int y);
  void Move(int x, int y);
  void End();

private:
  void Raise(TEvent event);

  const std::uint32_t tag_;
  THandler handler_;
  bool active_ = false;
  int lastX_ = 0, lastY_ = 0;
  char lastLetter_ = 0;
  std::string gesture_;
};

} // namespace qev::ui
