#include "recording/sch_manager.h"

#include "frame/log.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

extern char **environ;

namespace qev::recording {

namespace {

// Runs the program with its output discarded; true when it exits with 0.
bool RunQuietly(const std::vector<std::string> &arguments) {
  std::vector<char *> argv;
  for (const std::string &argument : arguments)
    argv.push_back(const_cast<char *>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0)
    return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR)
      return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class TSystemctlManager final : public ISchManager {
public:
  explicit TSystemctlManager(std::string program) : program_(std::move(program)) {}

  bool Reload() override {
    answers_ = !program_.empty() && RunQuietly({program_, "--user", "daemon-reload"});
    return answers_;
  }

  void Enable(const std::string &timerUnit, bool enable) override {
    if (!answers_ && !Reload())
      return;
    if (!RunQuietly({program_, "--user", enable ? "enable" : "disable", "--now", timerUnit}))
      frame::Log("The service manager did not " + std::string(enable ? "enable " : "disable ") +
                     timerUnit,
                 frame::kLogError);
  }

private:
  const std::string program_;
  bool answers_ = false;
};

} // namespace

std::unique_ptr<ISchManager> MakeSystemctlManager() {
  const char *program = std::getenv("QEV_SYSTEMCTL");
  return std::make_unique<TSystemctlManager>(program ? program : "systemctl");
}

} // namespace qev::recording
