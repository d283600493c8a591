#include "recording/recorder.h"

#include "frame/log.h"
#include "frame/message_boxes.h"
#include "frame/notification_hub.h"
#include "frame/options.h"
#include "frame/string_utils.h"
#include "recording/rec_watch_thread.h"
#include "recording/record_files.h"
#include "recording/record_name.h"
#include "recording/record_part_writer.h"
#include "recording/record_pid_list.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fmt/format.h>
#include <limits>
#include <mutex>
#include <unistd.h>

namespace qev::recording {

namespace {

constexpr const char *kNoMoreSlots = "No more record slots..";
constexpr const char *kEmptyPidList = "No recording information (empty PIDs list)...";
constexpr const char *kCannotCreate = "Cannot create REC file !";
constexpr const char *kFilterRefused = "Error starting stream record. PID=??";
constexpr const char *kCaptionPid = "PID Recorder";
constexpr const char *kCaptionFullTs = "FTS Recorder";
constexpr std::size_t kChannelTitleChars = 30;
constexpr std::size_t kTitleChars = 64;
constexpr std::size_t kExtensionChars = 4;
constexpr int kAvSlots = 4;

std::uint32_t MinutesToSeconds(int minutes) {
  constexpr int kMaxMinutes = std::numeric_limits<std::uint32_t>::max() / 60;
  return static_cast<std::uint32_t>(std::clamp(minutes, 0, kMaxMinutes)) * 60u;
}

// What a start has gathered before the files are opened.
struct TStartPlan {
  std::string Title;
  std::string BaseName;
  std::string Extension;
  std::vector<TRecordPid> Pids;
  TRecordLimits Limits;
  std::unique_ptr<TServiceTables> Tables;
};

} // namespace

struct TRecorder::TImpl {
  struct TSlot {
    // Guarded by the recorder's lock.
    TRecState State = kRecFree;
    std::string Title;
    TRecordLimits Limits;
    std::uint8_t AvSlot = 255;
    std::vector<TRecordPid> Pids;
    std::vector<std::int32_t> Filters;
    std::chrono::steady_clock::time_point Start{};
    std::chrono::system_clock::time_point WallStart{};
    std::string Folder, BaseName, Extension;

    // Guarded by the slot's own lock: the files and what the data path decides alone.
    std::mutex Io;
    std::unique_ptr<TRecordPartWriter> Writer;
    bool Accepting = false;
    std::int64_t SizeLimit = 0;

    // Written under Io, read for the views without it.
    std::atomic<std::int64_t> TotalBytes{0};
    std::atomic<int> PartNumber{0};
    std::atomic<std::uint64_t> Dropped{0};

    void ResetState() {
      State = kRecFree;
      Title.clear();
      Limits = {};
      AvSlot = 255;
      Pids.clear();
      Filters.clear();
      Start = {};
      WallStart = {};
      Folder.clear();
      BaseName.clear();
      Extension.clear();
      TotalBytes = 0;
      PartNumber = 0;
      Dropped = 0;
    }
  };

  TImpl(IRecordSource &source, TRecorderContext context)
      : Source(source), Context(std::move(context)),
        Files(Context.Files ? *Context.Files : PosixRecordFiles()) {}

  int Reserve();
  void Free(int index);
  bool Open(int index, TStartPlan plan);
  bool StartFilters(int index, const std::vector<TRecordPid> &pids);
  void OnData(TSlot &slot, const std::uint8_t *data, std::size_t length);
  void RequestStop(TSlot &slot);
  void Stop(int index);
  void Watch();
  void Announce(std::uint8_t avSlot, bool started, bool avActive);
  std::filesystem::path Folder() const;

