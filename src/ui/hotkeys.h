#pragma once

#include "frame/ui_dispatcher.h"
#include "ui/hotkey_table.h"
#include "ui/lirc_lines.h"
#include "ui/win_lirc_thread.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace qev::ui {

// The action a remote button runs in the main window: the first press of an assigned button,
// and the repeats of the main slot's volume buttons; nothing for an unreadable repeat count.
std::optional<std::uint16_t> RemoteAction(const THotKeyTable &table, const std::string &button,
                                          int repeat);

// "Duplicate <HotKey> with action : "Mute"" and the question whether to move the key.
std::string DuplicateQuestion(bool remote, const std::string &otherAction);
// The editor's OK: stores the text in the row's field. When another action holds it in the
// same pair, the user is asked first: no changes nothing (false), yes clears it there.
bool AssignEdited(THotKeyTable &table, std::size_t row, TKeyField field, const std::string &text);

// The program's keys and remote control: the action table, and the remote-control client whose
// buttons go to one registered handler (the main window's, or the hotkey editor's while it is
// open). Used on the user-interface thread only.
class THotKeys {
public:
  using RemoteHandler = std::function<void(const std::string &button, int repeat)>;

  // `antiRepeat` is read for every line, so a changed option takes effect at once. Without a
  // dispatcher the remote control cannot start.
  THotKeys(frame::UiDispatcher *ui, std::function<std::chrono::milliseconds()> antiRepeat,
           TWinLircThread::TTiming timing = {});
  ~THotKeys();

  // "HotKeys.cfg": loaded over the built-in table at start-up, saved when the editor closes.
  // Both give the error text, empty on success; a missing file is no error.
  void SetFile(std::filesystem::path file) { file_ = std::move(file); }
  std::string Load();
  std::string Save() const;

  THotKeyTable &Table() { return table_; }
  const THotKeyTable &Table() const { return table_; }

  // Replaces the handler and returns the one it replaced.
  RemoteHandler SetRemoteHandler(RemoteHandler handler);
  // One line of the server, as the client hands it over.
  void ProcessRemoteLine(const std::string &line);

  // Starting while a client runs does nothing; stopping frees it.
  void StartRemote(const std::string &hostPort);
  void StopRemote();
  bool RemoteRunning() const { return client_ != nullptr; }
  bool RemoteConnected() const { return client_ && client_->Connected(); }

private:
  frame::UiDispatcher *ui_;
  std::function<std::chrono::milliseconds()> antiRepeat_;
  TWinLircThread::TTiming timing_;
  std::filesystem::path file_;
  THotKeyTable table_;
  TLircLineProcessor lines_;
  RemoteHandler remoteHandler_;
  std::unique_ptr<TWinLircThread> client_;
};

} // namespace qev::ui
