#pragma once
// Running LibreOffice as a time-boxed child process.
#include <string>
#include <vector>

namespace ppt::detail {

// `name` searched on PATH (or taken as is when it holds a "/"); empty when no executable is found.
std::string FindExecutable(const std::string &name);

// Runs `program` with `args` in a process group of its own: stdin from /dev/null, stdout and stderr
// into `logPath`, no other descriptors inherited. Returns its exit code. Throws ERenderError when it
// cannot be started or runs longer than `timeoutMs`; then the whole group is killed first, since
// soffice leaves the real work to a child of its own.
int RunTimeBoxed(const std::string &program, const std::vector<std::string> &args,
                 const std::string &logPath, int timeoutMs);

// Kills every conversion still running in this process (their waiting threads see them end).
void KillRunningConversions();

}  // namespace ppt::detail
