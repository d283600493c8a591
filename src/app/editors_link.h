#pragma once

#include <functional>

class QWidget;

namespace qev::data {
struct TChannelRec;
}
namespace qev::ui {
struct TUiContext;
}

namespace qev::app {

// The data editors behind the main window's satellite, channel and favourite commands. owner
// gives the window the dialogs open over, asked each time (it may not exist yet).
void PlugEditors(ui::TUiContext &context, std::function<QWidget *()> owner);
// The channel editor without Save and Rescan, for records that are not stored (scan results).
bool ShowChannelReadOnly(ui::TUiContext &context, data::TChannelRec &rec);

} // namespace qev::app
