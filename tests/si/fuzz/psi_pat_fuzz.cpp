// PAT sections of any shape: one record per program entry, never a read past the section.

#include "si/fuzz/fuzz_chunks.h"
#include "si/psi_parsers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace qev::si;
  std::vector<qev::data::TChannelRec> list;
  for (const fuzz::Chunk &section : fuzz::Chunks({data, size})) {
    const std::size_t before = list.size();
    ParsePat(section, list);
    fuzz::Require(list.size() - before <= section.size() / 4, "a record per 4-byte entry");
  }
  const auto jobs = PmtJobs(list);
  fuzz::Require(jobs.size() == list.size(), "a PMT job per record");
  for (std::size_t i = 0; i < jobs.size(); ++i)
    fuzz::Require(jobs[i].Sid == list[i].SID && jobs[i].Sid != 0 && jobs[i].Pid <= 0x1FFF,
                  "PMT jobs of services with 13-bit PIDs");
  return 0;
}
