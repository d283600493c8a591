#pragma once

#include <string>

namespace qev::ui {

inline constexpr const char *kOfflineDeviceName = "OFFLINE";

// "QEV-DVB @ " + device name ("OFFLINE" without a device), + " [ " + info + " ]" when the device
// gives an information text.
std::string MainWindowCaption(const std::string &deviceName, const std::string &deviceInfo = {});

} // namespace qev::ui
