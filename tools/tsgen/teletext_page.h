#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qev::tsgen {

// A teletext page as the broadcaster composes it. Text is written in the G0 set of the page's
// national option; bytes below 0x20 are spacing attributes (colours, boxes, double height).
// Pages of one number with different subcodes are its subpages, sent one after the other.
struct TeletextPage {
  unsigned page = 100; // magazine 1..8 and two decimal digits
  std::uint16_t subcode = 0;
  std::uint8_t nationalOption = 0; // C12 C13 C14, C12 the most significant bit
  struct Row {
    int number = 1; // 1..24
    std::string text;
  };
  std::vector<Row> rows;
  // The pages behind the red, green, yellow and cyan keys (packet X/27/0); row 24 is shown
  // when the page has one.
  std::vector<unsigned> links;
  // Subtitle page: one caption after the other, each shown for `captionSeconds`, written in
  // rows 20 to 24 (at most five lines, separated by '\n').
  bool subtitle = false;
  std::vector<std::string> captions;
  double captionSeconds = 3;
};

} // namespace qev::tsgen
