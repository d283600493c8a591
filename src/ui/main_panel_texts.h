#pragma once

#include "data/channel_rec.h"

#include <optional>
#include <string>
#include <string_view>

namespace qev::ui {

inline constexpr const char *kNoChannelText = "<No channel>";
inline constexpr const char *kSubtitleInputTitle = "Subtitles";
inline constexpr const char *kSubtitleInputLabel = "Teletext Page";

// The panels that describe AV slot 0's channel: provider and name after one blank, and
// " " + frequency in MHz + "," + polarisation + "," + symbol rate.
std::string ProviderPanelText(const data::TChannelRec &rec);
std::string NamePanelText(const data::TChannelRec &rec);
std::string FrequencyPanelText(const data::TChannelRec &rec);
// " " + video + " / " + audio; without " / " when there is no video text.
std::string MediaPanelText(std::string_view video, std::string_view audio);
// The hint while the volume slider moves.
std::string VolumeHint(int volume);
// The audio channel button: "A-", "-B" or "AB" for modes 1, 2 and the others; modes 3 and above
// mean the module reports none and disable the button.
std::string AudioChannelCaption(int mode);
bool AudioChannelKnown(int mode);
// A page typed into the subtitle input box: 0..999, nothing for anything else.
std::optional<int> SubtitlePageInput(std::string_view text);
// "Sub/" + the page in three digits.
std::string SubtitleButtonCaption(int page);
// A known subtitle page in the button's menu: "Page " + number + " (" + language + ")".
std::string SubtitlePageItem(int page, std::string_view language);
// The record menu's slot items: "AV0: name", "PIP: name", or the prefix + ": <No channel>".
std::string RecordSlotCaption(std::string_view prefix, const data::TChannelRec *channel);
// The title of a whole-stream recording: "FTS-" + frequency in MHz + polarisation.
std::string FullTsTitle(const data::TChannelRec &rec);

} // namespace qev::ui
