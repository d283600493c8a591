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
#include "packet_output.h"
#include "scrambler.h"
#include "section_packer.h"
#include "teletext_carousel.h"
#include "transponder.h"

namespace qev::tsgen {

// Lays out a transponder's tables and streams in time at a constant bitrate: every repeated
// item is due at its period, due packets go out first come first served (PCRs ahead of the
// rest), and idle slots carry null packets.
class Multiplexer {
public:
  using Sink = std::function<void(std::span<const std::uint8_t>)>;

  // `tp` must outlive the multiplexer. The input, when given, feeds the streams whose source
  // PID it carries.
  Multiplexer(const Transponder &tp, std::optional<InputStream> input);

  void Run(const Sink &sink);

private:
  using Make = std::function<std::vector<TsPacket>(std::uint64_t t27)>;
  struct Job {
    std::uint64_t period27;
    std::uint64_t next27;
    bool urgent;
    Make make;
  };

  void AddJob(int periodMs, bool urgent, Make make);
  void AddSections(std::uint16_t pid, int periodMs,
                   std::function<std::vector<Bytes>(UtcSeconds now)> build);
  void AddPsiJobs();
  void AddSiJobs();
  void AddEitJobs();
  void AddPcrJobs();
  void AddStreamJobs();
  void QueueDue(std::uint64_t t27);
  SectionPacker &Packer(std::uint16_t pid);
  UtcSeconds Utc(std::uint64_t t27) const;
  std::uint64_t Pts(std::uint64_t t27) const;

  const Transponder &tp_;
  std::optional<InputStream> input_;
  std::size_t inputCursor_ = 0;
  std::uint64_t pcrBase27_ = 0;
  EitBuilder eit_;
  std::map<std::uint16_t, SectionPacker> packers_;
  std::vector<std::unique_ptr<TeletextCarousel>> carousels_;
  std::vector<Job> jobs_;
  std::deque<TsPacket> urgent_;
  std::deque<TsPacket> queue_;
  Scrambler scrambler_;
  PacketOutput output_;
};

// Generates the whole stream the description asks for. The input stream named in the
// description is read from disk.
std::vector<std::uint8_t> GenerateStream(const Transponder &tp);
void GenerateFile(const Transponder &tp, const std::string &path);

} // namespace qev::tsgen
