#pragma once

#include <memory>
#include <string>

namespace qev::recording {

// The user's service manager as the scheduler needs it. The unit files are the store and are
// written without it; when none answers (a container, a CI machine), these calls do nothing.
class ISchManager {
public:
  virtual ~ISchManager() = default;
  // Makes the manager read the unit files again; false when no manager answers.
  virtual bool Reload() = 0;
  // Starts the timer now and at every login, or stops it and no longer starts it.
  virtual void Enable(const std::string &timerUnit, bool enable) = 0;
};

// "systemctl --user", or the program that QEV_SYSTEMCTL names (empty: no manager at all).
std::unique_ptr<ISchManager> MakeSystemctlManager();

} // namespace qev::recording
