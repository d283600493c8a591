#include "recording/sch_scheduler.h"
#include "recording/sch_store.h"

#include "frame/file_reader.h"
#include "support/scripted_presenter.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace qev::recording {
namespace {

namespace fs = std::filesystem;

// Remembers what the store asked of the service manager.
class FakeManager final : public ISchManager {
public:
  explicit FakeManager(bool answers) : answers_(answers) {}
  bool Reload() override {
    ++reloads;
    return answers_;
  }
  void Enable(const std::string &timer, bool enable) override {
    calls.push_back((enable ? "enable " : "disable ") + timer);
  }
  int reloads = 0;
  std::vector<std::string> calls;

private:
  bool answers_;
};

std::string FileText(const fs::path &path) { return frame::ReadFileContent(path).Text; }

TSchJob Job(const std::string &channel, std::int64_t start) {
  TSchJob job;
  job.Start = start;
  job.Wake = true;
  job.Comment = "Evening film";
  job.Command.Action = frame::TCommandRecord::kActionRecord;
  job.Command.SatId = 1;
  job.Command.Tid = 1;
  job.Command.Sid = 0x1234;
  job.Command.Duration = 30;
  job.Command.ChannelName = channel;
  return job;
}

class SchStoreTest : public ::testing::Test {
protected:
  test::TTempDir dir{"qev_sch_"};
  fs::path folder = dir / "config/systemd/user";
  FakeManager manager{true};
  TSchStore store{folder, {"/opt/qev dvb/qevdvb", "/home/u/100% root"}, manager, false};
  const std::int64_t start = JoinLocal(2027, 1, 1, 20, 15);
};

TEST_F(SchStoreTest, WritesATimerAndServicePairNamedByIdAndReadsTheJobBack) {
  TSchJob job = Job("QEV/One", start);
  job.Comment = "  Film: \"100%\" $5 \\ end  ";
  ASSERT_EQ(store.Add(job), "");
  EXPECT_TRUE(job.Id.starts_with(kSchUnitPrefix));
  EXPECT_EQ(job.Name, "QEVDVB-Rec [QEVOne] [01012027 2015]");
  const std::string timer = FileText(store.TimerFile(job.Id));
  const std::string service = FileText(store.ServiceFile(job.Id));
  EXPECT_NE(timer.find("OnCalendar=2027-01-01 20:15:00\n"), std::string::npos) << timer;
  EXPECT_NE(timer.find("X-Qev-Name=QEVDVB-Rec [QEVOne] [01012027 2015]\n"), std::string::npos);
  EXPECT_NE(timer.find("X-Qev-Comment=\\x20 Film: \"100%\" $5 \\\\ end \\x20\n"), std::string::npos)
      << timer;
  EXPECT_NE(timer.find("Unit=" + job.Id + ".service\n"), std::string::npos);
  EXPECT_NE(timer.find("WantedBy=timers.target"), std::string::npos);
  EXPECT_NE(service.find("ExecStart=\"/opt/qev dvb/qevdvb\" \"--root\" \"/home/u/100%% root\" "
                         "\"/REC /SAT 1 /TID 1 /SID 4660 /DUR 30\"\n"),
            std::string::npos)
      << service;
  EXPECT_EQ(manager.calls, std::vector<std::string>{"enable " + job.Id + ".timer"});

  const TSchListing listing = store.List(JoinLocal(2026, 12, 10, 0, 0));
  EXPECT_TRUE(listing.Errors.empty());
  ASSERT_EQ(listing.Jobs.size(), 1u);
  const TSchJob &back = listing.Jobs[0];
  EXPECT_EQ(back.Id, job.Id);
  EXPECT_EQ(back.Name, job.Name);
  EXPECT_EQ(back.Comment, "Film: \"100%\" $5 \\ end"); // trimmed
  EXPECT_EQ(back.Start, start);
  EXPECT_EQ(back.NextRun, start);
  EXPECT_EQ(back.TriggerKind, kTriggerOnce);
  EXPECT_TRUE(back.Wake);
  frame::TCommandRecord expected = job.Command;
  expected.ChannelName = "QEVOne";
  EXPECT_EQ(back.Command, expected);
}

TEST_F(SchStoreTest, KeepsTheWakeFlagButWritesWakeSystemOnlyForRoot) {
  TSchJob job = Job("QEV One", start);
  ASSERT_EQ(store.Add(job), "");
  EXPECT_EQ(FileText(store.TimerFile(job.Id)).find("WakeSystem"), std::string::npos);
  EXPECT_TRUE(store.List(0).Jobs.at(0).Wake);
  TSchStore asRoot{folder, {"/usr/bin/qevdvb", "/r"}, manager, true};
  TSchJob other = Job("QEV Two", start);
  ASSERT_EQ(asRoot.Add(other), "");
  EXPECT_NE(FileText(asRoot.TimerFile(other.Id)).find("WakeSystem=true\n"), std::string::npos);
}

TEST_F(SchStoreTest, AWeeklyJobWithoutADayIsWrittenButLeftDisabled) {
  TSchJob job = Job("QEV One", start);
  job.TriggerKind = kTriggerWeekly;
  ASSERT_EQ(store.Add(job), "");
  const std::string timer = FileText(store.TimerFile(job.Id));
  EXPECT_EQ(timer.find("OnCalendar"), std::string::npos) << timer;
  EXPECT_EQ(manager.calls, std::vector<std::string>{"disable " + job.Id + ".timer"});
  const TSchJob back = store.List(0).Jobs.at(0);
  EXPECT_EQ(back.TriggerKind, kTriggerWeekly);
  EXPECT_EQ(back.Days, 0);
  EXPECT_EQ(back.NextRun, 0);

  job.Days = kMonday | kFriday;
  ASSERT_EQ(store.Replace(job), "");
  EXPECT_NE(FileText(store.TimerFile(job.Id)).find("OnCalendar=Mon,Fri *-*-* 20:15:00\n"),
            std::string::npos);
  EXPECT_EQ(manager.calls.back(), "enable " + job.Id + ".timer");
}

TEST_F(SchStoreTest, AnEditRenamesUnlessAnotherJobHasTheNewNameThenNothingIsWritten) {
  TSchJob first = Job("QEV One", start);
  TSchJob second = Job("QEV One", start + 3600);
  ASSERT_EQ(store.Add(first), "");
  ASSERT_EQ(store.Add(second), "");
  EXPECT_EQ(store.Add(second),
            "A job named \"QEVDVB-Rec [QEV One] [01012027 2115]\" exists already");

  TSchJob moved = second;
  moved.Start = start + 7200;
  ASSERT_EQ(store.Replace(moved), "");
  EXPECT_EQ(moved.Name, "QEVDVB-Rec [QEV One] [01012027 2215]");
  EXPECT_EQ(moved.Id, second.Id);

  const std::string timerBefore = FileText(store.TimerFile(moved.Id));
  const std::string serviceBefore = FileText(store.ServiceFile(moved.Id));
  TSchJob clash = moved;
  clash.Start = start;
  clash.Command.Duration = 99;
  EXPECT_EQ(store.Replace(clash), kSchRenameFailed + store.TimerFile(moved.Id).string());
  EXPECT_EQ(clash.Name, moved.Name);
  EXPECT_EQ(FileText(store.TimerFile(moved.Id)), timerBefore);
  EXPECT_EQ(FileText(store.ServiceFile(moved.Id)), serviceBefore);
  EXPECT_EQ(store.List(0).Jobs.size(), 2u);
}

TEST_F(SchStoreTest, RemovesBothUnitsAfterStoppingTheTimer) {
  TSchJob job = Job("QEV One", start);
  ASSERT_EQ(store.Add(job), "");
  manager.calls.clear();
  ASSERT_EQ(store.Remove(job), "");
  EXPECT_FALSE(fs::exists(store.TimerFile(job.Id)));
  EXPECT_FALSE(fs::exists(store.ServiceFile(job.Id)));
  EXPECT_EQ(manager.calls, std::vector<std::string>{"disable " + job.Id + ".timer"});
  EXPECT_TRUE(store.List(0).Jobs.empty());
}

TEST_F(SchStoreTest, WithoutAServiceManagerTheUnitsAreStillWrittenAndListed) {
  FakeManager none{false};
  TSchStore offline{folder, {"/usr/bin/qevdvb", "/r"}, none, false};
  TSchJob job = Job("QEV One", start);
  ASSERT_EQ(offline.Add(job), "");
  EXPECT_TRUE(none.calls.empty());
  EXPECT_EQ(offline.List(0).Jobs.size(), 1u);
  ASSERT_EQ(offline.Remove(job), "");
  EXPECT_TRUE(offline.List(0).Jobs.empty());
}

TEST_F(SchStoreTest, UnitsThatAreNotOursAreSkippedAndUnreadableOnesReported) {
  TSchJob job = Job("QEV One", start);
  ASSERT_EQ(store.Add(job), "");
  // Another program's unit under our prefix, and a timer with another name.
  std::ofstream(folder / "qevdvb-job-other.timer")
      << "[Unit]\nX-Qev-Name=QEVDVB-Rec [x] [01012027 2015]\nX-Qev-Start=2027-01-01T20:15\n";
  std::ofstream(folder / "qevdvb-job-other.service") << "[Service]\nExecStart=/usr/bin/vlc x\n";
  std::ofstream(folder / "qevdvb-job-foreign.timer") << "[Unit]\nX-Qev-Name=Backup\n";
  std::ofstream(folder / "unrelated.timer") << "[Timer]\nOnCalendar=daily\n";
  // A folder where a timer should be, and a timer whose service is missing.
  fs::create_directory(folder / "qevdvb-job-folder.timer");
  std::ofstream(folder / "qevdvb-job-lonely.timer")
      << "[Unit]\nX-Qev-Name=QEVDVB-Rec [y] [01012027 2015]\n";

  const TSchListing listing = store.List(0);
  ASSERT_EQ(listing.Jobs.size(), 1u);
  EXPECT_EQ(listing.Jobs[0].Id, job.Id);
  ASSERT_EQ(listing.Errors.size(), 2u);
  const std::string errors = listing.Errors[0] + "\n" + listing.Errors[1];
  EXPECT_NE(errors.find("qevdvb-job-folder.timer"), std::string::npos) << errors;
  EXPECT_NE(errors.find("qevdvb-job-lonely.service is missing"), std::string::npos) << errors;
  EXPECT_TRUE(fs::is_directory(folder / "qevdvb-job-folder.timer"));
}

TEST_F(SchStoreTest, AnUnreadableTimerIsNeverWrittenOver) {
  TSchJob job = Job("QEV One", start);
  ASSERT_EQ(store.Add(job), "");
  fs::remove(store.TimerFile(job.Id));
  fs::create_directory(store.TimerFile(job.Id));
  EXPECT_FALSE(store.List(0).Errors.empty());
  job.Command.Duration = 5;
  EXPECT_NE(store.Replace(job), "");
  EXPECT_TRUE(fs::is_directory(store.TimerFile(job.Id)));
}

TEST(SchUserUnitFolder, FollowsXdgConfigHome) {
  test::TTempDir dir{"qev_sch_xdg_"};
  const char *saved = std::getenv("XDG_CONFIG_HOME");
  const std::string keep = saved ? saved : "";
  ::setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
  EXPECT_EQ(UserUnitFolder(), dir.Path() / "systemd/user");
  ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
  EXPECT_TRUE(UserUnitFolder().string().ends_with(".config/systemd/user"));
  if (saved)
    ::setenv("XDG_CONFIG_HOME", keep.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST(SchManager, AsksTheManagerOnlyWhenOneAnswers) {
  const char *saved = std::getenv("QEV_SYSTEMCTL");
  const std::string keep = saved ? saved : "";
  ::setenv("QEV_SYSTEMCTL", "false", 1);
  EXPECT_FALSE(MakeSystemctlManager()->Reload());
  ::setenv("QEV_SYSTEMCTL", "true", 1);
  EXPECT_TRUE(MakeSystemctlManager()->Reload());
  ::setenv("QEV_SYSTEMCTL", "", 1);
  EXPECT_FALSE(MakeSystemctlManager()->Reload());
  if (saved)
    ::setenv("QEV_SYSTEMCTL", keep.c_str(), 1);
  else
    ::unsetenv("QEV_SYSTEMCTL");
}

} // namespace
} // namespace qev::recording
