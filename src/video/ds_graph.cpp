#include "video/ds_graph.h"

#include "frame/string_utils.h"
#include "video/av_controls.h"
#include "video/graph_file.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace qev::video {

namespace {

constexpr const char *kNoFile = "#";
constexpr std::size_t kShownNameLength = 128;

// Unique per graph object for the whole run, so no two graphs share a caption.
std::string NextCaption() {
  static std::atomic<std::uint32_t> identity{0};
  return fmt::format("{}{:08X}", kCaptionPrefix, ++identity);
}

struct TPictureBit {
  TPictureControl Control;
  std::uint32_t Flag;
  int Index;
};
constexpr std::array<TPictureBit, 4> kPictureBits{{
    {TPictureControl::Brightness, QEV_PICTURE_BRIGHTNESS, 0},
    {TPictureControl::Contrast, QEV_PICTURE_CONTRAST, 1},
    {TPictureControl::Hue, QEV_PICTURE_HUE, 2},
    {TPictureControl::Saturation, QEV_PICTURE_SATURATION, 3},
}};

} // namespace

TDsGraphBasic::TDsGraphBasic(IGraphFactory &factory, int slot, std::uint8_t kind)
    : factory_(factory), slot_(slot), kind_(kind), caption_(NextCaption()) {}

TDsGraphBasic::~TDsGraphBasic() { TDsGraphBasic::ReleaseAll(); }

void TDsGraphBasic::ReleaseAll() {
  if (graph_) {
    running_ = false;
    graph_->SetState(TGraphState::Stopped);
  }
  graph_.reset();
  owner_ = messageWindow_ = 0;
  geometry_.reset();
  cropPercent_ = 0;
  aspectMode_ = 1;
}

int TDsGraphBasic::Open(const std::string &graphFile, const std::string &mediaFile) {
  ReleaseAll();
  graph_ = factory_.CreateGraph();
  if (!graph_)
    return SetError(kErrCreateGraph, kTextCreateGraph);
  const std::string file = frame::Trim(graphFile);
  if (file != kNoFile)
    if (const int code = BuildFromFile(file); code != 0)
      return code;
  int code = BindControls();
  if (code == 0)
    code = RenderMedia(mediaFile);
  if (code == 0)
    code = AfterBuild();
  if (code == 0)
    ClearError();
  return code;
}

int TDsGraphBasic::BuildFromFile(const std::string &graphFile) {
  const TGraphResult result = LoadGraphFile(*graph_, graphFile);
  if (result.Code == -1) {
    // A file of no graph format: the caller learns it from the code alone.
    std::lock_guard lock(stateMutex_);
    lastResult_ = -1;
    errorText_.clear();
    return -1;
  }
  return result.Failed() ? SetError(result.Code, result.Text) : 0;
}

void TDsGraphBasic::FilterFound(const TFilterInfo &) {}

int TDsGraphBasic::BindControls() {
  if (!graph_)
    return SetError(kErrMediaControl, kTextMediaControl);
  for (const TFilterInfo &filter : graph_->Filters())
    FilterFound(filter);
  graph_->InsertControls();
  return 0;
}

int TDsGraphBasic::RenderMedia(const std::string &) { return 0; }
int TDsGraphBasic::AfterBuild() { return 0; }
int TDsGraphBasic::StartFeed(std::uint16_t, std::uint16_t, std::uint16_t, std::int32_t) {
  return 0;
}
void TDsGraphBasic::FeedData(const std::uint8_t *, std::int32_t) noexcept {}
int TDsGraphBasic::FeedStatus() { return 0; }

int TDsGraphBasic::ChangeState(TGraphState state, int failure, const char *text) {
  if (!graph_ || !graph_->SetState(state))
    return SetError(failure, text);
  return 0;
}

int TDsGraphBasic::Run() {
  if (const int code = ChangeState(TGraphState::Running, kErrRun, kTextRun); code != 0)
    return code;
  running_ = true;
  // The crop is the picture's, so it is applied again once the picture may have changed; a
  // picture whose size is not known yet keeps its error text but does not fail the run.
  if (cropPercent_ != 0)
    SetCropPercent(cropPercent_);
  return 0;
}

