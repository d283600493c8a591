#pragma once

#include "teletext/ttx_decoder.h"

#include <array>
#include <cstdint>
#include <span>

namespace qev::teletext {

// Whole transport packets of the teletext PID into teletext packets (EBU data units of
// EN 300 472). The data units are found from the PES header itself: its header length, then the
// data identifier, then units one after the other, across packet borders. Payloads alone would
// not do: they hide whether a packet starts a PES packet and whether it carries an adaptation
// field, and a header of another length shifts every unit. After a lost or damaged packet the
// walk waits for the next PES start. Fixed buffers only.
class TTtxPesWalker {
public:
  explicit TTtxPesWalker(TTtxDecoder &decoder) : decoder_(decoder) {}

  // Whole 188-byte packets; a shorter remainder is ignored.
  void Feed(std::span<const std::uint8_t> packets);
  // Waits for the next PES start, as after a channel change.
  void Reset();

private:
  enum class TState { WaitStart, PesHeader, HeaderData, DataIdentifier, Units };

  void Packet(const std::uint8_t *packet);
  bool ContinuityHolds(std::uint8_t counter, bool &duplicate);
  void Consume(const std::uint8_t *data, std::size_t size);
  std::size_t Step(const std::uint8_t *data, std::size_t size);
  std::size_t TakeHeader(const std::uint8_t *data, std::size_t size);
  std::size_t TakeUnit(const std::uint8_t *data, std::size_t size);
  void UnitDone();

  TTtxDecoder &decoder_;
  TState state_ = TState::WaitStart;
  int lastCounter_ = -1;
  // Bytes of the PES packet still to come after the header; -1 when its length is open.
  long pesLeft_ = -1;
  std::size_t skip_ = 0;
  std::array<std::uint8_t, 9> header_{};
  std::size_t headerGot_ = 0;
  // Up to one whole teletext unit (id, length, field/line, framing, 42 bytes); a longer unit's
  // extra bytes are counted, not kept.
  std::array<std::uint8_t, 46> unit_{};
  std::size_t unitGot_ = 0;
};

} // namespace qev::teletext
