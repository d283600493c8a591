#include "ui/main_keys.h"

#include "ui/main_commands.h"

namespace qev::ui {

namespace {
constexpr int kFullScreenOfMain = 0 * 256 + 4;
} // namespace

std::optional<TKeyCommand> DesktopKeyCommand(std::string_view keyName) {
  if (keyName == "Ctrl+Q")
    return TKeyCommand{kCmdCloseApplication, 0};
  if (keyName == "F11")
    return TKeyCommand{kCmdWindowMode, kFullScreenOfMain};
  return std::nullopt;
}

} // namespace qev::ui
