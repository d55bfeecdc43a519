#pragma once
// Shared by the skin tests: a QApplication for fonts and widgets, and a writer of theme files.
#include <cstdint>
#include <string>
#include <vector>

#include "canvas.h"

// Builds theme files: a 24-byte header, the entries' chain right after it, their data after the
// chain. The chain ends with a terminating entry unless `Terminate` is false, in which case the last
// entry's own next offset is 0.
class ThemeFileWriter {
public:
  void AddInteger(const std::string &name, std::int32_t value);
  void AddBoolean(const std::string &name, std::uint8_t value);
  void AddText(const std::string &name, const std::string &text);
  void AddStream(const std::string &name, const std::string &bytes);
  void AddBitmap(const std::string &name, const TBitmap &bitmap);
  void AddRaw(const std::string &name, std::uint8_t kind, const std::string &data);

  bool Terminate = true;
  std::string Build() const;
  bool Save(const std::string &path) const;

  // Offsets in what Build returns.
  static constexpr std::uint32_t FirstEntryOffset = 24;
  std::uint32_t EntryOffset(int index) const { return FirstEntryOffset + 77u * static_cast<std::uint32_t>(index); }

private:
  struct Entry {
    std::string Name;
    std::uint8_t Kind;
    std::string Data;
  };
  std::vector<Entry> FEntries;
};

void PutU32(std::string &bytes, std::size_t offset, std::uint32_t value);
std::uint32_t GetU32(const std::string &bytes, std::size_t offset);
bool WriteFile(const std::string &path, const std::string &bytes);
std::string ReadFile(const std::string &path);
// A fresh folder for one test, removed with the object.
class TempFolder {
public:
  TempFolder();
  ~TempFolder();
  const std::string &Path() const { return FPath; }
  std::string File(const std::string &name) const { return FPath + "/" + name; }

private:
  std::string FPath;
};
// A bitmap of the given size filled with one colour.
TBitmap SolidBitmap(int width, int height, TColor color);
