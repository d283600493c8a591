#include "plugins/filter_table.h"

#include "frame/notification_hub.h"
#include "plugins/plugin_device.h"
#include "plugins/plugin_log.h"

#include <fmt/format.h>

#include <cstring>

namespace qev::plugins {
namespace {

constexpr std::uint16_t kPidLimit = 0x2000;

std::string BoundedName(const char *name, std::size_t room) {
  return std::string(name, strnlen(name, room));
}

} // namespace

TFilterTable::TFilterTable(IPluginDevice &device, TPluginLog &log, frame::TNotificationHub &hub)
    : device_(device), log_(log), hub_(hub) {}

TFilterTable::~TFilterTable() {
  for (int index : OpenFilters())
    Delete(index);
}

std::uint32_t TFilterTable::RunningId(std::uint16_t filterId, std::uint16_t dllId, int index) {
  return (static_cast<std::uint32_t>(filterId) << 16) +
         (static_cast<std::uint32_t>(dllId & 0xFF) << 8) + static_cast<std::uint32_t>(index + 1);
}

int TFilterTable::Start(int ownerIndex, TPlgFilterRequest &request, TPlgFeedThread &feed,
                        std::uint8_t flags) {
  const auto dllId = static_cast<std::uint16_t>(ownerIndex + 1);
  const std::uint16_t filterId = request.FilterId;
  std::uint16_t pid = request.Pid;
  std::uint16_t mode = QEV_DELIVER_PAYLOADS;
  if (pid & kPidPacketsBit) {
    if (!device_.Packets188()) {
      log_.Add(PluginLogKind::Error, "Hardware cannot deliver TS packet (188 bytes)", ownerIndex);
      return 0;
    }
    mode = QEV_DELIVER_PACKETS;
    pid &= 0x1FFF;
  }
  if (pid >= kPidLimit) {
    log_.Add(PluginLogKind::Error, fmt::format("Invalid PID 0x{:04X}", pid), ownerIndex);
    return 0;
  }
  // The old filter of the same number goes first, so that it cannot take the last free entry.
  DeleteDuplicates(dllId, filterId);
  const int index = FreeIndex();
  if (index < 0) {
    log_.Add(PluginLogKind::Error, "No more filters available !", ownerIndex);
    return 0;
  }
  TMDFilter &entry = entries_[index];
  entry.DllId = dllId;
  entry.FilterId = filterId;
  entry.FilterPid = pid;
  entry.FilterName = BoundedName(request.Name, sizeof request.Name);
  entry.DataCallback = request.DataEntry;
  entry.FeedThread = &feed;
  auto sink = std::make_shared<TFilterSink>();
  sink->DataEntry = request.DataEntry;
  sink->FilterId = filterId;
  entry.Context = std::make_unique<TFilterContext>(TFilterContext{sink, &feed, &active_});
  entry.DeviceHandle =
      device_.StartFilter(pid, mode, flags, &TFilterTable::OnData, entry.Context.get());
  if (entry.DeviceHandle <= 0) {
    entry.DeviceHandle = 0;
    Delete(index);
    log_.Add(
        PluginLogKind::Error,
        fmt::format("ERR Filter [{}] PID={:04X} DLL_ID={} FIL_ID={}", index, pid, dllId, filterId),
        ownerIndex);
    return 0;
  }
  entry.InUse = true;
  request.RunningId = RunningId(filterId, dllId, index);
  hub_.Notify(frame::kNotifyPluginHost, kFilterChanged, 1);
  log_.Add(PluginLogKind::FilterAdded,
           fmt::format("ADD Filter [{}] PID={:04X} HND={}", index, pid, entry.DeviceHandle),
           ownerIndex);
  return 1;
}

int TFilterTable::Stop(int ownerIndex, std::uint32_t runningId) {
  const int index = static_cast<int>(runningId & 0xFF) - 1;
  const auto dllId = static_cast<std::uint16_t>((runningId >> 8) & 0xFF);
  const auto filterId = static_cast<std::uint16_t>(runningId >> 16);
  if (index < 0 || index >= kMaxFilters || dllId != ownerIndex + 1)
    return 0;
  const TMDFilter &entry = entries_[index];
  if (!entry.InUse || entry.DllId != dllId || entry.FilterId != filterId)
    return 0;
  return Delete(index) ? 1 : 0;
}

bool TFilterTable::Delete(int index) {
  if (index < 0 || index >= kMaxFilters)
    return false;
  TMDFilter &entry = entries_[index];
  bool closed = false;
  if (entry.DeviceHandle != 0) {
    const int owner = entry.DllId - 1;
    log_.Add(PluginLogKind::Info, fmt::format("DEL Filter [{}] HND={}", index, entry.DeviceHandle),
             owner);
    const std::int32_t answer = device_.StopFilter(entry.DeviceHandle);
    closed = answer == 0;
    if (!closed)
      log_.Add(PluginLogKind::Error, fmt::format("DEL Filter ERROR {}", entry.DeviceHandle), owner);
  }
  if (entry.Context) {
    entry.Context->Sink->Open = false;
    entry.Context->Feed->Purge(entry.Context->Sink.get());
  }
  entry = TMDFilter{};
  hub_.Notify(frame::kNotifyPluginHost, kFilterChanged, 0);
  return closed;
}

void TFilterTable::Clear() {
  for (TMDFilter &entry : entries_)
    entry = TMDFilter{};
}

std::vector<int> TFilterTable::OpenFilters() const {
  std::vector<int> open;
  for (int index = 0; index < kMaxFilters; ++index)
    if (entries_[index].InUse)
      open.push_back(index);
  return open;
}

std::vector<TPluginFilterView> TFilterTable::Views() const {
  std::vector<TPluginFilterView> views;
  for (int index : OpenFilters()) {
    const TMDFilter &entry = entries_[index];
    views.push_back({index, entry.DllId - 1, entry.FilterId, entry.FilterPid, entry.FilterName,
                     entry.Context ? entry.Context->Sink->Bytes.load() : 0});
  }
  return views;
}

int TFilterTable::FreeIndex() const {
  for (int index = 0; index < kMaxFilters; ++index)
    if (!entries_[index].InUse)
      return index;
  return -1;
}

void TFilterTable::DeleteDuplicates(std::uint16_t dllId, std::uint16_t filterId) {
  for (int index = 0; index < kMaxFilters; ++index) {
    const TMDFilter &entry = entries_[index];
    if (entry.InUse && entry.DllId == dllId && entry.FilterId == filterId) {
      log_.Add(PluginLogKind::PluginAction, "Add filter without delete !", dllId - 1);
      Delete(index);
    }
  }
}

void TFilterTable::OnData(const std::uint8_t *data, std::int32_t length, void *context) {
  const auto *filter = static_cast<const TFilterContext *>(context);
  if (!filter || !data || length <= 0 || !filter->Active->load() || !filter->Feed)
    return;
  filter->Feed->Queue(filter->Sink, {data, static_cast<std::size_t>(length)});
}

} // namespace qev::plugins
