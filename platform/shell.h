#pragma once
// Every shell action (opening a document or folder, starting a program, powering off) goes through
// one replaceable function, so that tests never open windows or shut the machine down.
#include <functional>
#include <string>

namespace win {

// `operation` "open" with a file, folder or address, or the program to start with its parameters.
using ShellExecuteFn = std::function<bool(const std::string &operation, const std::string &file,
                                          const std::string &parameters, const std::string &directory)>;
bool ShellExecute(const std::string &operation, const std::string &file, const std::string &parameters,
                  const std::string &directory);
// Returns the previous function; an empty function puts the default back.
ShellExecuteFn SetShellExecuteHandler(ShellExecuteFn fn);

}  // namespace win
