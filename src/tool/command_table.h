#pragma once

#include "tool/tool_context.h"

#include <span>
#include <string_view>

namespace qev::tool {

struct TToolCommand {
  const char *Name;  // may hold two words, "tp list"
  const char *Usage; // arguments after the name
  int (*Run)(TToolContext &context);
  // With --ts the file plays in real time and loops, as a broadcast does, instead of once as
  // fast as the filters take it.
  bool PacedTs = false;
};

std::span<const TToolCommand> Commands();
// The command whose words start args; consumed says how many arguments its name took.
const TToolCommand *FindCommand(std::span<const std::string> args, std::size_t &consumed);

} // namespace qev::tool
