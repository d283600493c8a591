#include "plugins/plugin_log.h"

#include "frame/notification_hub.h"

namespace qev::plugins {

void TPluginLog::Add(PluginLogKind kind, std::string text, int pluginIndex) {
  {
    std::lock_guard lock(mutex_);
    if (lines_.size() >= kPluginLogLines)
      lines_.pop_front();
    lines_.push_back({std::move(text), kind, pluginIndex});
  }
  hub_.Notify(frame::kNotifyPluginHost, kPluginLogChanged, 0);
}

std::vector<TPluginLogLine> TPluginLog::Lines() const {
  std::lock_guard lock(mutex_);
  return {lines_.begin(), lines_.end()};
}

void TPluginLog::Clear() {
  {
    std::lock_guard lock(mutex_);
    lines_.clear();
  }
  hub_.Notify(frame::kNotifyPluginHost, kPluginLogChanged, 0);
}

void TPluginLog::AddCommand(std::string text) {
  {
    std::lock_guard lock(mutex_);
    if (commands_.size() >= kCommandLogLines)
      commands_.pop_front();
    commands_.push_back(std::move(text));
  }
  hub_.Notify(frame::kNotifyPluginHost, kCommandLogChanged, 0);
}

std::vector<std::string> TPluginLog::Commands() const {
  std::lock_guard lock(mutex_);
  return {commands_.begin(), commands_.end()};
}

void TPluginLog::ClearCommands() {
  {
    std::lock_guard lock(mutex_);
    commands_.clear();
  }
  hub_.Notify(frame::kNotifyPluginHost, kCommandLogChanged, 0);
}

} // namespace qev::plugins
