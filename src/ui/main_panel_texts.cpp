#include "ui/main_panel_texts.h"

#include <charconv>
#include <cstdio>

namespace qev::ui {

namespace {

// A record without a polarisation (zeroed) adds no character.
std::string PolarText(char polar) { return polar ? std::string(1, polar) : std::string(); }

} // namespace

std::string ProviderPanelText(const data::TChannelRec &rec) {
  return " " + data::FixedText(rec.ChProv);
}

std::string NamePanelText(const data::TChannelRec &rec) { return " " + data::ChName(rec); }

std::string FrequencyPanelText(const data::TChannelRec &rec) {
  return " " + std::to_string(rec.Freq / 1000) + "," + PolarText(rec.Polar) + "," +
         std::to_string(rec.SRate);
}

std::string MediaPanelText(std::string_view video, std::string_view audio) {
  std::string text = " ";
  text += video;
  if (!video.empty())
    text += " / ";
  text += audio;
  return text;
}

std::string VolumeHint(int volume) { return "Volume " + std::to_string(volume) + " %"; }

std::string AudioChannelCaption(int mode) {
  switch (mode) {
  case 1:
    return "A-";
  case 2:
    return "-B";
  default:
    return "AB";
  }
}

bool AudioChannelKnown(int mode) { return mode >= 0 && mode < 3; }

std::optional<int> SubtitlePageInput(std::string_view text) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  int page = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), page);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || page < 0 ||
      page > 999)
    return std::nullopt;
  return page;
}

std::string SubtitleButtonCaption(int page) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%03d", page);
  return std::string("Sub/") + digits;
}

std::string SubtitlePageItem(int page, std::string_view language) {
  return "Page " + std::to_string(page) + " (" + std::string(language) + ")";
}

std::string RecordSlotCaption(std::string_view prefix, const data::TChannelRec *channel) {
  return std::string(prefix) + ": " + (channel ? data::ChName(*channel) : kNoChannelText);
}

std::string FullTsTitle(const data::TChannelRec &rec) {
  return "FTS-" + std::to_string(rec.Freq / 1000) + PolarText(rec.Polar);
}

} // namespace qev::ui
