#pragma once
// The fixed places of the program, on Linux.
#include <string>

namespace win {

// Folder of the running executable, ending in "/".
std::string ProgramFolder();
// Bare INI names and the registry hive live here: $VANTREL_WINDIR, else $XDG_CONFIG_HOME/vantrel,
// else ~/.config/vantrel. Ends in "/"; created on demand.
std::string WindowsFolder();
// The folder that holds the library's working folder: $VANTREL_WORKDIR, else $XDG_DATA_HOME/vantrel,
// else ~/.local/share/vantrel. Ends in "/".
std::string ProgramFilesFolder();
// The user's home folder, ending in "/".
std::string HomeFolder();

}  // namespace win
