#pragma once

#include "data/command_channels.h"
#include "frame/command_line.h"
#include "frame/command_receiver.h"
#include "frame/instance_hand_over.h"
#include "recording/sleep_timer.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace qev::frame {
class TLogindPower;
class TLogindSleepMonitor;
} // namespace qev::frame

namespace qev::app {

// The program's command line, the texts later starts hand over, the sleep timer and the power
// actions, wired into the running program.
class TCommandLink {
public:
  struct THooks {
    // Shows (true) or hides the main window into the tray.
    std::function<void(bool show)> ShowMainWindow;
    // The main window's command message (command, argument).
    std::function<void(int command, std::intptr_t argument)> RunCommand;
    std::function<void()> RequestClose;
    std::function<void()> ResumeEngine;
    // Records AV slot 0's channel without asking (0 minutes: no limit).
    std::function<void(int minutes)> RecordSlot0;
  };

  explicit TCommandLink(THooks hooks);
  ~TCommandLink();

  // Texts arriving from now on are executed once the program is ready.
  void AttachHandOver(std::unique_ptr<frame::THandOverListener> listener);
  // The main window's creation: the own command line's start channel, video and sleep timer.
  frame::TCommandRecord ApplyOwnCommandLine(const std::vector<std::string> &words);
  void ApplyWindowState(const frame::TCommandRecord &record);
  void SetReady() { ready_ = true; }
  // After the switch to the start channel: a "/REC" start records it.
  void RecordIfAsked(const frame::TCommandRecord &record, bool switched);
  // On the user-interface thread; runs once no long operation is under way.
  void ReceiveCommand(const std::string &text);

  recording::TSleepTimer &SleepTimer() { return sleepTimer_; }
  QWidget *MakeSleepTimerButton(QWidget *parent);
  void AttachSleepMonitor(frame::TLogindSleepMonitor *monitor);
  // A power command of a key or remote button (0x7002 standby and 0x7003 suspend, 0x7004 shut
  // down, 0x7005 hibernate), run as the sleep timer runs its actions.
  void RunPowerCommand(int command);
  // The close that a shut-down action asked for has run: the machine goes off.
  void AfterClose();

private:
  void ApplyStartRequest(int windowState);
  recording::TSleepHandlers SleepHandlers();

  THooks hooks_;
  data::TCommandChannels channels_;
  frame::TCommandReceiver receiver_;
  recording::TSleepTimer sleepTimer_;
  std::unique_ptr<frame::TLogindPower> power_;
  std::unique_ptr<frame::THandOverListener> listener_;
  bool ready_ = false;
  bool powerOffAfterClose_ = false;
  // Texts queued from the listener's thread are dropped with it.
  QObject context_;
};

} // namespace qev::app
