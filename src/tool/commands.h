#pragma once

#include "tool/tool_context.h"

namespace qev::tool {

int RunSats(TToolContext &context);
int RunScan(TToolContext &context);
int RunStats(TToolContext &context);
int RunEpg(TToolContext &context);
int RunChannels(TToolContext &context);
int RunDevices(TToolContext &context);
int RunDump(TToolContext &context);
int RunPlay(TToolContext &context);
int RunPlugins(TToolContext &context);
int RunRecord(TToolContext &context);
int RunSwitch(TToolContext &context);
int RunTpList(TToolContext &context);
int RunTpImport(TToolContext &context);
int RunTune(TToolContext &context);
int RunTeletext(TToolContext &context);
int RunJobsList(TToolContext &context);
int RunJobsAdd(TToolContext &context);
int RunJobsDelete(TToolContext &context);

} // namespace qev::tool
