#include "recording/record_pid_list.h"

#include "frame/options.h"

#include <gtest/gtest.h>

namespace qev::recording {
namespace {

data::TChannelRec Channel() {
  data::TChannelRec rec{};
  rec.VidPid = 0x100;
  rec.AudPid = 0x101;
  rec.PcrPid = 0x100;
  rec.PmtPid = 0x20;
  rec.EcmPid = 0;
  auto es = [&](std::uint8_t type, std::uint16_t pid, std::uint8_t kind) {
    rec.EsList[rec.EsCount++] = {type, pid, kind, {}, 0};
  };
  es(2, 0x100, data::kKindVideo);
  es(3, 0x101, data::kKindAudio);
  es(4, 0x102, data::kKindAudio);
  es(6, 0x103, data::kKindAc3);
  es(6, 0x104, data::kKindTeletext);
  es(6, 0x105, data::kKindSubtitle);
  return rec;
}

TEST(RecordPidList, TheAutomaticListFollowsTheOptions) {
  frame::TRecordingOptions options;
  data::TChannelRec rec = Channel();
  // Video = PCR gives no PCR entry; no ECM (0 is not the PAT); PMT by default.
  EXPECT_EQ(ChannelPidList(rec, 0, options),
            (std::vector<TRecordPid>{{0x100, 0x13}, {0x101, 0x13}, {0x20, 188}}));
  rec.PcrPid = 0x1FF;
  rec.EcmPid = 0x300;
  options.Record_PAT = true;
  options.RecordAll_AUD = true;
  options.RecordAll_TTX = true;
  EXPECT_EQ(ChannelPidList(rec, 255, options), (std::vector<TRecordPid>{{0x100, 188},
                                                                        {0x101, 188},
                                                                        {0x1FF, 188},
                                                                        {0x300, 188},
                                                                        {0x20, 188},
                                                                        {0, 188},
                                                                        {0x102, 188},
                                                                        {0x103, 188},
                                                                        {0x104, 188},
                                                                        {0x105, 188}}));
}

TEST(RecordPidList, AddingRefusesTheNullPidDuplicatesAndASeventeenth) {
  std::vector<TRecordPid> list;
  AddRecordPid(list, 0x1FFF, false, 0);
  AddRecordPid(list, 0x2001, false, 0);
  AddRecordPid(list, 0x2000, true, 1);
  EXPECT_EQ(list, (std::vector<TRecordPid>{{0x2000, 0x23}}));
  AddRecordPid(list, 0x2000, false, 1);
  for (std::uint16_t pid = 1; pid <= 20; ++pid)
    AddRecordPid(list, pid, false, 3);
  ASSERT_EQ(list.size(), kMaxRecordPids);
  EXPECT_EQ(list.back().Pid, 15);
}

TEST(RecordPidList, TheAskedListTakesTheTickedStreamsThenTheTables) {
  data::TChannelRec rec = Channel();
  rec.PcrPid = 0x1FF;
  rec.EcmPid = 0x300;
  const std::vector<bool> ticked{false, true, false, false, true, true};
  EXPECT_EQ(AskedPidList(rec, 2, ticked, true, false, true),
            (std::vector<TRecordPid>{
                {0x101, 0x33}, {0x104, 0x33}, {0x105, 188}, {0x1FF, 188}, {0x300, 188}, {0, 188}}));
}

TEST(RecordPidList, SizeLimitsAreSixtyFourBitAndClamped) {
  EXPECT_EQ(LimitBytes(5, 0, 188), 5);
  EXPECT_EQ(LimitBytes(5, 1, 188), 5 * 1024);
  EXPECT_EQ(LimitBytes(4096, 2, 188), 4096LL * 1024 * 1024);
  EXPECT_EQ(LimitBytes(10, 3, 184), 1840);
  EXPECT_EQ(LimitBytes(-3, 2, 188), 0);
  EXPECT_EQ(LimitBytes(INT64_MAX / 2, 2, 188), INT64_MAX);
}

} // namespace
} // namespace qev::recording
