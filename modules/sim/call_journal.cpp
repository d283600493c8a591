#include "call_journal.h"

#include <fmt/format.h>

namespace qev::sim {

void CallJournal::Add(const std::string &line) {
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start_);
  std::string entry = fmt::format("{} {}", elapsed.count(), line);
  std::lock_guard lock(mutex_);
  if (lines_.size() < kMaxLines) {
    lines_.push_back(std::move(entry));
    return;
  }
  lines_[first_] = std::move(entry);
  first_ = (first_ + 1) % kMaxLines;
}

std::string CallJournal::Text() const {
  std::lock_guard lock(mutex_);
  std::string text;
  for (std::size_t i = 0; i < lines_.size(); ++i)
    text += lines_[(first_ + i) % lines_.size()] + '\n';
  return text;
}

void CallJournal::Clear() {
  std::lock_guard lock(mutex_);
  lines_.clear();
  first_ = 0;
}

} // namespace qev::sim
