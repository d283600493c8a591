#include "guide/epg_view_model.h"

#include "data/channel_list.h"
#include "data/date_time.h"
#include "guide/epg_content.h"
#include "guide/epg_store.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>

namespace qev::guide {
namespace {

using TSteady = std::chrono::steady_clock;

long long Millis(TSteady::duration d) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

std::size_t Call(const std::function<std::size_t()> &f) { return f ? f() : 0; }

bool StartsEarlier(const TEpgEventRow &a, const TEpgEventRow &b) {
  return a.StartTime < b.StartTime;
}

// "dd/mm/yyyy hh:nn" of local wall-clock seconds.
std::string LocalStartText(std::int64_t local) {
  using namespace std::chrono;
  const sys_seconds t{seconds{local}};
  const sys_days day = floor<days>(t);
  const year_month_day ymd{day};
  const hh_mm_ss hms{t - day};
  return fmt::format("{:02}/{:02}/{:04} {:02}:{:02}", static_cast<unsigned>(ymd.day()),
                     static_cast<unsigned>(ymd.month()), static_cast<int>(ymd.year()),
                     hms.hours().count(), hms.minutes().count());
}

std::string DurationText(std::uint32_t seconds) {
  return fmt::format("{:02}:{:02}", seconds / 3600, seconds % 3600 / 60);
}

} // namespace

TEpgViewModel::TEpgViewModel(TEpgStore &store, const data::TChannelsList &list,
                             TEpgChannelTree::TCategoryName categoryName,
                             TEpgCollectorCounters counters, TClock nowUtc)
    : store_(store), list_(list), counters_(std::move(counters)), nowUtc_(std::move(nowUtc)),
      tree_(list, std::move(categoryName)), generation_(store.Generation()) {}

std::int64_t TEpgViewModel::Now() const { return nowUtc_ ? nowUtc_() : data::NowUtc(); }

void TEpgViewModel::Empty() {
  rows_.clear();
  tree_.Clear();
  seen_ = 0;
}

bool TEpgViewModel::Visible(const TEpgEvent &event, std::int64_t now) const {
  return EventVisible(event, filters_, now);
}

TEpgRefreshResult TEpgViewModel::Refresh() {
  const TSteady::time_point begin = TSteady::now();
  TEpgRefreshResult result;
  // The generation is read before the count: a clear in between shows at the next refresh.
  const std::uint64_t generation = store_.Generation();
  const std::size_t count = store_.Count();
  if (generation != generation_ || count < seen_) {
    Empty();
    generation_ = generation;
    result.Cleared = true;
  }
  const std::int64_t now = Now();
  const std::size_t oldRows = rows_.size();
  for (; seen_ < count; ++seen_) {
    const std::optional<TEpgEvent> event = store_.Get(seen_);
    if (!event)
      break; // cleared meanwhile; the generation tells the next refresh
    if (tree_.AddChannel(event->TransportStreamId, event->ServiceId))
      result.ChannelsAdded = true;
    rows_.push_back({seen_, event->StartTime, Visible(*event, now)});
  }
  result.EventsAdded = rows_.size() - oldRows;
  if (result.ChannelsAdded)
    tree_.Sort();
  // The old rows are sorted already: sort the tail and merge it in.
  const auto tail = rows_.begin() + static_cast<std::ptrdiff_t>(oldRows);
  std::stable_sort(tail, rows_.end(), StartsEarlier);
  std::inplace_merge(rows_.begin(), tail, rows_.end(), StartsEarlier);
  refreshTime_ = TSteady::now() - begin;
  return result;
}

int TEpgViewModel::ApplyFilters() {
  const TSteady::time_point begin = TSteady::now();
  const std::int64_t now = Now();
  // One pass over the store under its lock instead of one copy per row.
  std::vector<std::uint8_t> state(seen_, 0); // bit 0 visible, bit 1 on air now
  std::size_t index = 0;
  store_.ForEach([&](const TEpgEvent &event) {
    if (index < state.size()) {
      const bool onAir = event.StartTime <= now &&
                         now <= static_cast<std::int64_t>(event.StartTime) + event.Duration;
      state[index] = static_cast<std::uint8_t>((Visible(event, now) ? 1 : 0) | (onAir ? 2 : 0));
    }
    ++index;
  });
  int first = -1;
  int onAir = -1;
  for (std::size_t row = 0; row < rows_.size(); ++row) {
    const std::size_t i = rows_[row].StoreIndex;
    const std::uint8_t s = i < state.size() ? state[i] : 0;
    rows_[row].Visible = (s & 1) != 0;
    if (!rows_[row].Visible)
      continue;
    if (first < 0)
      first = static_cast<int>(row);
    if (onAir < 0 && (s & 2) != 0)
      onAir = static_cast<int>(row);
  }
  searchTime_ = TSteady::now() - begin;
  return onAir >= 0 ? onAir : first;
}

void TEpgViewModel::ClearPanelFilters() {
  filters_.SearchText.clear();
  content_.ChooseGroup(0);
  ApplyContentChoice();
  ClearTimeWindow(filters_);
}

void TEpgViewModel::SelectChannel(int listIndex) {
  if (list_.IndexValid(listIndex))
    SelectChannel(list_.Item(listIndex));
}

void TEpgViewModel::SelectChannel(const data::TChannelRec &channel) {
  selected_ = channel;
  filters_.ChannelTid = channel.TID;
  filters_.ChannelSid = channel.SID;
}

std::size_t TEpgViewModel::VisibleCount() const {
  return static_cast<std::size_t>(
      std::count_if(rows_.begin(), rows_.end(), [](const TEpgEventRow &r) { return r.Visible; }));
}

std::optional<TEpgEvent> TEpgViewModel::RowEvent(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size())
    return std::nullopt;
  return store_.Get(rows_[static_cast<std::size_t>(row)].StoreIndex);
}

