#include "video/known_filters.h"

#include "data/si_text.h"
#include "frame/atomic_file.h"
#include "frame/case_fold.h"
#include "frame/file_reader.h"
#include "frame/string_utils.h"

#include <algorithm>

namespace qev::video {

namespace {

using frame::Trim;

constexpr const char *kGroupNames[kGroupKindCount] = {
    "Video Decoders",       "Audio Decoders", "Video PostProcessors",
    "Audio PostProcessors", "Video Renders",  "Audio Renders"};

TKnownFilter BuiltIn(int kind, const char *name, const char *classId, const char *input,
                     const char *output = "") {
  return TKnownFilter{kind, true, kFilterUsable, classId, name, "", input, output};
}

std::vector<TKnownFilter> BuiltIns() {
  return {
      BuiltIn(kKindVideoRender, "Overlay Mixer", "{CD8743A1-3736-11D0-9E69-00C04FD7C15B}", "Input0",
              "Output"),
      BuiltIn(kKindVideoRender, "Video Render", "{70E102B0-5556-11CE-97C0-00AA0055595A}", "In"),
      BuiltIn(kKindVideoRender, "Video Mixing Render 7", "{B87BEB7B-8D29-423F-AE4D-6582C10175AC}",
              "VMR Input0"),
      BuiltIn(kKindVideoRender, "Video Mixing Render 9", "{51B4ABF3-748F-4E3B-A276-C828330E926A}",
              "VMR Input0"),
      BuiltIn(kKindAudioRender, "Default WaveOut Device", "{E30629D1-27E5-11CE-875D-00608CB78066}",
              "Audio Input pin (rendered)"),
      BuiltIn(kKindAudioRender, "Default DirectSound Device",
              "{79376820-07D0-11CF-A24D-0020AFD79767}", "Audio Input pin (rendered)"),
  };
}

// Case-insensitive order of UTF-8 texts by folded code points.
int CompareNoCase(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t x = frame::FoldCase(frame::NextCodePoint(a, i).value_or(0xFFFD));
    const char32_t y = frame::FoldCase(frame::NextCodePoint(b, j).value_or(0xFFFD));
    if (x != y)
      return x < y ? -1 : 1;
  }
  return (i < a.size()) - (j < b.size());
}

std::string Field(std::string_view text, std::size_t maxBytes) {
  return std::string(data::CutUtf8(Trim(frame::DeleteChars(text, ",")), maxBytes));
}

std::optional<TKnownFilter> ParseLine(std::string_view raw) {
  const std::string line = Trim(raw);
  if (line.empty() || line[0] == '#')
    return std::nullopt;
  std::vector<std::string> fields = frame::SplitAt(line, ",");
  fields.resize(6);
  TKnownFilter filter;
  try {
    filter.Kind = std::stoi(Trim(fields[0]));
  } catch (const std::exception &) {
    return std::nullopt;
  }
  filter.ClassId = Trim(fields[1]);
  filter.InputPin = Trim(fields[2]);
  filter.OutputPin = Trim(fields[3]);
  filter.Name = Trim(fields[4]);
  filter.Info = Trim(fields[5]);
  if (filter.Kind == kKindDeleted || filter.ClassId.empty())
    return std::nullopt;
  return filter;
}

} // namespace

const char *FilterGroupName(int kind) {
  return kind >= 1 && kind <= kGroupKindCount ? kGroupNames[kind - 1] : "";
}

bool KindHasOutput(int kind) { return kind >= 1 && kind <= kKindVideoRender; }

std::string TKnownFilter::Caption() const { return Info.empty() ? Name : Name + " (" + Info + ")"; }

TKnownFilter SourceFilterRecord() {
  return BuiltIn(kKindSource, "DVB AVSource", "{EEBF6DD2-439A-4C8E-A511-DB329ABC04BA}", "Video",
                 "Audio");
}

TKnownFilter ChannelSwitchRecord() {
  return BuiltIn(kKindChannelSwitch, "Channel A/B Switch", "{C54A7C94-B0C5-4E87-8507-4468B10687E9}",
                 "Input", "Output");
}

