#pragma once
// What the fuzz targets share: the input as text, a private folder for the files a reader wants by
// name, and a check that stops the run with a message when a property fails.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "testsupport.h"

namespace fuzz {

inline std::string Text(const std::uint8_t *data, std::size_t size) {
  return std::string(reinterpret_cast<const char *>(data), size);
}

// Fresh Windows and Program Files folders for this process, so that no target reads or writes the
// user's settings or registry. Removed at exit.
inline const testsupport::FreshPlaces &Places() {
  static testsupport::FreshPlaces places;
  return places;
}

// A folder of this process's own for the files a reader wants by name; removed at exit.
inline const testsupport::TempDir &Scratch() {
  static testsupport::TempDir folder;
  return folder;
}

// Writes `bytes` to `name` in the private folder and returns the full path.
inline std::string WriteInput(const std::string &name, std::string_view bytes) {
  const std::string path = Scratch() / name;
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
  return path;
}

// Pieces of the input cut at `separator`, the last one running to the end.
inline std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  for (;;) {
    const std::size_t at = text.find(separator);
    pieces.emplace_back(text.substr(0, at));
    if (at == std::string_view::npos) return pieces;
    text.remove_prefix(at + 1);
  }
}

[[noreturn]] inline void Fail(const char *what, const char *file, int line) {
  std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what);
  std::abort();
}

}  // namespace fuzz

#define FUZZ_CHECK(condition) ((condition) ? (void)0 : fuzz::Fail(#condition, __FILE__, __LINE__))
