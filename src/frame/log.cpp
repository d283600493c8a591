#include "frame/log.h"

#include "frame/message_pump.h"
#include "frame/ui_dispatcher.h"

#include <memory>
#include <mutex>

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
