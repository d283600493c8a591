#pragma once

#include "data/channel_rec.h"
#include "si/section_reader.h"

#include <cstdint>
#include <span>

namespace qev::si {

// One descriptor, from its tag to its last byte.
using TDescriptor = std::span<const std::uint8_t>;

// Hands every whole descriptor of a loop to `handle`; a descriptor whose length points past
// the loop ends the walk.
template <class Handler> void ForEachDescriptor(TSectionReader loop, Handler &&handle) {
  while (loop.Remaining() >= 2) {
    TSectionReader head = loop;
    head.Skip(1);
    const std::size_t length = head.U8();
    if (length > head.Remaining())
      return;
    handle(loop.Bytes(2 + length));
  }
}

// A descriptor of the PMT: program level when stream is -1, else the ES entry at that index.
void ApplyPmtDescriptor(TDescriptor desc, data::TChannelRec &rec, int stream);
// A descriptor of one SDT service; rec is nullptr when the scan does not know the service.
void ApplySdtDescriptor(TDescriptor desc, data::TChannelRec *rec);

} // namespace qev::si
