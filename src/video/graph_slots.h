#pragma once

#include "devapi/qev_devapi.h"
#include "video/graph_backend.h"
#include "video/graph_options.h"
#include "video/media_type.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace qev::video {

class TDsGraphBasic;

inline constexpr int kGraphSlotCount = 6;
// Answer of the slot operations when the slot holds no graph (or the slot number is invalid).
inline constexpr int kNoGraph = -16;
// Graph kinds.
inline constexpr int kGraphLiveFeed = 1;
inline constexpr int kGraphMedia = 2;

// The six graph slots (0..3 the AV slots, 4 media, 5 the second media place), each with its
// lock and last error. Every operation may be called from any thread; a slot's lock keeps its
// graph alive while a call uses it.
class TGraphSlots {
public:
  explicit TGraphSlots(IGraphFactory &factory);
  ~TGraphSlots(); // closes every slot
  TGraphSlots(const TGraphSlots &) = delete;
  TGraphSlots &operator=(const TGraphSlots &) = delete;

  // Closes the slot's graph, then creates and opens a new one; 0 or the error code.
  int CreateGraph(int slot, int kind, const std::string &graphFile, const std::string &mediaFile,
                  bool pva);
  // The helpers' operations (see DsHelperTable); the renderer handle is 0 on failure.
  std::uintptr_t OpenAvGraph(int slot, std::uintptr_t owner, std::uintptr_t messageWindow,
                             bool pva);
  std::uintptr_t AttachWindow(int slot, std::uintptr_t owner, std::uintptr_t messageWindow);
  int SetWindowRect(int slot, int left, int top, int width, int height);
  int SetVideoProperty(int slot, int property, int value);
  void CloseGraph(int slot);
  int StartFeed(int slot, std::uint16_t audioPid, std::uint16_t videoPid, std::uint16_t pcrPid,
                std::int32_t flags);
  int Picture(int slot, bool set, PictureRecord &picture);
  int Sound(int slot, bool set, SoundRecord &sound);
  void FeedData(int slot, const std::uint8_t *data, std::int32_t length) noexcept;
  std::string LastError(int slot) const;

  // For the windows and the tools.
  bool HasGraph(int slot) const;
  int Run(int slot);
  int Stop(int slot);
  std::vector<TFilterInfo> ListFilters(int slot) const;
  std::optional<TRenderCounts> Counts(int slot) const;
  // The media types the live source detected, and its scrambled-packet count.
  std::optional<TMediaType> CurrentMediaType(int slot, TMajorType kind) const;
  std::uint64_t ScrambledPackets(int slot) const;

  // The "DirectShow.cfg" options new graphs and each start of a feed use.
  void SetOptions(const TDirectShowOptions &options);
  TDirectShowOptions Options() const;

private:
  struct TSlot {
    mutable std::mutex Lock;
    std::unique_ptr<TDsGraphBasic> Graph;
    std::string LastError;
  };

  static bool Valid(int slot) { return slot >= 0 && slot < kGraphSlotCount; }
  std::unique_ptr<TDsGraphBasic> MakeGraph(int slot, int kind, bool pva);
  // Runs the call on the slot's graph under the slot's lock; without a graph it answers
  // empty.
  template <typename Call> auto WithGraph(int slot, Call call) const;
  // Stores the graph's error text, or none after a success, as the slot's last error.
  static int Remember(TSlot &slot, int code);

  IGraphFactory &factory_;
  mutable std::mutex optionsMutex_;
  TDirectShowOptions options_;
  mutable std::array<TSlot, kGraphSlotCount> slots_;
};

// The graph file of a slot: `Graph_` + slot name in `GraphFiles` of "DirectShow.cfg", with the
// graph folder in front; empty when none is set. Reads the program's paths (frame::Paths).
std::string SlotGraphFile(int slot);

} // namespace qev::video
