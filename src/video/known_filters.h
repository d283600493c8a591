#pragma once

#include "video/filter_registry.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qev::video {

// Kinds of known filters; 1..6 are the groups the user picks from, the rest are the writer's.
inline constexpr int kKindDeleted = 0;
inline constexpr int kKindVideoDecoder = 1;
inline constexpr int kKindAudioDecoder = 2;
inline constexpr int kKindVideoPost = 3;
inline constexpr int kKindAudioPost = 4;
inline constexpr int kKindVideoRender = 5;
inline constexpr int kKindAudioRender = 6;
inline constexpr int kKindFinalRender = 7;
inline constexpr int kKindSource = 8;
inline constexpr int kKindChannelSwitch = 9;
inline constexpr int kGroupKindCount = 6;

inline constexpr const char *kKnowFiltersFileName = "KnowFilters.cfg";
inline constexpr const char *kSourceLibrary = "DvbAvSrc.ax";
inline constexpr const char *kSwitchLibrary = "MonoSwitch.ax";

// "Video Decoders" .. "Audio Renders" for kinds 1..6, empty for any other.
const char *FilterGroupName(int kind);
bool KindHasOutput(int kind);

// Field limits in bytes of UTF-8.
inline constexpr std::size_t kMaxClassIdBytes = 40;
inline constexpr std::size_t kMaxFilterNameBytes = 80;
inline constexpr std::size_t kMaxShortFieldBytes = 40;

struct TKnownFilter {
  int Kind = kKindDeleted;
  bool BuiltIn = false;
  int Status = kFilterUsable;
  std::string ClassId, Name, Info, InputPin, OutputPin;

  // The name, with the info in brackets after it when there is one.
  std::string Caption() const;
  bool operator==(const TKnownFilter &) const = default;
};

// The built-ins the AutoGraph writer adds around the user's choice.
TKnownFilter SourceFilterRecord();
TKnownFilter ChannelSwitchRecord();
// "Video Render" as the final renderer behind a mixer (kind 7).
TKnownFilter FinalRenderRecord();

// The fields as the file and the list hold them: commas would split a line of the file, so
// they are removed, and each field is cut to its limit.
TKnownFilter SanitizedFilter(TKnownFilter filter);

// One entry of a choice list: the text shown and the record's place in the list (none for "-").
struct TFilterChoice {
  std::string Text;
  std::optional<std::size_t> Index;
};

// The known filters, sorted by name and info; records of kind 0 are deleted places for reuse.
class TKnownFilterList {
public:
  TKnownFilterList(); // the built-ins

  const std::vector<TKnownFilter> &Records() const { return records_; }
  const TKnownFilter &At(std::size_t index) const { return records_.at(index); }

  // Sanitizes the record, checks its registration when a registry is given, replaces the
  // record of the same class id or takes a deleted place, and sorts. Answers its place; a
  // record without kind or class id is not added (npos).
  std::size_t Add(TKnownFilter filter, IFilterRegistry *registry);
  void Delete(std::size_t index);
  std::optional<std::size_t> FindClass(const std::string &classId) const;

  // Built-ins, then the file's records checked with the registry. A missing file leaves the
  // built-ins; one that cannot be read leaves the list as it was and answers false.
  bool Load(const std::filesystem::path &file, IFilterRegistry *registry);
  // Answers an error text, empty on success.
  std::string Save(const std::filesystem::path &file) const;
  std::string FileText() const;

  // The usable records of a kind, optionally after a "-" entry for none.
  std::vector<TFilterChoice> Choices(int kind, bool withNone) const;

private:
  void AddBuiltIns();
  void Sort();

  std::vector<TKnownFilter> records_;
};

} // namespace qev::video
