#include "inifile.h"

#include <cerrno>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <sys/stat.h>

#include "files.h"
#include "paths.h"

namespace {

constexpr const char *Bom = "\xEF\xBB\xBF";
// Far beyond any settings file; a larger one is neither read nor written over.
constexpr std::size_t MaxIniSize = 16u << 20;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(const std::string &a, const std::string &b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string Trim(const std::string &text) {
  std::size_t b = text.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  std::size_t e = text.find_last_not_of(" \t");
  return text.substr(b, e - b + 1);
}

// The file as lines, with what is needed to write it back the way it was.
struct IniText {
  std::vector<std::string> Lines;
  bool Exists = false;
  bool Unreadable = false;  // there, but not read whole: never written over
  bool Crlf = false;
  bool HasBom = false;
};

IniText Load(const std::string &fileName) {
  IniText ini;
  std::string content;
  ini.Exists = win::ReadWholeFile(fileName, content, MaxIniSize);
  ini.Unreadable = !ini.Exists && errno != ENOENT;
  if (content.rfind(Bom, 0) == 0) {
    ini.HasBom = true;
    content.erase(0, 3);
  }
  std::size_t firstEnd = content.find('\n');
  ini.Crlf = firstEnd != std::string::npos && firstEnd > 0 && content[firstEnd - 1] == '\r';
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ini.Lines.push_back(line);
    start = end + 1;
  }
  return ini;
}

bool SectionName(const std::string &line, std::string &name) {
  std::string text = Trim(line);
  if (text.empty() || text[0] != '[') return false;
  std::size_t close = text.find(']');
  name = Trim(text.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  return true;
}

bool KeyValue(const std::string &line, std::string &key, std::string &value) {
  std::string text = Trim(line);
  if (text.empty() || text[0] == ';' || text[0] == '[') return false;
  std::size_t eq = text.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(text.substr(0, eq));
  value = Trim(text.substr(eq + 1));
  return !key.empty();
}

// Lines [First, End) of the first section of that name; First is its header.
struct Range {
  std::size_t First = std::string::npos;
  std::size_t End = 0;
  bool Found() const { return First != std::string::npos; }
};

Range FindSection(const IniText &ini, const std::string &section) {
  Range range;
  std::string name;
  for (std::size_t i = 0; i < ini.Lines.size(); ++i) {
    if (!SectionName(ini.Lines[i], name)) continue;
    if (range.Found()) {
      range.End = i;
      return range;
    }
    if (SameText(name, Trim(section))) range.First = i;
  }
  if (range.Found()) range.End = ini.Lines.size();
  return range;
}

std::size_t FindKey(const IniText &ini, const Range &range, const std::string &key) {
  std::string name, value;
  for (std::size_t i = range.First + 1; i < range.End; ++i)
    if (KeyValue(ini.Lines[i], name, value) && SameText(name, Trim(key))) return i;
  return std::string::npos;
}

bool Lookup(const std::string &fileName, const std::string &section, const std::string &key, std::string &value) {
  IniText ini = Load(fileName);
  Range range = FindSection(ini, section);
  if (!range.Found()) return false;
  std::size_t at = FindKey(ini, range, key);
  if (at == std::string::npos) return false;
  std::string name;
  KeyValue(ini.Lines[at], name, value);
  // A value in matching quotes comes back without them.
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return true;
}

bool ParseInteger(const std::string &text, int &result) {
  std::string s = Trim(text);
  std::size_t digits = 0;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
    digits = 2;
  else if (s.size() > 1 && s[0] == '$')
    digits = 1;
  if (digits) {
    // Hexadecimal covers the full 32 bits, so $FFFFFFFF is -1.
    std::uint64_t v = 0;
    if (s.size() - digits > 8) return false;
    for (std::size_t i = digits; i < s.size(); ++i) {
      char c = Lower(s[i]);
      if (c >= '0' && c <= '9') v = v * 16 + (c - '0');
      else if (c >= 'a' && c <= 'f') v = v * 16 + (c - 'a' + 10);
      else return false;
    }
    result = static_cast<int>(static_cast<std::uint32_t>(v));
    return true;
  }
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (i == s.size()) return false;
  std::int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
    if (v > 2147483648LL) return false;
  }
  if (negative) v = -v;
  if (v > 2147483647LL) return false;
  result = static_cast<int>(v);
  return true;
}

std::mutex &WriteLock() {
  static auto *lock = new std::mutex;
  return *lock;
}

bool HoldsLineBreak(const std::string &text) { return text.find_first_of("\r\n") != std::string::npos; }

}  // namespace

