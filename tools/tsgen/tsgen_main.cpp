// tsgen: writes a deterministic MPEG transport stream from a transponder description.

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "description_file.h"
#include "multiplexer.h"

namespace {

constexpr const char *kUsage =
    R"(Usage: tsgen DESCRIPTION OUTPUT.ts [--seconds N] [--start TIME] [--input FILE.ts]
       tsgen --help

Writes the transport stream described by DESCRIPTION. The same description always gives the
same bytes: the stream's clock starts at the start time, not at the wall clock.
--seconds (or --duration), --start (YYYY-MM-DD HH:MM:SS, UTC) and --input override the
description's duration, start and input. The input's picture and sound loop without a break.
The output is written whole or not at all; errors (colliding PIDs, a bitrate too low for the
streams, an unreadable input) exit with 1 and say what is needed.

Example:
  tsgen sky/tp1.txt tp1.ts && ffprobe -show_programs tp1.ts

The description is a text file of blocks; '#' starts a comment. Numbers may be hexadecimal
(0x...). Texts are UTF-8 and are written in the service's character table.

[transponder]  tsid onid network_id network network_charset
               frequency (kHz) polarisation (H V L R) symbol_rate (S/s) orbital (19.2E, 30W)
               system (S S2) modulation (qpsk 8psk) fec (1..9)
               start (YYYY-MM-DD HH:MM:SS, UTC) duration (s) bitrate (bit/s)
               input (transport stream supplying picture and sound, relative to the
               description) country local_offset (min)
[service]      id pmt pcr type (1 TV, 2 radio, 0x0C data, 0x19 H.264 TV) name provider
               charset (default, utf8, cyrillic, iso8859-N, sel8859-N) eit_schedule eit_pf
               running ca = CA_ID ECM_PID [PROVIDER...] (repeatable)
[stream]       kind (mpeg2 h264 hevc mpa ac3 eac3 aac teletext sections) pid lang
               source (input PID)
               teletext = LANG TYPE PAGE, ... (TYPE: initial subtitle additional schedule hearing)
               of a sections stream: table_id (default 0xC0) section = TEXT (repeatable, one
               private section each, sent in turn)
[page]         of the teletext stream above: number subcode national (0..7) row = N TEXT
               (repeatable) index = TITLE (lists the stream's other pages) subtitle (0/1)
               caption = LINE|LINE (repeatable, rows 20 to 24) caption_seconds
               links = PAGE... (at most six, the coloured keys); pages of the same number are
               subpages, sent in turn. Texts are in the page's national set; tokens in braces
               write attributes: {red} ... {white}, {m-red} ... {m-white} (mosaic), {flash}
               {steady} {startbox} {endbox} {normal} {double} {dwidth} {dsize} {conceal}
               {contiguous} {separated} {blackbg} {newbg} {hold} {release}, {#hh} (a code)
[event]        of the service above: id start duration (s) name text extended lang
               item = DESCRIPTION: TEXT (repeatable) content = BYTE... rating (age)
               rating_country repeat_days (the event again on the following days)
               translation = LANG | NAME | TEXT (repeatable) start_undefined (0/1)
               duration_undefined (0/1)
[emm]          ca_id pid
[other]        another transport stream of the network: tsid onid and the delivery keys, or
               description = FILE (its description, relative to this one: delivery, services
               and their events for the SDT and EIT present/following other)
[other_service] of the [other] above, for the SDT other: id type name provider charset
[repetition]   periods in ms: pat pmt cat sdt sdt_other nit eit_pf eit_pf_other eit_schedule
               time ecm emm data pcr media
[flaws]        deliberate faults, each EVERY [PID] (every n-th section or packet, per PID):
               bad_crc wrong_length (length_delta) stuffing_tables packet_loss continuity
               adaptation (adaptation_bytes) transport_error lost_sync garbage (garbage_bytes)
               duplicate; split_headers = 1 cuts section headers at packet boundaries;
               at a time (seconds after the start): pcr_jump = AT MS, version_change = AT [PID],
               pid_change = AT FROM TO, service_added = AT SID, service_removed = AT SID
               (repeatable, except pcr_jump)

A live broadcast (Dev_Sim.int) takes the tables' time from the wall clock, repeats events with
repeat_days every day without end and takes the TOT's offset from the time zone (TZ).
)";

struct Arguments {
  std::string description;
  std::string output;
  std::string input;
  std::string seconds;
  std::string start;
};

std::string *Option(Arguments &args, const std::string &name) {
  if (name == "--input") {
    return &args.input;
  }
  if (name == "--seconds" || name == "--duration") {
    return &args.seconds;
  }
  return name == "--start" ? &args.start : nullptr;
}

bool ReadArguments(int argc, char **argv, Arguments &args) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (std::string *value = Option(args, arg); value && i + 1 < argc) {
      *value = argv[++i];
    } else if (args.description.empty() && arg.rfind("--", 0) != 0) {
      args.description = arg;
    } else if (args.output.empty() && arg.rfind("--", 0) != 0) {
      args.output = arg;
    } else {
      return false;
    }
  }
  return !args.description.empty() && !args.output.empty();
}

double Seconds(const std::string &text) {
  char *end = nullptr;
  const double seconds = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !(seconds > 0) || !std::isfinite(seconds)) {
    throw std::invalid_argument("--seconds wants a positive number, not " + text);
  }
  return seconds;
}

} // namespace

int main(int argc, char **argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::cout << kUsage;
    return 0;
  }
  Arguments args;
  if (!ReadArguments(argc, argv, args)) {
    std::cerr << kUsage;
    return 2;
  }
  try {
    qev::tsgen::Transponder tp = qev::tsgen::DescriptionFile::Load(args.description);
    if (!args.input.empty()) {
      tp.inputFile = args.input;
    }
    if (!args.seconds.empty()) {
      tp.durationSeconds = Seconds(args.seconds);
    }
    if (!args.start.empty()) {
      const auto start = qev::tsgen::ParseUtc(args.start);
      if (!start) {
        throw std::invalid_argument("--start wants YYYY-MM-DD HH:MM:SS, not " + args.start);
      }
      tp.start = *start;
    }
    qev::tsgen::GenerateFile(tp, args.output);
  } catch (const std::exception &e) {
    std::cerr << "tsgen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