  IRecordSource &Source;
  TRecorderContext Context;
  IRecordFiles &Files;
  mutable std::mutex Mutex;
  std::array<TSlot, kRecordSlots> Slots;
  int Running = 0;
  std::array<int, kAvSlots> AvRunning{};
  std::unique_ptr<TRecWatchThread> WatchThread;
};

int TRecorder::TImpl::Reserve() {
  {
    const std::lock_guard lock(Mutex);
    for (int i = 0; i < kRecordSlots; ++i)
      if (Slots[i].State == kRecFree) {
        Slots[i].ResetState();
        Slots[i].State = kRecReserved;
        return i;
      }
  }
  frame::ShowError(kNoMoreSlots);
  return -1;
}

void TRecorder::TImpl::Free(int index) {
  TSlot &slot = Slots[index];
  {
    const std::lock_guard io(slot.Io);
    slot.Writer.reset();
    slot.Accepting = false;
  }
  const std::lock_guard lock(Mutex);
  slot.ResetState();
}

std::filesystem::path TRecorder::TImpl::Folder() const {
  const std::string dest = frame::Trim(Context.Options().DestDirectory);
  return dest.empty() ? Context.DefaultFolder() : std::filesystem::path(dest);
}

bool TRecorder::TImpl::Open(int index, TStartPlan plan) {
  TSlot &slot = Slots[index];
  if (plan.Pids.empty()) {
    Free(index);
    frame::ShowWarning(kEmptyPidList);
    return false;
  }
  const frame::TRecordingOptions &options = Context.Options();
  TPartWriterSetup setup;
  setup.Folder = Folder();
  setup.Extension = plan.Extension;
  setup.BaseName = FitBaseName(plan.BaseName, plan.Extension);
  setup.CheckDuplicates = options.Check4Duplic;
  setup.SplitBytes = std::max<std::int64_t>(0, options.FileSplitSize);
  setup.Tables = std::move(plan.Tables);
  std::error_code ignored; // a folder that cannot be made shows as a file that cannot be
  std::filesystem::create_directories(setup.Folder, ignored);
  auto writer = std::make_unique<TRecordPartWriter>(Files, std::move(setup));
  if (const int error = writer->Open()) {
    frame::Log(
        fmt::format("Cannot create {}: {}", writer->CurrentPath().string(), std::strerror(error)),
        frame::kLogError);
    Free(index);
    frame::ShowError(kCannotCreate);
    return false;
  }
  {
    const std::lock_guard lock(Mutex);
    slot.Title = std::move(plan.Title);
    slot.Limits = plan.Limits;
    slot.Pids = plan.Pids;
    slot.Folder = writer->CurrentPath().parent_path().string();
    slot.BaseName = writer->BaseName();
    slot.Extension = writer->Extension();
  }
  {
    const std::lock_guard io(slot.Io);
    slot.Writer = std::move(writer);
    slot.SizeLimit = plan.Limits.StopAfterBytes;
    slot.Accepting = true;
  }
  if (!StartFilters(index, plan.Pids))
    return false;
  bool avActive = false;
  std::uint8_t avSlot = 255;
  {
    const std::lock_guard lock(Mutex);
    slot.Start = Context.Steady();
    slot.WallStart = Context.Wall();
    slot.State = kRecRunning;
    avSlot = slot.AvSlot;
    ++Running;
    if (avSlot < kAvSlots)
      avActive = ++AvRunning[avSlot] > 0;
  }
  Announce(avSlot, true, avActive);
  return true;
}

bool TRecorder::TImpl::StartFilters(int index, const std::vector<TRecordPid> &pids) {
  TSlot &slot = Slots[index];
  std::vector<std::int32_t> started;
  for (const TRecordPid &entry : pids) {
    const std::int32_t handle = Source.StartFilter(
        entry.Pid, entry.Mode, [this, &slot](const std::uint8_t *data, std::size_t length) {
          OnData(slot, data, length);
        });
    if (handle <= 0) {
      for (const std::int32_t h : started)
        Source.StopFilter(h);
      {
        const std::lock_guard io(slot.Io);
        slot.Writer->Discard();
      }
      Free(index);
      frame::ShowError(kFilterRefused);
      return false;
    }
    started.push_back(handle);
    const std::lock_guard lock(Mutex);
    slot.Filters.push_back(handle);
  }
  return true;
}

void TRecorder::TImpl::OnData(TSlot &slot, const std::uint8_t *data, std::size_t length) {
  bool stop = false;
  {
    const std::lock_guard io(slot.Io);
    if (!slot.Accepting || !slot.Writer) {
      ++slot.Dropped;
      return;
    }
    const int error = slot.Writer->Write({data, length});
    slot.TotalBytes = slot.Writer->TotalBytes();
    slot.PartNumber = slot.Writer->PartNumber();
    if (error != 0) {
      ++slot.Dropped;
      frame::Log(fmt::format("Recording to {} stopped: {} failed: {}",
                             slot.Writer->CurrentPath().string(), slot.Writer->FailedStep(),
                             std::strerror(error)),
                 frame::kLogError);
    }
    stop = error != 0 || (slot.SizeLimit > 0 && slot.Writer->TotalBytes() >= slot.SizeLimit);
    if (stop)
      slot.Accepting = false;
  }
  if (stop)
    RequestStop(slot);
}

void TRecorder::TImpl::RequestStop(TSlot &slot) {
  const std::lock_guard lock(Mutex);
  if (slot.State == kRecRunning)
    slot.State = kRecLimitReached;
}

void TRecorder::TImpl::Stop(int index) {
  if (index < 0 || index >= kRecordSlots)
    return;
  TSlot &slot = Slots[index];
  std::vector<std::int32_t> filters;
  {
    const std::lock_guard lock(Mutex);
    if (slot.State != kRecRunning && slot.State != kRecLimitReached)
      return;
    slot.State = kRecStopping;
    filters = slot.Filters;
  }
  for (const std::int32_t handle : filters)
    Source.StopFilter(handle);
  {
    const std::lock_guard io(slot.Io);
    slot.Writer.reset();
    slot.Accepting = false;
  }
  bool avActive = false;
  std::uint8_t avSlot = 255;
  {
    const std::lock_guard lock(Mutex);
    avSlot = slot.AvSlot;
    slot.ResetState();
    --Running;
    if (avSlot < kAvSlots)
      avActive = --AvRunning[avSlot] > 0;
  }
  Announce(avSlot, false, avActive);
}

void TRecorder::TImpl::Announce(std::uint8_t avSlot, bool started, bool avActive) {
  if (avSlot < kAvSlots && Context.SlotReason)
    Context.SlotReason(avSlot, avActive);
  Context.Hub.Notify(frame::kNotifyRecording, started ? 1 : 0, 0);
}

void TRecorder::TImpl::Watch() {
  std::vector<int> ended;
  {
    const auto now = Context.Steady();
    const std::lock_guard lock(Mutex);
    for (int i = 0; i < kRecordSlots; ++i) {
      TSlot &slot = Slots[i];
      const std::uint32_t limit = slot.Limits.StopAfterSeconds;
      if (slot.State == kRecRunning && limit != 0 &&
          now - slot.Start >= std::chrono::seconds(limit))
        slot.State = kRecLimitReached;
      if (slot.State == kRecLimitReached)
        ended.push_back(i);
    }
  }
  for (const int i : ended)
    Stop(i);
}

TRecorder::TRecorder(IRecordSource &source, TRecorderContext context)
    : impl_(std::make_unique<TImpl>(source, std::move(context))) {
  impl_->WatchThread = std::make_unique<TRecWatchThread>([this] { impl_->Watch(); });
}

TRecorder::~TRecorder() {
  impl_->WatchThread.reset();
  RecStopAll();
}

bool TRecorder::RecStartChannel(const data::TChannelRec &channel, std::uint8_t avSlot, int minutes,
                                bool askAllowed) {
  const std::string name = data::ChName(channel);
  if (name.empty())
    return false;
  const int index = impl_->Reserve();
  if (index < 0)
    return false;
  {
    const std::lock_guard lock(impl_->Mutex);
    impl_->Slots[index].AvSlot = avSlot;
  }
  const frame::TRecordingOptions options = impl_->Context.Options();
  IRecordDialogs *dialogs = askAllowed && options.AskBeforeRec ? impl_->Context.Dialogs : nullptr;
  TStartPlan plan;
  plan.Limits.StopAfterSeconds = MinutesToSeconds(minutes);
  bool accepted = true;
  if (impl_->Source.Packets188()) {
    plan.Pids = ChannelPidList(channel, avSlot, options);
    if (dialogs) {
      TRecordAskData ask{channel,
                         avSlot,
                         plan.Pids,
                         options.Record_ECM,
                         options.Record_PMT,
                         options.Record_PAT,
                         plan.Limits,
                         {}};
      accepted = dialogs->AskChannel(ask) && !ask.Chosen.empty();
      plan.Pids = ask.Chosen;
      plan.Limits = ask.Limits;
    }
    plan.Tables = TServiceTables::For(channel, plan.Pids, impl_->Context.Steady);
  } else {
    plan.Pids = {{0, kModePva}};
    if (dialogs)
      accepted = dialogs->AskPva(name, plan.Limits);
  }
  if (!accepted) {
    impl_->Free(index);
    return false;
  }
  plan.Title = CutUtf8Chars(name, kChannelTitleChars);
  plan.BaseName = FormatRecordName(options.RecNameFormat, name, "", true);
  plan.Extension = SafeExtension(impl_->Source.StreamExtension(), kExtensionChars);
  return impl_->Open(index, std::move(plan));
}

bool TRecorder::RecStartPid(std::uint16_t pid, const std::string &title, const std::string &info) {
  const int index = impl_->Reserve();
  if (index < 0)
    return false;
  const bool fullTs = pid == kFullTsPid;
  TRecordOnePidData ask;
  ask.Caption = fullTs ? kCaptionFullTs : kCaptionPid;
  ask.FullTs = fullTs;
  ask.Packets188 = impl_->Source.Packets188();
  ask.Pid = pid;
  ask.Info = info;
  ask.Mode = ask.Packets188 ? kModePackets : kModePayloads;
  if (impl_->Context.Dialogs && !impl_->Context.Dialogs->AskOnePid(ask)) {
    impl_->Free(index);
    return false;
  }
  TStartPlan plan;
  plan.Limits = ask.Limits;
  if (fullTs) {
    plan.Pids = {{kFullTsPid, kModePackets}};
    plan.Title = CutUtf8Chars(title, kTitleChars);
    plan.Extension = SafeExtension("TS", kExtensionChars);
  } else {
    const std::uint8_t mode = ask.Mode == kModePackets ? kModePackets : kModePayloads;
    plan.Pids = {{ask.Pid, mode}};
    plan.Title = fmt::format("PID-0x{:04X}", ask.Pid);
    plan.Extension = SafeExtension(mode == kModePackets ? "TS" : "184", kExtensionChars);
  }
  plan.BaseName = FormatRecordName(impl_->Context.Options().RecNameFormat, plan.Title,
                                   frame::Trim(ask.Info), true);
  return impl_->Open(index, std::move(plan));
}

void TRecorder::RecStopSlot(int slot) { impl_->Stop(slot); }

void TRecorder::RecStopAvSlot(int avSlot) {
  for (int i = 0; i < kRecordSlots; ++i) {
    bool match = false;
    {
      const std::lock_guard lock(impl_->Mutex);
      match = impl_->Slots[i].AvSlot == avSlot && impl_->Slots[i].State != kRecFree;
    }
    if (match)
      impl_->Stop(i);
  }
}

void TRecorder::RecStopAll() {
  for (int i = 0; i < kRecordSlots; ++i)
    impl_->Stop(i);
}

bool TRecorder::RecIsActive() const {
  const std::lock_guard lock(impl_->Mutex);
  return impl_->Running != 0;
}

bool TRecorder::RecIsAvSlotActive(int avSlot) const {
  if (avSlot < 0 || avSlot >= kAvSlots)
    return false;
  const std::lock_guard lock(impl_->Mutex);
  return impl_->AvRunning[avSlot] != 0;
}

std::array<TRecordSlotView, kRecordSlots> TRecorder::Slots() const {
  std::array<TRecordSlotView, kRecordSlots> views;
  const auto now = impl_->Context.Steady();
  const std::lock_guard lock(impl_->Mutex);
  for (int i = 0; i < kRecordSlots; ++i) {
    const TImpl::TSlot &slot = impl_->Slots[i];
    TRecordSlotView &view = views[i];
    view.State = slot.State;
    if (slot.State == kRecFree)
      continue;
    view.Title = slot.Title;
    view.Folder = slot.Folder;
    view.BaseName = slot.BaseName;
    view.Extension = slot.Extension;
    view.PartNumber = slot.PartNumber;
    view.FileName = RecFileName(slot.BaseName, view.PartNumber, slot.Extension);
    view.FirstFile =
        (std::filesystem::path(slot.Folder) / (slot.BaseName + slot.Extension)).string();
    view.TotalBytes = slot.TotalBytes;
    view.DroppedBlocks = slot.Dropped;
    view.StartTime = slot.WallStart;
    if (slot.State != kRecReserved)
      view.Elapsed = std::max(std::chrono::seconds(0),
                              std::chrono::duration_cast<std::chrono::seconds>(now - slot.Start));
    view.Limits = slot.Limits;
    view.AvSlot = slot.AvSlot;
    view.Pids = slot.Pids;
  }
  return views;
}

bool TRecorder::SetStopAfterSeconds(int slot, std::uint32_t seconds) {
  if (slot < 0 || slot >= kRecordSlots)
    return false;
  const std::lock_guard lock(impl_->Mutex);
  if (impl_->Slots[slot].State != kRecRunning)
    return false;
  impl_->Slots[slot].Limits.StopAfterSeconds = seconds;
  return true;
}

std::filesystem::path DefaultRecordFolder(const std::filesystem::path &root) {
  const std::filesystem::path records = root / "Records";
  std::error_code error;
  const bool exists = std::filesystem::is_directory(records, error);
  if (::access((exists ? records : root).c_str(), W_OK) == 0)
    return records;
  if (const char *videos = std::getenv("XDG_VIDEOS_DIR"); videos && *videos)
    return std::filesystem::path(videos) / "QEV-DVB";
  const char *home = std::getenv("HOME");
  return std::filesystem::path(home && *home ? home : "/tmp") / "Videos" / "QEV-DVB";
}

} // namespace qev::recording
