#include "video/auto_graph.h"

#include "frame/atomic_file.h"
#include "frame/file_reader.h"
#include "frame/message_boxes.h"
#include "frame/string_utils.h"
#include "frame/titled_boxes.h"
#include "video/graph_config.h"

#include <system_error>

namespace qev::video {

namespace {

constexpr const char *kNotRegistered = "Filter is NOT registered: \r";
constexpr const char *kRegisterNow = "Register it now ?";
constexpr const char *kFileNotFound = "File not found !\r\r";
constexpr const char *kRegisteredOk = "Registered OK.\r\r";
constexpr const char *kCannotLoadLibrary = "Cannot load library.\r\r";
constexpr const char *kNoRegisterEntry = "Cannot find \"DllRegisterServer\" in library.\r\r";
constexpr const char *kRegistrationFailed = "Registration failed.\r\r";

std::string LoadFilterLine(const TKnownFilter &f) {
  return "LoadFilter(" + f.ClassId + "," + f.Name + "," + std::to_string(f.Kind) + ")";
}

std::string ConnectPinLine(const TKnownFilter &from, const std::string &pin,
                           const TKnownFilter &to) {
  return "ConnectPin(" + from.Name + "," + pin + "," + to.Name + "," + to.InputPin + ")";
}

// LoadFilter lines of a chain, then its ConnectPin lines from the source's pin along it.
struct TChain {
  std::vector<TKnownFilter> Members;

  void Add(const std::optional<TKnownFilter> &member) {
    if (member)
      Members.push_back(*member);
  }
  void Load(std::vector<std::string> &lines) const {
    for (const TKnownFilter &member : Members)
      lines.push_back(LoadFilterLine(member));
  }
  void Connect(std::vector<std::string> &lines, const TKnownFilter &source,
               const std::string &sourcePin) const {
    const TKnownFilter *from = &source;
    const std::string *pin = &sourcePin;
    for (const TKnownFilter &member : Members) {
      lines.push_back(ConnectPinLine(*from, *pin, member));
      from = &member;
      pin = &member.OutputPin;
    }
  }
};

std::string FirstMissing(const TAutoGraphChoice &choice) {
  if (!choice[kKindVideoDecoder])
    return "video decoder";
  if (!choice[kKindAudioDecoder])
    return "audio decoder";
  if (!choice[kKindVideoRender])
    return "video render";
  if (!choice[kKindAudioRender])
    return "audio render";
  return {};
}

std::string RegistrationReport(int code) {
  switch (code) {
  case kRegisterOk:
    return kRegisteredOk;
  case kRegisterCannotLoad:
    return kCannotLoadLibrary;
  case kRegisterNoEntry:
    return kNoRegisterEntry;
  default:
    return kRegistrationFailed;
  }
}

} // namespace

TAutoGraphScript AutoGraphLines(const TAutoGraphChoice &choice) {
  TAutoGraphScript script;
  script.Missing = FirstMissing(choice);
  if (!script.Missing.empty())
    return script;
  TChain audio, video;
  audio.Add(choice[kKindAudioDecoder]);
  audio.Add(choice[kKindAudioPost]);
  if (choice.ChannelSwitch)
    audio.Add(ChannelSwitchRecord());
  audio.Add(choice[kKindAudioRender]);
  video.Add(choice[kKindVideoDecoder]);
  video.Add(choice[kKindVideoPost]);
  video.Add(choice[kKindVideoRender]);
  // A renderer with an output is a mixer: it stays, and the picture ends in a plain renderer.
  if (!choice[kKindVideoRender]->OutputPin.empty())
    video.Add(FinalRenderRecord());

  const TKnownFilter source = SourceFilterRecord();
  std::vector<std::string> &lines = script.Lines;
  lines = {kAutoGraphHeader, "", LoadFilterLine(source), ""};
  audio.Load(lines);
  lines.emplace_back();
  video.Load(lines);
  lines.emplace_back();
  audio.Connect(lines, source, source.OutputPin);
  lines.emplace_back();
  video.Connect(lines, source, source.InputPin);
  lines.emplace_back();
  return script;
}

TAutoGraphSelection ReadAutoGraph(std::string_view text, const TKnownFilterList &list) {
  TAutoGraphSelection selection;
  for (const std::string &raw : frame::SplitAt(text, "\n")) {
    const std::string line = frame::Trim(raw);
    if (line.empty() || line[0] == '#' || line[0] == '.' || line[0] == '/')
      continue;
    const std::size_t open = line.find('('), close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open ||
        !frame::EqualsNoCase(frame::Trim(line.substr(0, open)), "LoadFilter"))
      continue;
    const std::vector<std::string> args =
        frame::SplitAt(std::string_view(line).substr(open + 1, close - open - 1), ",");
    if (args.size() < 3)
      continue;
    const std::string classId = frame::Trim(args[0]);
    const std::string kindText = frame::Trim(args[2]);
    int kind = -1;
    if (kindText.size() == 1 && kindText[0] >= '0' && kindText[0] <= '9')
      kind = kindText[0] - '0';
    if (kind == kKindChannelSwitch) {
      selection.ChannelSwitch = true;
    } else if (kind >= 1 && kind <= kGroupKindCount) {
      const auto index = list.FindClass(classId);
      const bool offered =
          index && list.At(*index).Kind == kind && list.At(*index).Status == kFilterUsable;
      selection.ByKind[kind] = offered ? index : std::nullopt;
    }
  }
  return selection;
}

