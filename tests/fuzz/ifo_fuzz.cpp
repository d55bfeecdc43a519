// An IFO file read through Ifoinfo.dll's operations, as the DVD title list reads it: once as a title
// set's "VTS_01_0.IFO" and once as the disc's "VIDEO_TS.IFO". Every count the library gives is one
// it can fill.
#include <filesystem>

#include "fuzz_support.h"
#include "ifo_titleset.h"
#include "ifoinfo.h"

namespace {

void ReadAsTheTitleListDoes(const std::string &path) {
  const intptr_t handle = ifoOpen(path.c_str(), 0);
  if (!handle) return;
  const int titles = ifoGetNumPGCI(handle);
  FUZZ_CHECK(titles >= 0);
  for (int title = 0; title < titles; ++title) {
    unsigned char time[4];
    const int cells = ifoGetPGCIInfo(handle, title, time);
    FUZZ_CHECK(cells >= 0);
    std::vector<unsigned char> records(std::size_t(cells) * IFO_CELL_RECORD_SIZE);
    FUZZ_CHECK(ifoGetPGCICells(handle, title, records.data()) == cells);
  }
  ifoGetVideoDesc(handle);
  for (int track = 0; track < ifoGetNumAudio(handle); ++track) ifoGetAudioDesc(handle, track);
  for (int track = 0; track < ifoGetNumSubPic(handle); ++track) ifoGetSubPicDesc(handle, track);
  // Handles live until the process ends; a fuzz run opens far more of them than the program does.
  delete reinterpret_cast<TIfo *>(handle);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string folder = fuzz::Scratch() / "VIDEO_TS";
  std::filesystem::create_directories(folder);
  const std::string bytes = fuzz::Text(data, size);
  for (const char *name : {"VTS_01_0.IFO", "VIDEO_TS.IFO"}) {
    const std::string path = folder + "/" + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    ReadAsTheTitleListDoes(path);
    std::filesystem::remove(path);
  }
  return 0;
}
