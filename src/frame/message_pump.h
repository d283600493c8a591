#pragma once

namespace qev::frame {

// Runs the pending messages of the user-interface queue once, so that a long operation on
// that thread keeps the windows alive. Returns at once when a pump is already running (a
// handler inside the pump calling it again) and when called off the user-interface thread.
void PumpMessages();

} // namespace qev::frame
