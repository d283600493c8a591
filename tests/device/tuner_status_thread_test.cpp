// The status monitor's modes, pacing and shutdown, with a pacer the test steps by hand.
#include "device/tuner_status_thread.h"
#include "frame/event_loop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

using namespace qev::device;
using namespace std::chrono_literals;

namespace {

constexpr auto kDeadline = 10s;

// Each Wait blocks until the test ticks (the interval ran out) or the monitor is woken.
class TickPacer final : public IStatusPacer {
public:
  bool Wait(std::chrono::milliseconds timeout) override {
    std::unique_lock lock(mutex_);
    ++waits_;
    lastTimeout_ = timeout;
    changed_.notify_all();
    changed_.wait(lock, [this] { return ticks_ > 0 || woken_; });
    if (woken_)
      return true;
    --ticks_;
    return false;
  }
  void Wake() override {
    std::lock_guard lock(mutex_);
    woken_ = true;
    changed_.notify_all();
  }
  // Lets the monitor run one more round and waits until it waits again.
  void Tick() {
    std::unique_lock lock(mutex_);
    const int target = waits_ + 1;
    ++ticks_;
    changed_.notify_all();
    ASSERT_TRUE(changed_.wait_for(lock, kDeadline, [&] { return waits_ >= target; }));
  }
  void AwaitFirstWait() {
    std::unique_lock lock(mutex_);
    ASSERT_TRUE(changed_.wait_for(lock, kDeadline, [&] { return waits_ >= 1; }));
  }
  std::chrono::milliseconds LastTimeout() {
    std::lock_guard lock(mutex_);
    return lastTimeout_;
  }

private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int waits_ = 0;
  int ticks_ = 0;
  bool woken_ = false;
  std::chrono::milliseconds lastTimeout_{0};
};

// Stands in for the user-interface queue: tasks wait until the test runs them.
class UiQueue {
public:
  void Post(TTunerStatusThread::Task task) {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  std::size_t Pending() {
    std::lock_guard lock(mutex_);
    return tasks_.size();
  }
  void RunAll() {
    std::deque<TTunerStatusThread::Task> tasks;
    {
      std::lock_guard lock(mutex_);
      tasks.swap(tasks_);
    }
    for (auto &task : tasks)
      task();
  }

private:
  std::mutex mutex_;
  std::deque<TTunerStatusThread::Task> tasks_;
};

class Monitor : public ::testing::Test {
protected:
  void Start(int intervalMs = 300) {
    interval = intervalMs;
    monitor = std::make_unique<TTunerStatusThread>(
        [this] { ++reads; }, [this](TTunerStatusThread::Task task) { ui.Post(std::move(task)); },
        [this] { return interval; }, &pacer);
    pacer.AwaitFirstWait();
  }

  TickPacer pacer;
  UiQueue ui;
  int reads = 0;
  int interval = 300;
  std::unique_ptr<TTunerStatusThread> monitor;
};

} // namespace

TEST_F(Monitor, StartsPausedAndReadsNothing) {
  Start();
  EXPECT_EQ(monitor->GetMode(), TTunerStatusThread::kPaused);
  pacer.Tick();
  pacer.Tick();
  EXPECT_EQ(ui.Pending(), 0u);
}

TEST_F(Monitor, PollingHandsOneReadPerIntervalToTheUiThread) {
  Start();
  monitor->SetMode(TTunerStatusThread::kPolling);
  pacer.Tick();
  EXPECT_EQ(ui.Pending(), 1u);
  EXPECT_EQ(reads, 0); // never on the monitor's own thread
  ui.RunAll();
  EXPECT_EQ(reads, 1);
  pacer.Tick();
  ui.RunAll();
  EXPECT_EQ(reads, 2);
}

TEST_F(Monitor, ABusyUiThreadGetsNoBacklog) {
  Start();
  monitor->SetMode(TTunerStatusThread::kPolling);
  pacer.Tick();
  pacer.Tick();
  pacer.Tick();
  EXPECT_EQ(ui.Pending(), 1u);
  ui.RunAll();
  pacer.Tick();
  EXPECT_EQ(ui.Pending(), 1u);
}

TEST_F(Monitor, TheIntervalIsAtLeast100Ms) {
  Start(50);
  pacer.Tick();
  EXPECT_EQ(pacer.LastTimeout(), 100ms);
  interval = 300;
  pacer.Tick();
  EXPECT_EQ(pacer.LastTimeout(), 300ms);
}

TEST_F(Monitor, StoppedIsForGoodAndAQueuedReadThenDoesNothing) {
  Start();
  monitor->SetMode(TTunerStatusThread::kPolling);
  pacer.Tick();
  monitor->SetMode(TTunerStatusThread::kStopped);
  monitor->SetMode(TTunerStatusThread::kPolling);
  monitor->SetMode(TTunerStatusThread::kPaused);
  EXPECT_EQ(monitor->GetMode(), TTunerStatusThread::kStopped);
  ui.RunAll();
  EXPECT_EQ(reads, 0);
  pacer.Tick();
  EXPECT_EQ(ui.Pending(), 0u);
}

TEST_F(Monitor, APausedTuneSkipsAReadQueuedBeforeIt) {
  Start();
  monitor->SetMode(TTunerStatusThread::kPolling);
  pacer.Tick();
  monitor->SetMode(TTunerStatusThread::kPaused);
  ui.RunAll();
  EXPECT_EQ(reads, 0);
}

TEST_F(Monitor, ShutdownNeverWaitsForTheUiThread) {
  Start();
  monitor->SetMode(TTunerStatusThread::kPolling);
  pacer.Tick();
  ASSERT_EQ(ui.Pending(), 1u);
  // The user-interface thread (this one) stops the monitor without running its queue first.
  monitor->Terminate();
  monitor->Terminate();
  monitor.reset();
  ui.RunAll(); // the read outlived the monitor: it must do nothing
  EXPECT_EQ(reads, 0);
}

TEST(AutoResetEvent, WakesOneWaitThenResets) {
  TAutoResetEvent event;
  EXPECT_FALSE(event.Wait(0ms));
  event.Wake();
  EXPECT_TRUE(event.Wait(0ms));
  EXPECT_FALSE(event.Wait(0ms));
}

TEST(MonitorOnAnEventLoop, ReadsArriveThroughTheDispatcherAndStopEnds) {
  qev::frame::EventLoop loop;
  int reads = 0;
  auto monitor = std::make_unique<TTunerStatusThread>(
      [&] {
        EXPECT_TRUE(loop.IsUiThread());
        if (++reads == 2)
          loop.Quit();
      },
      [&](TTunerStatusThread::Task task) { loop.Post(std::move(task)); }, [] { return 100; });
  monitor->SetMode(TTunerStatusThread::kPolling);
  // Only a broken monitor lets this fire.
  std::jthread watchdog([&](std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    never.wait_for(lock, stop, kDeadline, [] { return false; });
    if (!stop.stop_requested())
      loop.Post([&] { loop.Quit(1); });
  });
  EXPECT_EQ(loop.Run(), 0);
  watchdog.request_stop();
  watchdog.join();
  EXPECT_EQ(reads, 2);
  monitor->SetMode(TTunerStatusThread::kStopped);
  monitor.reset();
  loop.ProcessPending();
  EXPECT_EQ(reads, 2);
}
