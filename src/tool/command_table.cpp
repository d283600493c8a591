#include "tool/command_table.h"

#include "tool/commands.h"

#include <sstream>
#include <vector>

namespace qev::tool {

namespace {
// One line per command.
constexpr TToolCommand kCommands[] = {
    {"sats", "", RunSats},
    {"channels", "[--sat N]", RunChannels},
    {"devices", "[--folder DIR]", RunDevices},
    {"tp list", "--sat N", RunTpList},
    {"tp import", "FILE --sat N", RunTpImport},
    {"switch", "(HANDLE | --name NAME)... [--slot N]", RunSwitch},
    {"tune", "SAT FREQ POL SR [--wait MS]  (SAT: index or position, 19.2E)", RunTune},
    {"dump",
     "SAT FREQ POL SR --seconds N --out FILE [--wait MS]  (every PID; with --ts, --out FILE "
     "alone copies the file to its end)",
     RunDump},
    {"play", "(HANDLE | --name NAME) [--seconds N] [--slot N]  (counts pictures and sound)",
     RunPlay, true},
    // The scan reads the PAT before it opens the other tables' filters, so a file played once
    // and fast would be over before them: it loops at its own pace instead.
    {"scan", "(--ts FILE | --sat N [--tp FREQ,POL,SR]...) [--merge]  (services with their PIDs)",
     RunScan, true},
    {"epg", "(--ts FILE | HANDLE | --name NAME) [--seconds N] [--xmltv]  (the guide)", RunEpg},
    {"teletext",
     "(--ts FILE | HANDLE | --name NAME) [--page N] [--subtitles] [--seconds N]  (a page or "
     "the subtitles)",
     RunTeletext},
    {"stats",
     "(--ts FILE | HANDLE | --name NAME) [--seconds N]  (packets, scrambled packets, continuity "
     "errors, content and rate of every PID)",
     RunStats},
    {"record",
     "(HANDLE | --name NAME | --pids P,P --tp SAT,FREQ,POL,SR | --full --tp SAT,FREQ,POL,SR) "
     "[--seconds N] [--out DIR] [--split MB]  (through the recorder)",
     RunRecord},
    {"plugins",
     "[--folder DIR] | --run (HANDLE | --name NAME) [--seconds N]  (the plugins found, or run "
     "against a playing channel with the bytes their filters received)",
     RunPlugins},
    {"jobs list", "(scheduled jobs: systemd user timers)", RunJobsList},
    {"jobs add",
     "--channel NAME --at YYYY-MM-DDTHH:MM [--minutes N] [--name TEXT] [--view] "
     "[--weekly Mon,Wed,...] [--at-end exit|suspend|hibernate|shutdown] [--no-wake]",
     RunJobsAdd},
    {"jobs delete", "ID|NAME", RunJobsDelete},
};

std::vector<std::string> Words(const char *name) {
  std::istringstream in(name);
  std::vector<std::string> words;
  for (std::string w; in >> w;)
    words.push_back(w);
  return words;
}
} // namespace

std::span<const TToolCommand> Commands() { return kCommands; }

const TToolCommand *FindCommand(std::span<const std::string> args, std::size_t &consumed) {
  for (const TToolCommand &command : kCommands) {
    const std::vector<std::string> words = Words(command.Name);
    if (words.size() <= args.size() && std::equal(words.begin(), words.end(), args.begin())) {
      consumed = words.size();
      return &command;
    }
  }
  return nullptr;
}

} // namespace qev::tool
