#pragma once

// A graph backend without GStreamer for tests: filters of known classes with named pins, a
// journal of what the wrapper asked, switches that make single calls fail, and a live source
// whose media-type announcements tests drive. Safe to use from several threads.

#include "video/event_group.h"
#include "video/graph_backend.h"
#include "video/media_type.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace qev::video::test {

inline std::string FakeLower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The live source filter's feed interface.
class FakeAvSource final : public IDvbAvSrcIntf {
public:
  int Start(std::uint16_t audioPid, std::uint16_t videoPid, std::uint16_t pcrPid,
            std::int32_t flags) override {
    Log("Start(" + std::to_string(audioPid) + "," + std::to_string(videoPid) + "," +
        std::to_string(pcrPid) + "," + std::to_string(flags) + ")");
    return 0;
  }
  int SetParam(int code, std::intptr_t value) override {
    std::lock_guard lock(mutex_);
    const bool event = code == 257 || code == 259;
    journal_.push_back("SetParam(" + std::to_string(code) + "," +
                       (event && value != 0 ? std::string("event") : std::to_string(value)) + ")");
    params_[code] = value;
    return 0;
  }
  int GetParam(int code, std::intptr_t &value) override {
    std::lock_guard lock(mutex_);
    if (code == 5 || code == 10) {
      const auto &types = code == 5 ? video_ : audio_;
      value = types.empty() ? 0 : reinterpret_cast<std::intptr_t>(&types.back());
      return 0;
    }
    if (code == 0x1001) {
      value = scrambled_;
      return 0;
    }
    return -1;
  }
  void DeliverTs(const std::uint8_t *, std::int32_t length) noexcept override {
    bytes_ += static_cast<std::uint64_t>(length);
    ++deliveries_;
  }
  void DeliverPva(const std::uint8_t *) noexcept override { ++pvaDeliveries_; }
  void StopFeed() override { Log("StopFeed"); }

  // The source learnt a stream's type: stores it and signals the graph's event.
  void Announce(TMajorType kind, const TMediaType &type) {
    std::intptr_t event = 0;
    {
      std::lock_guard lock(mutex_);
      // Kept for the source's life, so a pointer handed out stays valid.
      (kind == TMajorType::Video ? video_ : audio_).push_back(type);
      event = params_[kind == TMajorType::Video ? 257 : 259];
    }
    if (event != 0)
      reinterpret_cast<const TEventRef *>(event)->Signal();
  }
  void SetScrambled(std::intptr_t count) {
    std::lock_guard lock(mutex_);
    scrambled_ = count;
  }
  std::intptr_t Param(int code) const {
    std::lock_guard lock(mutex_);
    const auto it = params_.find(code);
    return it == params_.end() ? 0 : it->second;
  }
  std::vector<std::string> Journal() const {
    std::lock_guard lock(mutex_);
    return journal_;
  }
  std::uint64_t Bytes() const { return bytes_; }
  std::uint64_t Deliveries() const { return deliveries_; }
  std::uint64_t PvaDeliveries() const { return pvaDeliveries_; }

private:
  void Log(std::string entry) {
    std::lock_guard lock(mutex_);
    journal_.push_back(std::move(entry));
  }

  mutable std::mutex mutex_;
  std::vector<std::string> journal_;
  std::map<int, std::intptr_t> params_;
  std::deque<TMediaType> video_, audio_;
  std::intptr_t scrambled_ = 0;
  std::atomic<std::uint64_t> bytes_{0}, deliveries_{0}, pvaDeliveries_{0};
};

struct FakeClass {
  TFilterRole Role = TFilterRole::Other;
  std::vector<std::string> Pins;
};

// What graphs of a factory can do.
struct FakeGraphSetup {
  std::map<std::string, FakeClass> Classes{
      {"qevavsource", {TFilterRole::AvSource, {"Video", "Audio"}}},
      {"videodecoder", {TFilterRole::Other, {"sink", "src"}}},
      {"audiodecoder", {TFilterRole::Other, {"sink", "src"}}},
      {"videosink", {TFilterRole::VideoRenderer, {"sink"}}},
      {"audiosink", {TFilterRole::AudioRenderer, {"sink"}}},
      {"channelswitch", {TFilterRole::ChannelSwitch, {"sink", "src"}}},
      {"Video Renderer", {TFilterRole::VideoRenderer, {"Input Pin"}}},
  };
  bool SourceInterface = true;
  bool FailConnect = false;
  std::set<TGraphState> FailStates;
  bool FailAttach = false;
  bool FailGeometry = false;
  bool FailCrop = false;
  bool FailRender = false;
  std::optional<TVideoSize> NativeSize = TVideoSize{720, 576};
  // Called as a graph goes, e.g. to read what its source was last told.
  std::function<void(class FakeGraph &)> OnDestroy;
  std::map<TPictureControl, TControlRange> Ranges{
      {TPictureControl::Brightness, {-1, 1}},
      {TPictureControl::Contrast, {0, 2}},
      {TPictureControl::Hue, {-1, 1}},
      {TPictureControl::Saturation, {0, 2}},
  };
};

