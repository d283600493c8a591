#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

namespace qev::frame {

enum LogLevel : int { kLogInfo = 0, kLogError = 2 };

// The device callback's message code for a log line.
inline constexpr int kMessageLogLine = 1;

// Receives (message, level, text); the program registers the device callback here, which shows
// the line in the start-up window or the main window.
using LogTarget = std::function<void(int message, int value, const char* text)>;

void SetLogTarget(LogTarget target);

// Sends one line to the registered target; dropped when there is none. An empty text clears
// the main window's message line.
void Log(std::string_view text, int level = kLogInfo);

// Wraps the windows' target so that errors also reach a terminal: error lines are copied to
// out, prefixed; and once the shutdown has begun, when no window shows a line any more, every
// line goes there.
LogTarget EchoToStream(LogTarget windows, std::ostream &out, std::string prefix);

enum class LineColor { Blue, Red };

// Level 2 is an error and shows in red; every other level shows like information.
LineColor MessageLineColor(int level);

class StartupLogView {
public:
  virtual ~StartupLogView() = default;
  virtual void AppendLogLine(const std::string& line) = 0;
};

class MessageLineView {
public:
  virtual ~MessageLineView() = default;
  virtual void ShowMessageLine(const std::string& text, LineColor color) = 0;
};

// Decides where a log line is shown: the start-up window while it exists, else the main
// window's message line, else nowhere. Lines from other threads are handed to the
// user-interface thread; the views are only touched there.
class TLogRouter {
public:
  // Attach and detach on the user-interface thread; null detaches.
  void AttachStartupWindow(StartupLogView* view) { startup_ = view; }
  void AttachMainWindow(MessageLineView* view) { main_ = view; }

  void Show(int level, std::string_view text);

private:
  void ShowHere(int level, const std::string& text);

  StartupLogView* startup_ = nullptr;
  MessageLineView* main_ = nullptr;
};

} // namespace qev::frame
