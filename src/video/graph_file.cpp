#include "video/graph_file.h"

#include "frame/app_paths.h"
#include "frame/file_reader.h"
#include "frame/string_utils.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace qev::video {

namespace {

using frame::EqualsNoCase;
using frame::Trim;

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos)
      end = text.size();
    lines.push_back(Trim(text.substr(start, end - start)));
    start = end + 1;
  }
  return lines;
}

bool IsScriptComment(const std::string &line) {
  return line.empty() || line[0] == '#' || line[0] == '.' || line[0] == '/';
}

// Commas separate; runs of them act as one, so arguments that are empty are dropped.
std::vector<std::string> ScriptArguments(std::string_view text) {
  std::vector<std::string> arguments;
  for (const std::string &field : frame::SplitAt(text, ",")) {
    std::string argument = Trim(field);
    if (!argument.empty())
      arguments.push_back(std::move(argument));
  }
  return arguments;
}

std::optional<TGraphCommand> ScriptCommand(const std::string &line) {
  const std::size_t open = line.find('(');
  const std::size_t close = line.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open)
    return std::nullopt;
  const std::string keyword = Trim(std::string_view(line).substr(0, open));
  const std::vector<std::string> arguments =
      ScriptArguments(std::string_view(line).substr(open + 1, close - open - 1));
  if (EqualsNoCase(keyword, "LoadFilter") && arguments.size() >= 2)
    return TAddFilterCommand{arguments[0], arguments[1]};
  if (EqualsNoCase(keyword, "ConnectPin") && arguments.size() == 4)
    return TConnectCommand{arguments[0], arguments[1], arguments[2], arguments[3]};
  return std::nullopt;
}

// The value of an attribute: between the two double quotes after its name (found ignoring
// letter case), trimmed, with every "_" standing for a space.
std::string XmlAttribute(const std::string &line, std::string_view name) {
  const std::size_t at = frame::FindNoCase(line, name);
  if (at == std::string::npos)
    return {};
  const std::size_t open = line.find('"', at + name.size());
  if (open == std::string::npos)
    return {};
  const std::size_t close = line.find('"', open + 1);
  if (close == std::string::npos)
    return {};
  std::string value = Trim(std::string_view(line).substr(open + 1, close - open - 1));
  std::replace(value.begin(), value.end(), '_', ' ');
  return value;
}

bool StartsNoCase(const std::string &line, std::string_view prefix) {
  return line.size() >= prefix.size() && EqualsNoCase(line.substr(0, prefix.size()), prefix);
}

std::optional<TGraphCommand> XmlCommand(const std::string &line) {
  if (StartsNoCase(line, "<FILTER")) {
    TAddFilterCommand add{XmlAttribute(line, "CLSID="), XmlAttribute(line, "FILTER ID=")};
    if (!add.Class.empty() && !add.Name.empty())
      return add;
  } else if (StartsNoCase(line, "<CONNECT")) {
    TConnectCommand connect{XmlAttribute(line, "SRC="), XmlAttribute(line, "SRCPIN="),
                            XmlAttribute(line, "DEST="), XmlAttribute(line, "DESTPIN=")};
    if (!connect.Source.empty() && !connect.SourcePin.empty() && !connect.Destination.empty() &&
        !connect.DestinationPin.empty())
      return connect;
  }
  return std::nullopt;
}

template <typename LineCommand>
std::vector<TGraphCommand> ParseLines(std::string_view text, LineCommand lineCommand) {
  std::vector<TGraphCommand> commands;
  for (const std::string &line : Lines(text))
    if (auto command = lineCommand(line))
      commands.push_back(std::move(*command));
  return commands;
}

TGraphResult Connect(IGraph &graph, const TConnectCommand &c) {
  if (!graph.HasFilter(c.Source))
    return {kErrNoSourceFilter, NoFilterText(c.Source)};
  const auto sourcePin = graph.FindPin(c.Source, c.SourcePin);
  if (!sourcePin)
    return {kErrNoSourcePin, NoPinText(c.Source, c.SourcePin)};
  if (!graph.HasFilter(c.Destination))
    return {kErrNoDestinationFilter, NoFilterText(c.Destination)};
  const auto destinationPin = graph.FindPin(c.Destination, c.DestinationPin);
  if (!destinationPin)
    return {kErrNoDestinationPin, NoPinText(c.Destination, c.DestinationPin)};
  if (!graph.ConnectPins(c.Source, *sourcePin, c.Destination, *destinationPin))
    return {kErrConnectPins,
            ConnectPinsText(c.Source, c.SourcePin, c.Destination, c.DestinationPin)};
  return {};
}

TGraphResult AddFilter(IGraph &graph, const TAddFilterCommand &c) {
  const int code = graph.AddFilter(c.Class, c.Name);
  if (code == kErrCreateFilter)
    return {code, CreateFilterText(c.Name)};
  if (code != 0)
    return {kErrAddFilter, AddFilterText(c.Name)};
  return {};
}

std::string UpperExtension(const std::string &file) {
  std::string extension = std::filesystem::path(file).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return extension;
}

} // namespace

std::vector<TGraphCommand> ParseGrs(std::string_view text) {
  return ParseLines(text, [](const std::string &line) -> std::optional<TGraphCommand> {
    if (IsScriptComment(line))
      return std::nullopt;
    return ScriptCommand(line);
  });
}

std::vector<TGraphCommand> ParseXgr(std::string_view text) { return ParseLines(text, XmlCommand); }

TGraphResult ExecuteCommand(IGraph &graph, const TGraphCommand &command) {
  if (const auto *add = std::get_if<TAddFilterCommand>(&command))
    return AddFilter(graph, *add);
  return Connect(graph, std::get<TConnectCommand>(command));
}

TGraphResult ExecuteCommands(IGraph &graph, const std::vector<TGraphCommand> &commands) {
  for (const TGraphCommand &command : commands)
    if (TGraphResult result = ExecuteCommand(graph, command); result.Failed())
      return result;
  return {};
}

TGraphResult LoadGraphFile(IGraph &graph, const std::string &file) {
  if (file.empty())
    return {kErrNoGraphFile, kTextNoGraphFile};
  const frame::TFileContent content = frame::ReadFileContent(frame::FindExisting(file));
  if (content.Status == frame::FileReadStatus::Missing)
    return {kErrGraphFileMissing, kTextGraphFileMissing + file};
  if (content.Status == frame::FileReadStatus::Unreadable)
    return {kErrGraphFileUnreadable, content.Error()};
  const std::string extension = UpperExtension(file);
  if (extension == ".GRF")
    return {kErrGrfNotLoaded, kTextGrfNotLoaded + file};
  const bool script = extension == ".GRS";
  if (!script && extension != ".XGR")
    return {-1, {}};
  const auto commands = script ? ParseGrs(content.Text) : ParseXgr(content.Text);
  if (commands.empty())
    return {script ? kErrEmptyGrs : kErrEmptyXgr, kTextEmptyGraphFile + file};
  return ExecuteCommands(graph, commands);
}

} // namespace qev::video