class FakeGraph final : public IGraph {
public:
  explicit FakeGraph(FakeGraphSetup setup) : setup_(std::move(setup)) {}
  ~FakeGraph() override {
    if (setup_.OnDestroy)
      setup_.OnDestroy(*this);
  }

  int AddFilter(const std::string &cls, const std::string &name) override {
    std::lock_guard lock(mutex_);
    journal_.push_back("AddFilter(" + cls + "," + name + ")");
    const auto known = setup_.Classes.find(cls);
    if (known == setup_.Classes.end())
      return 0x2001;
    if (Find(name) != nullptr)
      return 0x2002;
    filters_.push_back({name, cls, known->second.Role, known->second.Pins});
    return 0;
  }
  bool HasFilter(const std::string &name) const override {
    std::lock_guard lock(mutex_);
    return Find(name) != nullptr;
  }
  std::optional<std::string> FindPin(const std::string &filter,
                                     const std::string &pin) const override {
    std::lock_guard lock(mutex_);
    return PinOf(filter, pin);
  }
  bool ConnectPins(const std::string &source, const std::string &sourcePin,
                   const std::string &destination, const std::string &destinationPin) override {
    std::lock_guard lock(mutex_);
    journal_.push_back("Connect(" + source + "." + sourcePin + "->" + destination + "." +
                       destinationPin + ")");
    if (setup_.FailConnect || !PinOf(source, sourcePin) || !PinOf(destination, destinationPin))
      return false;
    connected_.insert({source, sourcePin});
    connected_.insert({destination, destinationPin});
    return true;
  }
  bool PinConnected(const std::string &filter, const std::string &pin) const override {
    std::lock_guard lock(mutex_);
    return connected_.count({filter, pin}) != 0;
  }
  std::vector<TFilterInfo> Filters() const override {
    std::lock_guard lock(mutex_);
    std::vector<TFilterInfo> infos;
    for (const Filter &filter : filters_)
      infos.push_back({filter.Name, filter.Class, filter.Role, false});
    return infos;
  }
  void InsertControls() override { Log("InsertControls"); }
  bool RenderMedia(const std::string &file) override {
    std::lock_guard lock(mutex_);
    journal_.push_back("RenderMedia(" + file + ")");
    rendered_ = !setup_.FailRender;
    return rendered_;
  }
  bool SetState(TGraphState state) override {
    std::lock_guard lock(mutex_);
    journal_.push_back(state == TGraphState::Running  ? "Run"
                       : state == TGraphState::Paused ? "Pause"
                                                      : "Stop");
    if (setup_.FailStates.count(state) != 0)
      return false;
    state_ = state;
    return true;
  }
  bool HasVideoRenderer() const override {
    std::lock_guard lock(mutex_);
    return rendered_ || HasRole(TFilterRole::VideoRenderer);
  }
  bool AttachSurface(std::uintptr_t surface) override {
    std::lock_guard lock(mutex_);
    journal_.push_back("Attach(" + std::to_string(surface) + ")");
    return !setup_.FailAttach;
  }
  bool SetRendererGeometry(const TRendererGeometry &g) override {
    std::lock_guard lock(mutex_);
    journal_.push_back("Geometry(" + std::to_string(g.Left) + "," + std::to_string(g.Top) + "," +
                       std::to_string(g.Width) + "," + std::to_string(g.Height) + "," +
                       std::to_string(g.AspectMode) + ")");
    return !setup_.FailGeometry;
  }
  std::optional<TVideoSize> NativeVideoSize() const override {
    std::lock_guard lock(mutex_);
    return setup_.NativeSize;
  }
  bool SetSourceCrop(int x, int y) override {
    std::lock_guard lock(mutex_);
    journal_.push_back("Crop(" + std::to_string(x) + "," + std::to_string(y) + ")");
    return !setup_.FailCrop;
  }
  std::optional<TControlRange> PictureRange(TPictureControl control) const override {
    std::lock_guard lock(mutex_);
    const auto it = setup_.Ranges.find(control);
    return it == setup_.Ranges.end() ? std::nullopt : std::optional(it->second);
  }
  std::optional<double> GetPicture(TPictureControl control) const override {
    std::lock_guard lock(mutex_);
    if (setup_.Ranges.count(control) == 0)
      return std::nullopt;
    const auto it = picture_.find(control);
    return it == picture_.end() ? setup_.Ranges.at(control).Min : it->second;
  }
  bool SetPicture(TPictureControl control, double value) override {
    std::lock_guard lock(mutex_);
    if (setup_.Ranges.count(control) == 0)
      return false;
    // Kept as the element keeps it: a float property.
    picture_[control] = static_cast<float>(value);
    return true;
  }
  bool HasAudio() const override {
    std::lock_guard lock(mutex_);
    return rendered_ || HasRole(TFilterRole::AudioRenderer);
  }
  std::optional<double> GetVolume() const override {
    std::lock_guard lock(mutex_);
    return volume_;
  }
  bool SetVolume(double factor) override {
    std::lock_guard lock(mutex_);
    volume_ = factor;
    return true;
  }
  std::optional<double> GetPanorama() const override {
    std::lock_guard lock(mutex_);
    return panorama_;
  }
  bool SetPanorama(double position) override {
    std::lock_guard lock(mutex_);
    panorama_ = position;
    return true;
  }
  bool HasChannelSwitch() const override {
    std::lock_guard lock(mutex_);
    return HasRole(TFilterRole::ChannelSwitch);
  }
  std::optional<int> GetChannelMode() const override {
    std::lock_guard lock(mutex_);
    return channelMode_;
  }
  bool SetChannelMode(int mode) override {
    std::lock_guard lock(mutex_);
    channelMode_ = mode;
    return true;
  }
  IDvbAvSrcIntf *AvSource() const override {
    std::lock_guard lock(mutex_);
    return setup_.SourceInterface && HasRole(TFilterRole::AvSource) ? &source_ : nullptr;
  }
  bool ReconnectPin(const std::string &filter, const std::string &pin) override {
    Log("Reconnect(" + filter + "." + pin + ")");
    return true;
  }
  void UseAudioClock() override { Log("UseAudioClock"); }
  TRenderCounts Counts() const override { return {}; }

