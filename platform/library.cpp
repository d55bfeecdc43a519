#include "library.h"

#include <QImage>
#include <dlfcn.h>
#include <vector>

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

bool LoadBitmap(HMODULE module, unsigned id, QImage &image) {
  using LoadBitmapFn = int (*)(unsigned, unsigned char *, int);
  auto fn = reinterpret_cast<LoadBitmapFn>(GetProcAddress(module, kLoadBitmapExport));
  if (!fn) return false;
  int size = fn(id, nullptr, 0);
  if (size <= 0) return false;
  std::vector<unsigned char> data(static_cast<std::size_t>(size));
  if (fn(id, data.data(), size) != size) return false;
  QImage loaded;
  if (!loaded.loadFromData(data.data(), size, "BMP")) return false;
  image = loaded.convertToFormat(QImage::Format_RGB32);
  return true;
}

}  // namespace win
