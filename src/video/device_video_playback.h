#pragma once

#include "video/video_outputs.h"

#include <string>

namespace qev::video {

class TGraphSlots;

// The playback of the six videos: the AV slots through the loaded device module (which uses
// the graph helpers or its own output), the media places through the graph slots.
class TDeviceVideoPlayback final : public IVideoPlayback {
public:
  // Without slots the media places answer as empty.
  explicit TDeviceVideoPlayback(TGraphSlots *graphSlots) : slots_(graphSlots) {}

  // The graph slots go away after the device module: the media places then answer as empty.
  void SetSlots(TGraphSlots *graphSlots) { slots_ = graphSlots; }
  // The file that video 4 plays when it opens next.
  void SetMediaFile(std::string file) { mediaFile_ = std::move(file); }

  std::uintptr_t Start(int index, std::uintptr_t owner) override;
  std::uintptr_t Move(int index, std::uintptr_t owner) override;
  void SetRect(int index, const TVideoRect &rect) override;
  void SetOption(int index, int option, int value) override;
  void Stop(int index) override;
  bool Sound(int index, bool set, SoundRecord &sound) override;
  bool Picture(int index, bool set, PictureRecord &picture) override;
  std::string Error(int index) override;

private:
  static bool AvSlot(int index) { return index >= 0 && index < 4; }

  TGraphSlots *slots_;
  std::string mediaFile_;
};

} // namespace qev::video
