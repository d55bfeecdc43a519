// The capture library reads the hive at every load: a hive with long binary values must read fast.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "registry.h"

namespace fs = std::filesystem;

namespace {

// A hive whose one binary value of `bytes` bytes runs over lines of 25 bytes each.
void WriteHive(const std::string &path, int bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream hive(path);
  hive << "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel]\n\"Blob\"=hex:";
  for (int i = 0; i < bytes; ++i) hive << (i ? "," : "") << ((i + 1) % 25 == 0 ? "00,\\\n  " : "00");
  hive << "\n\"Flag\"=dword:00000001\n";
}

void BM_ReadAValueAfterALongBinaryValue(benchmark::State &state) {
  std::string folder = (fs::temp_directory_path() / "vantrel-bench-XXXXXX").string();
  if (!mkdtemp(folder.data())) {
    state.SkipWithError("no temporary folder");
    return;
  }
  setenv("VANTREL_WINDIR", folder.c_str(), 1);
  WriteHive(win::RegistryHivePath(win::HKEY::HKEY_LOCAL_MACHINE), int(state.range(0)));
  win::TRegistry registry;
  registry.OpenKey("\\SOFTWARE\\Vantrel", false);
  for (auto _ : state) benchmark::DoNotOptimize(registry.ReadInteger("Flag"));
  fs::remove_all(folder);
}
BENCHMARK(BM_ReadAValueAfterALongBinaryValue)->Arg(1000)->Arg(180000)->Unit(benchmark::kMillisecond);

}  // namespace
