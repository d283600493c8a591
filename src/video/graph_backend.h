#pragma once

#include "video/av_source.h"
#include "video/video_surface.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qev::video {

// What a filter of a graph is to the wrapper, from its class.
enum class TFilterRole : std::uint8_t {
  Other,
  VideoRenderer, // draws on a video surface
  AudioRenderer,
  ChannelSwitch, // the channel A/B switch
  AvSource,      // the live source filter with the "Video" and "Audio" pins
  MediaSource,   // reads a media file
};

struct TFilterInfo {
  std::string Name;  // as added to the graph (at most 128 characters shown)
  std::string Class; // the class it was created from (factory name or alias)
  TFilterRole Role = TFilterRole::Other;
  bool HasPages = false; // offers settings a property page can show
};

enum class TGraphState : std::uint8_t { Stopped, Paused, Running };

// Picture controls of the graph in the element's own units.
enum class TPictureControl : std::uint8_t { Brightness, Contrast, Hue, Saturation };
struct TControlRange {
  double Min = 0, Max = 0;
};

struct TVideoSize {
  int Width = 0, Height = 0;
};

// What the renderers received, for qevtool play, tests and the statistics.
struct TRenderCounts {
  std::uint64_t VideoFrames = 0;
  std::uint64_t AudioBuffers = 0;
  // steady_clock nanoseconds since its epoch of the first frame and buffer; 0 = none yet.
  std::int64_t FirstVideoNs = 0, FirstAudioNs = 0;
  int AudioChannels = 0, AudioRate = 0; // as decoded
  std::vector<std::string> Errors;      // error messages the pipeline posted
};

// One media pipeline. TDsGraphBasic drives it; the GStreamer backend implements it and a fake
// does in tests. No call throws; failures answer false or nothing.
class IGraph {
public:
  virtual ~IGraph() = default;

  // Building. cls is a factory name or one of the system's aliases (a class id in braces, or
  // a friendly name). AddFilter answers 0, 0x2001 (no such class, or it cannot be created) or
  // 0x2002 (it cannot join the graph, e.g. a name already taken).
  virtual int AddFilter(const std::string &cls, const std::string &name) = 0;
  virtual bool HasFilter(const std::string &name) const = 0;
  // The filter's pin of that name: its own lookup first, then any pin (also one that appears
  // later) whose name equals ignoring letter case. Answers the pin's exact name.
  virtual std::optional<std::string> FindPin(const std::string &filter,
                                             const std::string &pin) const = 0;
  // Links directly; a pin that appears later is linked when it appears.
  virtual bool ConnectPins(const std::string &source, const std::string &sourcePin,
                           const std::string &destination, const std::string &destinationPin) = 0;
  // Whether a pin is linked, or waits to be linked when it appears.
  virtual bool PinConnected(const std::string &filter, const std::string &pin) const = 0;
  virtual std::vector<TFilterInfo> Filters() const = 0;
  // Puts the picture and sound controls (videobalance, videocrop, volume, audiopanorama, the
  // channel switch) in front of the renderers where the graph lacks them.
  virtual void InsertControls() = 0;
  // Renders a media file into the graph's renderers (media graphs).
  virtual bool RenderMedia(const std::string &file) = 0;

  virtual bool SetState(TGraphState state) = 0;

  // The video window: the surface the video renderer draws on, and where on it.
  virtual bool HasVideoRenderer() const = 0;
  virtual bool AttachSurface(std::uintptr_t surface) = 0;
  virtual bool SetRendererGeometry(const TRendererGeometry &geometry) = 0;
  virtual std::optional<TVideoSize> NativeVideoSize() const = 0;
  // Pixels cut away on the left and right (x) and at top and bottom (y).
  virtual bool SetSourceCrop(int x, int y) = 0;

  virtual std::optional<TControlRange> PictureRange(TPictureControl control) const = 0;
  virtual std::optional<double> GetPicture(TPictureControl control) const = 0;
  virtual bool SetPicture(TPictureControl control, double value) = 0;

  // Volume as the volume element's factor (1.0 = unchanged), panorama -1..1, channel mode
  // 0 (A and B), 1 (A), 2 (B).
  virtual bool HasAudio() const = 0;
  virtual std::optional<double> GetVolume() const = 0;
  virtual bool SetVolume(double factor) = 0;
  virtual std::optional<double> GetPanorama() const = 0;
  virtual bool SetPanorama(double position) = 0;
  virtual bool HasChannelSwitch() const = 0;
  virtual std::optional<int> GetChannelMode() const = 0;
  virtual bool SetChannelMode(int mode) = 0;

  // The live source filter's feed interface, owned by the graph; nullptr without one.
  virtual IDvbAvSrcIntf *AvSource() const = 0;
  // Makes the source pin renegotiate after its media type changed.
  virtual bool ReconnectPin(const std::string &filter, const std::string &pin) = 0;
  // Lets the audio renderer's clock pace the graph when it offers one.
  virtual void UseAudioClock() = 0;

  // What reached the renderers since the graph was built.
  virtual TRenderCounts Counts() const = 0;
};

// How renderers are made: shown on the program's surfaces, or counted without showing (tests
// and qevtool play).
enum class TRenderMode : std::uint8_t { Show, Count };

class IGraphFactory {
public:
  virtual ~IGraphFactory() = default;
  // nullptr when no graph can be created (the backend failed to start).
  virtual std::unique_ptr<IGraph> CreateGraph() = 0;
};

} // namespace qev::video
