#pragma once
// The 101 filters the host holds for plugins. Changed only on the user-interface thread; the
// device module's threads see a filter only through its context, which outlives every
// delivery (the module calls no callback once StopFilter has returned).

#include "mdapi/qev_mdapi.h"
#include "plugins/feed_thread.h"
#include "plugins/plugin_table.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qev::frame {
class TNotificationHub;
}

namespace qev::plugins {

class IPluginDevice;
class TPluginLog;

inline constexpr int kMaxFilters = 101;
inline constexpr std::uint16_t kPidPacketsBit = 0x8000;

// What the device module's callback gets as context.
struct TFilterContext {
  std::shared_ptr<TFilterSink> Sink;
  TPlgFeedThread *Feed = nullptr;
  const std::atomic<bool> *Active = nullptr;
};

struct TMDFilter {
  bool InUse = false;
  std::uint16_t DllId = 0; // the owner's plugin number
  std::uint16_t FilterId = 0;
  std::uint16_t FilterPid = 0;
  std::int32_t DeviceHandle = 0;
  TPlgDataEntry DataCallback = nullptr;
  std::string FilterName;
  TPlgFeedThread *FeedThread = nullptr;
  std::unique_ptr<TFilterContext> Context;
};

class TFilterTable {
public:
  TFilterTable(IPluginDevice &device, TPluginLog &log, frame::TNotificationHub &hub);
  ~TFilterTable();

  // While false, the data callback drops everything.
  void SetActive(bool active) { active_ = active; }

  // The start-filter command of the plugin at ownerIndex (its plugin number is the DllId, the
  // request's own DllId is not trusted). Writes the running id into the request; 1 on
  // success, else 0.
  int Start(int ownerIndex, TPlgFilterRequest &request, TPlgFeedThread &feed, std::uint8_t flags);
  // The stop-filter command: only the owner's open filter with that running id; 1 when the
  // module closed it.
  int Stop(int ownerIndex, std::uint32_t runningId);
  // Closes filter i; true only when the module answered 0.
  bool Delete(int index);
  // Every entry zeroed, without calls to the module.
  void Clear();

  const TMDFilter &operator[](int index) const { return entries_[index]; }
  std::vector<int> OpenFilters() const;
  std::vector<TPluginFilterView> Views() const;

  static std::uint32_t RunningId(std::uint16_t filterId, std::uint16_t dllId, int index);

private:
  static void OnData(const std::uint8_t *data, std::int32_t length, void *context);
  int FreeIndex() const;
  void DeleteDuplicates(std::uint16_t dllId, std::uint16_t filterId);

  IPluginDevice &device_;
  TPluginLog &log_;
  frame::TNotificationHub &hub_;
  std::atomic<bool> active_{false};
  std::array<TMDFilter, kMaxFilters> entries_;
};

} // namespace qev::plugins
