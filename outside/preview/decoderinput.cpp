#include "decoderinput.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace decoderinput {

namespace {

constexpr const char *kPrefix = "vts://";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

bool ParseNumber(const std::string &text, long long &value) {
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

// The entry of `folder` whose name is `name` in any letter case; empty when there is none.
std::string FindEntry(const std::string &folder, const std::string &name) {
  std::error_code ec;
  std::filesystem::directory_iterator it(folder.empty() ? "/" : folder, ec), end;
  std::string wanted = Lower(name);
  std::vector<std::string> found;
  for (; !ec && it != end; it.increment(ec))
    if (Lower(it->path().filename().string()) == wanted) found.push_back(it->path().string());
  if (found.empty()) return {};
  // Of names that differ only in case, the same one every time.
  std::sort(found.begin(), found.end());
  return found.front();
}

}  // namespace

bool IsVtsInput(const std::string &input) { return input.rfind(kPrefix, 0) == 0; }

std::optional<TVtsInput> ParseVtsInput(const std::string &input) {
  if (!IsVtsInput(input)) return std::nullopt;
  std::string rest = input.substr(std::char_traits<char>::length(kPrefix));
  std::vector<std::string> fields;
  for (int i = 0; i < 5; ++i) {
    std::size_t star = rest.find('*');
    if (star == std::string::npos) return std::nullopt;
    fields.push_back(rest.substr(0, star));
    rest.erase(0, star + 1);
  }
  if (rest.empty() || rest[0] != '/') return std::nullopt;
  long long titleSet = 0;
  TVtsInput result;
  if (!ParseNumber(fields[0], titleSet) || titleSet < 1 || titleSet > 99) return std::nullopt;
  if (!ParseNumber(fields[1], result.StartSector) || !ParseNumber(fields[2], result.EndSector)) return std::nullopt;
  if (result.StartSector < 0 || result.EndSector < result.StartSector) return std::nullopt;
  result.TitleSet = static_cast<int>(titleSet);
  result.AudioStream = fields[3];
  result.SubtitleStream = fields[4];
  result.Root = rest.substr(1);
  return result;
}

std::vector<std::string> TitleSetVobFiles(const TVtsInput &input) {
  std::string videoTs = FindEntry(input.Root, "video_ts");
  if (videoTs.empty()) videoTs = input.Root.empty() ? "/" : input.Root;
  std::vector<std::string> files;
  char name[32];
  for (int part = 1; part <= 9; ++part) {
    std::snprintf(name, sizeof name, "vts_%02d_%d.vob", input.TitleSet, part);
    std::string file = FindEntry(videoTs, name);
    if (file.empty()) break;
    files.push_back(file);
  }
  return files;
}

std::vector<std::string> FfmpegInputArguments(const std::string &input) {
  if (!IsVtsInput(input)) return {"-i", input};
  std::optional<TVtsInput> title = ParseVtsInput(input);
  if (!title) throw std::runtime_error("not a DVD title: " + input);
  std::vector<std::string> files = TitleSetVobFiles(*title);
  if (files.empty()) throw std::runtime_error("the DVD title's VOB files are missing under " + title->Root);
  std::string concat = "concat:";
  for (std::size_t i = 0; i < files.size(); ++i) {
    // The concat protocol separates its files with "|".
    if (files[i].find('|') != std::string::npos) throw std::runtime_error("unreadable DVD folder name: " + files[i]);
    concat += (i ? "|" : "") + files[i];
  }
  const long long start = title->StartSector * SectorSize;
  const long long end = (title->EndSector + 1) * SectorSize;
  return {"-protocol_whitelist", "file,concat,subfile", "-f", "mpeg", "-i",
          "subfile,,start," + std::to_string(start) + ",end," + std::to_string(end) + ",,:" + concat};
}

}  // namespace decoderinput
