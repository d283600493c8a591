// The event loop, message boxes from any thread and the guarded message pump.
#include "frame/event_loop.h"
#include "frame/message_boxes.h"
#include "frame/message_pump.h"
#include "support/scripted_presenter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <thread>

using namespace qev::frame;
using ::testing::ElementsAre;

namespace {
class WithLoop : public ::testing::Test {
protected:
  void SetUp() override { SetCurrentDispatcher(&loop); }
  void TearDown() override { SetCurrentDispatcher(nullptr); }
  EventLoop loop;
};
} // namespace

TEST_F(WithLoop, RunsPostedTasksInOrderAndSendWaitsForTheResult) {
  std::vector<int> order;
  std::thread worker([&] {
    loop.Post([&] { order.push_back(1); });
    int answer = 0;
    loop.Send([&] {
      order.push_back(2);
      answer = 42;
    });
    EXPECT_EQ(answer, 42);
    loop.Quit(7);
  });
  EXPECT_EQ(loop.Run(), 7);
  worker.join();
  EXPECT_THAT(order, ElementsAre(1, 2));
}

TEST_F(WithLoop, SendOnTheUiThreadRunsAtOnce) {
  bool ran = false;
  loop.Send([&] { ran = true; });
  EXPECT_TRUE(ran);
}

TEST_F(WithLoop, MessageBoxesCarryTheirCaptionsAndConfirmReturnsTheAnswer) {
  qev::test::ScriptedPresenter presenter;
  presenter.AnswerNext(true);
  presenter.AnswerNext(false);
  EXPECT_TRUE(Confirm("Stop?"));
  EXPECT_FALSE(Confirm("Really?"));
  ShowError("e");
  ShowInformation("i");
  ShowWarning("w");
  ASSERT_EQ(presenter.shown.size(), 5u);
  EXPECT_EQ(presenter.shown[0].caption, "Confirmation");
  EXPECT_EQ(presenter.shown[0].icon, MessageIcon::Question);
  EXPECT_EQ(presenter.shown[2].caption, "Error");
  EXPECT_EQ(presenter.shown[3].caption, "Information");
  EXPECT_EQ(presenter.shown[4].caption, "Warning");
  EXPECT_EQ(presenter.shown[4].icon, MessageIcon::Warning);
}

TEST_F(WithLoop, MessageBoxesFromAWorkerAreShownOnTheUiThread) {
  qev::test::ScriptedPresenter presenter;
  presenter.AnswerNext(true);
  auto answer = std::async(std::launch::async, [&] { return Confirm("from worker"); });
  // The question waits until the user-interface thread shows it.
  EXPECT_EQ(answer.wait_for(std::chrono::milliseconds(20)), std::future_status::timeout);
  while (answer.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
    loop.ProcessPending();
  EXPECT_TRUE(answer.get());
  EXPECT_EQ(presenter.Texts(), std::vector<std::string>{"from worker"});
}

TEST_F(WithLoop, PumpRunsPendingTasksButNotWhenAlreadyPumping) {
  int outer = 0, inner = 0;
  loop.Post([&] {
    ++outer;
    loop.Post([&] { ++inner; });
    PumpMessages(); // re-entered from inside a pump: returns at once
    EXPECT_EQ(inner, 0);
  });
  PumpMessages();
  EXPECT_EQ(outer, 1);
  EXPECT_EQ(inner, 0);
  PumpMessages();
  EXPECT_EQ(inner, 1);
}

TEST_F(WithLoop, PumpOffTheUiThreadDoesNothing) {
  int ran = 0;
  loop.Post([&] { ++ran; });
  std::thread([] { PumpMessages(); }).join();
  EXPECT_EQ(ran, 0);
}

TEST(MessageBoxes, WithoutPresenterQuestionsAreAnsweredNo) {
  SetMessagePresenter(nullptr);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(Confirm("Overwrite?"));
  ShowError("broken");
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Confirmation: Overwrite?"), std::string::npos);
  EXPECT_NE(err.find("Error: broken"), std::string::npos);
}
