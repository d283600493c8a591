#include "guide/guide.h"

#include "data/date_time.h"
#include "device/switch_hooks.h"
#include "guide/device_eit_feed.h"
#include "guide/epg_collector.h"
#include "guide/epg_keep.h"
#include "guide/epg_store.h"

namespace qev::guide {

struct TGuide::TImpl {
  TEpgStore store;
  TDeviceEitFeed feed;
  TEpgCollector collector; // last: its thread stops and its filter closes before the rest goes

  explicit TImpl(device::TDeviceModule &device) : feed(device), collector(feed, store) {}
};

TGuide::TGuide(device::TDeviceModule &device) : impl_(std::make_unique<TImpl>(device)) {}

TGuide::~TGuide() = default;

bool TGuide::EpgStart() { return impl_->collector.EpgStart(); }

void TGuide::EpgStop() { impl_->collector.EpgStop(); }

void TGuide::EpgClear() {
  impl_->store.Clear();
  impl_->collector.ClearErrorCount();
}

bool TGuide::Collecting() const { return impl_->collector.Collecting(); }

std::optional<TEpgEvent> TGuide::FindNow(std::uint16_t tid, std::uint16_t sid) const {
  return impl_->store.FindNow(tid, sid, data::NowUtc());
}

TEpgStore &TGuide::Store() { return impl_->store; }

const TEpgStore &TGuide::Store() const { return impl_->store; }

std::uint64_t TGuide::ErrorCount() const { return impl_->collector.ErrorCount(); }

std::size_t TGuide::BufferedBytes() const { return impl_->collector.BufferedBytes(); }

void TGuide::Drain() { impl_->collector.Drain(); }

bool TGuide::LoadKept(const std::filesystem::path &file, std::string &error) {
  return LoadKeptGuide(impl_->store, file, data::NowUtc(), error);
}

std::string TGuide::SaveKept(const std::filesystem::path &file) const {
  return SaveKeptGuide(impl_->store, file, data::NowUtc());
}

void PlugSwitchHooks(TGuide &guide, device::TSwitchHooks &hooks) {
  hooks.EpgStop = [&guide] { guide.EpgStop(); };
  hooks.EpgClear = [&guide] { guide.EpgClear(); };
  hooks.EpgStart = [&guide] { guide.EpgStart(); };
}

void UnplugSwitchHooks(device::TSwitchHooks &hooks) {
  hooks.EpgStop = nullptr;
  hooks.EpgClear = nullptr;
  hooks.EpgStart = nullptr;
}

} // namespace qev::guide