TAutoGraphSelection ReadAutoGraphFile(const std::filesystem::path &file,
                                      const TKnownFilterList &list) {
  const frame::TFileContent content = frame::ReadFileContent(file);
  if (content.Status != frame::FileReadStatus::Read)
    return {};
  return ReadAutoGraph(content.Text, list);
}

TAutoGraphChoice ChoiceOf(const TAutoGraphSelection &selection, const TKnownFilterList &list) {
  TAutoGraphChoice choice;
  for (int kind = 1; kind <= kGroupKindCount; ++kind)
    if (selection.ByKind[kind])
      choice[kind] = list.At(*selection.ByKind[kind]);
  choice.ChannelSwitch = selection.ChannelSwitch;
  return choice;
}

void CheckFilterBeforeUse(IFilterRegistry &registry, const TKnownFilter &filter,
                          const std::filesystem::path &libraryFile) {
  if (registry.CheckFilterRegistration(filter.ClassId).Status == kFilterUsable)
    return;
  const std::string question =
      kNotRegistered + filter.ClassId + " \"" + filter.Name + "\"" + "\r\r" + kRegisterNow;
  if (!frame::AskBox(kFilterCheckCaption, question))
    return;
  const std::string file = libraryFile.string();
  std::error_code error;
  if (!std::filesystem::exists(libraryFile, error)) {
    frame::ShowErrorBox(kFilterCheckCaption, kFileNotFound + file);
    return;
  }
  const int code = registry.RegisterFilterLibrary(file);
  const std::string report = RegistrationReport(code) + file;
  if (code == kRegisterOk)
    frame::ShowInformationBox(kFilterCheckCaption, report);
  else
    frame::ShowErrorBox(kFilterCheckCaption, report);
}

bool WriteAutoGraph(const TAutoGraphChoice &choice, int slot, IFilterRegistry &registry,
                    const TAutoGraphPlaces &places) {
  CheckFilterBeforeUse(registry, SourceFilterRecord(), places.FilterFolder / kSourceLibrary);
  const TAutoGraphScript script = AutoGraphLines(choice);
  if (!script.Missing.empty()) {
    frame::ShowWarningBox(kAutoGraphCaption, kPleaseSelect + script.Missing);
    return false;
  }
  if (choice.ChannelSwitch)
    CheckFilterBeforeUse(registry, ChannelSwitchRecord(), places.FilterFolder / kSwitchLibrary);
  std::string text;
  for (const std::string &line : script.Lines)
    text += line + "\n";
  const std::string fileName = AutoGraphFileName(slot);
  const std::string error = frame::WriteFileAtomically(places.GraphFolder / fileName, text);
  if (!error.empty()) {
    frame::ShowErrorBox(kAutoGraphCaption, kCannotSaveFile + fileName + "\r\r" + error);
    return false;
  }
  return true;
}

} // namespace qev::video
