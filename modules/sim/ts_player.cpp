#include "ts_player.h"

#include "devkit/ts_packet.h"

namespace qev::sim {

using devkit::kPacketSize;
using devkit::TsPacket;

namespace {

constexpr auto kIdleTick = std::chrono::milliseconds(10);
// A group without PCR ends here and is paced at the fallback rate.
constexpr std::size_t kMaxGroupPackets = 512;
constexpr std::uint64_t kFallbackBitsPerSecond = 4'000'000;
constexpr std::size_t kFastChunkPackets = 348;

Clock::duration FallbackDuration(std::size_t bytes) {
  return std::chrono::duration_cast<Clock::duration>(
      std::chrono::microseconds(bytes * 8 * 1'000'000 / kFallbackBitsPerSecond));
}

} // namespace

TsPlayer::TsPlayer(SkyTuner &tuner, devkit::TStreamEngine &engine, AvFlowMonitor &flow, bool fast,
                   Log log)
    : tuner_(tuner), engine_(engine), flow_(flow), fast_(fast), log_(std::move(log)),
      thread_([this](std::stop_token stop) { Run(stop); }) {}

TsPlayer::~TsPlayer() {
  Stop();
  if (thread_.joinable()) // destroyed on its own thread: it ends right after
    thread_.detach();
}

void TsPlayer::Stop() {
  thread_.request_stop();
  if (thread_.joinable() && !OnPlayerThread())
    thread_.join();
}

void TsPlayer::Run(std::stop_token stop) {
  while (!stop.stop_requested()) {
    const Clock::time_point now = Clock::now();
    flow_.Tick(now);
    engine_.Flush(now);
    const auto source = tuner_.Current(now);
    if (source && source->generation != generation_)
      Start(*source);
    if (!source || ended_ || !Playing() || (fast_ && engine_.FilterCount() == 0)) {
      Idle(stop, now);
      continue;
    }
    if (fast_)
      FastStep();
    else
      PacedStep(stop);
  }
}

void TsPlayer::Idle(std::stop_token stop, Clock::time_point now) {
  tuner_.WaitUntil(stop, now + kIdleTick, tuner_.Generation());
}

void TsPlayer::Start(const PlaySource &source) {
  generation_ = source.generation;
  ended_ = false;
  referencePid_ = -1;
  pacer_.Reset();
  lastDue_ = Clock::now();
  live_.reset();
  if (!IsDescription(source.file)) {
    file_.Open(source.file);
    return;
  }
  file_.Close();
  try {
    live_ = std::make_unique<LiveTransponder>(source.file);
  } catch (const std::exception &e) {
    // The transponder stays silent, like one whose file is missing; the log says why.
    if (log_)
      log_(source.file.string() + ": " + e.what());
  }
}

bool TsPlayer::NextPacket(std::uint8_t *packet, bool loop) {
  if (!live_)
    return file_.Next(packet, loop);
  live_->Next(packet);
  return true;
}

Clock::time_point TsPlayer::ReadGroup(Clock::time_point now) {
  group_.clear();
  std::uint8_t packet[kPacketSize];
  while (group_.size() < kMaxGroupPackets * kPacketSize && NextPacket(packet, true)) {
    group_.insert(group_.end(), packet, packet + kPacketSize);
    const auto pcr = ReadPcr(packet);
    if (!pcr)
      continue;
    const int pid = TsPacket(packet).Pid();
    if (referencePid_ < 0)
      referencePid_ = pid;
    if (pid == referencePid_)
      return lastDue_ = pacer_.Due(*pcr, now);
  }
  return lastDue_ += FallbackDuration(group_.size());
}

void TsPlayer::PacedStep(std::stop_token stop) {
  const Clock::time_point due = ReadGroup(Clock::now());
  if (group_.empty()) {
    ended_ = true; // a file without a single packet
    return;
  }
  if (tuner_.WaitUntil(stop, due, generation_))
    Deliver(Clock::now());
}

void TsPlayer::FastStep() {
  group_.clear();
  std::uint8_t packet[kPacketSize];
  while (group_.size() < kFastChunkPackets * kPacketSize && NextPacket(packet, false))
    group_.insert(group_.end(), packet, packet + kPacketSize);
  Deliver(Clock::now());
  if (group_.size() < kFastChunkPackets * kPacketSize) {
    ended_ = true;
    engine_.Flush(Clock::now(), true);
    tuner_.MarkEnded(generation_);
  }
}

void TsPlayer::Deliver(Clock::time_point now) {
  for (std::size_t pos = 0; pos + kPacketSize <= group_.size(); pos += kPacketSize)
    flow_.Observe(TsPacket(group_.data() + pos).Pid());
  engine_.Feed(group_, now);
}

} // namespace qev::sim
