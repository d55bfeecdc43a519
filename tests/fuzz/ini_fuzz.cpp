// An INI file as the program reads its settings file and keeps its per-profile file: the settings it
// reads at start-up, then a profile's choices written and read back over whatever the file held.
#include "fuzz_support.h"
#include "inifile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  TIniFile ini(fuzz::WriteInput("Vantrel.ini", fuzz::Text(data, size)));
  ini.ReadBool("plane", "video", true);
  ini.ReadBool("plane", "audio", true);
  ini.ReadString("output", "path", "");
  ini.ReadInteger("profiles", "selcetindex", 1);
  ini.ReadInteger("profiles", "selcetsubindex", 1);
  ini.ReadInteger("profiles", "FinishSelcet", 0);
  for (const std::string &key : ini.ReadSection("profiles")) FUZZ_CHECK(ini.ReadString("profiles", key, "\n") != "\n");

  const std::string section = "57";
  const int values[] = {2, -1, 0};
  for (int value : values) {
    ini.WriteInteger(section, "video bitrate", value);
    ini.WriteInteger(section, "Channel", value + 1);
    FUZZ_CHECK(ini.ReadInteger(section, "video bitrate", 99) == value);
    FUZZ_CHECK(ini.ReadInteger(section, "Channel", 99) == value + 1);
  }
  FUZZ_CHECK(ini.SectionExists(section));
  return 0;
}
