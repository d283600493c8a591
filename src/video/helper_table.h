#pragma once

#include "devapi/qev_devapi.h"

namespace qev::video {

class TGraphSlots;

// The table handed to a device module with DvbCard_SetHelpers(1, ...). Its entries reach the
// slots given here; with none (or after SetHelperSlots(nullptr)) they answer as for an empty
// slot.
const DsHelperTable &HelperTable();
void SetHelperSlots(TGraphSlots *slots);

} // namespace qev::video
