#include "si/psi_collect_queue.h"
#include "si/psi_scan_thread.h"
#include "si/section_collector.h"

#include "frame/ui_dispatcher.h"
#include "si/psi_test_sections.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>

namespace qev::si {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::FakeFilterSource;
using test::MakeSection;

constexpr std::uint8_t kSdt = 0x42;
constexpr std::uint16_t kPid = 0x11;
const SectionTableFilter kSdtFilter{kSdt, 0, 0};

// Records the tasks posted for the user-interface thread without running them.
class RecordingDispatcher final : public frame::UiDispatcher {
public:
  void Post(Task) override { ++posted; }
  void Send(Task) override { ++posted; }
  bool IsUiThread() const override { return false; }
  void ProcessPending() override {}
  std::atomic<int> posted{0};
};

std::vector<Bytes> Table(std::uint8_t version, std::uint8_t count) {
  std::vector<Bytes> sections;
  for (std::uint8_t n = 0; n < count; ++n)
    sections.push_back(MakeSection(kSdt, 1, version, n, count - 1, {n, version}));
  return sections;
}

PsiTableRequest Request(std::uint16_t pid, std::chrono::milliseconds timeout,
                        PsiTableRequest::Parser parse = {}) {
  return PsiTableRequest{"SDT", pid, kSdtFilter, timeout, 1, std::move(parse)};
}

TEST(SectionCollector, CompletesOnEverySectionNumberDespiteDuplicatesAndDamage) {
  SectionCollector collector(kSdtFilter);
  const auto table = Table(3, 3);
  Bytes corrupt = table[2];
  corrupt[9] ^= 0x40;
  Bytes truncated = table[2];
  truncated.pop_back();

  collector.Accept(table[0]);
  collector.Accept(table[0]);
  collector.Accept(corrupt);
  collector.Accept(truncated);
  collector.Accept(MakeSection(0x46, 1, 3, 2, 2)); // another table id
  collector.Accept(table[1]);
  EXPECT_FALSE(collector.Complete());
  collector.Accept(table[2]);
  ASSERT_TRUE(collector.Complete());
  EXPECT_EQ(collector.TakeSections(), table);
  EXPECT_TRUE(collector.Empty());
}

TEST(SectionCollector, RejectsInconsistentHeadersAndForeignExtensions) {
  SectionCollector collector({kSdt, 0x0100, 0xFF00});
  collector.Accept(MakeSection(kSdt, 0x0201, 0, 0, 0)); // extension masked out
  collector.Accept(MakeSection(kSdt, 0x0101, 0, 2, 1)); // number beyond last
  Bytes next = MakeSection(kSdt, 0x0101, 0, 0, 0);
  next[5] &= 0xFE; // not yet applicable
  collector.Accept(next);
  Bytes longer = MakeSection(kSdt, 0x0101, 0, 0, 0);
  longer[2] += 4; // claims more than was delivered
  collector.Accept(longer);
  EXPECT_TRUE(collector.Empty());
  collector.Accept(MakeSection(kSdt, 0x01FF, 0, 0, 0));
  EXPECT_TRUE(collector.Complete());
}

TEST(SectionCollector, VersionChangeMidTableStartsOver) {
  SectionCollector collector(kSdtFilter);
  const auto oldTable = Table(1, 2);
  const auto newTable = Table(2, 2);
  collector.Accept(oldTable[0]);
  collector.Accept(newTable[1]);
  EXPECT_FALSE(collector.Complete());
  collector.Accept(oldTable[1]); // the old version again: starts over once more
  collector.Accept(newTable[1]);
  collector.Accept(newTable[0]);
  ASSERT_TRUE(collector.Complete());
  EXPECT_EQ(collector.TakeSections(), newTable);
}

TEST(PsiScanThread, ParsesACompleteTableInOrderOnceItsLastSectionArrives) {
  FakeFilterSource source;
  auto table = Table(0, 3);
  source.Script(kPid, {table[2], table[0], table[2], table[1]});
  std::mutex parseMutex;
  std::vector<Bytes> parsed;
  TPsiScanThread thread(
      source,
      Request(kPid, 60s,
              [&](std::span<const std::uint8_t> s) { parsed.emplace_back(s.begin(), s.end()); }),
      parseMutex, nullptr);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(thread.Run({}), PsiResult::Complete);
  // Woken by the last section, not by the time-out.
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
  EXPECT_EQ(parsed, table);
  EXPECT_EQ(thread.Result(), PsiResult::Complete);
}

TEST(PsiScanThread, RefusedFilterAndIncompleteTableParseNothing) {
  FakeFilterSource source;
  source.Refuse(kPid);
  source.Script(kPid + 1, {Table(0, 2)[0]});
  std::mutex parseMutex;
  int parses = 0;
  const auto count = [&](std::span<const std::uint8_t>) { ++parses; };
  TPsiScanThread refused(source, Request(kPid, 1s, count), parseMutex, nullptr);
  EXPECT_EQ(refused.Run({}), PsiResult::FilterFailed);
  TPsiScanThread partial(source, Request(kPid + 1, 50ms, count), parseMutex, nullptr);
  EXPECT_EQ(partial.Run({}), PsiResult::TimeOut);
  EXPECT_EQ(parses, 0);
  EXPECT_GE(partial.ElapsedMs(), 50);
  EXPECT_STREQ(PsiResultLabel(PsiResult::FilterFailed), "-Filter Err");
}

TEST(PsiScanThread, RetryAfterIncompleteAttemptParsesEachSectionOnce) {
  FakeFilterSource source;
  const auto table = Table(0, 2);
  source.Script(kPid, {table[0]});
  source.Script(kPid, {table[1], table[0]});
  std::mutex parseMutex;
  std::vector<Bytes> parsed;
  auto request = Request(kPid, 100ms, [&](std::span<const std::uint8_t> s) {
    parsed.emplace_back(s.begin(), s.end());
  });
  request.attempts = 2;
  TPsiScanThread thread(source, std::move(request), parseMutex, nullptr);
  EXPECT_EQ(thread.Run({}), PsiResult::Complete);
  EXPECT_EQ(source.Opened(kPid), 2);
  EXPECT_EQ(parsed, table);
}

TEST(PsiScanThread, ParserErrorsReachTheUserInterfaceThreadOncePerTable) {
  FakeFilterSource source;
  source.Script(kPid, Table(0, 3));
  std::mutex parseMutex;
  RecordingDispatcher dispatcher;
  int parses = 0;
  TPsiScanThread thread(source,
                        Request(kPid, 60s,
                                [&](std::span<const std::uint8_t>) {
                                  ++parses;
                                  throw std::runtime_error("bad descriptor");
                                }),
                        parseMutex, &dispatcher);
  EXPECT_EQ(thread.Run({}), PsiResult::Complete);
  EXPECT_EQ(parses, 3);
  EXPECT_EQ(dispatcher.posted, 1);
}

TEST(PsiScanThread, FreedRightAfterCloseWhileSectionsKeepArriving) {
  FakeFilterSource source;
  // Section 0 of two, over and over: the table never completes and callbacks race the close.
  source.Script(kPid, {Table(0, 2)[0]}, true);
  std::mutex parseMutex;
  for (int i = 0; i < 20; ++i) {
    auto thread = std::make_unique<TPsiScanThread>(source, Request(kPid, 5ms), parseMutex, nullptr);
    EXPECT_EQ(thread->Run({}), PsiResult::TimeOut);
    thread.reset();
  }
}

TEST(PsiCollectQueue, RunsAtMost32CollectorsOfAHundredJobs) {
  FakeFilterSource source;
  source.Hold(true);
  std::vector<std::uint16_t> pids;
  for (std::uint16_t i = 0; i < 100; ++i) {
    pids.push_back(static_cast<std::uint16_t>(0x100 + i));
    source.Script(pids.back(), Table(0, 2));
  }
  std::atomic<int> inParse{0};
  std::atomic<bool> overlapped{false};
  PsiCollectQueue queue(source, nullptr);
  std::vector<PsiCollectQueue::JobId> jobs;
  for (const auto pid : pids)
    jobs.push_back(queue.Submit(Request(pid, 60s, [&](std::span<const std::uint8_t>) {
      if (inParse.fetch_add(1) != 0)
        overlapped = true;
      std::this_thread::yield();
      inParse.fetch_sub(1);
    })));
  source.WaitOpenCount(kMaxRunningCollectors);
  EXPECT_EQ(queue.RunningCount(), kMaxRunningCollectors);
  source.Hold(false);
  queue.WaitAll();
  EXPECT_EQ(source.MaxOpen(), kMaxRunningCollectors);
  for (const auto job : jobs)
    EXPECT_EQ(queue.Result(job), PsiResult::Complete);
  EXPECT_FALSE(overlapped); // one parse at a time per scan
}

TEST(PsiCollectQueue, JobsStillWaitingAtTheirTimeOutAreLabelledAsSuch) {
  FakeFilterSource source;
  source.Refuse(0x30);
  PsiCollectQueue queue(source, nullptr, 1);
  const auto slow = queue.Submit(Request(0x20, 200ms)); // nothing ever arrives
  const auto late = queue.Submit(Request(0x21, 20ms));
  const auto refused = queue.Submit(Request(0x30, 20ms));
  queue.WaitAll();
  EXPECT_EQ(queue.Result(slow), PsiResult::TimeOut);
  EXPECT_EQ(queue.Result(late), PsiResult::TimeOutBeforeStart);
  EXPECT_EQ(queue.Result(refused), PsiResult::TimeOutBeforeStart);
  EXPECT_EQ(source.Opened(0x21), 0);
  EXPECT_STREQ(PsiResultLabel(PsiResult::TimeOutBeforeStart), "-Time-out before start");
}

TEST(PsiCollectQueue, ProgressOutlivesTheAttemptAndRefusedJobsCanBeRetried) {
  FakeFilterSource source;
  auto partial = Table(0, 3);
  partial.pop_back();
  source.Script(0x20, partial);
  source.RefuseTimes(0x21, 1);
  source.Script(0x21, Table(0, 1));
  PsiCollectQueue queue(source, nullptr);
  const auto incomplete = queue.Submit(Request(0x20, 100ms));
  const auto refused = queue.Submit(Request(0x21, 60s));
  queue.WaitAll();

  // What the collector held when its time ran out, although the collector is emptied.
  const PsiProgress progress = queue.Progress(incomplete);
  EXPECT_EQ(progress.result, PsiResult::TimeOut);
  EXPECT_EQ(progress.collected, 2);
  EXPECT_EQ(progress.lastSection, 2);
  EXPECT_GE(progress.elapsedMs, 100);

  EXPECT_FALSE(queue.Retry(incomplete)); // only a refused filter is tried again
  ASSERT_EQ(queue.Result(refused), PsiResult::FilterFailed);
  ASSERT_TRUE(queue.Retry(refused));
  queue.WaitAll();
  EXPECT_EQ(queue.Result(refused), PsiResult::Complete);
  EXPECT_EQ(source.Opened(0x21), 1);
}

TEST(PsiCollectQueue, ParsersMaySubmitFurtherTablesAndDestructionStopsRunningOnes) {
  FakeFilterSource source;
  source.Script(kPid, Table(0, 1));
  source.Script(0x40, Table(0, 1));
  PsiCollectQueue::JobId pmt = 0;
  std::atomic<bool> submitted{false};
  {
    PsiCollectQueue queue(source, nullptr);
    queue.Submit(Request(kPid, 60s, [&](std::span<const std::uint8_t>) {
      pmt = queue.Submit(Request(0x40, 60s));
      submitted = true;
    }));
    queue.WaitAll();
    ASSERT_TRUE(submitted);
    EXPECT_EQ(queue.Result(pmt), PsiResult::Complete);
    queue.Submit(Request(0x50, 60s)); // never completes: the destructor must stop it
    source.WaitOpenCount(1);
  }
}

} // namespace
} // namespace qev::si
