#include "device/diseqc_log.h"

namespace qev::device {

void TDiseqcLog::Add(std::string line) {
  std::lock_guard lock(mutex_);
  lines_.push_back(std::move(line));
  if (lines_.size() > kMaxLines)
    lines_.pop_front();
  ++version_;
}

void TDiseqcLog::Clear() {
  std::lock_guard lock(mutex_);
  lines_.clear();
  ++version_;
}

std::vector<std::string> TDiseqcLog::Lines() const {
  std::lock_guard lock(mutex_);
  return {lines_.begin(), lines_.end()};
}

std::uint64_t TDiseqcLog::Version() const {
  std::lock_guard lock(mutex_);
  return version_;
}

TDiseqcLog &DiseqcLog() {
  static TDiseqcLog log;
  return log;
}

} // namespace qev::device
