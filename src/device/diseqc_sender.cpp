#include "device/diseqc_sender.h"

#include "device/diseqc_log.h"
#include "frame/log.h"

#include <fmt/format.h>

#include <algorithm>

namespace qev::device {

namespace {

constexpr const char *kDashes = "---------------";
constexpr int kToneBurstBusMs = 28;
constexpr int kBusPreMs = 15;
constexpr int kBusPostMs = 15 + 10;

} // namespace

TDiseqcSender::TDiseqcSender(ITunerDevice &device, ITunerClock &clock,
                             const frame::TDiseqcOptions &options, TDiseqcLog &log)
    : device_(device), clock_(clock), options_(options), log_(log) {}

int TDiseqcSender::BusTimeMs(std::size_t length) {
  return kBusPreMs + static_cast<int>(length * 27) / 2 + kBusPostMs;
}

bool TDiseqcSender::Supported() { return device_.DiseqcLevel() >= kMinDiseqcLevel; }

void TDiseqcSender::Transmit(std::span<const std::uint8_t> bytes, std::int32_t burst,
                             int busTimeMs) {
  const std::int64_t start = clock_.NowMs();
  device_.SendDiseqc(bytes, burst);
  const std::int64_t spent = clock_.NowMs() - start;
  log_.Add(fmt::format("PT={} W={}", busTimeMs, busTimeMs - spent));
  WaitSince(clock_, start, busTimeMs);
}

void TDiseqcSender::Finish(int pauseMs) {
  if (pauseMs > 0) {
    log_.Add(fmt::format("Delay {} ms", pauseMs));
    WaitSince(clock_, clock_.NowMs(), pauseMs);
  }
  log_.Add(kDashes);
}

void TDiseqcSender::SendMessage(const TDiseqcBytes &message, int repeats, int pauseMs) {
  if (message.empty() || repeats <= 0)
    return;
  TDiseqcBytes bytes(message.begin(), message.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                            message.size(), kMaxDiseqcLength)));
  const int busTime = BusTimeMs(bytes.size());
  for (int i = 0; i < repeats; ++i) {
    bytes[0] = static_cast<std::uint8_t>(i == 0 ? kDiseqcFraming
                                                : kDiseqcFraming + options_.DiseqRepPrefix);
    Transmit(bytes, 0, busTime);
    log_.Add(HexLine(bytes));
  }
  Finish(pauseMs);
}

void TDiseqcSender::SendToneBurst(int burst, int repeats, int pauseMs) {
  for (int i = 0; i < std::max(repeats, 1); ++i) {
    Transmit({}, burst, kBusPreMs + kToneBurstBusMs + 10);
    log_.Add(fmt::format("Toneburst {}", burst == 1 ? 'A' : 'B'));
  }
  Finish(pauseMs);
}

void TDiseqcSender::SendCommand(const std::string &what, const TDiseqcCommand &command, int repeats,
                                int pauseMs) {
  switch (command.kind) {
  case TDiseqcCommand::Nothing:
    return;
  case TDiseqcCommand::Message:
    return SendMessage(command.bytes, repeats, pauseMs);
  case TDiseqcCommand::ToneBurst:
    return SendToneBurst(command.burst, repeats, pauseMs);
  case TDiseqcCommand::Invalid:
    return Skip(what, command.reason);
  }
}

void TDiseqcSender::Skip(const std::string &what, const std::string &reason) {
  const std::string line = fmt::format("{}: {}, not sent", what, reason);
  log_.Add(line);
  frame::Log("DiSEqC " + line, frame::kLogError);
}

void TDiseqcSender::SendSwitchSequence(const data::TSatRec &sat, bool horizontal, bool toneOn) {
  const data::TSwitchCfg *switches[] = {&sat.Sw1, &sat.Sw2, &sat.Sw3};
  for (int level = 1; level <= 3; ++level) {
    const data::TSwitchCfg &sw = *switches[level - 1];
    SendCommand(fmt::format("Sw{}", level), SwitchCommand(level, sw, options_, horizontal, toneOn),
                sw.SwTxCount, sw.SwGap);
  }
}

void TDiseqcSender::SendPositioner(const data::TSatRec &sat) {
  SendCommand("POS", PositionerCommand(sat, options_), sat.PosTxCount, sat.PosGap);
}

void TDiseqcSender::SendForTune(const data::TSatRec &sat, bool horizontal, bool toneOn,
                                bool satelliteChanged) {
  if (!satelliteChanged && !options_.DiseqOnChan)
    return;
  if (!Supported())
    return;
  SendSwitchSequence(sat, horizontal, toneOn);
  if (satelliteChanged)
    SendPositioner(sat);
}

} // namespace qev::device
