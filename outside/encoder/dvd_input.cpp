#include "dvd_input.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace encoder {

namespace {

bool ToInt64(const std::string &text, std::int64_t &value, int base = 10) {
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return ec == std::errc() && end == text.data() + text.size();
}

std::string Lower(std::string s) {
  for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The entry of folder whose name equals name ignoring case, as it is spelt there; empty when none.
std::string FindEntry(const std::string &folder, const std::string &name) {
  DIR *dir = ::opendir(folder.c_str());
  if (!dir) return {};
  std::string found;
  const std::string wanted = Lower(name);
  while (const dirent *e = ::readdir(dir)) {
    if (Lower(e->d_name) == wanted) {
      found = e->d_name;
      if (found == name) break;  // the exact spelling wins over another case
    }
  }
  ::closedir(dir);
  return found;
}

std::string Join(const std::string &folder, const std::string &name) {
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string StreamSpecifier(int id) {
  char text[16];
  std::snprintf(text, sizeof text, "0:i:0x%x", id);
  return text;
}

}  // namespace

bool IsDvdInput(const std::string &text) { return text.rfind("vts://", 0) == 0; }

bool ParseDvdInput(const std::string &text, DvdInput &input, std::string &error) {
  error = "\"" + text + "\" is not a DVD title (vts://N*start*end*audio*sub*/root)";
  if (!IsDvdInput(text)) return false;
  std::vector<std::string> fields;
  std::size_t at = 6;
  for (int i = 0; i < 5; ++i) {
    const std::size_t star = text.find('*', at);
    if (star == std::string::npos) return false;
    fields.push_back(text.substr(at, star - at));
    at = star + 1;
  }
  if (at >= text.size() || text[at] != '/') return false;
  std::int64_t set = 0;
  DvdInput r;
  if (!ToInt64(fields[0], set) || set < 1 || set > 99) return false;
  if (!ToInt64(fields[1], r.StartSector) || !ToInt64(fields[2], r.EndSector)) return false;
  if (r.StartSector < 0 || r.EndSector < r.StartSector) {
    error = "the DVD title's sectors " + fields[1] + " to " + fields[2] + " are not a range";
    return false;
  }
  r.TitleSet = static_cast<int>(set);
  r.AudioCode = fields[3];
  r.SubtitleCode = fields[4];
  if (DvdStreamId(r.AudioCode) < 0 || DvdStreamId(r.SubtitleCode) < 0) {
    error = "the DVD title's stream codes \"" + r.AudioCode + "\" and \"" + r.SubtitleCode +
            "\" are not written 0x80 style (or 0 for none)";
    return false;
  }
  r.Root = text.substr(at + 1);
  if (r.Root.empty()) r.Root = "/";
  input = r;
  error.clear();
  return true;
}

int DvdStreamId(const std::string &code) {
  if (code == "0") return 0;
  if (code.size() < 3 || code[0] != '0' || (code[1] != 'x' && code[1] != 'X')) return -1;
  std::int64_t v = 0;
  if (!ToInt64(code.substr(2), v, 16) || v <= 0 || v > 0xff) return -1;
  if (v >= 0xc0 && v <= 0xc7) return static_cast<int>(0x100 + v);
  return static_cast<int>(v);
}

std::vector<std::string> TitleVobFiles(const std::string &root, int titleSet) {
  std::string folder = root;
  if (const std::string videoTs = FindEntry(root, "VIDEO_TS"); !videoTs.empty()) folder = Join(root, videoTs);
  std::vector<std::string> files;
  for (int part = 1; part <= 9; ++part) {
    char name[32];
    std::snprintf(name, sizeof name, "VTS_%02d_%d.VOB", titleSet, part);
    const std::string found = FindEntry(folder, name);
    if (found.empty()) break;
    files.push_back(Join(folder, found));
  }
  return files;
}

bool SectorPieces(const std::vector<std::string> &files, const std::vector<std::int64_t> &sizes,
                  std::int64_t start, std::int64_t end, std::vector<VobPiece> &pieces, std::string &error) {
  pieces.clear();
  std::int64_t total = 0;
  for (std::int64_t size : sizes) total += size;
  const std::int64_t from = start * DvdSectorSize;
  const std::int64_t to = std::min((end + 1) * DvdSectorSize, total);
  if (start < 0 || end < start || from >= total) {
    error = "sectors " + std::to_string(start) + " to " + std::to_string(end) +
            " lie outside the title set's VOB files (" + std::to_string(total / DvdSectorSize) + " sectors)";
    return false;
  }
  std::int64_t base = 0;
  for (std::size_t i = 0; i < files.size() && i < sizes.size(); ++i) {
    const std::int64_t a = std::max(from, base), b = std::min(to, base + sizes[i]);
    if (a < b) pieces.push_back({files[i], a - base, b - a});
    base += sizes[i];
  }
  return true;
}

bool CopyPieces(const std::vector<VobPiece> &pieces, int fd) {
  std::vector<char> buffer(64 * DvdSectorSize);
  for (const VobPiece &piece : pieces) {
    const int in = ::open(piece.File.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    std::int64_t offset = piece.Offset, left = piece.Length;
    while (left > 0) {
      const ssize_t n = ::pread(in, buffer.data(), static_cast<std::size_t>(std::min<std::int64_t>(left, buffer.size())), offset);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ::close(in);
        return false;
      }
      for (ssize_t done = 0; done < n;) {
        const ssize_t w = ::write(fd, buffer.data() + done, static_cast<std::size_t>(n - done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
          ::close(in);
          return false;
        }
        done += w;
      }
      offset += n;
      left -= n;
    }
    ::close(in);
  }
  return true;
}

std::vector<std::string> DvdInputOptions() {
  // Streams of a title may begin well into it (subpictures above all): look further than usual.
  return {"-f", "mpeg", "-probesize", "100M", "-analyzeduration", "30M"};
}

std::vector<std::string> DvdStreamOptions(const DvdInput &input) {
  std::vector<std::string> a;
  const int subtitle = DvdStreamId(input.SubtitleCode);
  if (subtitle > 0) {
    a.insert(a.end(), {"-filter_complex", "[0:v:0][" + StreamSpecifier(subtitle) + "]overlay[vts]", "-map", "[vts]"});
  } else {
    a.insert(a.end(), {"-map", "0:v:0"});
  }
  const int audio = DvdStreamId(input.AudioCode);
  if (audio > 0) a.insert(a.end(), {"-map", StreamSpecifier(audio)});
  return a;
}

}  // namespace encoder
