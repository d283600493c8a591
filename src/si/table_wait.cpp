#include "si/table_wait.h"

#include "frame/ui_dispatcher.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace qev::si {
namespace {

using namespace std::chrono_literals;

// Short, so that a complete table ends the wait at once; the interface stays alive meanwhile.
constexpr auto kPollInterval = 2ms;

int SecondsLeft(std::chrono::milliseconds timeout, std::int32_t elapsedMs) {
  return static_cast<int>(std::max<std::int64_t>(0, timeout.count() - elapsedMs) / 1000);
}

} // namespace

PsiResult CollectWithWait(SectionFilterSource &filters, PsiTableRequest request,
                          const TTableWait &wait, const std::function<void()> &keepAlive) {
  const std::string name = request.name;
  const auto timeout = request.timeout;
  std::mutex parseMutex;
  TPsiScanThread collector(filters, std::move(request), parseMutex, frame::CurrentDispatcher());
  std::atomic<PsiResult> result{PsiResult::Running};
  std::atomic<bool> finished{false};
  int shown = -1;
  const auto showWait = [&] {
    if (const int left = SecondsLeft(timeout, collector.ElapsedMs()); wait && left != shown) {
      shown = left;
      wait(name, left);
    }
  };
  showWait(); // before the thread starts, so that even a table that is there at once is named
  {
    // Joined when the block ends, also when the caller's callbacks throw (stop requested).
    std::jthread thread([&](std::stop_token stop) {
      result = collector.Run(stop);
      finished = true;
    });
    do {
      if (keepAlive)
        keepAlive();
      std::this_thread::sleep_for(kPollInterval);
      showWait();
    } while (!finished);
  }
  return result;
}

} // namespace qev::si
