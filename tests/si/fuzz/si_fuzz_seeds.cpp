// Writes the seed corpora of the si fuzzers from the tables of the demo sky's transponders:
//   si_fuzz_seeds OUTPUT_FOLDER DESCRIPTION.txt.in...
// OUTPUT_FOLDER/<fuzzer>/ receives one file per table (or per PMT), in the fuzzers' chunk
// format; the assembler's seeds are the tables packed into payloads.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>

#include "description_file.h"
#include "psi_tables.h"
#include "section_stream.h"
#include "si/fuzz/fuzz_chunks.h"
#include "si_tables.h"

namespace {

namespace fs = std::filesystem;
using qev::tsgen::Bytes;

class SeedWriter {
public:
  explicit SeedWriter(fs::path folder) : folder_(std::move(folder)) {}

  // The sections as chunks, after the raw bytes of `head` (a chunk of its own when not empty).
  void Sections(const std::string &fuzzer, const std::string &name,
                const std::vector<Bytes> &sections, const Bytes &head = {}) {
    Bytes out;
    if (!head.empty())
      Append(out, head);
    for (const Bytes &section : sections)
      Append(out, section);
    Raw(fuzzer, name, out);
  }

  void Raw(const std::string &fuzzer, const std::string &name, const Bytes &bytes) {
    fs::create_directories(folder_ / fuzzer);
    std::ofstream file(folder_ / fuzzer / name, std::ios::binary);
    file.write(reinterpret_cast<const char *>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file)
      throw std::runtime_error("cannot write " + (folder_ / fuzzer / name).string());
  }

private:
  static void Append(Bytes &out, const Bytes &chunk) {
    const std::uint16_t header = qev::si::fuzz::ChunkHeader(chunk.size());
    out.push_back(static_cast<std::uint8_t>(header >> 8));
    out.push_back(static_cast<std::uint8_t>(header));
    out.insert(out.end(), chunk.begin(), chunk.end());
  }

  fs::path folder_;
};

// The demo descriptions as the build configures them, written to `sky` (they name each other),
// and the path of each there.
std::vector<fs::path> ConfigureDemo(const fs::path &sky, std::span<char *const> templates) {
  fs::create_directories(sky);
  std::vector<fs::path> paths;
  for (const fs::path source : templates) {
    std::ifstream file(source);
    std::stringstream text;
    text << file.rdbuf();
    if (!file)
      throw std::runtime_error("cannot read " + source.string());
    std::string body = std::regex_replace(text.str(), std::regex("@QEV_DEMO_DATE@"), "2026-12-10");
    body = std::regex_replace(body, std::regex("@QEV_DEMO_SECONDS@"), "3.84");
    paths.push_back(sky / source.stem());
    std::ofstream out(paths.back());
    out << body;
    if (!out)
      throw std::runtime_error("cannot write " + paths.back().string());
  }
  return paths;
}

// The collector's first chunk: table_id, extension value, extension mask.
Bytes FilterOf(std::uint8_t tableId, std::uint16_t value, std::uint16_t mask) {
  return {tableId, static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value),
          static_cast<std::uint8_t>(mask >> 8), static_cast<std::uint8_t>(mask)};
}

void WriteSeeds(SeedWriter &out, const std::string &name, const qev::tsgen::Transponder &tp) {
  const auto pat = qev::tsgen::BuildPat(tp);
  const auto sdt = qev::tsgen::BuildSdtActual(tp);
  const auto nit = qev::tsgen::BuildNit(tp);
  out.Sections("psi_pat_fuzz", name, pat);
  out.Sections("psi_sdt_fuzz", name, sdt);
  out.Sections("psi_nit_fuzz", name, nit);
  out.Sections("section_collector_fuzz", name + "_pat", pat, FilterOf(0x00, 0, 0));
  out.Sections("section_collector_fuzz", name + "_sdt", sdt, FilterOf(0x42, 0, 0));
  std::vector<Bytes> all = pat;
  for (const auto &service : tp.services) {
    const Bytes pmt = qev::tsgen::BuildPmt(service);
    const std::string sid = std::to_string(service.serviceId);
    out.Sections("psi_pmt_fuzz", name + "_" + sid, {pmt});
    out.Sections("section_collector_fuzz", name + "_pmt" + sid, {pmt},
                 FilterOf(0x02, service.serviceId, 0xFFFF));
    all.push_back(pmt);
  }
  if (!tp.emms.empty())
    out.Sections("psi_cat_fuzz", name, {qev::tsgen::BuildCat(tp.emms)});
  all.insert(all.end(), sdt.begin(), sdt.end());
  // The assembler's first byte sets its piece size: 61 gives whole payloads.
  for (auto packing :
       {qev::si::testing::Packing::BackToBack, qev::si::testing::Packing::OnePerPacket}) {
    Bytes stream = {61};
    const Bytes payloads = qev::si::testing::Pack(all, packing).payloads;
    stream.insert(stream.end(), payloads.begin(), payloads.end());
    const bool packed = packing == qev::si::testing::Packing::BackToBack;
    out.Raw("section_assembler_fuzz", name + (packed ? "_packed" : "_spread"), stream);
  }
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 3) {
    std::cerr << "usage: si_fuzz_seeds OUTPUT_FOLDER DESCRIPTION.txt.in...\n";
    return 2;
  }
  try {
    const fs::path folder = argv[1];
    SeedWriter out(folder);
    const auto sky = ConfigureDemo(folder / ".sky", {argv + 2, argv + argc});
    for (const fs::path &path : sky)
      WriteSeeds(out, path.stem().string(), qev::tsgen::DescriptionFile::Load(path.string()));
  } catch (const std::exception &e) {
    std::cerr << "si_fuzz_seeds: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