TIniFile::TIniFile(const std::string &fileName)
    : FFileName(fileName.find('/') == std::string::npos ? win::WindowsFolder() + fileName : fileName) {}

std::string TIniFile::ReadString(const std::string &section, const std::string &key, const std::string &def) const {
  std::string value;
  return Lookup(FFileName, section, key, value) ? value : def;
}

int TIniFile::ReadInteger(const std::string &section, const std::string &key, int def) const {
  std::string value;
  int result;
  if (!Lookup(FFileName, section, key, value) || !ParseInteger(value, result)) return def;
  return result;
}

bool TIniFile::ReadBool(const std::string &section, const std::string &key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

namespace {

// Applies `change` to the file's lines and replaces the file; throws when that is refused.
template <typename Change>
void Rewrite(const std::string &fileName, Change change) {
  std::lock_guard<std::mutex> guard(WriteLock());
  IniText ini = Load(fileName);
  if (ini.Unreadable) throw std::runtime_error("Unable to write to " + fileName);
  if (!change(ini)) return;
  struct stat st;
  // A read-only file stays as it is, also for a user whom permissions would not stop.
  bool refused = ini.Exists && stat(fileName.c_str(), &st) == 0 && !(st.st_mode & S_IWUSR);
  if (!refused) {
    std::string eol = ini.Crlf ? "\r\n" : "\n";
    std::string content = ini.HasBom ? Bom : "";
    for (const std::string &line : ini.Lines) content += line + eol;
    refused = !win::WriteFileAtomically(fileName, content);
  }
  if (refused) throw std::runtime_error("Unable to write to " + fileName);
}

}  // namespace

void TIniFile::WriteString(const std::string &section, const std::string &key, const std::string &value) {
  // A line break would end the line early and plant whatever follows as lines of its own.
  if (HoldsLineBreak(section) || HoldsLineBreak(key) || HoldsLineBreak(value) || Trim(key).empty() ||
      key.find('=') != std::string::npos || section.find(']') != std::string::npos)
    throw std::runtime_error("Unable to write to " + FFileName);
  Rewrite(FFileName, [&](IniText &ini) {
    Range range = FindSection(ini, section);
    if (!range.Found()) {
      ini.Lines.push_back("[" + section + "]");
      ini.Lines.push_back(key + "=" + value);
      return true;
    }
    std::size_t at = FindKey(ini, range, key);
    if (at != std::string::npos) {
      std::string &line = ini.Lines[at];
      line = line.substr(0, line.find('=') + 1) + value;
      return true;
    }
    std::size_t insert = range.End;
    while (insert > range.First + 1 && Trim(ini.Lines[insert - 1]).empty()) --insert;
    ini.Lines.insert(ini.Lines.begin() + static_cast<std::ptrdiff_t>(insert), key + "=" + value);
    return true;
  });
}

void TIniFile::WriteInteger(const std::string &section, const std::string &key, int value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string &section, const std::string &key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::SectionExists(const std::string &section) const { return !ReadSection(section).empty(); }

bool TIniFile::ValueExists(const std::string &section, const std::string &key) const {
  for (const std::string &name : ReadSection(section))
    if (SameText(name, Trim(key))) return true;
  return false;
}

std::vector<std::string> TIniFile::ReadSection(const std::string &section) const {
  std::vector<std::string> keys;
  IniText ini = Load(FFileName);
  Range range = FindSection(ini, section);
  if (!range.Found()) return keys;
  std::string key, value;
  for (std::size_t i = range.First + 1; i < range.End; ++i)
    if (KeyValue(ini.Lines[i], key, value)) keys.push_back(key);
  return keys;
}

void TIniFile::EraseSection(const std::string &section) {
  Rewrite(FFileName, [&](IniText &ini) {
    bool erased = false;
    for (Range range = FindSection(ini, section); range.Found(); range = FindSection(ini, section)) {
      ini.Lines.erase(ini.Lines.begin() + static_cast<std::ptrdiff_t>(range.First),
                      ini.Lines.begin() + static_cast<std::ptrdiff_t>(range.End));
      erased = true;
    }
    return erased;
  });
}
