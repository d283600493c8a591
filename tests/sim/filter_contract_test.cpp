#include "sim/test_sky.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace qev::sim::test {
namespace {

// A filter whose callback notes whether it ran after StopFilter had returned.
struct Watched {
  std::atomic<int> calls{0};
  std::atomic<bool> stopReturned{false};
  std::atomic<bool> calledAfterStop{false};
  std::atomic<std::int32_t> handle{0};
  const DeviceInterface *api = nullptr;
  int stopInsideAt = 0; // stop from inside the callback on this call; 0: never
  bool reenter = false;

  static void Take(const std::uint8_t *, std::int32_t, void *context) {
    auto &self = *static_cast<Watched *>(context);
    if (self.stopReturned)
      self.calledAfterStop = true;
    const int call = ++self.calls;
    if (self.reenter)
      self.Reenter();
    if (call == self.stopInsideAt) {
      self.api->StopFilter(self.handle);
      self.stopReturned = true;
    }
  }
  // What a consumer may do from inside its callback: every entry of the module.
  void Reenter() const {
    SignalStatus status{};
    api->GetSignalStatus(&status);
    const std::int32_t other =
        api->StartFilter(0x0000, &Take, QEV_DELIVER_PACKETS, nullptr, nullptr, 1, nullptr);
    api->StopFilter(other);
    api->SetChannelPids(0, kAudioPid, kVideoPid, kVideoPid, 7);
  }
};

class FilterContractTest : public SimDeviceTest {
protected:
  void SetUp() override {
    SimDeviceTest::SetUp();
    Send({0xE0, 0x10, 0x38, 0xF0});
    TuneAndLock(Request(10788000, 'V', 27500000));
  }
  std::int32_t Start(Watched &watched, std::uint8_t flags = 1) {
    watched.api = &Api();
    watched.handle = Api().StartFilter(QEV_PID_ALL, &Watched::Take, QEV_DELIVER_PACKETS, nullptr,
                                       nullptr, flags, &watched);
    EXPECT_GE(watched.handle, 1);
    return watched.handle;
  }
  // Lets data flow on: the witness filter gets `more` further calls.
  void LetDataFlow(Watched &witness, int more) {
    const int target = witness.calls + more;
    ASSERT_TRUE(WaitFor([&] { return witness.calls >= target; }));
  }
};

TEST_F(FilterContractTest, NoCallbackAfterStopFilterFromAnotherThread) {
  for (std::uint8_t flags : {0, 1}) {
    Watched witness;
    Watched stopped;
    Start(witness);
    Start(stopped, flags);
    ASSERT_TRUE(WaitFor([&] { return stopped.calls >= 3; }));
    std::thread([&] {
      EXPECT_EQ(Api().StopFilter(stopped.handle), 0);
      stopped.stopReturned = true;
    }).join();
    LetDataFlow(witness, 10);
    EXPECT_FALSE(stopped.calledAfterStop) << "flags " << int(flags);
    Api().StopFilter(witness.handle);
  }
}

TEST_F(FilterContractTest, AFilterMayStopItselfInsideItsCallback) {
  Watched witness;
  Watched self;
  self.stopInsideAt = 3;
  Start(witness);
  Start(self);
  ASSERT_TRUE(WaitFor([&] { return self.stopReturned.load(); }));
  LetDataFlow(witness, 10);
  EXPECT_EQ(self.calls, 3);
  EXPECT_FALSE(self.calledAfterStop);
  EXPECT_EQ(Api().StopFilter(self.handle), -1); // already gone
  Api().StopFilter(witness.handle);
}

TEST_F(FilterContractTest, CallbacksMayCallBackIntoTheModule) {
  Watched reentrant;
  reentrant.reenter = true;
  Start(reentrant);
  ASSERT_TRUE(WaitFor([&] { return reentrant.calls >= 20; }));
  Api().StopFilter(reentrant.handle);
}

TEST_F(FilterContractTest, RetuningFromInsideACallbackDoesNotStall) {
  struct Retuner {
    const DeviceInterface *api;
    std::atomic<int> calls{0};
    static void Take(const std::uint8_t *, std::int32_t, void *context) {
      auto &self = *static_cast<Retuner *>(context);
      const TuneRequest request = Request(10788000, 'V', 27500000);
      if (++self.calls <= 3)
        self.api->Tune(&request);
    }
  } retuner{&Api()};
  const std::int32_t handle = Api().StartFilter(QEV_PID_ALL, &Retuner::Take, QEV_DELIVER_PACKETS,
                                                nullptr, nullptr, 1, &retuner);
  ASSERT_TRUE(WaitFor([&] { return retuner.calls >= 10; }));
  Api().StopFilter(handle);
}

TEST_F(FilterContractTest, RefusedFiltersFailThenTheNextOneWorks) {
  Module().RefuseFilters(2);
  Watched watched;
  watched.api = &Api();
  auto start = [&] {
    return Api().StartFilter(0x0012, &Watched::Take, QEV_DELIVER_PAYLOADS, nullptr, nullptr, 1,
                             &watched);
  };
  EXPECT_LE(start(), 0);
  EXPECT_LE(start(), 0);
  const std::int32_t handle = start();
  EXPECT_GE(handle, 1);
  EXPECT_LE(handle, QEV_FILTER_HANDLE_MAX);
  Api().StopFilter(handle);
}

TEST_F(FilterContractTest, HandlesStayInRangeAndAreNotReusedAtOnce) {
  Watched watched;
  watched.api = &Api();
  std::int32_t previous = 0;
  for (int i = 0; i < 200; ++i) {
    const std::int32_t handle = Api().StartFilter(0x1FFE, &Watched::Take, QEV_DELIVER_PACKETS,
                                                  nullptr, nullptr, 1, &watched);
    ASSERT_GE(handle, 1);
    ASSERT_LE(handle, QEV_FILTER_HANDLE_MAX);
    EXPECT_NE(handle, previous);
    Api().StopFilter(handle);
    previous = handle;
  }
}

TEST_F(FilterContractTest, ClosingStopsEveryFilter) {
  Watched watched;
  Start(watched);
  ASSERT_TRUE(WaitFor([&] { return watched.calls > 0; }));
  Api().CloseDevice();
  watched.stopReturned = true;
  EXPECT_EQ(Api().StopFilter(watched.handle), -1);
  EXPECT_FALSE(watched.calledAfterStop);
  EXPECT_LE(Api().StartFilter(QEV_PID_ALL, &Watched::Take, QEV_DELIVER_PACKETS, nullptr, nullptr, 1,
                              &watched),
            0);
}

} // namespace
} // namespace qev::sim::test
