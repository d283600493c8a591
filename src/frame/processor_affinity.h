#pragma once

namespace qev::frame {

// Pins every thread of the process to the first processor. False when any thread could not be
// pinned.
bool RestrictToFirstProcessor();

} // namespace qev::frame
