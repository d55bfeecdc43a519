#include "library.h"

#include <dlfcn.h>

#include "files.h"
#include "paths.h"

namespace win {

HMODULE LoadLibrary(const std::string &name) {
  if (name.find('/') == std::string::npos) {
    std::string local = ProgramFolder() + name;
    if (FileExists(local)) {
      if (void *module = dlopen(local.c_str(), RTLD_NOW | RTLD_LOCAL)) return module;
    }
  }
  return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void *GetProcAddress(HMODULE module, const std::string &name) {
  return module ? dlsym(module, name.c_str()) : nullptr;
}

void FreeLibrary(HMODULE module) {
  if (module) dlclose(module);
}

int LoadString(HMODULE module, unsigned id, char *buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = '\0';
  using LoadStringFn = int (*)(unsigned, char *, int);
  auto fn = reinterpret_cast<LoadStringFn>(GetProcAddress(module, kLoadStringExport));
  return fn ? fn(id, buffer, size) : 0;
}

}  // namespace win
