#pragma once

#include "si/psi_scan_thread.h"

#include <functional>
#include <string>

namespace qev::si {

// Shows the name of the table being read and the whole seconds left of its time-out.
using TTableWait = std::function<void(const std::string &table, int secondsLeft)>;

// Collects one table on a thread of its own while the calling thread keeps its interface alive
// and shows the wait (at least once, before the collection starts, and whenever the seconds
// change); returns the collector's result once that thread has ended.
PsiResult CollectWithWait(SectionFilterSource &filters, PsiTableRequest request,
                          const TTableWait &wait, const std::function<void()> &keepAlive);

} // namespace qev::si
