#include "tool/tool_context.h"

#include "device/device_loader.h"
#include "frame/options.h"

#include <algorithm>
#include <charconv>

#include <fmt/format.h>

namespace qev::tool {

void TToolContext::Line(const std::string &text) const {
  if (!Json)
    Out << text << '\n';
}

int TToolContext::Fail(const std::string &text) {
  Err << "qevtool: " << text << '\n';
  Doc["error"] = text;
  return kExitFailed;
}

int TToolContext::BadArguments(const std::string &text) {
  Err << "qevtool: " << text << '\n';
  return kExitBadArguments;
}

int TToolContext::TakeSeconds(std::optional<int> &seconds) {
  const std::optional<std::string> text = TakeOption("--seconds");
  if (!text)
    return kExitOk;
  seconds = ParseInt(*text, 1, kMaxSeconds);
  return seconds ? kExitOk : BadArguments(fmt::format("--seconds takes 1..{}", kMaxSeconds));
}

int TToolContext::TakeSeconds(int &seconds) {
  std::optional<int> taken;
  const int code = TakeSeconds(taken);
  if (taken)
    seconds = *taken;
  return code;
}

std::filesystem::path TToolContext::DeviceModuleFile() const {
  return device::DeviceModulePath(!Device.empty() ? Device
                                                  : frame::Options().StartUp.ActiveDevice);
}

std::optional<std::string> TToolContext::TakeOption(const std::string &name) {
  const auto it = std::find(Args.begin(), Args.end(), name);
  if (it == Args.end() || it + 1 == Args.end())
    return std::nullopt;
  std::string value = *(it + 1);
  Args.erase(it, it + 2);
  return value;
}

std::optional<int> ParseInt(const std::string &text, int low, int high) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
    return std::nullopt;
  return value;
}

} // namespace qev::tool
