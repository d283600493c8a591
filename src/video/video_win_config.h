#pragma once

#include "devapi/qev_devapi.h"
#include "frame/fast_ini_file.h"
#include "video/video_geometry.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qev::video {

inline constexpr const char *kVideoWinFile = "VideoWin.cfg";
inline constexpr const char *kPipPosComment = "PIP Window position (% percent of screen size)";

// A floating window's saved place: bounds, the sizeable border and the window shape.
struct TSavedWinPos {
  TVideoRect Bounds;
  bool Border = true;
  int Shape = kShape4x3;
  bool operator==(const TSavedWinPos &) const = default;
};

// The sound of one video: volume 0..100 and mute.
struct TVideoVolume {
  int Volume = 50;
  bool Muted = false;
  bool operator==(const TVideoVolume &) const = default;
};

// "VideoWin.cfg": saved window places, preset sizes and positions, picture and sound settings
// of the six videos. Reads through the settings engine, so an unreadable file is reported, read
// as defaults and never written over.
class TVideoWinConfig {
public:
  explicit TVideoWinConfig(frame::TFastIniFile &file) : file_(file) {}

  // Missing or negative left/top give the screen centre minus 160 and 120; a width or height
  // of 0 or less 320 and 240; a border other than 0 or 1 gives 1; a shape outside 0..2 gives 1.
  TSavedWinPos ReadWinPos(int index, TVideoSize screen);
  void WriteWinPos(int index, const TSavedWinPos &pos);

  // The preset lists; the defaults are written when a list is empty.
  std::vector<std::string> CustomSizes();
  std::vector<std::string> CustomPipPos();

  // Replaces the picture's six values with the stored ones for its tag; false when none.
  bool ReadColors(int index, PictureRecord &picture);
  void WriteColors(int index, const PictureRecord &picture);

  TVideoVolume ReadSound(int index);
  void WriteSound(int index, TVideoVolume sound);

private:
  frame::TFastIniFile &file_;
};

// Value parsing of the file, also for tests.
TSavedWinPos ParseWinPos(const std::string &value, TVideoSize screen);
std::string FormatWinPos(const TSavedWinPos &pos);
// Hex digits in pairs, other characters skipped; at most six bytes.
std::vector<std::uint8_t> ParseColorBytes(const std::string &value);
TVideoVolume ParseSound(const std::string &value);
std::string FormatSound(TVideoVolume sound);
// The record's tag as text: empty when the tag is blank.
std::string PictureTag(const PictureRecord &picture);

// Opens "VideoWin.cfg" (file; nothing happens for an empty name), lets use read or write it,
// and saves what changed; a failed save goes to the log.
void UpdateVideoWinConfig(const std::string &file,
                          const std::function<void(TVideoWinConfig &)> &use);

} // namespace qev::video
