#include "ui/main_window_caption.h"

namespace qev::ui {

std::string MainWindowCaption(const std::string &deviceName, const std::string &deviceInfo) {
  std::string caption = "QEV-DVB @ " + (deviceName.empty() ? kOfflineDeviceName : deviceName);
  if (!deviceInfo.empty())
    caption += " [ " + deviceInfo + " ]";
  return caption;
}

} // namespace qev::ui
