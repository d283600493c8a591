#include "recording/sch_job.h"

#include "frame/string_utils.h"

#include <fmt/format.h>

namespace qev::recording {

std::string CleanJobChannelName(std::string_view channel) {
  std::string kept;
  for (const char c : channel) {
    const bool control = static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    if (!control && std::string_view("|:><*[]./\\\"?").find(c) == std::string_view::npos)
      kept += c;
  }
  return frame::Trim(kept);
}

std::string SchJobName(const TSchJob &job) {
  const char *action = job.Command.Action == frame::TCommandRecord::kActionView     ? "View "
                       : job.Command.Action == frame::TCommandRecord::kActionRecord ? "Rec "
                                                                                    : "";
  const TLocalFields f = SplitLocal(job.Start);
  return fmt::format("{}-{}[{}] [{:02}{:02}{:04} {:02}{:02}]", kSchJobPrefix, action,
                     CleanJobChannelName(job.Command.ChannelName), f.Day, f.Month, f.Year, f.Hour,
                     f.Minute);
}

std::string ChannelOfJobName(std::string_view name) {
  const std::size_t open = name.find('[');
  if (open == std::string_view::npos)
    return {};
  const std::size_t close = name.find(']', open + 1);
  return std::string(name.substr(open + 1, close == std::string_view::npos ? std::string_view::npos
                                                                           : close - open - 1));
}

std::string JobCommandText(const TSchJob &job) {
  return frame::Trim(frame::WriteCommandLine(job.Command, false));
}

frame::TCommandRecord ReadJobCommand(std::string_view text, std::string_view name) {
  frame::TCommandRecord command = frame::ParseCommandLine(text);
  command.ChannelName = ChannelOfJobName(name);
  return command;
}

} // namespace qev::recording
