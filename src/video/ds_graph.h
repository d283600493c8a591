#pragma once

#include "devapi/qev_devapi.h"
#include "video/graph_backend.h"
#include "video/graph_errors.h"
#include "video/graph_options.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace qev::video {

// Graph kinds as the wrapper knows them.
inline constexpr std::uint8_t kKindLiveFeed = 1;
inline constexpr std::uint8_t kKindMedia = 2;

inline constexpr const char *kCaptionPrefix = "DvbVideoGr_";
inline constexpr const char *kPictureTagVmr9 = "VMR9";

// A graph of one slot: built from a graph file over the backend's IGraph, with its window,
// state, crop, aspect mode and picture and sound controls. Every failure becomes a code (also
// the answer) and an error text; nothing throws. Calls come from the slot's owner one at a
// time; Run and the backend's graph may also be used by the live graph's reconnect thread.
class TDsGraphBasic {
public:
  TDsGraphBasic(IGraphFactory &factory, int slot, std::uint8_t kind = 0);
  virtual ~TDsGraphBasic();
  TDsGraphBasic(const TDsGraphBasic &) = delete;
  TDsGraphBasic &operator=(const TDsGraphBasic &) = delete;

  // Builds the graph from a graph file ("#" = none) and binds its controls. 0 or the code.
  int Open(const std::string &graphFile, const std::string &mediaFile);
  int Run();
  int Pause();
  int Stop();

  // The renderer draws on the owner surface (a handle of RegisterSurface).
  int AttachVideoWindow(std::uintptr_t owner, std::uintptr_t messageWindow);
  // The renderer's window: the attached surface, 0 (and 0x6000) without one.
  std::uintptr_t FindVideoWindow();
  int SetVideoPosition(int left, int top, int width, int height);
  // 0 aspect mode, 1 crop percent; others -1.
  int SetVideoProperty(int property, int value);
  int SetCropPercent(int percent);
  // 0 stretch, 1 letter box; other values change nothing.
  int SetAspectMode(int mode);
  // operation 0 get, 1 set: 0, -1 (no control), -14 (other operation), -15 (no record).
  int GetSetPicture(int operation, PictureRecord *picture);
  int GetSetSound(int operation, SoundRecord *sound);
  // 0, or -1 without a graph.
  int ListFilters(std::vector<TFilterInfo> &filters) const;
  std::string LastErrorText() const;
  int LastResult() const;
  std::string Caption() const { return caption_; }
  bool Running() const { return running_; }
  int Slot() const { return slot_; }
  std::uint8_t Kind() const { return kind_; }
  // The backend's graph while one is built.
  IGraph *Graph() const { return graph_.get(); }
  void SetOptions(const TDirectShowOptions &options);

  // Stops the graph and forgets it with everything bound to it.
  virtual void ReleaseAll();
  virtual int StartFeed(std::uint16_t audioPid, std::uint16_t videoPid, std::uint16_t pcrPid,
                        std::int32_t flags);
  virtual void FeedData(const std::uint8_t *data, std::int32_t length) noexcept;
  virtual int FeedStatus();

protected:
  virtual void FilterFound(const TFilterInfo &filter);
  virtual int BindControls();
  virtual int RenderMedia(const std::string &file);
  virtual int AfterBuild();

  // Stores the code as the result and the error text for it; answers the code.
  int SetError(int code, const std::string &text);
  void ClearError();
  TDirectShowOptions Options() const;

private:
  int ChangeState(TGraphState state, int failure, const char *text);
  int BuildFromFile(const std::string &graphFile);
  int GetPicture(PictureRecord &picture);
  int SetPicture(const PictureRecord &picture);
  int GetSound(SoundRecord &sound);
  int SetSound(const SoundRecord &sound);

  IGraphFactory &factory_;
  const int slot_;
  const std::uint8_t kind_;
  const std::string caption_;
  std::unique_ptr<IGraph> graph_;

  mutable std::mutex stateMutex_; // the result, the error text and the options
  int lastResult_ = 0;
  std::string errorText_;
  TDirectShowOptions options_;

  std::atomic<bool> running_{false};
  std::atomic<int> cropPercent_{0};
  std::atomic<int> aspectMode_{1};
  std::uintptr_t owner_ = 0, messageWindow_ = 0;
  std::optional<TRendererGeometry> geometry_; // the last one the renderer took
};

// A media file played through the backend's own rendering; opened with the graph file "#".
class TDsGraphMedia : public TDsGraphBasic {
public:
  TDsGraphMedia(IGraphFactory &factory, int slot);

protected:
  int RenderMedia(const std::string &file) override;
};

} // namespace qev::video
