#include "paths.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace win {
namespace {

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string EnvOr(const char *name, const std::string &fallback) {
  const char *value = std::getenv(name);
  return value && *value ? std::string(value) : fallback;
}

}  // namespace

std::string ProgramFolder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("./") : WithSlash(exe.parent_path().string());
}

std::string HomeFolder() {
  const char *home = std::getenv("HOME");
  if (home && *home) return WithSlash(home);
  if (const passwd *pw = getpwuid(getuid())) return WithSlash(pw->pw_dir);
  return "/tmp/";
}

std::string WindowsFolder() {
  std::string folder = WithSlash(EnvOr("VANTREL_WINDIR", EnvOr("XDG_CONFIG_HOME", HomeFolder() + ".config") + "/vantrel"));
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return folder;
}

std::string ProgramFilesFolder() {
  return WithSlash(EnvOr("VANTREL_WORKDIR", EnvOr("XDG_DATA_HOME", HomeFolder() + ".local/share") + "/vantrel"));
}

}  // namespace win
