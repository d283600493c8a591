// The watchdog that ends a process whose close hangs.
#include "app/close_watchdog.h"

#include <gtest/gtest.h>

#include <thread>
#include <unistd.h>

using qev::app::TCloseWatchdog;
using namespace std::chrono_literals;

namespace {

class CloseWatchdog : public ::testing::Test {
protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

} // namespace

TEST_F(CloseWatchdog, AnArmedWatchdogExitsPastTheGraceNamingWhatHangs) {
  EXPECT_EXIT(
      {
        TCloseWatchdog watchdog(
            "qevdvb", -1, [] { return std::string("stuck in Tune"); }, 50ms);
        watchdog.Arm();
        std::this_thread::sleep_for(10s);
      },
      ::testing::ExitedWithCode(TCloseWatchdog::kExitCloseHung),
      "qevdvb: the close did not finish within 1 s: stuck in Tune; exiting");
}

TEST_F(CloseWatchdog, APendingSignalArmsItEvenWhenNobodyReadsIt) {
  EXPECT_EXIT(
      {
        int fds[2];
        if (pipe(fds) != 0)
          _exit(99);
        TCloseWatchdog watchdog("qevdvb", fds[0], {}, 50ms);
        [[maybe_unused]] const auto written = write(fds[1], "x", 1);
        std::this_thread::sleep_for(10s);
      },
      ::testing::ExitedWithCode(TCloseWatchdog::kExitCloseHung),
      "the close did not finish within 1 s; exiting");
}

TEST_F(CloseWatchdog, AProcessThatEndsInTimeIsLeftAlone) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  {
    TCloseWatchdog watchdog("qevdvb", fds[0], {}, 50ms);
    std::this_thread::sleep_for(100ms); // never armed: waits however long
    watchdog.Arm();
  } // destroyed within the grace: no exit
  close(fds[0]);
  close(fds[1]);
  SUCCEED();
}
