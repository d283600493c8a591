#pragma once

#include "frame/log.h"
#include "frame/notification_hub.h"
#include "frame/options.h"
#include "recording/fake_record_source.h"
#include "recording/record_test_support.h"
#include "recording/recorder.h"
#include "support/scripted_presenter.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

namespace qev::recording::test {

inline data::TChannelRec TestChannel(const char *name = "QEV One") {
  data::TChannelRec rec{};
  data::SetChName(rec, name);
  rec.TID = 1;
  rec.SID = 0x77;
  rec.VidPid = 0x100;
  rec.AudPid = 0x101;
  rec.PcrPid = 0x100;
  rec.PmtPid = 0x20;
  rec.EsList[rec.EsCount++] = {2, 0x100, data::kKindVideo, {}, 0};
  rec.EsList[rec.EsCount++] = {3, 0x101, data::kKindAudio, {}, 0};
  return rec;
}

// Scripted answers for the recorder's dialogs.
class TScriptedDialogs final : public IRecordDialogs {
public:
  bool Answer = true;
  TRecordLimits Limits;
  std::uint8_t Mode = 188;
  std::vector<TRecordPid> Chosen; // empty: the automatic list
  int Asked = 0;

  bool AskChannel(TRecordAskData &data) override {
    ++Asked;
    data.Chosen = Chosen.empty() ? data.AutoList : Chosen;
    data.Limits = Limits;
    return Answer;
  }
  bool AskPva(const std::string &, TRecordLimits &limits) override {
    ++Asked;
    limits = Limits;
    return Answer;
  }
  bool AskOnePid(TRecordOnePidData &data) override {
    ++Asked;
    data.Mode = Mode;
    data.Limits = Limits;
    return Answer;
  }
};

// A recorder over the fake source, writing into a folder of its own, with a steady clock the
// test moves and every notification and log line kept.
class RecorderTest : public ::testing::Test {
protected:
  RecorderTest() {
    options_.DestDirectory = dir_.Path().string();
    options_.AskBeforeRec = false;
    frame::SetLogTarget([this](int, int level, const char *text) {
      const std::lock_guard lock(mutex_);
      if (level == frame::kLogError)
        errors_.push_back(text);
    });
    hub_.Add(frame::kNotifyRecording, &RecorderTest::OnNotify, this);
  }
  ~RecorderTest() override {
    recorder_.reset();
    hub_.Remove(frame::kNotifyRecording, &RecorderTest::OnNotify, this);
    frame::SetLogTarget(nullptr);
  }

  TRecorder &Recorder(IRecordFiles *files = nullptr) {
    if (!recorder_) {
      TRecorderContext context(
          hub_, [this]() -> const frame::TRecordingOptions & { return options_; },
          [this] { return dir_.Path(); }, dialogs_ ? &*dialogs_ : nullptr);
      context.SlotReason = [this](int av, bool on) {
        const std::lock_guard lock(mutex_);
        reasons_.push_back({av, on});
      };
      context.Steady = [this] { return std::chrono::steady_clock::time_point(now_.load()); };
      context.Files = files;
      recorder_ = std::make_unique<TRecorder>(source_, std::move(context));
    }
    return *recorder_;
  }

  void Advance(std::chrono::milliseconds step) { now_ = now_.load() + step; }

  std::vector<std::intptr_t> Notes() const {
    const std::lock_guard lock(mutex_);
    return notes_;
  }
  std::vector<std::pair<int, bool>> Reasons() const {
    const std::lock_guard lock(mutex_);
    return reasons_;
  }
  std::vector<std::string> Errors() const {
    const std::lock_guard lock(mutex_);
    return errors_;
  }
  std::vector<std::filesystem::path> Files() const {
    std::vector<std::filesystem::path> out;
    for (const auto &entry : std::filesystem::directory_iterator(dir_.Path()))
      out.push_back(entry.path());
    std::sort(out.begin(), out.end());
    return out;
  }

  qev::test::TTempDir dir_{"qev_recorder"};
  qev::test::ScriptedPresenter presenter_;
  frame::TRecordingOptions options_;
  frame::TNotificationHub hub_;
  TFakeRecordSource source_;
  std::optional<TScriptedDialogs> dialogs_;
  std::atomic<std::chrono::steady_clock::duration> now_{std::chrono::hours(1)};
  std::unique_ptr<TRecorder> recorder_;

private:
  static void OnNotify(void *self, std::intptr_t first, std::intptr_t) {
    auto *test = static_cast<RecorderTest *>(self);
    const std::lock_guard lock(test->mutex_);
    test->notes_.push_back(first);
  }

  mutable std::mutex mutex_;
  std::vector<std::intptr_t> notes_;
  std::vector<std::pair<int, bool>> reasons_;
  std::vector<std::string> errors_;
};

} // namespace qev::recording::test
