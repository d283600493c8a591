#include "ui/gesture_actions.h"

namespace qev::ui {

std::optional<TOutputGesture> VideoGestureCommand(const TGestureTable &table,
                                                  std::string_view gesture, std::uint32_t tag,
                                                  int embeddedOutput, bool enabled) {
  if (!enabled)
    return std::nullopt;
  const int index = table.Lookup(gesture, kGroupVideo);
  if (index < 0)
    return std::nullopt;
  const int output = tag == kEmbeddedVideoTag ? embeddedOutput : static_cast<int>(tag);
  return TOutputGesture{table.Entry(static_cast<std::size_t>(index)).Code, output};
}

std::optional<std::uint16_t> TeletextGestureCode(const TGestureTable &table,
                                                 std::string_view gesture) {
  const int index = table.Lookup(gesture, kGroupTeletext);
  if (index < 0)
    return std::nullopt;
  return table.Entry(static_cast<std::size_t>(index)).Code;
}

} // namespace qev::ui
