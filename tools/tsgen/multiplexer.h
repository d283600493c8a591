#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "eit_tables.h"
#include "input_stream.h"
#include "local_time.h"
#include "packet_output.h"
#include "scrambler.h"
#include "section_packer.h"
#include "table_lane.h"
#include "table_versions.h"
#include "teletext_carousel.h"
#include "transponder.h"

namespace qev::tsgen {

// The time the tables show, in milliseconds since 1970, when the stream has run `t27` ticks of
// 27 MHz.
using UtcClock = std::function<std::int64_t(std::uint64_t t27)>;

struct MuxOptions {
  // Empty: the description's start plus the stream time, which makes the output reproducible.
  UtcClock clock;
  // A live broadcast: repeated events recur every day without end and the TOT takes its local
  // offset from the process's time zone.
  bool live = false;
};

// Lays out a transponder's tables and streams in time at a constant bitrate. PCRs go first,
// then picture and sound (each access unit due a fixed lead before its decoding time, so a
// burst of tables never makes it late), then the tables, each due at its period; idle slots
// carry null packets. It runs without end: Produce hands out the next packets.
class Multiplexer {
public:
  using Sink = std::function<void(std::span<const std::uint8_t>)>;
  using Build = std::function<std::vector<Bytes>(UtcSeconds now)>;

  // How long before its decoding time an access unit is due.
  static constexpr std::uint64_t kLead90 = 90000 * 3 / 10;
  // The PCR interval never reaches this.
  static constexpr int kPcrLimitMs = 40;

  // `tp` must outlive the multiplexer. The input, when given, feeds the streams whose source
  // PID it carries, looping. Throws std::invalid_argument when PIDs collide or the bitrate
  // cannot carry what the transponder holds.
  Multiplexer(const Transponder &tp, std::optional<InputStream> input, MuxOptions options = {});

  // The next `packets` packets of the stream.
  void Produce(std::uint64_t packets, const Sink &sink);
  // The description's duration from the start.
  void Run(const Sink &sink);

  // A table on `pid` sent every `periodMs`, built anew each time from the clock; its version
  // follows its content.
  void AddSections(std::uint16_t pid, int periodMs, Build build);

  // What the streams and tables need, with headroom, in bit/s.
  std::uint64_t RequiredBitrate() const;

private:
  enum class Lane { Pcr, Media, Tables };
  using Make = std::function<std::vector<TsPacket>(std::uint64_t t27)>;
  struct Job {
    std::uint64_t period27;
    std::uint64_t next27;
    Lane lane;
    Make make;
  };
  // Where one looping elementary stream of the input stands.
  struct Loop {
    const InputStream::Elementary *es;
    std::size_t unit = 0;
    std::uint64_t round = 0;
  };

  void AddJob(std::uint64_t period27, Lane lane, Make make);
  void MakeVariants();
  // The transponder as its PID and service changes have left it at `t27`.
  const Transponder &VariantAt(std::uint64_t t27) const;
  void BumpVersions(std::uint16_t pid, TableVersions &versions, std::size_t &seen) const;
  void AddPsiJobs();
  void AddSiJobs();
  void AddEitJobs();
  void AddPcrJobs();
  void AddStreamJobs();
  void AddInputLoops();
  void CheckBitrate() const;
  void QueueDue(std::uint64_t t27);
  void QueueInput(std::uint64_t t27);
  void Enqueue(Lane lane, std::vector<TsPacket> packets);
  // The next packet to send: a PCR first, then media, then tables, else a null packet.
  TsPacket Next();
  SectionPacker &Packer(std::uint16_t pid);
  UtcSeconds Utc(std::uint64_t t27) const;
  std::uint64_t Pts(std::uint64_t t27) const;
  std::uint64_t SlotTime(std::uint64_t slot) const;

  const Transponder &tp_;
  std::optional<InputStream> input_;
  UtcClock clock_;
  LocalOffsetRule localOffset_;
  EitBuilder eit_;
  std::map<std::uint16_t, SectionPacker> packers_;
  std::deque<TableVersions> versions_;
  std::vector<std::unique_ptr<TeletextCarousel>> carousels_;
  std::vector<Job> jobs_;
  std::vector<Loop> loops_;
  std::uint64_t nextDue27_ = 0;
  std::deque<TsPacket> pcr_, media_;
  TableLane tables_;
  int mediaRun_ = 0; // media packets sent in a row while tables waited
  std::vector<std::pair<std::uint64_t, Transponder>> variants_; // from a time on
  std::uint64_t building27_ = 0; // the time the job being run was due
  Scrambler scrambler_;
  PacketOutput output_;
  std::uint64_t slot_ = 0;
  double neededBits_ = 0; // per second
};

// Generates the whole stream the description asks for. The input stream named in the
// description is read from disk.
std::vector<std::uint8_t> GenerateStream(const Transponder &tp);
// The same into a file, written whole or not at all (a temporary file renamed at the end).
void GenerateFile(const Transponder &tp, const std::string &path);
// The input stream the description names, if any.
std::optional<InputStream> LoadInput(const Transponder &tp);

} // namespace qev::tsgen
