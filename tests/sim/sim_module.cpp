#include "sim/sim_module.h"

#include <dlfcn.h>

#include <sstream>
#include <stdexcept>
#include <thread>

namespace qev::sim::test {

SimModule &SimModule::Get() {
  static SimModule module;
  return module;
}

SimModule::SimModule() {
  handle_ = dlopen(QEV_SIM_MODULE, RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr)
    throw std::runtime_error(dlerror());
  reinterpret_cast<DvbCard_SetCallback_t>(Symbol("DvbCard_SetCallback"))(&Callback);
  api_.Version = QEV_DEVAPI_VERSION;
  if (reinterpret_cast<DvbCard_GetInterface_t>(Symbol("DvbCard_GetInterface"))(&api_) != 0)
    throw std::runtime_error("no interface");
}

void *SimModule::Symbol(const char *name) const {
  void *symbol = dlsym(handle_, name);
  if (symbol == nullptr)
    throw std::runtime_error(std::string("missing export ") + name);
  return symbol;
}

DeviceDescription SimModule::Description() const {
  DeviceDescription description{};
  description.Version = QEV_DEVAPI_DESCRIPTION_PROBE;
  reinterpret_cast<DvbCard_GetDescription_t>(Symbol("DvbCard_GetDescription"))(&description);
  return description;
}

void SimModule::SetSkyFile(const std::string &path) const {
  reinterpret_cast<void (*)(const char *)>(Symbol("SimTest_SetSkyFile"))(path.c_str());
}

void SimModule::LoseLock(bool lost) const {
  reinterpret_cast<void (*)(std::int32_t)>(Symbol("SimTest_LoseLock"))(lost ? 1 : 0);
}

void SimModule::RefuseFilters(int count) const {
  reinterpret_cast<void (*)(std::int32_t)>(Symbol("SimTest_RefuseFilters"))(count);
}

void SimModule::SetOpenDelay(int milliseconds) const {
  reinterpret_cast<void (*)(std::int32_t)>(Symbol("SimTest_SetOpenDelay"))(milliseconds);
}

void SimModule::RefusePluginData(bool refuse) const {
  reinterpret_cast<void (*)(std::int32_t)>(Symbol("SimTest_RefusePluginData"))(refuse ? 1 : 0);
}

std::int32_t SimModule::SetHelpers(std::int32_t kind, const DsHelperTable *table) const {
  return reinterpret_cast<DvbCard_SetHelpers_t>(Symbol("DvbCard_SetHelpers"))(kind, table);
}

std::vector<std::pair<long, std::string>> SimModule::TimedJournal() const {
  const auto read =
      reinterpret_cast<std::int32_t (*)(char *, std::int32_t)>(Symbol("SimTest_Journal"));
  std::string text(static_cast<std::size_t>(read(nullptr, 0)) + 1024, '\0');
  read(text.data(), static_cast<std::int32_t>(text.size()));
  std::istringstream in(text.c_str());
  std::vector<std::pair<long, std::string>> lines;
  for (std::string line; std::getline(in, line);) {
    const auto blank = line.find(' ');
    lines.emplace_back(std::stol(line.substr(0, blank)), line.substr(blank + 1));
  }
  return lines;
}

std::vector<std::string> SimModule::Journal() const {
  std::vector<std::string> lines;
  for (auto &[time, line] : TimedJournal())
    lines.push_back(line);
  return lines;
}

void SimModule::ClearJournal() const {
  reinterpret_cast<void (*)()>(Symbol("SimTest_ClearJournal"))();
}

void SimModule::Callback(std::int32_t message, std::int32_t value, void *) {
  if (message != QEV_MSG_RECEPTION)
    return;
  SimModule &module = Get();
  std::lock_guard lock(module.mutex_);
  module.receptions_.push_back(value);
  module.changed_.notify_all();
}

std::vector<std::int32_t> SimModule::Receptions() const {
  std::lock_guard lock(mutex_);
  return receptions_;
}

void SimModule::ClearReceptions() {
  std::lock_guard lock(mutex_);
  receptions_.clear();
}

bool SimModule::WaitForReception(std::int32_t value) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, kDeadline,
                           [&] { return !receptions_.empty() && receptions_.back() == value; });
}

bool WaitFor(const std::function<bool()> &done, std::chrono::milliseconds deadline) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end)
      return false;
    std::this_thread::sleep_for(2ms); // polls a condition; the deadline is what bounds it
  }
  return true;
}

} // namespace qev::sim::test
