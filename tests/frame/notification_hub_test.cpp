#include "frame/notification_hub.h"
#include "support/scripted_presenter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>

using namespace qev::frame;
using ::testing::ElementsAre;

namespace {

struct Recorder {
  std::vector<std::string> calls;
  void Record(const std::string& who, std::intptr_t a, std::intptr_t b) {
    calls.push_back(who + ":" + std::to_string(a) + "," + std::to_string(b));
  }
};

struct Subscriber {
  Recorder* recorder;
  std::string name;
  void OnNotify(std::intptr_t a, std::intptr_t b) { recorder->Record(name, a, b); }
};
constexpr NotifyHandler kOnNotify = &MethodHandler<Subscriber, &Subscriber::OnNotify>;

Recorder* plainRecorder = nullptr;
void PlainHandler(void*, std::intptr_t a, std::intptr_t b) { plainRecorder->Record("plain", a, b); }

} // namespace

TEST(NotificationHub, CallsInOrderOfAddingWithTheirContextAndKeepsNoDuplicates) {
  TNotificationHub hub;
  Recorder rec;
  plainRecorder = &rec;
  Subscriber a{&rec, "a"}, b{&rec, "b"};
  hub.Add(kNotifySwitchProgress, kOnNotify, &b);
  hub.Add(kNotifySwitchProgress, &PlainHandler, nullptr);
  hub.Add(kNotifySwitchProgress, kOnNotify, &a);
  hub.Add(kNotifySwitchProgress, kOnNotify, &b); // same pair: ignored
  hub.Add(kNotifySwitchProgress, nullptr, &a);   // empty handler: ignored
  hub.Add(kNotifyTeletext, kOnNotify, &a);        // another list

  hub.Notify(kNotifySwitchProgress, 256, 1);
  EXPECT_THAT(rec.calls, ElementsAre("b:256,1", "plain:256,1", "a:256,1"));
}

TEST(NotificationHub, RefusesIndexesOutsideTheFourteenLists) {
  qev::test::ScriptedPresenter presenter;
  TNotificationHub hub;
  Recorder rec;
  Subscriber a{&rec, "a"};
  EXPECT_FALSE(hub.Add(14, kOnNotify, &a));
  EXPECT_FALSE(hub.Add(-1, kOnNotify, &a));
  EXPECT_TRUE(hub.Add(0, kOnNotify, &a));
  EXPECT_THAT(presenter.Texts(), ElementsAre("Invalid index in AddGlobalNotification(14)",
                                             "Invalid index in AddGlobalNotification(-1)"));
  EXPECT_EQ(presenter.shown[0].caption, "Error");
  hub.Notify(14, 1, 1);
  hub.Notify(-1, 1, 1);
  hub.Remove(14, kOnNotify, &a);
  EXPECT_TRUE(rec.calls.empty());
}

TEST(NotificationHub, RemovesOnlyTheMatchingPair) {
  TNotificationHub hub;
  Recorder rec;
  Subscriber a{&rec, "a"}, b{&rec, "b"};
  hub.Add(1, kOnNotify, &a);
  hub.Add(1, kOnNotify, &b);
  hub.Remove(1, kOnNotify, &b);
  hub.Remove(1, kOnNotify, &b); // no longer there: nothing happens
  hub.Remove(2, kOnNotify, &a); // another list: nothing happens
  hub.Notify(1, 0, 0);
  EXPECT_THAT(rec.calls, ElementsAre("a:0,0"));
}

namespace {
struct Thrower {
  void OnNotify(std::intptr_t, std::intptr_t) { throw std::runtime_error("handler failed"); }
};
} // namespace

TEST(NotificationHub, AFailingHandlerDoesNotStopTheNext) {
  TNotificationHub hub;
  Recorder rec;
  Thrower thrower;
  Subscriber a{&rec, "a"};
  hub.Add(13, &MethodHandler<Thrower, &Thrower::OnNotify>, &thrower);
  hub.Add(13, kOnNotify, &a);
  hub.Notify(13, 100, 0);
  EXPECT_THAT(rec.calls, ElementsAre("a:100,0"));
}

