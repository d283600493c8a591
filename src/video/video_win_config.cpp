#include "video/video_win_config.h"

#include "frame/log.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace qev::video {

namespace {

constexpr const char *kSavedWinPos = "SavedWinPos";
constexpr const char *kCustomSizes = "CustomSizes";
constexpr const char *kCustomPipPos = "CustomPipPos";
constexpr const char *kColorSettings = "ColorSettings";
constexpr const char *kSoundSettings = "SoundSettings";
constexpr std::uint32_t kMutedBit = 0x1000000;

std::string VideoKey(int index) { return "Video" + std::to_string(index); }

std::string ColorKey(int index, const PictureRecord &picture) {
  return VideoKey(index) + "_" + PictureTag(picture);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// A string list, with its defaults written when it is empty.
std::vector<std::string> ListWithDefaults(frame::TFastIniFile &file, const char *section,
                                          const char *name,
                                          const std::vector<std::string> &defaults,
                                          const char *commentAbove) {
  std::vector<std::string> items = file.ReadStringList(section, name);
  std::erase_if(items, [](const std::string &s) { return s.empty(); });
  if (!items.empty())
    return items;
  file.WriteStringList(section, name, defaults);
  if (commentAbove)
    file.InsertComment(section, "",
                       frame::TFastIniFile::kCreateMissing | frame::TFastIniFile::kReplaceExisting,
                       frame::TFastIniFile::CommentPlace::AboveSection, commentAbove);
  return defaults;
}

} // namespace

std::string PictureTag(const PictureRecord &picture) {
  std::string tag(picture.Tag, picture.Tag + sizeof picture.Tag);
  tag.erase(std::find(tag.begin(), tag.end(), '\0'), tag.end());
  while (!tag.empty() && tag.back() == ' ')
    tag.pop_back();
  return tag;
}

TSavedWinPos ParseWinPos(const std::string &value, TVideoSize screen) {
  // Six comma-separated integers; a missing one reads as -1 so that its default applies.
  int v[6] = {-1, -1, -1, -1, -1, -1};
  std::istringstream in(value);
  std::string part;
  for (int i = 0; i < 6 && std::getline(in, part, ','); ++i) {
    char *end = nullptr;
    const long n = std::strtol(part.c_str(), &end, 10);
    if (end != part.c_str())
      v[i] = static_cast<int>(n);
  }
  TSavedWinPos pos;
  pos.Bounds.Left = v[0] < 0 ? screen.Width / 2 - 160 : v[0];
  pos.Bounds.Top = v[1] < 0 ? screen.Height / 2 - 120 : v[1];
  pos.Bounds.Width = v[2] <= 0 ? 320 : v[2];
  pos.Bounds.Height = v[3] <= 0 ? 240 : v[3];
  pos.Border = v[4] != 0;
  pos.Shape = v[5] >= 0 && v[5] <= 2 ? v[5] : kShape4x3;
  return pos;
}

std::string FormatWinPos(const TSavedWinPos &pos) {
  return fmt::format("{},{},{},{},{},{}", pos.Bounds.Left, pos.Bounds.Top, pos.Bounds.Width,
                     pos.Bounds.Height, pos.Border ? 1 : 0, pos.Shape);
}

std::vector<std::uint8_t> ParseColorBytes(const std::string &value) {
  std::vector<std::uint8_t> bytes;
  int high = -1;
  for (const char c : value) {
    const int digit = HexDigit(c);
    if (digit < 0)
      continue;
    if (high < 0) {
      high = digit;
      continue;
    }
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + digit));
    high = -1;
    if (bytes.size() == 6)
      break;
  }
  return bytes;
}

TVideoVolume ParseSound(const std::string &value) {
  std::uint32_t number = 50;
  bool valid = !value.empty() && value.size() <= 8;
  std::uint32_t parsed = 0;
  for (const char c : value) {
    const int digit = HexDigit(c);
    if (digit < 0) {
      valid = false;
      break;
    }
    parsed = parsed * 16 + static_cast<std::uint32_t>(digit);
  }
  if (valid)
    number = parsed;
  return {std::min<int>(number & 0xFF, 100), number > 0xFFFFFF};
}

std::string FormatSound(TVideoVolume sound) {
  const std::uint32_t value =
      static_cast<std::uint32_t>(std::clamp(sound.Volume, 0, 100)) + (sound.Muted ? kMutedBit : 0);
  return fmt::format("{:08X}", value);
}

TSavedWinPos TVideoWinConfig::ReadWinPos(int index, TVideoSize screen) {
  return ParseWinPos(file_.ReadString(kSavedWinPos, VideoKey(index), ""), screen);
}

void TVideoWinConfig::WriteWinPos(int index, const TSavedWinPos &pos) {
  file_.WriteString(kSavedWinPos, VideoKey(index), FormatWinPos(pos));
}

std::vector<std::string> TVideoWinConfig::CustomSizes() {
  return ListWithDefaults(file_, kCustomSizes, "Size", {"160x120", "320x240", "640x480"}, nullptr);
}

std::vector<std::string> TVideoWinConfig::CustomPipPos() {
  std::vector<std::string> defaults;
  for (const char *y : {"05", "50", "95"})
    for (const char *x : {"05", "50", "95"})
      defaults.push_back(std::string(x) + "," + y);
  return ListWithDefaults(file_, kCustomPipPos, "Position", defaults, kPipPosComment);
}

bool TVideoWinConfig::ReadColors(int index, PictureRecord &picture) {
  if (PictureTag(picture).empty() || !file_.ValueExists(kColorSettings, ColorKey(index, picture)))
    return false;
  const auto bytes =
      ParseColorBytes(file_.ReadString(kColorSettings, ColorKey(index, picture), ""));
  std::copy(bytes.begin(), bytes.end(), picture.Values);
  return true;
}

void TVideoWinConfig::WriteColors(int index, const PictureRecord &picture) {
  if (PictureTag(picture).empty())
    return;
  std::string hex;
  for (const std::uint8_t b : picture.Values)
    hex += fmt::format("{:02X}", b);
  file_.WriteString(kColorSettings, ColorKey(index, picture), hex);
}

TVideoVolume TVideoWinConfig::ReadSound(int index) {
  return ParseSound(file_.ReadString(kSoundSettings, "Audio" + std::to_string(index), "32"));
}

void TVideoWinConfig::WriteSound(int index, TVideoVolume sound) {
  file_.WriteString(kSoundSettings, "Audio" + std::to_string(index), FormatSound(sound));
}

void UpdateVideoWinConfig(const std::string &file,
                          const std::function<void(TVideoWinConfig &)> &use) {
  if (file.empty())
    return;
  frame::TFastIniFile ini(file);
  TVideoWinConfig config(ini);
  use(config);
  if (const std::string error = ini.UpdateFile(); !error.empty())
    frame::Log(error, frame::kLogError);
}

} // namespace qev::video
