#pragma once

#include "diagnostics/ts_classify.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace qev::diagnostics {

inline constexpr int kPidCount = 8192;

// One PID's counters. The device's delivery thread writes them and the window's timer reads
// them, so every field is a relaxed atomic: an interval may see a packet more or less, never a
// torn value.
struct TPidStat {
  std::atomic<std::uint32_t> PacketCount{0};
  std::atomic<std::uint32_t> ScrambledCount{0};
  std::atomic<std::uint32_t> CcErrors{0};
  std::atomic<std::uint8_t> ClassState{0}; // 0 none, 1 not yet classified, 2 classified
  std::atomic<std::int16_t> DataType{0};
  // Read and written by the counting thread alone: the last continuity counter (-1: none yet)
  // and whether it has already been repeated once.
  int LastCc = -1;
  bool Repeated = false;
};

// The rate side of a PID, kept by the reader: what the previous computation saw.
struct TPidRate {
  std::uint32_t PrevCount = 0;
  double RateKBs = 0; // KB/s, 1 KB = 1024 bytes
};

// First and last programme clock reference of a PID, with the packet numbers that carried
// them: the stream's own time between two packets. Written by the counting thread alone.
struct TPcrSpan {
  std::uint64_t Count = 0;
  std::uint64_t FirstPcr = 0, LastPcr = 0; // 27 MHz
  std::uint64_t FirstPacket = 0, LastPacket = 0;
};

// Per-PID statistics of a whole transport stream, fed with whole 188-byte packets.
class TTsStatistics {
public:
  TTsStatistics();

  // Zeroes every counter and rate; every PID waits to be classified again. Not to be called
  // while packets are counted.
  void Reset();
  // Counts whole packets of the block; a remainder shorter than a packet is ignored.
  void CountPackets(std::span<const std::uint8_t> block);

  // Rates over the packets counted since the previous computation, and the largest PID rate
  // among them; false (nothing changes) when no time has passed.
  bool ComputeRates(std::int64_t elapsedMs);

  const TPidStat &Pid(std::uint16_t pid) const { return pids_[pid]; }
  const TPidRate &Rate(std::uint16_t pid) const { return rates_[pid]; }
  std::uint64_t TotalPackets() const { return total_.load(std::memory_order_relaxed); }
  double TotalRateKBs() const { return totalRate_.RateKBs; }
  double MaxRateKBs() const { return maxRate_; }

  // The stream's bit rate from the PCR of the PID that carries the most of them, counted over
  // the packets between its first and last PCR; none without two distinct PCRs.
  std::optional<double> PcrBitRate() const;

private:
  void CountOne(const std::uint8_t *packet);
  void Continuity(TPidStat &stat, const std::uint8_t *packet);
  void ObservePcr(std::uint16_t pid, const std::uint8_t *packet);

  std::array<TPidStat, kPidCount> pids_;
  std::array<TPidRate, kPidCount> rates_;
  std::array<TPcrSpan, kPidCount> pcr_;
  std::atomic<std::uint64_t> total_{0};
  std::uint64_t packetNumber_ = 0; // counting thread only
  TPidRate totalRate_;
  std::uint32_t totalPrev_ = 0;
  double maxRate_ = 0;
};

// Rate in KB/s of `packets` whole packets over `elapsedMs`, in floating point: a transponder's
// 60 Mbit/s overflow 32-bit products.
double PacketRateKBs(std::uint64_t packets, std::int64_t elapsedMs);

} // namespace qev::diagnostics
