#include "frame/options_steps.h"

#include "frame/app_paths.h"
#include "frame/log.h"
#include "frame/options.h"
#include "frame/processor_affinity.h"

namespace qev::frame {

int LoadOptionsStep() {
  LoadOptions(Options(), Paths().OptionsFile);
  return 0;
}

int StartChannelStep() {
  ChooseStartChannel(Options());
  return 0;
}

int ProcessorAffinityStep() {
  if (Options().General.Only1Proc && !RestrictToFirstProcessor())
    Log("SetProcessAffinityMask() - Failed !", kLogError);
  return 0;
}

std::optional<std::string> SaveOptionsStep() {
  std::string error = SaveOptions(Options(), Paths().OptionsFile);
  if (error.empty())
    return std::nullopt;
  return error;
}

} // namespace qev::frame
