#include "ui/ui_context.h"

#include "data/data_store.h"
#include "device/engine_steps.h"

namespace qev::ui {

TUiContext ProgramUiContext() {
  return TUiContext{data::Satellites(),     data::ChannelLists(),   data::Favorites(),
                    data::Categories(),     device::TuningEngine(), device::LoadedSat(),
                    frame::Options(),       frame::GlobalNotifications()};
}

TTreeData TreeDataOf(const TUiContext &context) {
  return TTreeData{context.Sats, context.Lists, context.Favorites, context.Categories,
                   context.ChildLockActive, [](int) { return std::string(); }};
}

} // namespace qev::ui