int TEpgViewModel::RowOfStoreIndex(std::size_t storeIndex) const {
  const auto it = std::find_if(rows_.begin(), rows_.end(),
                               [&](const TEpgEventRow &r) { return r.StoreIndex == storeIndex; });
  return it == rows_.end() ? -1 : static_cast<int>(it - rows_.begin());
}

int TEpgViewModel::ChannelOf(const TEpgEvent &event) const {
  const int index = list_.ListFind(event.TransportStreamId, event.ServiceId);
  return list_.IndexValid(index) ? index : -1;
}

int TEpgViewModel::RowChannel(int row) const {
  const std::optional<TEpgEvent> event = RowEvent(row);
  return event ? ChannelOf(*event) : -1;
}

TEpgRowTexts TEpgViewModel::RowTexts(int row) const {
  const std::optional<TEpgEvent> event = RowEvent(row);
  if (!event)
    return {kNilDataText, {}, {}, {}, {}};
  const int channel = list_.ListFind(event->TransportStreamId, event->ServiceId);
  std::string name =
      list_.IndexValid(channel)
          ? data::ChName(list_.Item(channel))
          : fmt::format("<Unknow Ch_{:04X}/{:04X}>", event->TransportStreamId, event->ServiceId);
  return {std::move(name), LocalStartText(data::UtcToLocal(event->StartTime)),
          DurationText(event->Duration), event->Name, event->Language};
}

TEpgEventDetails TEpgViewModel::Details(int row) const {
  const std::optional<TEpgEvent> event = RowEvent(row);
  if (!event)
    return {};
  TEpgEventDetails details;
  details.Present = true;
  details.ShortText = event->ShortText;
  details.ExtendedText = event->ExtendedText;
  details.ShortMatch = FindIgnoringCase(event->ShortText, filters_.SearchText);
  details.ExtendedMatch = FindIgnoringCase(event->ExtendedText, filters_.SearchText);
  details.ContentText = "Content: " + EpgContentText(event->Content);
  details.EventIdText = fmt::format("{:08X}", event->EventId);
  details.MinAge = event->MinAge;
  return details;
}

std::vector<std::string> TEpgViewModel::StatusTexts() const {
  return {fmt::format(" Events: {}", store_.Count()),
          fmt::format(" Filtered: {}", VisibleCount()),
          fmt::format(" Channels: {}", tree_.Entries().size()),
          fmt::format(" Mem: {} KB", store_.Memory() / 1024),
          fmt::format(" Errors: {}", Call(counters_.ErrorCount)),
          fmt::format(" Buf: {} KB", Call(counters_.BufferedBytes) / 1024)};
}

std::string TEpgViewModel::HashInfoText() const {
  return fmt::format("Hash: Eficiency={} % , Memory={} KB", store_.HashEfficiency(),
                     store_.HashMemory() / 1024);
}

std::string TEpgViewModel::RefreshTimeText() const {
  return fmt::format(" Refresh: {} ms", Millis(refreshTime_));
}

std::string TEpgViewModel::SearchTimeText() const {
  return fmt::format(" Search:{} ms", Millis(searchTime_));
}

std::int32_t TEpgViewModel::ChannelHandle(int listIndex) const {
  return static_cast<std::int32_t>(list_.SatIndex()) * 65536 + listIndex;
}

std::variant<TEpgScheduleRequest, std::string> TEpgViewModel::ScheduleRequest(int row) const {
  const std::optional<TEpgEvent> event = RowEvent(row);
  const int channel = event ? ChannelOf(*event) : -1;
  if (channel < 0)
    return std::string(kUnknownChannelError);
  TEpgScheduleRequest request;
  request.Channel = list_.Item(channel);
  request.Minutes = static_cast<int>(event->Duration / 60);
  request.Comment = event->Name;
  request.LocalStart = data::UtcToLocal(event->StartTime);
  return request;
}

void TEpgViewModel::ClearStore() { store_.Clear(); }

} // namespace qev::guide
