#include "recording/sch_job.h"
#include "recording/sch_scheduler.h"

#include <gtest/gtest.h>

namespace qev::recording {
namespace {

TSchJob RecordJob(const std::string &channel) {
  TSchJob job;
  job.Start = JoinLocal(2027, 1, 1, 20, 15);
  job.Command.Action = frame::TCommandRecord::kActionRecord;
  job.Command.SatId = 1;
  job.Command.Tid = 0x0A;
  job.Command.Sid = 28006;
  job.Command.Duration = 30;
  job.Command.ChannelName = channel;
  return job;
}

TEST(SchJobName, NamesActionChannelAndStart) {
  EXPECT_EQ(SchJobName(RecordJob("QEV One")), "QEVDVB-Rec [QEV One] [01012027 2015]");
  TSchJob view = RecordJob("QEV One");
  view.Command.Action = frame::TCommandRecord::kActionView;
  EXPECT_EQ(SchJobName(view), "QEVDVB-View [QEV One] [01012027 2015]");
  view.Command.Action = frame::TCommandRecord::kActionExit;
  EXPECT_EQ(SchJobName(view), "QEVDVB-[QEV One] [01012027 2015]");
}

TEST(SchJobName, DropsCharactersThatBreakTheNameAndReadsTheCleanedChannelBack) {
  const TSchJob job = RecordJob(" [Das] Erste. HD / AT|CH:<1>*\\\"?\n ");
  const std::string name = SchJobName(job);
  EXPECT_EQ(name, "QEVDVB-Rec [Das Erste HD  ATCH1] [01012027 2015]");
  EXPECT_EQ(ChannelOfJobName(name), "Das Erste HD  ATCH1");
  EXPECT_EQ(name.find('/'), std::string::npos);
  EXPECT_EQ(ChannelOfJobName("QEVDVB-no brackets"), "");
  EXPECT_EQ(ChannelOfJobName("QEVDVB-[open"), "open");
}

TEST(SchJobCommand, WritesTheCommandWithoutTheChannelNameAndReadsItBack) {
  TSchJob job = RecordJob("QEV One");
  job.Command.AtEnd = frame::kAtEndSuspend;
  job.Command.WindowState = frame::kStartWindowMinimised;
  const std::string text = JobCommandText(job);
  EXPECT_EQ(text, "/REC /SAT 1 /TID 10 /SID 28006 /DUR 30 /ATEND SUSPEND /MIN");
  const frame::TCommandRecord back = ReadJobCommand(text, SchJobName(job));
  EXPECT_EQ(back.Action, job.Command.Action);
  EXPECT_EQ(back.SatId, 1);
  EXPECT_EQ(back.Tid, 10);
  EXPECT_EQ(back.Sid, 28006);
  EXPECT_EQ(back.Duration, 30);
  EXPECT_EQ(back.AtEnd, frame::kAtEndSuspend);
  EXPECT_EQ(back.WindowState, frame::kStartWindowMinimised);
  EXPECT_EQ(back.ChannelName, "QEV One");
}

TEST(SchNewJob, StartsFromTheRequestWithAtLeastOneMinuteAndWake) {
  data::TChannelRec channel{};
  channel.SatIndex = 2;
  channel.TID = 1;
  channel.SID = 2;
  data::SetChName(channel, "QEV Two");
  const std::int64_t now = JoinLocal(2026, 12, 10, 5, 30, 42);
  TSchJob job = PrepareNewJob({&channel, 0, "", 1, 0}, now);
  EXPECT_EQ(job.Start, JoinLocal(2026, 12, 10, 5, 30)); // whole minutes
  EXPECT_EQ(job.Command.Duration, 1);
  EXPECT_TRUE(job.Wake);
  EXPECT_EQ(job.TriggerKind, kTriggerOnce);
  EXPECT_EQ(job.Command.SatId, 2);
  EXPECT_EQ(job.Command.ChannelName, "QEV Two");
  job = PrepareNewJob({&channel, 90, "Film", 0, JoinLocal(2027, 3, 1, 21, 0)}, now);
  EXPECT_EQ(job.Command.Duration, 90);
  EXPECT_EQ(job.Comment, "Film");
  EXPECT_EQ(job.Command.Action, frame::TCommandRecord::kActionView);
  EXPECT_EQ(job.Start, JoinLocal(2027, 3, 1, 21, 0));
}

} // namespace
} // namespace qev::recording
