#include "app/guide_window_link.h"

#include "frame/log.h"
#include "guide/guide.h"
#include "guide/qt/form_epg.h"
#include "ui/ui_context.h"

namespace qev::app {

namespace {

guide::TEpgWindowLinks WindowLinks(ui::TUiContext &context, guide::TGuide &guide) {
  guide::TEpgWindowLinks links;
  links.Counters.ErrorCount = [&guide] { return static_cast<std::size_t>(guide.ErrorCount()); };
  links.Counters.BufferedBytes = [&guide] { return guide.BufferedBytes(); };
  links.Clear = [&guide] { guide.EpgClear(); };
  links.SwitchChannel = [&context](std::int32_t handle) {
    context.Engine.SwitchChannel(0, handle, true);
  };
  links.SchAddJob = context.Subsystems.SchAddJob;
  links.SchJobList = context.Subsystems.SchJobList;
  return links;
}

} // namespace

void OpenGuideWindow(QWidget *owner, ui::TUiContext &context, guide::TGuide &guide) {
  const guide::TEpgCollectionGuard collecting([&guide] { return guide.Collecting(); },
                                              [&guide] { return guide.EpgStart(); },
                                              [&guide] { guide.EpgStop(); });
  const data::TChannelsList *list =
      context.LoadedSat.Loaded() ? context.Lists.ListOf(context.LoadedSat.Index()) : nullptr;
  if (!list || !list->ReadError().empty()) {
    frame::Log("The guide needs the channel list of the loaded satellite", frame::kLogError);
    return;
  }
  guide::TFormEpg form(owner, guide.Store(), WindowLinks(context, guide), *list,
                       context.Engine.Slot(0).CurrentChannel, context.Options, context.Categories);
  form.exec();
}

} // namespace qev::app
