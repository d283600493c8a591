#include "ui/diseqc_console_model.h"

#include "frame/message_boxes.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>

namespace qev::ui {

namespace {

constexpr int kMaxSteps = 128;

} // namespace

int StepCount(std::string_view text) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  int steps = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), steps);
  if (error != std::errc() || end != text.data() + text.size() || steps < 1 || steps > kMaxSteps)
    return 1;
  return steps;
}

TMotorAngleHint MotorAngleHint(device::TDishAngle satellite, const frame::TDiseqcOptions &options) {
  frame::TDiseqcOptions adjusting = options;
  adjusting.AdjustGotoX = true;
  const device::TDishAngle motor = device::GotoAngleFor(satellite, adjusting);
  // Rounded first, so a west angle that rounds to nothing shows no minus sign.
  const double shown = std::round(motor.angle * 10) / 10;
  if (motor.west && shown > 0)
    return {fmt::format("-{:.1f}", shown), true};
  return {fmt::format("{:.1f}", shown), false};
}

void TDiseqcConsoleModel::Send(const device::TDiseqcBytes &message) {
  sender_.SendMessage(message, 1, 0);
}

void TDiseqcConsoleModel::Step(bool east, std::string_view count) {
  Send(device::StepMessage(Address(), east, StepCount(count)));
}

void TDiseqcConsoleModel::Drive(bool east) { Send(device::DriveMessage(Address(), east)); }

void TDiseqcConsoleModel::Stop() { Send(device::StopMessage(Address())); }

void TDiseqcConsoleModel::SetLimit(bool east) { Send(device::LimitMessage(Address(), east)); }

void TDiseqcConsoleModel::DisableLimits() { Send(device::DisableLimitsMessage(Address())); }

void TDiseqcConsoleModel::EnableLimits() { Send(device::EnableLimitsMessage(Address())); }

bool TDiseqcConsoleModel::GotoStored(int position) {
  if (position < 1 || position > 255 || !frame::Confirm(device::MoveDishQuestion(position)))
    return false;
  Send(device::GotoStoredMessage(Address(), static_cast<std::uint8_t>(position)));
  return true;
}

bool TDiseqcConsoleModel::StorePosition(int position) {
  const device::TDiseqcBytes message = device::StorePositionMessage(Address(), position);
  if (message.empty() || !frame::Confirm(device::SavePositionQuestion(position)))
    return false;
  Send(message);
  return true;
}

void TDiseqcConsoleModel::GotoAngle(device::TDishAngle satellite, int variant) {
  Send(device::UsalsMessage(satellite, variant, options_));
}

bool TDiseqcConsoleModel::SendRaw(std::string_view text) {
  const device::THexField field = device::ParseHexField(text);
  if (field.state != device::THexField::Valid || field.bytes.empty())
    return false;
  Send(field.bytes);
  return true;
}

} // namespace qev::ui
