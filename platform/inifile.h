#pragma once
// INI files with Windows private-profile semantics: case-insensitive sections and keys, defaults,
// integers in decimal or "0x"/"$" hex, every write goes straight to the file. A bare file name lives
// in the Windows folder.
#include <string>
#include <vector>

class TIniFile {
public:
  explicit TIniFile(const std::string &fileName);
  const std::string &FileName() const { return FFileName; }

  std::string ReadString(const std::string &section, const std::string &key, const std::string &def) const;
  int ReadInteger(const std::string &section, const std::string &key, int def) const;
  bool ReadBool(const std::string &section, const std::string &key, bool def) const;
  // Throws std::runtime_error when the file cannot be written.
  void WriteString(const std::string &section, const std::string &key, const std::string &value);
  void WriteInteger(const std::string &section, const std::string &key, int value);
  void WriteBool(const std::string &section, const std::string &key, bool value);
  bool SectionExists(const std::string &section) const;
  bool ValueExists(const std::string &section, const std::string &key) const;
  std::vector<std::string> ReadSection(const std::string &section) const;  // key names
  void EraseSection(const std::string &section);

private:
  std::string FFileName;
};
