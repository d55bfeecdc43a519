#include "registry.h"

#include <QString>
#include <cctype>
#include <charconv>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

#include "files.h"
#include "paths.h"

namespace win {
namespace {

constexpr const char *HiveHeader = "Windows Registry Editor Version 5.00";
constexpr const char *RootName = "HKEY_LOCAL_MACHINE";
// Far beyond any hive of ours; a larger file is refused rather than read into memory.
constexpr std::size_t MaxHiveSize = 64u << 20;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(const std::string &a, const std::string &b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

bool StartsWithText(const std::string &text, const std::string &prefix) {
  return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

std::string Trim(const std::string &text) {
  std::size_t b = text.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  std::size_t e = text.find_last_not_of(" \t\r");
  return text.substr(b, e - b + 1);
}

// "SOFTWARE\Classes\X" from "\SOFTWARE\Classes\X\", with "/" read as "\" too.
std::string NormalKey(std::string key) {
  for (char &c : key)
    if (c == '/') c = '\\';
  while (!key.empty() && key.front() == '\\') key.erase(0, 1);
  while (!key.empty() && key.back() == '\\') key.pop_back();
  return key;
}

std::string FullKey(const std::string &key) { return key.empty() ? RootName : std::string(RootName) + "\\" + key; }

// One line of the hive (a value may run over several lines ended by "\"), with the value's name.
struct Entry {
  bool IsValue = false;
  std::string Name;
  std::string Text;
};

struct Key {
  std::string Path;  // as in its header, root included
  std::string Header;
  std::vector<Entry> Entries;
};

struct Hive {
  std::vector<std::string> Preamble;
  std::vector<Key> Keys;
};

bool ParseValueName(const std::string &line, std::string &name, std::string &data) {
  std::string text = Trim(line);
  std::size_t i;
  if (text.rfind("@=", 0) == 0) {
    name.clear();
    i = 1;
  } else if (!text.empty() && text[0] == '"') {
    name.clear();
    for (i = 1; i < text.size() && text[i] != '"'; ++i) {
      if (text[i] == '\\' && i + 1 < text.size()) ++i;
      name += text[i];
    }
    if (i >= text.size()) return false;
    ++i;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i >= text.size() || text[i] != '=') return false;
  } else {
    return false;
  }
  data = Trim(text.substr(i + 1));
  return true;
}

Hive ParseHive(const std::string &content) {
  Hive hive;
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  Key *current = nullptr;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string trimmed = Trim(lines[i]);
    if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
      hive.Keys.push_back(Key{trimmed.substr(1, trimmed.size() - 2), lines[i], {}});
      current = &hive.Keys.back();
      continue;
    }
    if (!current) {
      hive.Preamble.push_back(lines[i]);
      continue;
    }
    Entry entry;
    entry.Text = lines[i];
    std::string data;
    entry.IsValue = ParseValueName(entry.Text, entry.Name, data);
    // Long binary values go on over lines that end in "\"; only the newest line tells whether
    // another follows.
    if (entry.IsValue && StartsWithText(data, "hex")) {
      std::string last = data;
      while (!last.empty() && last.back() == '\\' && i + 1 < lines.size()) {
        entry.Text += "\n" + lines[++i];
        last = Trim(lines[i]);
      }
      // A "\" with no line left to continue would swallow whatever is written after the value.
      if (!last.empty() && last.back() == '\\') entry.Text.erase(entry.Text.find_last_of('\\'));
    }
    current->Entries.push_back(std::move(entry));
  }
  if (hive.Preamble.empty() && hive.Keys.empty()) hive.Preamble = {HiveHeader, ""};
  return hive;
}

std::string WriteHive(const Hive &hive) {
  std::string out;
  for (const std::string &line : hive.Preamble) out += line + "\n";
  for (const Key &key : hive.Keys) {
    out += key.Header + "\n";
    for (const Entry &entry : key.Entries) out += entry.Text + "\n";
  }
  return out;
}

Key *FindKey(Hive &hive, const std::string &path) {
  for (Key &key : hive.Keys)
    if (SameText(key.Path, path)) return &key;
  return nullptr;
}

bool KeyExists(const Hive &hive, const std::string &path) {
  if (SameText(path, RootName)) return true;
  for (const Key &key : hive.Keys)
    if (SameText(key.Path, path) || StartsWithText(key.Path, path + "\\")) return true;
  return false;
}

bool EndsBlank(const std::vector<Entry> &entries) { return !entries.empty() && Trim(entries.back().Text).empty(); }

Key &AddKey(Hive &hive, const std::string &path) {
  if (!hive.Keys.empty()) {
    if (!EndsBlank(hive.Keys.back().Entries)) hive.Keys.back().Entries.push_back(Entry{});
  } else if (!hive.Preamble.empty() && !Trim(hive.Preamble.back()).empty()) {
    hive.Preamble.push_back("");
  }
  hive.Keys.push_back(Key{path, "[" + path + "]", {Entry{}}});
  return hive.Keys.back();
}

std::string Escape(const std::string &text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

std::string Unescape(const std::string &text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

std::string NamePart(const std::string &name) { return name.empty() ? "@" : "\"" + Escape(name) + "\""; }

// A value that exists keeps the spelling of its name.
void SetValue(Key &key, const std::string &name, const std::string &data) {
  for (Entry &entry : key.Entries) {
    if (entry.IsValue && SameText(entry.Name, name)) {
      entry.Text = NamePart(entry.Name) + "=" + data;
      return;
    }
  }
  std::string line = NamePart(name) + "=" + data;
  std::size_t at = key.Entries.size();
  while (at > 0 && !key.Entries[at - 1].IsValue && Trim(key.Entries[at - 1].Text).empty()) --at;
  key.Entries.insert(key.Entries.begin() + static_cast<std::ptrdiff_t>(at), Entry{true, name, line});
}

// The bytes of a "hex...:" value; nothing when a group of digits is too long to be read.
std::optional<std::vector<unsigned char>> HexBytes(const std::string &data) {
  std::vector<unsigned char> bytes;
  std::size_t colon = data.find(':');
  std::string digits;
  auto addGroup = [&] {
    if (digits.empty()) return true;
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    digits.clear();
    if (error != std::errc()) return false;
    bytes.push_back(static_cast<unsigned char>(value));
    return true;
  };
  for (std::size_t i = colon + 1; i < data.size(); ++i) {
    char c = data[i];
    if (std::isxdigit(static_cast<unsigned char>(c))) {
      digits += c;
    } else if (c == ',' && !addGroup()) {
      return std::nullopt;
    }
  }
  if (!addGroup()) return std::nullopt;
  return bytes;
}

// Texts that the quoted form cannot hold (line breaks, control characters) go as REG_SZ in hex.
std::string StringData(const std::string &value) {
  bool plain = true;
  for (unsigned char c : value)
    if (c < 0x20) plain = false;
  if (plain) return "\"" + Escape(value) + "\"";
  QString text = QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
  std::string out = "hex(1):";
  char byte[4];
  for (qsizetype i = 0; i <= text.size(); ++i) {
    char16_t unit = i < text.size() ? text.at(i).unicode() : 0;
    std::snprintf(byte, sizeof byte, "%02x", unit & 0xFF);
    out += std::string(i ? "," : "") + byte;
    std::snprintf(byte, sizeof byte, "%02x", unit >> 8);
    out += std::string(",") + byte;
  }
  return out;
}

// The hive folder, locked for as long as this object lives: shared for reading, exclusive for a
// read-modify-write. The lock sits on the folder, since the file itself is replaced on every write.
class HiveLock {
public:
  HiveLock(const std::string &folder, bool exclusive) {
    FFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (FFd < 0) return;
    while (flock(FFd, exclusive ? LOCK_EX : LOCK_SH) != 0) {
      if (errno != EINTR) {
        close(FFd);
        FFd = -1;
        return;
      }
    }
  }
  ~HiveLock() {
    if (FFd >= 0) close(FFd);
  }
  bool Locked() const { return FFd >= 0; }

private:
  int FFd = -1;
};

// False when the hive exists but cannot be read whole: then nothing may be written over it.
bool LoadHive(const std::string &path, Hive &hive) {
  std::string content;
  if (!ReadWholeFile(path, content, MaxHiveSize) && errno != ENOENT) return false;
  hive = ParseHive(content);
  return true;
}

bool ReadValue(HKEY root, const std::string &key, const std::string &name, std::string &data) {
  std::string path = RegistryHivePath(root);
  HiveLock lock(ExtractFilePath(path), false);
  if (!lock.Locked()) return false;
  Hive hive;
  if (!LoadHive(path, hive)) return false;
  Key *found = FindKey(hive, FullKey(key));
  if (!found) return false;
  for (const Entry &entry : found->Entries) {
    std::string entryName;
    if (entry.IsValue && ParseValueName(entry.Text, entryName, data) && SameText(entryName, name)) return true;
  }
  return false;
}

// Runs `change` on the hive under the exclusive lock and writes the result back.
template <typename Change>
bool ModifyHive(HKEY root, Change change) {
  std::string path = RegistryHivePath(root);
  std::string folder = ExtractFilePath(path);
  if (!ForceDirectories(folder)) return false;
  HiveLock lock(folder, true);
  if (!lock.Locked()) return false;
  Hive hive;
  if (!LoadHive(path, hive)) return false;
  bool dirty = false;
  if (!change(hive, dirty)) return false;
  return !dirty || WriteFileAtomically(path, WriteHive(hive));
}

}  // namespace

std::string RegistryHivePath(HKEY root) {
  (void)root;
  return WindowsFolder() + "registry/" + RootName + ".reg";
}

bool TRegistry::OpenKey(const std::string &key, bool canCreate) {
  CloseKey();
  std::string normal = NormalKey(key);
  std::string full = FullKey(normal);
  bool exists = false;
  {
    std::string path = RegistryHivePath(FRoot);
    HiveLock lock(ExtractFilePath(path), false);
    Hive hive;
    if (lock.Locked() && LoadHive(path, hive)) exists = KeyExists(hive, full);
  }
  if (!exists && canCreate) {
    exists = ModifyHive(FRoot, [&](Hive &hive, bool &dirty) {
      if (!KeyExists(hive, full)) {
        AddKey(hive, full);
        dirty = true;
      }
      return true;
    });
  }
  if (!exists) return false;
  FKey = normal;
  FOpen = true;
  return true;
}

void TRegistry::CloseKey() {
  FKey.clear();
  FOpen = false;
}

bool TRegistry::WriteInteger(const std::string &name, std::uint32_t value) {
  if (!FOpen) return false;
  char data[16];
  std::snprintf(data, sizeof data, "dword:%08x", value);
  return ModifyHive(FRoot, [&](Hive &hive, bool &dirty) {
    Key *key = FindKey(hive, FullKey(FKey));
    SetValue(key ? *key : AddKey(hive, FullKey(FKey)), name, data);
    dirty = true;
    return true;
  });
}

std::optional<std::uint32_t> TRegistry::ReadInteger(const std::string &name) const {
  std::string data;
  if (!FOpen || !ReadValue(FRoot, FKey, name, data)) return std::nullopt;
  if (StartsWithText(data, "dword:")) {
    std::string digits = data.substr(6);
    if (digits.empty() || digits.size() > 8 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
      return std::nullopt;
    return static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16));
  }
  if (StartsWithText(data, "hex(4):")) {
    std::optional<std::vector<unsigned char>> bytes = HexBytes(data);
    if (!bytes || bytes->size() != 4) return std::nullopt;
    const std::vector<unsigned char> &b = *bytes;
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
  }
  return std::nullopt;
}

bool TRegistry::WriteString(const std::string &name, const std::string &value) {
  if (!FOpen) return false;
  std::string data = StringData(value);
  return ModifyHive(FRoot, [&](Hive &hive, bool &dirty) {
    Key *key = FindKey(hive, FullKey(FKey));
    SetValue(key ? *key : AddKey(hive, FullKey(FKey)), name, data);
    dirty = true;
    return true;
  });
}

std::optional<std::string> TRegistry::ReadString(const std::string &name) const {
  std::string data;
  if (!FOpen || !ReadValue(FRoot, FKey, name, data)) return std::nullopt;
  if (data.size() >= 2 && data.front() == '"' && data.back() == '"') return Unescape(data.substr(1, data.size() - 2));
  if (StartsWithText(data, "hex(1):") || StartsWithText(data, "hex(2):")) {
    std::optional<std::vector<unsigned char>> bytes = HexBytes(data);
    if (!bytes) return std::nullopt;
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes->size(); i += 2)
      units += static_cast<char16_t>((*bytes)[i] | ((*bytes)[i + 1] << 8));
    while (!units.empty() && units.back() == 0) units.pop_back();
    return QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size())).toStdString();
  }
  return std::nullopt;
}

}  // namespace win
