#pragma once

#include "data/channel_rec.h"
#include "recording/record_dialogs.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qev::device {
class TDeviceModule;
}
namespace qev::frame {
class TNotificationHub;
struct TRecordingOptions;
} // namespace qev::frame

namespace qev::recording {

class IRecordFiles;

inline constexpr int kRecordSlots = 8;
inline constexpr std::uint16_t kFullTsPid = 0x2000;

enum TRecState : std::uint8_t {
  kRecFree = 0,
  kRecRunning = 1,
  kRecReserved = 2,
  kRecStopping = 3,
  kRecLimitReached = 4,
};

// A copy of one record slot for the windows.
struct TRecordSlotView {
  TRecState State = kRecFree;
  std::string Title;
  std::string Folder;    // where the files go
  std::string BaseName;  // without part suffix and extension
  std::string Extension; // with its dot
  std::string FileName;  // RecFileName: the current part
  std::string FirstFile; // folder + BaseName + Extension
  std::int64_t TotalBytes = 0;
  int PartNumber = 0;
  std::chrono::system_clock::time_point StartTime{}; // for display only
  std::chrono::seconds Elapsed{0};                   // on the steady clock
  std::uint64_t DroppedBlocks = 0; // delivered after a write failure or the size limit
  TRecordLimits Limits;
  std::uint8_t AvSlot = 255;
  std::vector<TRecordPid> Pids;
};

// Where the recorder's data come from and what the device can do.
class IRecordSource {
public:
  using DataCallback = std::function<void(const std::uint8_t *data, std::size_t length)>;
  virtual ~IRecordSource() = default;
  // A handle > 0, else the filter was refused. After StopFilter no callback runs.
  virtual std::int32_t StartFilter(std::uint16_t pid, std::uint8_t mode, DataCallback callback) = 0;
  virtual void StopFilter(std::int32_t handle) = 0;
  virtual bool Packets188() const = 0;             // whole 188-byte packets can be delivered
  virtual std::string StreamExtension() const = 0; // the module's own recording extension
};

// What the recorder needs of the rest of the program.
struct TRecorderContext {
  TRecorderContext(frame::TNotificationHub &hub,
                   std::function<const frame::TRecordingOptions &()> options,
                   std::function<std::filesystem::path()> defaultFolder,
                   IRecordDialogs *dialogs = nullptr)
      : Hub(hub), Options(std::move(options)), DefaultFolder(std::move(defaultFolder)),
        Dialogs(dialogs) {}

  frame::TNotificationHub &Hub; // list 2
  std::function<const frame::TRecordingOptions &()> Options;
  std::function<std::filesystem::path()> DefaultFolder;      // when DestDirectory is empty
  IRecordDialogs *Dialogs = nullptr;                         // null: never asks
  std::function<void(int avSlot, bool recorded)> SlotReason; // the plugin host's bit 0x02
  std::function<std::chrono::steady_clock::time_point()> Steady = std::chrono::steady_clock::now;
  std::function<std::chrono::system_clock::time_point()> Wall = std::chrono::system_clock::now;
  IRecordFiles *Files = nullptr; // null: the real file system
};

// The eight record slots, their files and the watch thread that ends recordings at their time
// limit. Starts and stops run on the user-interface thread (or the watch thread); data arrive on
// the device's delivery threads. Each slot writes its files under a lock of its own, so a slow
// disk stalls only its own recording; the recorder's lock guards states and counters only. A
// recording whose file cannot be written any more is logged and stopped like one at its limit.
class TRecorder {
public:
  TRecorder(IRecordSource &source, TRecorderContext context);
  // Joins the watch thread; recordings still running are stopped.
  ~TRecorder();
  TRecorder(const TRecorder &) = delete;
  TRecorder &operator=(const TRecorder &) = delete;

  bool RecStartChannel(const data::TChannelRec &channel, std::uint8_t avSlot, int minutes,
                       bool askAllowed);
  bool RecStartPid(std::uint16_t pid, const std::string &title, const std::string &info);
  void RecStopSlot(int slot);
  void RecStopAvSlot(int avSlot);
  void RecStopAll();
  bool RecIsActive() const;
  bool RecIsAvSlotActive(int avSlot) const;

  std::array<TRecordSlotView, kRecordSlots> Slots() const;
  // The stop editor: a new time limit for a running slot (0 = none); false when the slot no
  // longer runs.
  bool SetStopAfterSeconds(int slot, std::uint32_t seconds);

private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

// The default destination: "Records" under the root when it can be written, else
// $XDG_VIDEOS_DIR (or ~/Videos)/QEV-DVB.
std::filesystem::path DefaultRecordFolder(const std::filesystem::path &root);

} // namespace qev::recording
