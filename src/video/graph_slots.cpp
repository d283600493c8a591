#include "video/graph_slots.h"

#include "frame/app_paths.h"
#include "video/av_feed_graph.h"
#include "video/ds_graph.h"

#include <type_traits>

namespace qev::video {

namespace {

IDvbAvSrcIntf *SourceOf(const TDsGraphBasic &graph) {
  return graph.Graph() != nullptr ? graph.Graph()->AvSource() : nullptr;
}

std::optional<std::intptr_t> SourceParam(const TDsGraphBasic &graph, int code) {
  IDvbAvSrcIntf *source = SourceOf(graph);
  std::intptr_t value = 0;
  if (source == nullptr || source->GetParam(code, value) != 0)
    return std::nullopt;
  return value;
}

} // namespace

TGraphSlots::TGraphSlots(IGraphFactory &factory) : factory_(factory) {}

TGraphSlots::~TGraphSlots() {
  for (int slot = 0; slot < kGraphSlotCount; ++slot)
    CloseGraph(slot);
}

template <typename Call> auto TGraphSlots::WithGraph(int slot, Call call) const {
  using Result = std::invoke_result_t<Call, TSlot &, TDsGraphBasic &>;
  std::optional<Result> result;
  if (!Valid(slot))
    return result;
  TSlot &place = slots_[slot];
  std::lock_guard lock(place.Lock);
  if (place.Graph)
    result = call(place, *place.Graph);
  return result;
}

int TGraphSlots::Remember(TSlot &slot, int code) {
  slot.LastError = code != 0 ? slot.Graph->LastErrorText() : std::string();
  return code;
}

std::unique_ptr<TDsGraphBasic> TGraphSlots::MakeGraph(int slot, int kind, bool pva) {
  if (kind == kGraphLiveFeed) {
    if (pva)
      return std::make_unique<TDsGraphDvb_PVA>(factory_, slot);
    return std::make_unique<TDsGraphDvb_TST>(factory_, slot);
  }
  if (kind == kGraphMedia)
    return std::make_unique<TDsGraphMedia>(factory_, slot);
  return nullptr;
}

int TGraphSlots::CreateGraph(int slot, int kind, const std::string &graphFile,
                             const std::string &mediaFile, bool pva) {
  if (!Valid(slot))
    return kNoGraph;
  CloseGraph(slot);
  std::unique_ptr<TDsGraphBasic> graph = MakeGraph(slot, kind, pva);
  if (!graph)
    return -1;
  graph->SetOptions(Options());
  // Built outside the lock: the slot is empty meanwhile, and a device thread feeding it is
  // not held up by the graph file.
  const int code = graph->Open(graphFile, mediaFile);
  TSlot &place = slots_[slot];
  std::unique_lock lock(place.Lock);
  if (code != 0) {
    place.LastError = graph->LastErrorText();
    lock.unlock();
    return code;
  }
  place.LastError.clear();
  place.Graph.swap(graph);
  lock.unlock();
  // graph now holds what a concurrent create stored meanwhile; it goes outside the lock.
  return 0;
}

std::uintptr_t TGraphSlots::OpenAvGraph(int slot, std::uintptr_t owner,
                                        std::uintptr_t messageWindow, bool pva) {
  if (CreateGraph(slot, kGraphLiveFeed, SlotGraphFile(slot), "", pva) != 0)
    return 0;
  return AttachWindow(slot, owner, messageWindow);
}

std::uintptr_t TGraphSlots::AttachWindow(int slot, std::uintptr_t owner,
                                         std::uintptr_t messageWindow) {
  return WithGraph(slot,
                   [&](TSlot &place, TDsGraphBasic &graph) -> std::uintptr_t {
                     if (Remember(place, graph.AttachVideoWindow(owner, messageWindow)) != 0)
                       return 0;
                     const std::uintptr_t window = graph.FindVideoWindow();
                     Remember(place, window != 0 ? 0 : graph.LastResult());
                     return window;
                   })
      .value_or(0);
}

int TGraphSlots::SetWindowRect(int slot, int left, int top, int width, int height) {
  return WithGraph(slot,
                   [&](TSlot &place, TDsGraphBasic &graph) {
                     return Remember(place, graph.SetVideoPosition(left, top, width, height));
                   })
      .value_or(kNoGraph);
}

int TGraphSlots::SetVideoProperty(int slot, int property, int value) {
  return WithGraph(slot,
                   [&](TSlot &place, TDsGraphBasic &graph) {
                     return Remember(place, graph.SetVideoProperty(property, value));
                   })
      .value_or(kNoGraph);
}

void TGraphSlots::CloseGraph(int slot) {
  if (!Valid(slot))
    return;
  std::unique_ptr<TDsGraphBasic> graph;
  {
    std::lock_guard lock(slots_[slot].Lock);
    graph.swap(slots_[slot].Graph);
  }
  // Destroyed outside the lock: stopping a graph may take a while, and it joins its threads.
}

int TGraphSlots::StartFeed(int slot, std::uint16_t audioPid, std::uint16_t videoPid,
                           std::uint16_t pcrPid, std::int32_t flags) {
  const TDirectShowOptions options = Options();
  return WithGraph(slot,
                   [&](TSlot &place, TDsGraphBasic &graph) {
                     graph.SetOptions(options);
                     return Remember(place, graph.StartFeed(audioPid, videoPid, pcrPid, flags));
                   })
      .value_or(kNoGraph);
}

int TGraphSlots::Picture(int slot, bool set, PictureRecord &picture) {
  return WithGraph(slot,
                   [&](TSlot &, TDsGraphBasic &graph) {
                     return graph.GetSetPicture(set ? 1 : 0, &picture);
                   })
      .value_or(kNoGraph);
}

int TGraphSlots::Sound(int slot, bool set, SoundRecord &sound) {
  return WithGraph(
             slot,
             [&](TSlot &, TDsGraphBasic &graph) { return graph.GetSetSound(set ? 1 : 0, &sound); })
      .value_or(kNoGraph);
}

void TGraphSlots::FeedData(int slot, const std::uint8_t *data, std::int32_t length) noexcept {
  if (!Valid(slot))
    return;
  TSlot &place = slots_[slot];
  std::lock_guard lock(place.Lock);
  if (place.Graph)
    place.Graph->FeedData(data, length);
}

std::string TGraphSlots::LastError(int slot) const {
  if (!Valid(slot))
    return {};
  std::lock_guard lock(slots_[slot].Lock);
  return slots_[slot].LastError;
}

bool TGraphSlots::HasGraph(int slot) const {
  return WithGraph(slot, [](TSlot &, TDsGraphBasic &) { return true; }).value_or(false);
}

int TGraphSlots::Run(int slot) {
  return WithGraph(slot,
                   [](TSlot &place, TDsGraphBasic &graph) { return Remember(place, graph.Run()); })
      .value_or(kNoGraph);
}

int TGraphSlots::Stop(int slot) {
  return WithGraph(slot,
                   [](TSlot &place, TDsGraphBasic &graph) { return Remember(place, graph.Stop()); })
      .value_or(kNoGraph);
}

std::vector<TFilterInfo> TGraphSlots::ListFilters(int slot) const {
  return WithGraph(slot,
                   [](TSlot &, TDsGraphBasic &graph) {
                     std::vector<TFilterInfo> filters;
                     graph.ListFilters(filters);
                     return filters;
                   })
      .value_or(std::vector<TFilterInfo>{});
}

std::optional<TRenderCounts> TGraphSlots::Counts(int slot) const {
  return WithGraph(slot,
                   [](TSlot &, TDsGraphBasic &graph) {
                     return graph.Graph() != nullptr ? std::optional(graph.Graph()->Counts())
                                                     : std::nullopt;
                   })
      .value_or(std::nullopt);
}

std::optional<TMediaType> TGraphSlots::CurrentMediaType(int slot, TMajorType kind) const {
  const int code = kind == TMajorType::Video ? kParamVideoType : kParamAudioType;
  return WithGraph(slot,
                   [code](TSlot &, TDsGraphBasic &graph) -> std::optional<TMediaType> {
                     const auto value = SourceParam(graph, code);
                     if (!value || *value == 0)
                       return std::nullopt;
                     return *reinterpret_cast<const TMediaType *>(*value);
                   })
      .value_or(std::nullopt);
}

std::uint64_t TGraphSlots::ScrambledPackets(int slot) const {
  return WithGraph(slot,
                   [](TSlot &, TDsGraphBasic &graph) -> std::uint64_t {
                     return static_cast<std::uint64_t>(
                         SourceParam(graph, kParamScrambledPackets).value_or(0));
                   })
      .value_or(0);
}

void TGraphSlots::SetOptions(const TDirectShowOptions &options) {
  std::lock_guard lock(optionsMutex_);
  options_ = options;
}

TDirectShowOptions TGraphSlots::Options() const {
  std::lock_guard lock(optionsMutex_);
  return options_;
}

std::string SlotGraphFile(int slot) {
  const frame::TAppPaths &paths = frame::Paths();
  return SlotGraphFile(slot, paths.DirectShowFile, paths.Graphs);
}

} // namespace qev::video
