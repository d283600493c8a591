#include "guide/epg_collector.h"

#include "guide/eit_parser.h"
#include "si/section_assembler.h"

#include <array>
#include <condition_variable>
#include <mutex>
#include <numeric>
#include <stop_token>
#include <thread>
#include <vector>

namespace qev::guide {

namespace {

// The EIT tables: actual and other, present/following and schedule.
constexpr std::uint8_t kFirstEitTable = 0x4E;
constexpr std::uint8_t kLastEitTable = 0x6F;

std::array<std::uint8_t, kLastEitTable - kFirstEitTable + 1> EitTableIds() {
  std::array<std::uint8_t, kLastEitTable - kFirstEitTable + 1> ids{};
  std::iota(ids.begin(), ids.end(), kFirstEitTable);
  return ids;
}

} // namespace

struct TEpgCollector::TImpl {
  IEitFeed &feed;
  TEpgStore &store;

  // Serialises EpgStart and EpgStop.
  mutable std::mutex control;
  std::int32_t handle = 0;

  // Guards the assembler and the sequence numbers; held only to append or to take one section.
  mutable std::mutex mutex;
  std::condition_variable_any dataArrived;
  std::condition_variable_any drained;
  si::TPk184ToSection assembler;
  std::uint64_t appended = 0; // appends so far
  std::uint64_t parsed = 0;   // appends whose sections are all parsed
  std::uint64_t errorBase = 0;

  std::jthread thread; // last: it starts once everything it uses exists

  TImpl(IEitFeed &f, TEpgStore &s) : feed(f), store(s) {
    const auto ids = EitTableIds();
    assembler.AsmSetTableIds(ids);
    thread = std::jthread([this](std::stop_token stop) { Run(stop); });
  }

  // The device thread: a copy and a signal, no parsing.
  void Append(std::span<const std::uint8_t> data) {
    {
      std::lock_guard lock(mutex);
      assembler.AsmAppend(data);
      ++appended;
    }
    dataArrived.notify_one();
  }

  // Copies the next whole section out under the lock, so that a reset or an append while it
  // is parsed cannot touch it. False when every append so far has been worked through.
  bool TakeSection(std::vector<std::uint8_t> &section) {
    std::lock_guard lock(mutex);
    if (assembler.AsmNextSection()) {
      const auto bytes = assembler.Section();
      section.assign(bytes.begin(), bytes.end());
      return true;
    }
    parsed = appended;
    return false;
  }

  void Run(std::stop_token stop) {
    std::vector<std::uint8_t> section;
    section.reserve(si::TPk184ToSection::kMaxSectionSize);
    while (!stop.stop_requested()) {
      while (!stop.stop_requested() && TakeSection(section))
        ParseEitSection(section, store);
      drained.notify_all();
      std::unique_lock lock(mutex);
      dataArrived.wait(lock, stop, [this] { return appended != parsed; });
    }
  }
};

TEpgCollector::TEpgCollector(IEitFeed &feed, TEpgStore &store)
    : impl_(std::make_unique<TImpl>(feed, store)) {}

// The jthread member asks its thread to stop and joins it before the rest of TImpl goes.
TEpgCollector::~TEpgCollector() { EpgStop(); }

bool TEpgCollector::EpgStart() {
  std::lock_guard control(impl_->control);
  if (impl_->handle > 0)
    return true;
  {
    // Bytes left from the previous filter (another transponder, perhaps) must not be joined
    // to the first bytes of this one.
    std::lock_guard lock(impl_->mutex);
    impl_->assembler.AsmReset();
  }
  TImpl *impl = impl_.get();
  const std::int32_t handle =
      impl->feed.Open([impl](std::span<const std::uint8_t> data) { impl->Append(data); });
  impl_->handle = handle > 0 ? handle : 0;
  return impl_->handle > 0;
}

void TEpgCollector::EpgStop() {
  std::lock_guard control(impl_->control);
  if (impl_->handle == 0)
    return;
  impl_->feed.Close(impl_->handle);
  impl_->handle = 0;
}

bool TEpgCollector::Collecting() const {
  std::lock_guard control(impl_->control);
  return impl_->handle > 0;
}

std::uint64_t TEpgCollector::ErrorCount() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->assembler.Rejected() - impl_->errorBase;
}

void TEpgCollector::ClearErrorCount() {
  std::lock_guard lock(impl_->mutex);
  impl_->errorBase = impl_->assembler.Rejected();
}

std::size_t TEpgCollector::BufferedBytes() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->assembler.BufferedBytes();
}

void TEpgCollector::Drain() {
  std::unique_lock lock(impl_->mutex);
  const std::uint64_t target = impl_->appended;
  impl_->drained.wait(lock, [this, target] { return impl_->parsed >= target; });
}

} // namespace qev::guide
