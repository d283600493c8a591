#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace qev::device {

// The lines of every DiSEqC transmission, kept whether or not a window shows them. A window
// polls Version() to learn that the lines changed.
class TDiseqcLog {
public:
  static constexpr std::size_t kMaxLines = 100;

  void Add(std::string line);
  void Clear();
  std::vector<std::string> Lines() const;
  std::uint64_t Version() const;

private:
  mutable std::mutex mutex_;
  std::deque<std::string> lines_;
  std::uint64_t version_ = 0;
};

// The program's DiSEqC log.
TDiseqcLog &DiseqcLog();

} // namespace qev::device
