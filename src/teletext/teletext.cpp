#include "teletext/teletext.h"

#include "devapi/qev_devapi.h"
#include "device/filter_consumers.h"
#include "device/switch_hooks.h"
#include "frame/notification_hub.h"
#include "teletext/ttx_decoder.h"
#include "teletext/ttx_pes_walker.h"

#include <atomic>
#include <mutex>

namespace qev::teletext {

namespace {

constexpr std::uint16_t kLastTeletextPid = 8190;

// The device module's filter on the teletext PID, in whole packets.
class TDeviceTtxFeed : public ITtxFeed {
public:
  explicit TDeviceTtxFeed(device::TDeviceModule &device) : consumers_(device) {}
  std::int32_t Open(std::uint16_t pid, DataCallback callback) override {
    return consumers_.Start(pid, QEV_DELIVER_PACKETS, nullptr, nullptr, std::move(callback));
  }
  void Close(std::int32_t handle) override { consumers_.Stop(handle); }

private:
  device::TFilterConsumers consumers_;
};

} // namespace

struct TTeletext::TImpl {
  TImpl(std::unique_ptr<ITtxFeed> feed, TTeletextContext context)
      : feed(std::move(feed)), context(std::move(context)),
        decoder([this](const TtxPageBuffer &page) { PageDone(page); }), walker(decoder) {}

  void Start();
  void Stop();
  void ClearCache();
  void PageDone(const TtxPageBuffer &page);
  bool Wanted() const { return users > 0 || (context.BgParser && context.BgParser()); }
  void Notify(std::intptr_t first, std::intptr_t second) {
    context.Hub.Notify(frame::kNotifyTeletext, first, second);
  }
  void SubtitlePagesChanged() {
    if (context.SubtitlePagesChanged)
      context.SubtitlePagesChanged();
  }

  std::unique_ptr<ITtxFeed> feed;
  TTeletextContext context;
  // Start and stop; the counters are also read without it, from notification handlers.
  std::mutex startStop;
  std::atomic<int> users{0};
  std::atomic<std::int32_t> handle{0};
  TTtxCache cache;
  // Written only on the delivery thread while a filter is open, and reset only while none is.
  TTtxDecoder decoder;
  TTtxPesWalker walker;
};

void TTeletext::TImpl::Start() {
  if (handle > 0)
    return;
  ClearCache();
  const std::uint16_t pid = context.TeletextPid ? context.TeletextPid() : 0;
  if (pid == 0 || pid > kLastTeletextPid)
    return;
  const std::int32_t opened =
      feed->Open(pid, [this](std::span<const std::uint8_t> data) { walker.Feed(data); });
  if (opened <= 0)
    return;
  handle = opened;
  Notify(kTtxCacheEvent, 1);
}

void TTeletext::TImpl::Stop() {
  if (const std::int32_t open = handle.exchange(0); open > 0)
    feed->Close(open);
  ClearCache();
}

void TTeletext::TImpl::ClearCache() {
  cache.Clear();
  decoder.Reset();
  walker.Reset();
  SubtitlePagesChanged();
  Notify(kTtxCacheEvent, 0);
}

void TTeletext::TImpl::PageDone(const TtxPageBuffer &page) {
  const TTtxCache::TCommitResult result = cache.Commit(page);
  if (result.SubtitleListChanged)
    SubtitlePagesChanged();
  if (result.Outcome == TTtxCache::TCommit::Stored)
    Notify(page.Page, page.SubPage);
}

TTeletext::TTeletext(std::unique_ptr<ITtxFeed> feed, TTeletextContext context)
    : impl_(std::make_unique<TImpl>(std::move(feed), std::move(context))) {}

TTeletext::TTeletext(device::TDeviceModule &device, TTeletextContext context)
    : TTeletext(std::make_unique<TDeviceTtxFeed>(device), std::move(context)) {}

// Nothing is announced on the way out: the subscribers may be gone already.
TTeletext::~TTeletext() {
  std::lock_guard lock(impl_->startStop);
  if (const std::int32_t open = impl_->handle.exchange(0); open > 0)
    impl_->feed->Close(open);
}

void TTeletext::TtxAcquire() {
  std::lock_guard lock(impl_->startStop);
  ++impl_->users;
  impl_->Start();
}

void TTeletext::TtxRelease() {
  std::lock_guard lock(impl_->startStop);
  // A release without its acquire must not leave the count below zero.
  if (impl_->users == 0)
    return;
  if (--impl_->users == 0 && !(impl_->context.BgParser && impl_->context.BgParser()))
    impl_->Stop();
}

void TTeletext::TtxRestart() {
  std::lock_guard lock(impl_->startStop);
  if (impl_->Wanted())
    impl_->Start();
}

void TTeletext::TtxStop() {
  std::lock_guard lock(impl_->startStop);
  impl_->Stop();
}

bool TTeletext::Running() const { return impl_->handle > 0; }
int TTeletext::Users() const { return impl_->users; }
const TTtxCache &TTeletext::Cache() const { return impl_->cache; }

void PlugSwitchHooks(TTeletext &teletext, device::TSwitchHooks &hooks) {
  hooks.TtxStop = [&teletext] { teletext.TtxStop(); };
  hooks.TtxRestart = [&teletext](std::uint16_t) { teletext.TtxRestart(); };
}

void UnplugSwitchHooks(device::TSwitchHooks &hooks) {
  hooks.TtxStop = nullptr;
  hooks.TtxRestart = nullptr;
}

} // namespace qev::teletext
