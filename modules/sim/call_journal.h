#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

namespace qev::sim {

// Every call the program made, one line each: milliseconds since the module was loaded, the
// operation and its arguments ("1234 SendDiseqc E0 10 38 F0"). Bounded: the oldest lines go.
class CallJournal {
public:
  static constexpr std::size_t kMaxLines = 10000;

  void Add(const std::string &line);
  std::string Text() const; // lines ending in '\n'
  void Clear();

private:
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  std::size_t first_ = 0; // index of the oldest line once the ring is full
};

} // namespace qev::sim
