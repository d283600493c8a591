#pragma once

#include <string>

#include "description_file.h"
#include "multiplexer.h"
#include "ts_reader.h"

namespace qev::tsgen::test {

inline std::string SamplePath() {
  return std::string(QEV_TSGEN_DATA_DIR) + "/sample_transponder.txt";
}

inline Transponder SampleTransponder() { return DescriptionFile::Load(SamplePath()); }

// One free TV service with video and audio and a short table cycle: small and quick streams
// for checking packets and flaws.
inline Transponder SmallTransponder() {
  Transponder tp;
  tp.transportStreamId = 0x0010;
  tp.start = 1709294400; // 2024-03-01 12:00:00
  tp.durationSeconds = 1;
  tp.bitrate = 1'000'000;
  Service tv;
  tv.serviceId = 0x0033;
  tv.pmtPid = 0x0100;
  tv.pcrPid = 0x0101;
  tv.name = "Small";
  tv.provider = "QEV";
  Stream video;
  video.pid = 0x0101;
  Stream audio;
  audio.kind = StreamKind::MpegAudio;
  audio.pid = 0x0102;
  audio.language = "eng";
  tv.streams = {video, audio};
  tp.services.push_back(tv);
  return tp;
}

} // namespace qev::tsgen::test