namespace {
// Removes itself and the victim from inside its own call.
struct Remover {
  TNotificationHub* hub;
  Subscriber* victim;
  int calls = 0;
  void OnNotify(std::intptr_t, std::intptr_t) {
    ++calls;
    hub->Remove(4, &MethodHandler<Remover, &Remover::OnNotify>, this);
    hub->Remove(4, kOnNotify, victim);
  }
};
} // namespace

TEST(NotificationHub, AHandlerMayRemoveItselfAndOthersWhileBeingNotified) {
  TNotificationHub hub;
  Recorder rec;
  Subscriber victim{&rec, "victim"}, keeper{&rec, "keeper"};
  Remover remover{&hub, &victim};
  hub.Add(4, &MethodHandler<Remover, &Remover::OnNotify>, &remover);
  hub.Add(4, kOnNotify, &victim);
  hub.Add(4, kOnNotify, &keeper);

  hub.Notify(4, 7, 0);
  hub.Notify(4, 8, 0);
  EXPECT_EQ(remover.calls, 1);
  // The victim was removed before its turn came: not even the first round reaches it.
  EXPECT_THAT(rec.calls, ElementsAre("keeper:7,0", "keeper:8,0"));
}

namespace {
struct Blocking {
  std::promise<void> entered;
  std::shared_future<void> release;
  std::atomic<int> calls{0};
  std::atomic<bool> returned{false};
  void OnNotify(std::intptr_t, std::intptr_t) {
    if (calls++ == 0) {
      entered.set_value();
      release.wait();
    }
    returned = true;
  }
};
} // namespace

TEST(NotificationHub, RemoveFromAnotherThreadWaitsForTheRunningCallAndEndsAllCalls) {
  TNotificationHub hub;
  Blocking blocking;
  std::promise<void> releaser;
  blocking.release = releaser.get_future().share();
  const NotifyHandler handler = &MethodHandler<Blocking, &Blocking::OnNotify>;
  hub.Add(2, handler, &blocking);

  std::thread notifier([&] { hub.Notify(2, 1, 0); });
  blocking.entered.get_future().wait();
  auto removal = std::async(std::launch::async, [&] { hub.Remove(2, handler, &blocking); });
  // Remove must not return while the handler is still running on the notifier's thread.
  EXPECT_EQ(removal.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  releaser.set_value();
  removal.get();
  EXPECT_TRUE(blocking.returned);
  notifier.join();

  hub.Notify(2, 2, 0);
  EXPECT_EQ(blocking.calls, 1);
}

namespace {
struct Counter {
  std::atomic<int> calls{0};
  void OnNotify(std::intptr_t, std::intptr_t) { ++calls; }
};
} // namespace

TEST(NotificationHub, ConcurrentNotifyAddAndRemoveStayConsistent) {
  TNotificationHub hub;
  std::vector<Counter> counters(8);
  const NotifyHandler handler = &MethodHandler<Counter, &Counter::OnNotify>;
  std::atomic<bool> stop{false};
  std::vector<std::thread> notifiers;
  for (int t = 0; t < 2; ++t)
    notifiers.emplace_back([&] {
      while (!stop)
        hub.Notify(13, 100, 0);
    });
  for (int round = 0; round < 300; ++round) {
    for (auto& c : counters)
      hub.Add(13, handler, &c);
    for (auto& c : counters)
      hub.Remove(13, handler, &c);
  }
  // Every subscriber is gone: whatever the notifiers do now reaches nobody.
  std::vector<int> after;
  for (auto& c : counters)
    after.push_back(c.calls);
  for (int i = 0; i < 100; ++i)
    hub.Notify(13, 1, 0);
  stop = true;
  for (auto& t : notifiers)
    t.join();
  for (std::size_t i = 0; i < counters.size(); ++i)
    EXPECT_EQ(counters[i].calls, after[i]);
}

TEST(NotificationHub, GlobalFunctionsUseTheProgramsHub) {
  Recorder rec;
  Subscriber a{&rec, "a"};
  AddGlobalNotification(kNotifyChildLock, kOnNotify, &a);
  NotifyGlobal(kNotifyChildLock, 0, 0);
  RemoveGlobalNotification(kNotifyChildLock, kOnNotify, &a);
  NotifyGlobal(kNotifyChildLock, 1, 1);
  EXPECT_THAT(rec.calls, ElementsAre("a:0,0"));
}
