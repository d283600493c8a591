#pragma once

#include "data/channel_rec.h"
#include "si/table_wait.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace qev::frame {
struct TOptions;
}

namespace qev::si {

class SectionFilterSource;

// The transponder AV slot 0 is tuned to.
struct TActiveTransponder {
  std::uint8_t SatIndex = 0;
  std::uint32_t Freq = 0; // as the channel record holds it
  char Polar = 0;
};

struct TRescanLinks {
  SectionFilterSource &Filters;
  const frame::TOptions &Options;
  // Nothing while slot 0 holds no channel.
  std::function<std::optional<TActiveTransponder>()> Active;
  // Shows the table being read and the seconds left; may be empty.
  TTableWait Wait;
  std::function<void()> KeepAlive;
  std::function<double()> Now;
  // Takes the wait away once the tables are read, before any message; may be empty.
  std::function<void()> WaitOver{};
};

// Reads one channel's PMT (and CAT, and with RescanSDTOnUpd its SDT) again on the tuned
// transponder and merges what changed into the record. Interactive, it also says when the
// channel was updated; the other messages are always shown. Returns whether the record changed.
bool RescanChannel(const TRescanLinks &links, data::TChannelRec &rec, bool interactive);

} // namespace qev::si
