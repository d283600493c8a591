#include "frame/log.h"

#include "frame/message_pump.h"
#include "frame/process_flags.h"
#include "frame/ui_dispatcher.h"

#include <memory>
#include <mutex>
#include <ostream>

namespace qev::frame {

namespace {
std::mutex targetMutex;
std::shared_ptr<const LogTarget> logTarget;
} // namespace

void SetLogTarget(LogTarget target) {
  auto shared = target ? std::make_shared<const LogTarget>(std::move(target)) : nullptr;
  std::lock_guard lock(targetMutex);
  logTarget = std::move(shared);
}

void Log(std::string_view text, int level) {
  std::shared_ptr<const LogTarget> target;
  {
    std::lock_guard lock(targetMutex);
    target = logTarget;
  }
  if (target) {
    const std::string line(text);
    (*target)(kMessageLogLine, level, line.c_str());
  }
}

LogTarget EchoToStream(LogTarget windows, std::ostream &out, std::string prefix) {
  return [windows = std::move(windows), &out, prefix = std::move(prefix)](int message, int level,
                                                                          const char *text) {
    const bool echo = message == kMessageLogLine && text != nullptr && *text != '\0' &&
                      (level == kLogError || Flags().Closing);
    if (echo) {
      const std::string line = prefix + text + "\n";
      out.write(line.data(), static_cast<std::streamsize>(line.size())).flush();
    }
    if (windows)
      windows(message, level, text);
  };
}

LineColor MessageLineColor(int level) { return level == kLogError ? LineColor::Red : LineColor::Blue; }

void TLogRouter::Show(int level, std::string_view text) {
  RunOnUiThread([this, level, line = std::string(text)] { ShowHere(level, line); });
}

void TLogRouter::ShowHere(int level, const std::string& text) {
  if (startup_ != nullptr)
    startup_->AppendLogLine(" " + text);
  else if (main_ != nullptr)
    main_->ShowMessageLine(text, MessageLineColor(level));
  else
    return;
  PumpMessages();
}

} // namespace qev::frame
