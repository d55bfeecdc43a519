#pragma once
// HKEY_LOCAL_MACHINE kept in a text hive in the .reg format, written through on every change and
// locked against other processes while read and written.
#include <cstdint>
#include <optional>
#include <string>

namespace win {

enum class HKEY { HKEY_LOCAL_MACHINE };

// Path of the hive file: <Windows folder>/registry/HKEY_LOCAL_MACHINE.reg.
std::string RegistryHivePath(HKEY root);

class TRegistry {
public:
  explicit TRegistry(HKEY root = HKEY::HKEY_LOCAL_MACHINE) : FRoot(root) {}
  // Key paths use "\" as on Windows; a leading "\" is ignored; case-insensitive.
  bool OpenKey(const std::string &key, bool canCreate);
  void CloseKey();
  bool WriteInteger(const std::string &name, std::uint32_t value);  // REG_DWORD
  std::optional<std::uint32_t> ReadInteger(const std::string &name) const;
  bool WriteString(const std::string &name, const std::string &value);
  std::optional<std::string> ReadString(const std::string &name) const;

private:
  HKEY FRoot;
  std::string FKey;
  bool FOpen = false;
};

}  // namespace win