int TDsGraphBasic::Pause() {
  running_ = false;
  return ChangeState(TGraphState::Paused, kErrPause, kTextPause);
}

int TDsGraphBasic::Stop() {
  running_ = false;
  return ChangeState(TGraphState::Stopped, kErrStop, kTextStop);
}

int TDsGraphBasic::AttachVideoWindow(std::uintptr_t owner, std::uintptr_t messageWindow) {
  if (!graph_ || !graph_->HasVideoRenderer())
    return SetError(kErrWindowNotAssigned, kTextWindowNotAssigned);
  if (!graph_->AttachSurface(owner))
    return SetError(kErrWindowOwner, WindowOwnerText(static_cast<unsigned>(owner)));
  owner_ = owner;
  messageWindow_ = messageWindow;
  geometry_.reset();
  return 0;
}

std::uintptr_t TDsGraphBasic::FindVideoWindow() {
  if (graph_ && graph_->HasVideoRenderer() && owner_ != 0)
    return owner_;
  SetError(kErrNoVideoRenderer, kTextNoVideoRenderer);
  return 0;
}

int TDsGraphBasic::SetVideoPosition(int left, int top, int width, int height) {
  const TRendererGeometry wanted{left, top, width, height, aspectMode_};
  if (geometry_ && *geometry_ == wanted)
    return 0;
  // Stored only once the renderer took it, so a failed move is tried again by the next call.
  if (!graph_ || !graph_->SetRendererGeometry(wanted))
    return SetError(kErrWindowPosition, WindowPositionText(width, height));
  geometry_ = wanted;
  return 0;
}

int TDsGraphBasic::SetVideoProperty(int property, int value) {
  switch (property) {
  case 0:
    return SetAspectMode(value);
  case 1:
    return SetCropPercent(value);
  default:
    return -1;
  }
}

int TDsGraphBasic::SetCropPercent(int percent) {
  cropPercent_ = percent;
  const auto size = graph_ ? graph_->NativeVideoSize() : std::nullopt;
  if (!size)
    return SetError(kErrVideoSize, kTextVideoSize);
  const int q = std::clamp(percent, 0, 99);
  if (!graph_->SetSourceCrop(q * size->Width / 200, q * size->Height / 200))
    return SetError(kErrSourcePosition, kTextSourcePosition);
  return 0;
}

int TDsGraphBasic::SetAspectMode(int mode) {
  if (mode != 0 && mode != 1)
    return 0;
  aspectMode_ = mode;
  if (!geometry_ || geometry_->AspectMode == mode)
    return 0;
  TRendererGeometry wanted = *geometry_;
  wanted.AspectMode = mode;
  if (!graph_ || !graph_->SetRendererGeometry(wanted))
    return SetError(kErrAspectMode, kTextAspectMode);
  geometry_ = wanted;
  return 0;
}

int TDsGraphBasic::GetSetPicture(int operation, PictureRecord *picture) {
  if (operation != 0 && operation != 1)
    return kErrBadOperation;
  if (picture == nullptr)
    return kErrNoRecord;
  if (!graph_)
    return -1;
  return operation == 0 ? GetPicture(*picture) : SetPicture(*picture);
}

int TDsGraphBasic::GetPicture(PictureRecord &picture) {
  picture.Flags = 0;
  std::memcpy(picture.Tag, kPictureTagVmr9, sizeof picture.Tag);
  for (const TPictureBit &bit : kPictureBits) {
    const auto range = graph_->PictureRange(bit.Control);
    const auto value = range ? graph_->GetPicture(bit.Control) : std::nullopt;
    if (!value)
      continue;
    picture.Values[bit.Index] = PictureByte(*value, *range);
    picture.Flags |= bit.Flag;
  }
  return picture.Flags != 0 ? 0 : -1;
}

