#pragma once

#include "data/channel_rec.h"
#include "guide/epg_channel_tree.h"
#include "guide/epg_event.h"
#include "guide/epg_filters.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace qev::data {
class TChannelsList;
}

namespace qev::guide {

class TEpgStore;

inline constexpr const char *kUnknownChannelError = "Unknow channel...";
inline constexpr const char *kNilDataText = "NIL DATA";

// Figures that live with the collector, not the store.
struct TEpgCollectorCounters {
  std::function<std::size_t()> ErrorCount;
  std::function<std::size_t()> BufferedBytes;
};

// One event row: the store index, never the event itself, so rows stay small.
struct TEpgEventRow {
  std::size_t StoreIndex = 0;
  std::uint32_t StartTime = 0;
  bool Visible = true;
};

struct TEpgRowTexts {
  std::string Channel;
  std::string Start;    // "dd/mm/yyyy hh:nn", local time
  std::string Duration; // "hh:nn"
  std::string Name;
  std::string Language;
};

// The focused event's texts; an empty (default) value clears the panel.
struct TEpgEventDetails {
  bool Present = false;
  std::string ShortText;
  std::string ExtendedText;
  std::optional<TTextRange> ShortMatch; // first match of the search text
  std::optional<TTextRange> ExtendedMatch;
  std::string ContentText; // "Content: ..."
  std::string EventIdText; // 8 hex digits
  int MinAge = 0;          // 0 = no badge
};

// What the scheduler is asked to add for an event.
struct TEpgScheduleRequest {
  data::TChannelRec Channel{};
  int Minutes = 0;
  std::string Comment;
  int Action = 1;
  std::int64_t LocalStart = 0; // local wall-clock seconds since 1970
};

struct TEpgRefreshResult {
  bool Cleared = false;       // everything was emptied
  bool ChannelsAdded = false; // the tree changed
  std::size_t EventsAdded = 0;
};

// The guide viewer without its window: it takes new events from the store incrementally,
// filters and describes them. All calls come from one thread; the store may grow meanwhile.
class TEpgViewModel {
public:
  using TClock = std::function<std::int64_t()>;

  TEpgViewModel(TEpgStore &store, const data::TChannelsList &list,
                TEpgChannelTree::TCategoryName categoryName, TEpgCollectorCounters counters,
                TClock nowUtc = {});

  // Takes the events added since the last refresh; a clear of the store (seen by its
  // generation) empties the lists first.
  TEpgRefreshResult Refresh();
  // Sets every row's visibility; returns the row to focus (first visible on air now, else the
  // first visible), -1 when none is visible.
  int ApplyFilters();

  TEpgFilters &Filters() { return filters_; }
  const TEpgFilters &Filters() const { return filters_; }
  TContentChooser &Content() { return content_; }
  // Takes the content choosers' choice into the filters.
  void ApplyContentChoice() { content_.ApplyTo(filters_); }
  // Hiding the filter panel drops its search text, content choice and time window.
  void ClearPanelFilters();
  // The selected channel of the per-channel mode.
  void SelectChannel(int listIndex);
  void SelectChannel(const data::TChannelRec &channel);
  const data::TChannelRec &SelectedChannel() const { return selected_; }

  TEpgChannelTree &Tree() { return tree_; }
  const TEpgChannelTree &Tree() const { return tree_; }
  const std::vector<TEpgEventRow> &EventRows() const { return rows_; }
  std::size_t VisibleCount() const;
  std::optional<TEpgEvent> RowEvent(int row) const;
  // Where an event's row went after a refresh re-sorted the rows; -1 when it has none.
  int RowOfStoreIndex(std::size_t storeIndex) const;

  TEpgRowTexts RowTexts(int row) const;
  TEpgEventDetails Details(int row) const;
  // The list index of the row's channel, -1 when it is not in the list.
  int RowChannel(int row) const;

  // " Events: N", " Filtered: N", ... one text per status field, in display order.
  std::vector<std::string> StatusTexts() const;
  std::string HashInfoText() const;
  std::string RefreshTimeText() const; // " Refresh: N ms"
  std::string SearchTimeText() const;  // " Search:N ms"

  // The main slot's channel handle for a channel of the list.
  std::int32_t ChannelHandle(int listIndex) const;
  // The request, or the error text when the event's channel is not in the list.
  std::variant<TEpgScheduleRequest, std::string> ScheduleRequest(int row) const;
  // Empties the store; the next refresh empties the lists.
  void ClearStore();

private:
  void Empty();
  bool Visible(const TEpgEvent &event, std::int64_t now) const;
  int ChannelOf(const TEpgEvent &event) const;
  std::int64_t Now() const;

  TEpgStore &store_;
  const data::TChannelsList &list_;
  TEpgCollectorCounters counters_;
  TClock nowUtc_;
  TEpgChannelTree tree_;
  TEpgFilters filters_;
  TContentChooser content_;
  data::TChannelRec selected_{};
  std::vector<TEpgEventRow> rows_;
  std::size_t seen_ = 0;
  std::uint64_t generation_ = 0;
  std::chrono::steady_clock::duration refreshTime_{};
  std::chrono::steady_clock::duration searchTime_{};
};

} // namespace qev::guide
