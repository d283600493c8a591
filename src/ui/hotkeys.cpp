#include "ui/hotkeys.h"

#include "frame/message_boxes.h"
#include "ui/hotkey_file.h"
#include "ui/main_commands.h"

#include <utility>

namespace qev::ui {

std::optional<std::uint16_t> RemoteAction(const THotKeyTable &table, const std::string &button,
                                          int repeat) {
  const int row = table.FindByRemote(button);
  if (row < 0 || repeat < 0)
    return std::nullopt;
  const std::uint16_t code = table.Rows()[row].ActionCode;
  if (repeat > 0 && code != kCmdVolumeUp && code != kCmdVolumeDown)
    return std::nullopt;
  return code;
}

std::string DuplicateQuestion(bool remote, const std::string &otherAction) {
  return std::string("Duplicate ") + (remote ? "<Remote>" : "<HotKey>") + " with action : \"" +
         otherAction + "\"\r\rClear existent codes and assign to current action ?";
}

bool AssignEdited(THotKeyTable &table, std::size_t row, TKeyField field, const std::string &text) {
  const int other = table.DuplicateOf(row, field, text);
  if (other >= 0 &&
      !frame::Confirm(DuplicateQuestion(IsRemoteField(field), table.Rows()[other].ActionName)))
    return false;
  table.Assign(row, field, text, other >= 0);
  return true;
}

THotKeys::THotKeys(frame::UiDispatcher *ui, std::function<std::chrono::milliseconds()> antiRepeat,
                   TWinLircThread::TTiming timing)
    : ui_(ui), antiRepeat_(std::move(antiRepeat)), timing_(timing) {}

THotKeys::~THotKeys() { StopRemote(); }

std::string THotKeys::Load() { return LoadHotKeys(file_, table_); }

std::string THotKeys::Save() const { return SaveHotKeys(file_, table_); }

THotKeys::RemoteHandler THotKeys::SetRemoteHandler(RemoteHandler handler) {
  return std::exchange(remoteHandler_, std::move(handler));
}

void THotKeys::ProcessRemoteLine(const std::string &line) {
  lines_.Process(line, antiRepeat_(), [this](const std::string &button, int repeat) {
    // A copy: the handler may replace itself (a button that opens the editor).
    if (RemoteHandler handler = remoteHandler_)
      handler(button, repeat);
  });
}

void THotKeys::StartRemote(const std::string &hostPort) {
  if (client_ || !ui_)
    return;
  client_ = std::make_unique<TWinLircThread>(
      hostPort, *ui_, [this](const std::string &line) { ProcessRemoteLine(line); }, timing_);
}

void THotKeys::StopRemote() { client_.reset(); }

} // namespace qev::ui
