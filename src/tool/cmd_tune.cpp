#include "tool/commands.h"
#include "tool/tune_session.h"

namespace qev::tool {

// Tunes one transponder of a satellite of the root's list through the device module and
// reports the lock, the signal, the delivery system and the DiSEqC messages sent on the way.
int RunTune(TToolContext &context) {
  TTuneArgs args;
  if (const int code = TakeTuneArgs(context, "SAT FREQ POL SR [--wait MS]", args); code != kExitOk)
    return code;
  TLoadedModule module(context);
  if (module.Result() != kExitOk)
    return module.Result();
  return TuneAndReport(context, args);
}

} // namespace qev::tool
