#pragma once

#include "guide/epg_event.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qev::guide {

inline constexpr std::uint8_t kAnyContent = 255;

// What the guide viewer's filter panel and channel selection let through.
struct TEpgFilters {
  bool PerChannel = true;
  std::uint16_t ChannelTid = 0; // the selected channel
  std::uint16_t ChannelSid = 0;
  int NowNext = 0; // 0 all, 1 on air now, 2 not started yet, 3 not ended yet
  std::string SearchText;
  int SearchField = 0; // 0 name, short text or extended text; 1 name; 2 short; 3 extended
  std::uint8_t ContentValue = kAnyContent;
  std::uint8_t ContentMask = 0;
  std::int64_t WindowFrom = 0; // UTC seconds; both 0 = no time window
  std::int64_t WindowTo = 0;
};

// The now/next mode from the two switches.
int NowNextMode(bool nowDown, bool nextDown);
bool EventVisible(const TEpgEvent &event, const TEpgFilters &filters, std::int64_t nowUtc);

// A match inside a text, in bytes of its UTF-8.
struct TTextRange {
  std::size_t Pos = 0;
  std::size_t Length = 0;
};
// The first match of needle in text ignoring letter case (Unicode simple folding); none for an
// empty needle.
std::optional<TTextRange> FindIgnoringCase(std::string_view text, std::string_view needle);

struct TContentItem {
  std::string Text;
  std::uint8_t Value = kAnyContent;
};
// The content table entries whose code AND mask equals value (groups left out when skipGroups),
// after firstText (value 255) when given.
std::vector<TContentItem> EpgContentList(std::uint8_t value, std::uint8_t mask, bool skipGroups,
                                         std::optional<std::string_view> firstText);

inline constexpr const char *kAnyContentText = "<< Any Content >>";
inline constexpr const char *kSelectSubgroupText = ">> Select <<";
inline constexpr const char *kNoSubgroupText = "-";

// The two content choosers: a group, then a subgroup of it.
class TContentChooser {
public:
  TContentChooser();

  const std::vector<TContentItem> &Groups() const { return groups_; }
  const std::vector<TContentItem> &Subgroups() const { return subgroups_; }
  bool SubgroupEnabled() const { return group_ > 0; }
  int Group() const { return group_; }
  int Subgroup() const { return subgroup_; }

  // Choosing a group refills the subgroups and selects their first entry.
  void ChooseGroup(int index);
  void ChooseSubgroup(int index);

  // kAnyContent when the content test is off.
  std::uint8_t Value() const;
  std::uint8_t Mask() const;
  void ApplyTo(TEpgFilters &filters) const;

private:
  std::vector<TContentItem> groups_;
  std::vector<TContentItem> subgroups_;
  int group_ = 0;
  int subgroup_ = 0;
};

enum class TQuickWindow { Today, ThisEvening, Tomorrow, ThisWeek, ThisWeekend };

// A time window in local wall-clock seconds since 1970 (the fields of the panel).
struct TLocalWindow {
  std::int64_t LocalFrom = 0;
  std::int64_t LocalTo = 0;
};

// 1 for Sunday to 7 for Saturday, of a local wall-clock time.
int LocalWeekday(std::int64_t localSeconds);
TLocalWindow QuickWindow(TQuickWindow choice, std::int64_t nowUtc);
// Each end converted with the offset valid at that instant.
void SetTimeWindow(TEpgFilters &filters, const TLocalWindow &window);
void ClearTimeWindow(TEpgFilters &filters);

} // namespace qev::guide
