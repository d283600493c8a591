#pragma once

#include "video/graph_backend.h"
#include "video/graph_errors.h"

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qev::video {

// One command of a graph file: add a filter of a class under a name, or link two pins.
struct TAddFilterCommand {
  std::string Class, Name;
  bool operator==(const TAddFilterCommand &) const = default;
};
struct TConnectCommand {
  std::string Source, SourcePin, Destination, DestinationPin;
  bool operator==(const TConnectCommand &) const = default;
};
using TGraphCommand = std::variant<TAddFilterCommand, TConnectCommand>;

// The commands of a graph script (.GRS) and of a GraphEdit XML file (.XGR), in file order;
// lines that are no command are skipped.
std::vector<TGraphCommand> ParseGrs(std::string_view text);
std::vector<TGraphCommand> ParseXgr(std::string_view text);

// Runs one command against the graph; the first failure answers its code and text.
TGraphResult ExecuteCommand(IGraph &graph, const TGraphCommand &command);
TGraphResult ExecuteCommands(IGraph &graph, const std::vector<TGraphCommand> &commands);

// Builds the graph from a graph file (a trimmed name other than "#"). By the upper-cased
// extension: .GRS and .XGR are read and run, .GRF cannot be loaded; any other extension
// answers -1 with an empty text.
TGraphResult LoadGraphFile(IGraph &graph, const std::string &file);

} // namespace qev::video
