#include "recording/sch_scheduler.h"

#include "support/scripted_presenter.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace qev::recording {
namespace {

namespace fs = std::filesystem;

class NoManager final : public ISchManager {
public:
  bool Reload() override { return false; }
  void Enable(const std::string &, bool) override {}
};

// The job dialog as a script: each call changes the job and answers.
class ScriptedEditor final : public ISchJobEditor {
public:
  std::function<bool(TSchJob &)> next = [](TSchJob &) { return true; };
  std::vector<std::string> titles;
  bool EditJob(TSchJob &job, const std::string &title) override {
    titles.push_back(title);
    return next(job);
  }
};

struct Counter {
  static void Count(void *context, std::intptr_t first, std::intptr_t) {
    static_cast<Counter *>(context)->counts.push_back(static_cast<int>(first));
  }
  std::vector<int> counts;
};

class SchedulerTest : public ::testing::Test {
protected:
  std::unique_ptr<TScheduler> Make(const fs::path &folder) {
    auto scheduler = std::make_unique<TScheduler>(
        std::make_unique<TSchStore>(folder, TSchLaunch{"/usr/bin/qevdvb", "/r"}, manager, false),
        hub);
    hub.Add(frame::kNotifyScheduledJobs, &Counter::Count, &counter);
    scheduler->SchStartup();
    return scheduler;
  }
  test::TTempDir dir{"qev_scheduler_"};
  test::ScriptedPresenter presenter;
  NoManager manager;
  frame::TNotificationHub hub;
  Counter counter;
  ScriptedEditor editor;
  data::TChannelRec channel = [] {
    data::TChannelRec rec{};
    rec.SatIndex = 1;
    rec.TID = 1;
    rec.SID = 2;
    data::SetChName(rec, "QEV One");
    return rec;
  }();
  const std::int64_t start = JoinLocal(2027, 1, 1, 20, 15);
};

TEST_F(SchedulerTest, AddsEditsAndDeletesJobsAnnouncingTheCount) {
  auto scheduler = Make(dir / "units");
  ASSERT_TRUE(scheduler->Initialized());
  EXPECT_EQ(counter.counts, std::vector<int>{0});

  EXPECT_TRUE(scheduler->SchAddJob({&channel, 30, "Film", 1, start}, editor));
  editor.next = [](TSchJob &) { return false; };
  EXPECT_FALSE(scheduler->SchAddJob({&channel, 30, "Film", 1, start + 60}, editor));
  EXPECT_EQ(editor.titles, (std::vector<std::string>{kSchTitleAdd, kSchTitleAdd}));
  ASSERT_EQ(scheduler->Count(), 1);
  EXPECT_EQ(scheduler->Job(0).Name, "QEVDVB-Rec [QEV One] [01012027 2015]");
  EXPECT_EQ(scheduler->Job(0).Comment, "Film");
  EXPECT_EQ(counter.counts.back(), 1);

  editor.next = [](TSchJob &job) {
    job.Command.Action = frame::TCommandRecord::kActionView;
    return true;
  };
  EXPECT_TRUE(scheduler->SchEditJob(0, editor));
  EXPECT_EQ(editor.titles.back(), kSchTitleEdit);
  ASSERT_EQ(scheduler->Count(), 1);
  EXPECT_EQ(scheduler->Job(0).Name, "QEVDVB-View [QEV One] [01012027 2015]");

  EXPECT_TRUE(scheduler->SchDeleteJob(0));
  EXPECT_EQ(scheduler->Count(), 0);
  EXPECT_EQ(counter.counts.back(), 0);
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(SchedulerTest, AnEditOntoAnotherJobsNameShowsTheRenameErrorAndKeepsTheOldName) {
  auto scheduler = Make(dir / "units");
  ASSERT_TRUE(scheduler->SchAddJob({&channel, 30, "", 1, start}, editor));
  ASSERT_TRUE(scheduler->SchAddJob({&channel, 30, "", 1, start + 600}, editor));
  editor.next = [this](TSchJob &job) {
    job.Start = start + 600;
    return true;
  };
  EXPECT_FALSE(scheduler->SchEditJob(0, editor));
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].caption, kSchErrorCaption);
  EXPECT_TRUE(presenter.shown[0].text.starts_with("Cannot rename file\r\r"));
  EXPECT_EQ(scheduler->Job(0).Name, "QEVDVB-Rec [QEV One] [01012027 2015]");
  EXPECT_EQ(scheduler->Count(), 2);
}

TEST_F(SchedulerTest, AFolderThatCannotBeUsedLeavesTheSchedulerUninitialised) {
  std::ofstream(dir / "file") << "x";
  auto scheduler = Make(dir / "file" / "systemd" / "user");
  EXPECT_FALSE(scheduler->Initialized());
  EXPECT_EQ(counter.counts, std::vector<int>{0});
  EXPECT_FALSE(scheduler->SchAddJob({&channel, 30, "", 1, start}, editor));
  EXPECT_TRUE(editor.titles.empty());
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].caption, "Scheduler");
  EXPECT_EQ(presenter.shown[0].text, "TaskScheduler is NOT initialized...");
}

} // namespace
} // namespace qev::recording
