#pragma once

#include "av_flow_monitor.h"
#include "devkit/stream_engine.h"
#include "live_transponder.h"
#include "pcr_pacer.h"
#include "sky_tuner.h"
#include "ts_file.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace qev::sim {

// The delivery thread: while the tuner is locked it plays the transponder into the stream
// engine, paced by the stream's PCR, or in fast mode as fast as the filters take it (only while
// there are filters). A description is broadcast live without end; a recorded file loops, or
// in fast mode plays once. Stops and joins in its destructor.
class TsPlayer {
public:
  // Tells why a transponder stays silent (a description that cannot be broadcast).
  using Log = std::function<void(const std::string &text)>;

  TsPlayer(SkyTuner &tuner, devkit::TStreamEngine &engine, AvFlowMonitor &flow, bool fast,
           Log log = {});
  ~TsPlayer();
  TsPlayer(const TsPlayer &) = delete;
  TsPlayer &operator=(const TsPlayer &) = delete;

  bool OnPlayerThread() const { return std::this_thread::get_id() == thread_.get_id(); }
  // Asks the thread to end and, unless called on it, waits until it has.
  void Stop();

private:
  void Run(std::stop_token stop);
  void Start(const PlaySource &source);
  void PacedStep(std::stop_token stop);
  void FastStep();
  // Reads packets up to and with the next PCR of the reference PID; returns its due time.
  Clock::time_point ReadGroup(Clock::time_point now);
  void Deliver(Clock::time_point now);
  bool Playing() const { return live_ != nullptr || file_.IsOpen(); }
  bool NextPacket(std::uint8_t *packet, bool loop);
  void Idle(std::stop_token stop, Clock::time_point now);

  SkyTuner &tuner_;
  devkit::TStreamEngine &engine_;
  AvFlowMonitor &flow_;
  const bool fast_;
  const Log log_;

  // Owned by the player thread.
  TsFile file_;
  std::unique_ptr<LiveTransponder> live_;
  PcrPacer pacer_;
  std::uint64_t generation_ = 0;
  bool ended_ = false;
  int referencePid_ = -1;
  Clock::time_point lastDue_;
  std::vector<std::uint8_t> group_;

  std::jthread thread_; // last: starts when everything above is ready
};

} // namespace qev::sim
