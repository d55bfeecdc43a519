// The registry hive as the capture library uses it: the presentation type's "EditFlags" read, set and
// read back, and a text with a quote and a line break stored beside it, whatever the hive held.
#include <filesystem>

#include "fuzz_support.h"
#include "registry.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzz::Places();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string hive = win::RegistryHivePath(win::HKEY::HKEY_LOCAL_MACHINE);
  std::filesystem::create_directories(std::filesystem::path(hive).parent_path());
  std::ofstream(hive, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char *>(data), std::streamsize(size));

  win::TRegistry registry;
  if (registry.OpenKey("\\SOFTWARE\\Classes\\PowerPoint.Show.8", false)) {
    registry.ReadInteger("EditFlags");
    registry.ReadString("EditFlags");
    registry.ReadString("");
  }
  FUZZ_CHECK(registry.OpenKey("\\SOFTWARE\\Classes\\PowerPoint.Show.8", true));
  FUZZ_CHECK(registry.WriteInteger("EditFlags", 0x10000));
  FUZZ_CHECK(registry.ReadInteger("EditFlags") == 0x10000u);
  const std::string text = "say \"hi\"\nC:\\x\\";
  FUZZ_CHECK(registry.WriteString("Note", text));
  FUZZ_CHECK(registry.ReadString("Note") == text);
  FUZZ_CHECK(registry.ReadInteger("EditFlags") == 0x10000u);
  return 0;
}