TKnownFilter FinalRenderRecord() {
  TKnownFilter render = BuiltIns()[1];
  render.Kind = kKindFinalRender;
  return render;
}

TKnownFilter SanitizedFilter(TKnownFilter filter) {
  filter.ClassId = Field(filter.ClassId, kMaxClassIdBytes);
  filter.Name = Field(filter.Name, kMaxFilterNameBytes);
  filter.Info = Field(filter.Info, kMaxShortFieldBytes);
  filter.InputPin = Field(filter.InputPin, kMaxShortFieldBytes);
  filter.OutputPin = Field(filter.OutputPin, kMaxShortFieldBytes);
  return filter;
}

TKnownFilterList::TKnownFilterList() { AddBuiltIns(); }

void TKnownFilterList::AddBuiltIns() {
  records_ = BuiltIns();
  Sort();
}

void TKnownFilterList::Sort() {
  std::stable_sort(records_.begin(), records_.end(),
                   [](const TKnownFilter &a, const TKnownFilter &b) {
                     if (const int byName = CompareNoCase(a.Name, b.Name); byName != 0)
                       return byName < 0;
                     return CompareNoCase(a.Info, b.Info) < 0;
                   });
}

std::optional<std::size_t> TKnownFilterList::FindClass(const std::string &classId) const {
  for (std::size_t i = 0; i < records_.size(); ++i)
    if (records_[i].Kind != kKindDeleted && frame::EqualsNoCase(records_[i].ClassId, classId))
      return i;
  return std::nullopt;
}

std::size_t TKnownFilterList::Add(TKnownFilter filter, IFilterRegistry *registry) {
  filter = SanitizedFilter(std::move(filter));
  if (filter.Kind == kKindDeleted || filter.ClassId.empty())
    return std::string::npos;
  if (registry)
    filter.Status = registry->CheckFilterRegistration(filter.ClassId).Status;
  const std::string classId = filter.ClassId;
  if (const auto same = FindClass(classId)) {
    records_[*same] = std::move(filter);
  } else {
    const auto free = std::find_if(records_.begin(), records_.end(),
                                   [](const TKnownFilter &r) { return r.Kind == kKindDeleted; });
    if (free != records_.end())
      *free = std::move(filter);
    else
      records_.push_back(std::move(filter));
  }
  Sort();
  return *FindClass(classId);
}

void TKnownFilterList::Delete(std::size_t index) {
  if (index < records_.size())
    records_[index].Kind = kKindDeleted;
}

bool TKnownFilterList::Load(const std::filesystem::path &file, IFilterRegistry *registry) {
  const frame::TFileContent content = frame::ReadFileContent(file);
  if (content.Status == frame::FileReadStatus::Unreadable)
    return false;
  AddBuiltIns();
  for (const std::string &line : frame::SplitAt(content.Text, "\n"))
    if (auto filter = ParseLine(line))
      Add(std::move(*filter), registry);
  return true;
}

std::string TKnownFilterList::FileText() const {
  std::string text;
  for (int kind = 1; kind <= kGroupKindCount; ++kind) {
    std::string entries;
    for (const TKnownFilter &r : records_)
      if (r.Kind == kind && !r.BuiltIn)
        entries += std::to_string(kind) + "," + r.ClassId + "," + r.InputPin + "," + r.OutputPin +
                   "," + r.Name + "," + r.Info + "\n";
    if (!entries.empty())
      text += std::string("# ") + FilterGroupName(kind) + "\n\n" + entries + "\n";
  }
  return text;
}

std::string TKnownFilterList::Save(const std::filesystem::path &file) const {
  return frame::WriteFileAtomically(file, FileText());
}

std::vector<TFilterChoice> TKnownFilterList::Choices(int kind, bool withNone) const {
  std::vector<TFilterChoice> choices;
  if (withNone)
    choices.push_back({"-", std::nullopt});
  for (std::size_t i = 0; i < records_.size(); ++i)
    if (records_[i].Kind == kind && records_[i].Status == kFilterUsable)
      choices.push_back({records_[i].Caption(), i});
  return choices;
}

} // namespace qev::video
