#include "frame/processor_affinity.h"

#include <charconv>
#include <filesystem>
#include <sched.h>
#include <string>

namespace qev::frame {

namespace {
bool PinToFirstProcessor(pid_t thread) {
  cpu_set_t mask;
  CPU_ZERO(&mask);
  CPU_SET(0, &mask);
  return sched_setaffinity(thread, sizeof mask, &mask) == 0;
}
} // namespace

bool RestrictToFirstProcessor() {
  std::error_code ec;
  std::filesystem::directory_iterator tasks("/proc/self/task", ec);
  if (ec)
    return PinToFirstProcessor(0);
  bool allPinned = true;
  for (const auto &entry : tasks) {
    const std::string name = entry.path().filename().string();
    pid_t thread = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), thread);
    if (error == std::errc() && end == name.data() + name.size())
      allPinned = PinToFirstProcessor(thread) && allPinned;
  }
  return allPinned;
}

} // namespace qev::frame
