#pragma once

#include "video/graph_backend.h"
#include "video/gst/gst_av_source.h"
#include "video/gst/gst_bus_watch.h"
#include "video/gst/gst_pad_choice.h"
#include "video/gst/gst_render_tally.h"
#include "video/gst/gst_video_renderer.h"

#include <gst/gst.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace qev::video::gst {

// One graph as a GStreamer pipeline whose elements carry the graph's filter names.
class TGstGraph final : public IGraph {
public:
  explicit TGstGraph(TRenderMode mode);
  ~TGstGraph() override;
  TGstGraph(const TGstGraph &) = delete;
  TGstGraph &operator=(const TGstGraph &) = delete;

  int AddFilter(const std::string &cls, const std::string &name) override;
  bool HasFilter(const std::string &name) const override;
  std::optional<std::string> FindPin(const std::string &filter,
                                     const std::string &pin) const override;
  bool ConnectPins(const std::string &source, const std::string &sourcePin,
                   const std::string &destination, const std::string &destinationPin) override;
  bool PinConnected(const std::string &filter, const std::string &pin) const override;
  std::vector<TFilterInfo> Filters() const override;
  void InsertControls() override;
  bool RenderMedia(const std::string &file) override;
  bool SetState(TGraphState state) override;

  bool HasVideoRenderer() const override { return video_ != nullptr; }
  bool AttachSurface(std::uintptr_t surface) override;
  bool SetRendererGeometry(const TRendererGeometry &geometry) override;
  std::optional<TVideoSize> NativeVideoSize() const override;
  bool SetSourceCrop(int x, int y) override;

  std::optional<TControlRange> PictureRange(TPictureControl control) const override;
  std::optional<double> GetPicture(TPictureControl control) const override;
  bool SetPicture(TPictureControl control, double value) override;

  bool HasAudio() const override;
  std::optional<double> GetVolume() const override;
  bool SetVolume(double factor) override;
  std::optional<double> GetPanorama() const override;
  bool SetPanorama(double position) override;
  bool HasChannelSwitch() const override;
  std::optional<int> GetChannelMode() const override;
  bool SetChannelMode(int mode) override;

  IDvbAvSrcIntf *AvSource() const override { return source_.get(); }
  bool ReconnectPin(const std::string &filter, const std::string &pin) override;
  void UseAudioClock() override;
  TRenderCounts Counts() const override { return tally_.Snapshot(); }

  // The element of a filter, for the settings a graph file cannot give; owned by the graph.
  GstElement *Element(const std::string &name) const;

private:
  struct TFilter {
    std::string Name, Class;
    TFilterRole Role = TFilterRole::Other;
    GstElement *Element = nullptr; // owned by the pipeline
    std::vector<std::string> LaterPads;
  };
  // A link made whenever a matching pad appears on the source (and the destination is free).
  struct TLaterLink {
    GstElement *Source = nullptr;
    TPadChoice SourcePad;
    GstElement *Destination = nullptr;
    std::string DestinationPad;
  };

  GstElement *MakeElement(const std::string &cls, const std::string &name, TFilter &filter);
  int Adopt(TFilter &&filter);
  const TFilter *Find(const std::string &name) const;
  const TFilter *FindFactory(const char *factory) const;
  const TFilter *FindRole(TFilterRole role) const;
  std::string UniqueName(const std::string &base) const;
  GstElement *AddControl(const char *factory, const std::string &name);
  void CountAudio(GstElement *renderer);
  bool Link(GstElement *source, const TPadChoice &sourcePad, GstElement *destination,
            const std::string &destinationPad);
  void WatchPads(GstElement *element);
  static void OnElementAdded(GstBin *bin, GstBin *parent, GstElement *element, gpointer self);
  void MakeSinksLive();
  static void OnPadAdded(GstElement *element, GstPad *pad, gpointer self);
  void PadAdded(GstElement *element, GstPad *pad);
  void InsertBefore(GstElement *target, const std::vector<GstElement *> &chain);
  GstElement *Control(const char *factory) const;
  GstElement *InputOf(GstElement *renderer) const;

  TRenderMode mode_;
  GstElement *pipeline_ = nullptr;
  TRenderTally tally_;
  std::unique_ptr<TGstBusWatch> bus_;
  std::unique_ptr<TGstAvSource> source_;
  std::unique_ptr<TGstVideoRenderer> video_;
  std::vector<TFilter> filters_;
  bool controlsWanted_ = false;
  std::atomic<bool> live_{false};   // fed by the live source: renderers never wait to preroll
  std::set<GstElement *> controls_; // put in front of the renderers by InsertControls

  mutable std::mutex linkMutex_; // later links, between building and the streaming threads
  std::vector<TLaterLink> laterLinks_;
  std::set<GstElement *> watched_;
};

} // namespace qev::video::gst