  // For the tests.
  FakeAvSource &Source() { return source_; }
  std::vector<std::string> Journal() const {
    std::lock_guard lock(mutex_);
    return journal_;
  }
  std::size_t CountOf(const std::string &entry) const {
    const auto journal = Journal();
    return static_cast<std::size_t>(std::count(journal.begin(), journal.end(), entry));
  }
  TGraphState State() const {
    std::lock_guard lock(mutex_);
    return state_;
  }
  double Volume() const { return GetVolume().value_or(0); }
  double Panorama() const { return GetPanorama().value_or(0); }
  void SetGeometryFails(bool fails) {
    std::lock_guard lock(mutex_);
    setup_.FailGeometry = fails;
  }

private:
  struct Filter {
    std::string Name, Class;
    TFilterRole Role;
    std::vector<std::string> Pins;
  };
  const Filter *Find(const std::string &name) const {
    for (const Filter &filter : filters_)
      if (filter.Name == name)
        return &filter;
    return nullptr;
  }
  std::optional<std::string> PinOf(const std::string &filter, const std::string &pin) const {
    const Filter *found = Find(filter);
    if (found == nullptr)
      return std::nullopt;
    for (const std::string &name : found->Pins)
      if (name == pin)
        return name;
    for (const std::string &name : found->Pins)
      if (FakeLower(name) == FakeLower(pin))
        return name;
    return std::nullopt;
  }
  bool HasRole(TFilterRole role) const {
    return std::any_of(filters_.begin(), filters_.end(),
                       [role](const Filter &filter) { return filter.Role == role; });
  }
  void Log(std::string entry) {
    std::lock_guard lock(mutex_);
    journal_.push_back(std::move(entry));
  }

  mutable std::mutex mutex_;
  FakeGraphSetup setup_;
  std::vector<Filter> filters_;
  std::set<std::pair<std::string, std::string>> connected_;
  std::vector<std::string> journal_;
  TGraphState state_ = TGraphState::Stopped;
  bool rendered_ = false;
  std::map<TPictureControl, double> picture_;
  double volume_ = 1.0, panorama_ = 0.0;
  int channelMode_ = 0;
  mutable FakeAvSource source_;
};

// Makes FakeGraphs from its setup; remembers the last one made (valid while that graph lives).
class FakeGraphFactory final : public IGraphFactory {
public:
  std::unique_ptr<IGraph> CreateGraph() override {
    std::lock_guard lock(mutex_);
    ++created_;
    if (fail_)
      return nullptr;
    auto graph = std::make_unique<FakeGraph>(setup_);
    last_ = graph.get();
    return graph;
  }
  FakeGraphSetup &Setup() { return setup_; }
  void SetFails(bool fails) {
    std::lock_guard lock(mutex_);
    fail_ = fails;
  }
  FakeGraph *Last() {
    std::lock_guard lock(mutex_);
    return last_;
  }
  int Created() {
    std::lock_guard lock(mutex_);
    return created_;
  }

private:
  std::mutex mutex_;
  FakeGraphSetup setup_;
  FakeGraph *last_ = nullptr;
  int created_ = 0;
  bool fail_ = false;
};

} // namespace qev::video::test
