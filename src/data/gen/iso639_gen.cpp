// Writes the ISO 639 table of lang_names.cpp from iso-codes' iso_639-2.json: one entry per
// three-letter code (terminology and bibliographic), ordered by English name, then "qaa".
#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct Entry {
  std::string code, name;
};

std::string Quoted(const std::string &text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\')
      out += '\\';
    out += c;
  }
  return out + '"';
}

bool IsCode(const std::string &code) {
  return code.size() == 3 &&
         std::all_of(code.begin(), code.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

} // namespace

int main(int argc, char *argv[]) {
  if (argc != 3) {
    std::cerr << "usage: iso639_gen iso_639-2.json output.inc\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  const nlohmann::json doc = nlohmann::json::parse(in, nullptr, false);
  if (doc.is_discarded() || !doc.contains("639-2")) {
    std::cerr << "iso639_gen: cannot read " << argv[1] << '\n';
    return 1;
  }
  std::vector<Entry> entries;
  for (const auto &item : doc["639-2"]) {
    const std::string name = item.value("name", "");
    for (const char *key : {"bibliographic", "alpha_3"}) {
      const std::string code = item.value(key, "");
      if (IsCode(code) && code != "qaa" && !name.empty())
        entries.push_back({code, name});
    }
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry &a, const Entry &b) { return a.name < b.name; });
  entries.push_back({"qaa", "Original"});
  std::ofstream out(argv[2]);
  out << "constexpr TLangEntry kIso639Table[] = {\n";
  for (const Entry &e : entries)
    out << "    {" << Quoted(e.code) << ", " << Quoted(e.name) << "},\n";
  out << "};\n";
  return out ? 0 : 1;
}
