#pragma once

// What ffprobe and dvbinfo read from a transport stream, in one shape, and the comparison of a
// `qevtool --json scan` document with it.
#include "support/run_command.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace qev::test {

struct TPeerStream {
  int Type = -1;    // stream_type, -1 when the peer does not tell
  std::string Kind; // "VID", "AUD", "AC3", "TTX"; empty when the peer does not tell
  std::string Lang; // upper case; empty when none
};

struct TPeerProgram {
  int PmtPid = -1;
  int PcrPid = -1;
  std::optional<std::string> Name, Provider;
  // The SDT's service descriptor as dvbinfo prints it: provider and name run together.
  std::optional<std::string> ServiceText;
  std::optional<bool> FreeCaMode; // the SDT's free_CA_mode: scrambled
  int CaDescriptors = -1;
  std::map<int, TPeerStream> Streams;
};

using TPeerPrograms = std::map<int, TPeerProgram>; // by service id

inline bool HaveProgram(const char *name) {
  return std::system(("command -v " + std::string(name) + " >/dev/null 2>&1").c_str()) == 0;
}

inline std::string UpperText(std::string text) {
  for (char &c : text)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

inline std::string KindOfCodec(const std::string &codec) {
  static const std::map<std::string, std::string> kinds = {
      {"mpeg1video", "VID"}, {"mpeg2video", "VID"},  {"h264", "VID"}, {"hevc", "VID"},
      {"mp2", "AUD"},        {"mp3", "AUD"},         {"aac", "AUD"},  {"ac3", "AC3"},
      {"eac3", "AC3"},       {"dvb_teletext", "TTX"}};
  const auto found = kinds.find(codec);
  return found == kinds.end() ? "" : found->second;
}

// ffprobe -show_programs: program numbers, PMT and PCR PIDs, service name and provider, and per
// stream its codec and first language.
inline TPeerPrograms FfprobePrograms(const std::filesystem::path &file) {
  const auto doc = nlohmann::json::parse(
      Capture("ffprobe -v error -show_programs -of json '" + file.string() + "'"), nullptr, false);
  TPeerPrograms programs;
  if (!doc.is_object() || !doc.contains("programs"))
    return programs;
  for (const auto &p : doc["programs"]) {
    TPeerProgram &program = programs[p.value("program_num", -1)];
    program.PmtPid = p.value("pmt_pid", -1);
    program.PcrPid = p.value("pcr_pid", -1);
    if (p.contains("tags")) {
      program.Name = p["tags"].value("service_name", "");
      program.Provider = p["tags"].value("service_provider", "");
    }
    for (const auto &s : p.value("streams", nlohmann::json::array())) {
      TPeerStream &stream = program.Streams[std::stoi(s.value("id", "0x0"), nullptr, 16)];
      stream.Kind = KindOfCodec(s.value("codec_name", ""));
      const std::string lang = s.contains("tags") ? s["tags"].value("language", "") : std::string();
      stream.Lang = UpperText(lang.substr(0, 3));
    }
  }
  return programs;
}

inline std::string KindOfStreamType(int type) {
  switch (type) {
  case 0x01:
  case 0x02:
  case 0x1B:
  case 0x24:
    return "VID";
  case 0x03:
  case 0x04:
  case 0x0F:
  case 0x11:
    return "AUD";
  default:
    return "";
  }
}

// dvbinfo's table summary: the PAT, every PMT with its streams and descriptors, and the SDT
// actual with the free_CA_mode and service descriptor of each service.
inline TPeerPrograms DvbinfoPrograms(const std::filesystem::path &file) {
  std::istringstream out(
      Capture("dvbinfo -d error -s table -f '" + file.string() + "' 2>/dev/null"));
  const std::regex patEntry(R"(\|\s+(\d+) @ pid: 0x[0-9a-fA-F]+ \((\d+)\))");
  const std::regex programNumber(R"(Program number : (\d+))");
  const std::regex pcr(R"(PCR_PID\s+: 0x[0-9a-fA-F]+ \((\d+)\))");
  const std::regex esEntry(R"(\| 0x([0-9a-fA-F]+) @ pid 0x[0-9a-fA-F]+ \((\d+)\))");
  const std::regex esDescriptor(R"(\|  \] 0x([0-9a-f]{2}) : \"(.*))");
  const std::regex programCa(R"(^\s+\] 0x09 : )");
  const std::regex serviceId(R"(\| Service id\s+: 0x([0-9a-fA-F]+))");
  const std::regex freeCa(R"(\| Free CA\s+: (yes|no))");
  const std::regex serviceDescriptor(R"(\] 0x48 : \"(.*)\" \()");
  TPeerPrograms programs;
  std::string table;
  TPeerProgram *current = nullptr;
  TPeerStream *stream = nullptr;
  std::set<int> pmtSeen, sdtSeen;
  for (std::string line; std::getline(out, line);) {
    std::smatch m;
    if (const auto colon = line.find(": ");
        line.starts_with("  ") && line[2] != ' ' && colon != std::string::npos && colon < 8) {
      table = line.substr(2, colon - 2);
      current = nullptr;
      stream = nullptr;
    } else if (table == "PAT" && std::regex_search(line, m, patEntry) && m[1] != "0") {
      programs[std::stoi(m[1])].PmtPid = std::stoi(m[2]);
    } else if (table == "PMT" && std::regex_search(line, m, programNumber)) {
      // A later version of the table repeats the program; the first one counts.
      const int sid = std::stoi(m[1]);
      current = pmtSeen.insert(sid).second ? &programs[sid] : nullptr;
      if (current != nullptr)
        current->CaDescriptors = 0;
    } else if (table == "PMT" && current && std::regex_search(line, m, pcr)) {
      current->PcrPid = std::stoi(m[1]);
    } else if (table == "PMT" && current && std::regex_search(line, m, esEntry)) {
      stream = &current->Streams[std::stoi(m[2])];
      stream->Type = std::stoi(m[1], nullptr, 16);
      stream->Kind = KindOfStreamType(stream->Type);
    } else if (table == "PMT" && current && stream && std::regex_search(line, m, esDescriptor)) {
      const std::string tag = m[1], text = m[2];
      if (tag == "0a" || tag == "56")
        stream->Lang = UpperText(text.substr(0, 3));
      if (tag == "6a" || tag == "7a")
        stream->Kind = "AC3";
      else if (tag == "56")
        stream->Kind = "TTX";
    } else if (table == "PMT" && current && !stream && std::regex_search(line, programCa)) {
      ++current->CaDescriptors;
    } else if (table == "SDT" && std::regex_search(line, m, serviceId)) {
      const int sid = std::stoi(m[1], nullptr, 16);
      current = sdtSeen.insert(sid).second ? &programs[sid] : nullptr;
    } else if (table == "SDT" && current && std::regex_search(line, m, freeCa)) {
      current->FreeCaMode = m[1] == "yes";
    } else if (table == "SDT" && current && std::regex_search(line, m, serviceDescriptor)) {
      current->ServiceText = m[1];
    }
  }
  return programs;
}

inline std::string Printable(const std::string &text) {
  std::string kept;
  std::copy_if(text.begin(), text.end(), std::back_inserter(kept),
               [](char c) { return static_cast<unsigned char>(c) >= 0x20; });
  return kept;
}

inline const nlohmann::json *ServiceBySid(const nlohmann::json &services, int sid) {
  for (const auto &service : services)
    if (service["sid"] == sid)
      return &service;
  return nullptr;
}

// Every service the peer knows is found with the same values as the peer reads them, and
// no other; returns the number of values compared.
inline int ExpectScanAgrees(const nlohmann::json &services, const TPeerPrograms &peer) {
  int compared = 0;
  const auto same = [&compared](const auto &ours, const auto &theirs, const std::string &what) {
    EXPECT_EQ(ours, theirs) << what;
    ++compared;
  };
  same(services.size(), peer.size(), "service count");
  for (const auto &[sid, program] : peer) {
    const std::string where = "SID " + std::to_string(sid);
    const nlohmann::json *service = ServiceBySid(services, sid);
    if (service == nullptr) {
      ADD_FAILURE() << where << " not found";
      continue;
    }
    same((*service)["pmt_pid"].get<int>(), program.PmtPid, where + " PMT PID");
    if (program.PcrPid >= 0)
      same((*service)["pcr_pid"].get<int>(), program.PcrPid, where + " PCR PID");
    if (program.Name)
      same((*service)["name"].get<std::string>(), *program.Name, where + " name");
    if (program.Provider)
      same((*service)["provider"].get<std::string>(), *program.Provider, where + " provider");
    if (program.ServiceText)
      same((*service)["provider"].get<std::string>() + (*service)["name"].get<std::string>(),
           Printable(*program.ServiceText), where + " service descriptor");
    if (program.FreeCaMode)
      same((*service)["scrambled"].get<bool>(), *program.FreeCaMode, where + " free_CA_mode");
    if (program.CaDescriptors >= 0)
      same((*service)["ca"].size(), static_cast<std::size_t>(program.CaDescriptors),
           where + " CA entries");
    std::set<int> ourPids, theirPids;
    for (const auto &s : (*service)["streams"])
      ourPids.insert(s["pid"].get<int>());
    for (const auto &[pid, stream] : program.Streams) {
      theirPids.insert(pid);
      const std::string at = where + " PID " + std::to_string(pid);
      const auto ours = std::find_if((*service)["streams"].begin(), (*service)["streams"].end(),
                                     [pid](const auto &s) { return s["pid"] == pid; });
      if (ours == (*service)["streams"].end())
        continue; // the pid sets below tell
      if (stream.Type >= 0)
        same((*ours)["stream_type"].get<int>(), stream.Type, at + " stream_type");
      if (!stream.Kind.empty())
        same((*ours)["kind"].get<std::string>(), stream.Kind, at + " kind");
      same((*ours)["lang"].get<std::string>(), stream.Lang, at + " language");
    }
    same(ourPids, theirPids, where + " stream PIDs");
  }
  return compared;
}

} // namespace qev::test
