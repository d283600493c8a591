#include "frame/startup_sequence.h"

#include "frame/log.h"

namespace qev::frame {

void TStartupSequence::Plug(StartupStep step, Action action) {
  actions_[static_cast<std::size_t>(step)] = std::move(action);
}

std::string_view TStartupSequence::LogLine(StartupStep step) {
  switch (step) {
  case StartupStep::Resources:
    return "Loading resources";
  case StartupStep::Options:
    return "Loading settings";
  case StartupStep::Plugins:
    return "Loading plugins";
  case StartupStep::Channels:
    return "Loading channels";
  default:
    return {};
  }
}

int TStartupSequence::Run() const {
  for (std::size_t i = 0; i < kStartupStepCount; ++i) {
    const auto step = static_cast<StartupStep>(i);
    if (const auto line = LogLine(step); !line.empty())
      Log(line);
    if (actions_[i]) {
      if (const int result = actions_[i](); result != 0)
        return result;
    }
  }
  return 0;
}

} // namespace qev::frame
