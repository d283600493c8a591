#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

namespace qev::test {

// Runs work on a thread of its own and says whether it finished in time. Code that waited on a
// FIFO or a lock for ever would otherwise hang the whole test program; a test that gets false
// fails at once and must not touch what work uses, which it then leaves to the stuck thread.
inline bool FinishesWithin(std::function<void()> work,
                           std::chrono::seconds limit = std::chrono::seconds(20)) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  std::thread([work = std::move(work), done] {
    work();
    done->set_value();
  }).detach();
  return finished.wait_for(limit) == std::future_status::ready;
}

} // namespace qev::test
