#pragma once

#include <cstdint>

class QWidget;

namespace qev::data {
struct TChannelRec;
}

namespace qev::app {

// The rescan of a stored channel as the windows ask for it: on the program's device, with its
// options and tuning engine, the wait shown over the window that asked.
void RescanStoredChannel(QWidget *parent, std::int32_t handle);
// The same rescan on a working copy (the channel editor's); true when the copy changed.
bool RescanWorkingCopy(QWidget *parent, data::TChannelRec &rec);

} // namespace qev::app
