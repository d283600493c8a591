#pragma once

// libzvbi reading teletext from whole transport packets: the independent decoder that ours is
// held to. Only with QEV_HAVE_ZVBI (pkg-config zvbi-0.2); tests skip without it.
#ifdef QEV_HAVE_ZVBI

#include <libzvbi.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace qev::test {

class TZvbiPeer {
public:
  // Called with each page libzvbi completes: decimal page number and subcode.
  using PageHandler = std::function<void(int page, int subno)>;

  TZvbiPeer(std::uint16_t pid, PageHandler handler)
      : pid_(pid), handler_(std::move(handler)), decoder_(vbi_decoder_new()),
        demux_(vbi_dvb_pes_demux_new(&TZvbiPeer::OnSliced, this)) {
    // Group 0 of the national option table (West Europe), as the pages here are coded.
    vbi_teletext_set_default_region(decoder_, 0);
    vbi_event_handler_register(decoder_, VBI_EVENT_TTX_PAGE, &TZvbiPeer::OnEvent, this);
  }
  ~TZvbiPeer() {
    vbi_dvb_demux_delete(demux_);
    vbi_decoder_delete(decoder_);
  }
  TZvbiPeer(const TZvbiPeer &) = delete;
  TZvbiPeer &operator=(const TZvbiPeer &) = delete;

  // Whole packets of any PID; the payloads of ours go to libzvbi's PES demultiplexer.
  void Feed(std::span<const std::uint8_t> packets) {
    for (std::size_t at = 0; at + 188 <= packets.size(); at += 188) {
      const std::uint8_t *p = packets.data() + at;
      if (p[0] != 0x47 || ((p[1] & 0x1F) << 8 | p[2]) != pid_ || !(p[3] & 0x10))
        continue;
      const std::size_t start = (p[3] & 0x20) ? 5u + p[4] : 4u;
      if (start < 188)
        vbi_dvb_demux_feed(demux_, p + start, static_cast<unsigned>(188 - start));
    }
  }

  // Rows first..last of a cached page as UTF-8, each trimmed; empty rows left out.
  std::vector<std::string> Rows(int page, int subno, int first, int last) {
    std::vector<std::string> rows;
    vbi_page pg;
    if (!vbi_fetch_vt_page(decoder_, &pg, vbi_dec2bcd(page), subno, VBI_WST_LEVEL_1p5, 25, false))
      return rows;
    for (int row = first; row <= last; ++row) {
      char text[256];
      const int n =
          vbi_print_page_region(&pg, text, sizeof text - 1, "UTF-8", true, true, 0, row, 40, 1);
      std::string line(text, n > 0 ? static_cast<std::size_t>(n) : 0);
      const auto begin = line.find_first_not_of(" \n");
      if (begin == std::string::npos)
        continue;
      rows.push_back(line.substr(begin, line.find_last_not_of(" \n") - begin + 1));
    }
    vbi_unref_page(&pg);
    return rows;
  }

private:
  static vbi_bool OnSliced(vbi_dvb_demux *, void *self, const vbi_sliced *sliced, unsigned lines,
                           int64_t pts) {
    auto *peer = static_cast<TZvbiPeer *>(self);
    vbi_decode(peer->decoder_, const_cast<vbi_sliced *>(sliced), static_cast<int>(lines),
               static_cast<double>(pts) / 90000.0);
    return true;
  }
  static void OnEvent(vbi_event *event, void *self) {
    auto *peer = static_cast<TZvbiPeer *>(self);
    if (peer->handler_)
      peer->handler_(vbi_bcd2dec(event->ev.ttx_page.pgno), event->ev.ttx_page.subno);
  }

  std::uint16_t pid_;
  PageHandler handler_;
  vbi_decoder *decoder_;
  vbi_dvb_demux *demux_;
};

} // namespace qev::test

#endif