int TDsGraphBasic::SetPicture(const PictureRecord &picture) {
  int result = 0;
  for (const TPictureBit &bit : kPictureBits) {
    if ((picture.Flags & bit.Flag) == 0)
      continue;
    const auto range = graph_->PictureRange(bit.Control);
    if (!range || !graph_->SetPicture(bit.Control, PictureValue(picture.Values[bit.Index], *range)))
      result = -1;
  }
  return result;
}

int TDsGraphBasic::GetSetSound(int operation, SoundRecord *sound) {
  if (operation != 0 && operation != 1)
    return kErrBadOperation;
  if (sound == nullptr)
    return kErrNoRecord;
  if (!graph_ || !graph_->HasAudio())
    return -1;
  return operation == 0 ? GetSound(*sound) : SetSound(*sound);
}

int TDsGraphBasic::GetSound(SoundRecord &sound) {
  int result = 0;
  sound.Flags = 0;
  if (const auto factor = graph_->GetVolume()) {
    sound.Volume = static_cast<std::uint8_t>(VolumeFromFactor(*factor));
    sound.Flags |= QEV_SOUND_VOLUME;
  } else {
    result = -1;
  }
  if (const auto panorama = graph_->GetPanorama()) {
    sound.Balance = static_cast<std::int8_t>(BalanceFromPanorama(*panorama));
    sound.Flags |= QEV_SOUND_BALANCE;
  } else {
    result = -1;
  }
  if (graph_->HasChannelSwitch()) {
    if (const auto mode = graph_->GetChannelMode()) {
      sound.ChannelMode = static_cast<std::uint8_t>(*mode);
      sound.Flags |= QEV_SOUND_CHANNEL_MODE;
    } else {
      result = -1;
    }
  }
  return result;
}

int TDsGraphBasic::SetSound(const SoundRecord &sound) {
  bool ok = true;
  if ((sound.Flags & QEV_SOUND_VOLUME) != 0)
    ok = graph_->SetVolume(VolumeFactor(sound.Volume)) && ok;
  if ((sound.Flags & QEV_SOUND_BALANCE) != 0)
    ok = graph_->SetPanorama(PanoramaFromBalance(sound.Balance)) && ok;
  if ((sound.Flags & QEV_SOUND_CHANNEL_MODE) != 0)
    ok = graph_->HasChannelSwitch() && graph_->SetChannelMode(sound.ChannelMode) && ok;
  return ok ? 0 : -1;
}

int TDsGraphBasic::ListFilters(std::vector<TFilterInfo> &filters) const {
  if (!graph_)
    return -1;
  filters = graph_->Filters();
  for (TFilterInfo &filter : filters)
    if (filter.Name.size() > kShownNameLength)
      filter.Name.resize(kShownNameLength);
  return 0;
}

std::string TDsGraphBasic::LastErrorText() const {
  std::lock_guard lock(stateMutex_);
  return errorText_;
}

int TDsGraphBasic::LastResult() const {
  std::lock_guard lock(stateMutex_);
  return lastResult_;
}

void TDsGraphBasic::SetOptions(const TDirectShowOptions &options) {
  std::lock_guard lock(stateMutex_);
  options_ = options;
}

TDirectShowOptions TDsGraphBasic::Options() const {
  std::lock_guard lock(stateMutex_);
  return options_;
}

int TDsGraphBasic::SetError(int code, const std::string &text) {
  std::lock_guard lock(stateMutex_);
  lastResult_ = code;
  errorText_ = GraphErrorText(slot_, code, text);
  return code;
}

void TDsGraphBasic::ClearError() { SetError(0, {}); }

TDsGraphMedia::TDsGraphMedia(IGraphFactory &factory, int slot)
    : TDsGraphBasic(factory, slot, kKindMedia) {}

int TDsGraphMedia::RenderMedia(const std::string &file) {
  if (!Graph() || !Graph()->RenderMedia(file))
    return SetError(kErrRenderFile, kTextRenderFile + file);
  return 0;
}

} // namespace qev::video
