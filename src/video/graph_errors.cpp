#include "video/graph_errors.h"

#include <fmt/format.h>

namespace qev::video {

std::string CreateFilterText(const std::string &name) {
  return "Cannot create fiter [" + name + "]";
}

std::string AddFilterText(const std::string &name) { return "Cannot add to graph [" + name + "]"; }

std::string NoFilterText(const std::string &filter) {
  return "ConnectPin:Cannot find filter [" + filter + "]";
}

std::string NoPinText(const std::string &filter, const std::string &pin) {
  return "ConnectPin:Cannot find pin [" + pin + "] from filter [" + filter + "]";
}

std::string ConnectPinsText(const std::string &source, const std::string &sourcePin,
                            const std::string &destination, const std::string &destinationPin) {
  return "Cannot connect pins [" + source + "-" + sourcePin + "] to [" + destinationPin + "-" +
         destination + "]";
}

std::string WindowOwnerText(unsigned owner) {
  return fmt::format("VideoWindow: Could not set owner handle. (0x{:08X})", owner);
}

std::string WindowPositionText(int width, int height) {
  return fmt::format("VideoWindow: Could not set window size/position: {}x{}", width, height);
}

std::string GraphErrorText(int slot, int code, const std::string &text) {
  if (code == 0)
    return {};
  return fmt::format("AV{}: Graph Error [{:04X}] \r{}", slot, static_cast<unsigned>(code) & 0xFFFF,
                     text);
}

} // namespace qev::video
