// Speed of the settings file engine on a large file: load, look-ups, save.
#include "frame/fast_ini_file.h"

#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

using namespace qev::frame;

namespace {

constexpr int kSections = 1000;
constexpr int kKeysPerSection = 19; // with the headers, 20,000 lines

std::string LargeFile() {
  std::string text;
  for (int s = 0; s < kSections; ++s) {
    text += "[Transponder" + std::to_string(s) + "]\r\n";
    for (int k = 0; k < kKeysPerSection; ++k)
      text += "Key" + std::to_string(k) + " = " + std::to_string(s * 100 + k) + " ; note\r\n";
  }
  return text;
}

std::string SectionName(int i) { return "TRANSPONDER" + std::to_string(i * 7919 % kSections); }
std::string KeyName(int i) { return "key" + std::to_string(i % kKeysPerSection); }

void LoadFile(benchmark::State &state) {
  const std::string text = LargeFile();
  for (auto _ : state) {
    std::stringstream stream(text);
    TFastIniStream ini(stream);
    benchmark::DoNotOptimize(ini.ReadString("Transponder0", "Key0", ""));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(LoadFile)->Unit(benchmark::kMillisecond);

void TenThousandLookups(benchmark::State &state) {
  std::stringstream stream(LargeFile());
  TFastIniStream ini(stream);
  for (auto _ : state) {
    for (int i = 0; i < 10000; ++i)
      benchmark::DoNotOptimize(ini.ReadInteger(SectionName(i), KeyName(i), 0));
  }
}
BENCHMARK(TenThousandLookups)->Unit(benchmark::kMillisecond);

void SaveAfterOneChange(benchmark::State &state) {
  const std::string text = LargeFile();
  std::stringstream stream(text);
  TFastIniStream ini(stream);
  int value = 0;
  for (auto _ : state) {
    ini.WriteInteger("Transponder500", "Key3", ++value);
    benchmark::DoNotOptimize(ini.UpdateFile());
  }
}
BENCHMARK(SaveAfterOneChange)->Unit(benchmark::kMillisecond);

void LoadLookUpAndSave(benchmark::State &state) {
  const std::string text = LargeFile();
  for (auto _ : state) {
    std::stringstream stream(text);
    TFastIniStream ini(stream);
    for (int i = 0; i < 10000; ++i)
      benchmark::DoNotOptimize(ini.ReadInteger(SectionName(i), KeyName(i), 0));
    ini.WriteString("Transponder999", "New", "x");
    benchmark::DoNotOptimize(ini.UpdateFile());
  }
}
BENCHMARK(LoadLookUpAndSave)->Unit(benchmark::kMillisecond);

} // namespace
