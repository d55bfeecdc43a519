#pragma once
// The program's readers of the encoder's console, written the way the program reads: the probe
// reader (duration, bitrates, frame size) and the progress reader (seconds after "time=").
// The encoder's output is judged by what these readers get out of it.
#include <charconv>
#include <cstdint>
#include <string>
#include <vector>

namespace console {

inline bool ToInt64(const std::string &s, std::int64_t &v) {
  if (s.empty()) return false;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  return ec == std::errc() && end == s.data() + s.size();
}

inline int ParseProgressSeconds(const std::string &text) {
  const auto p = text.find("time=");
  if (p == std::string::npos) return 0;
  const auto q = text.find("bitrate=");
  if (q == std::string::npos || q <= p) return 0;
  const auto digitsStart = p + 5;
  const auto dot = text.find('.', digitsStart);
  if (dot == std::string::npos || dot > q) return 0;
  std::int64_t v = 0;
  if (!ToInt64(text.substr(digitsStart, dot - digitsStart), v)) return 0;
  if (v > 100000) return 0;
  return static_cast<int>(v);
}

inline int TimeTextToSeconds(const std::string &text) {
  std::int64_t h = 0, m = 0, s = 0;
  if (!ToInt64(text.substr(0, 2), h) || text.size() < 5 || !ToInt64(text.substr(3, 2), m) ||
      text.size() < 8 || !ToInt64(text.substr(6, 2), s))
    return 0;
  return static_cast<int>(h * 3600 + m * 60 + s);
}

// Lines that end with CR, each with its CR; text after the last CR is left out.
inline std::vector<std::string> CrLines(const std::string &text) {
  std::vector<std::string> lines;
  std::size_t start = 0, cr;
  while ((cr = text.find('\r', start)) != std::string::npos) {
    lines.push_back(text.substr(start, cr - start + 1));
    start = cr + 1;
  }
  return lines;
}

inline std::string ExtractKbps(const std::string &key, const std::string &text) {
  for (const std::string &line : CrLines(text)) {
    if (line.find(key) == std::string::npos) continue;
    const auto k = line.find(" kb/s");
    if (k == std::string::npos) return {};
    const std::size_t lowest = k >= 10 ? k - 10 : 0;
    for (std::size_t j = k; j-- > lowest;)
      if (line[j] == ' ') return line.substr(j + 1, k - j - 1);
    return line.substr(lowest, k - lowest);
  }
  return {};
}

inline std::string ExtractResolution(const std::string &text) {
  for (const std::string &line : CrLines(text)) {
    const auto v = line.find("Video:");
    if (v == std::string::npos) continue;
    const std::string s = line.substr(v, line.size() - 1 - v);
    const auto x = s.find('x');
    if (x == std::string::npos) return {};
    std::size_t from = x >= 10 ? x - 10 : 0;
    for (std::size_t j = x; j-- > from;)
      if (s[j] == ' ') {
        from = j + 1;
        break;
      }
    std::string height;
    for (std::size_t j = x + 1; j < s.size() && height.size() < 10 && s[j] >= '0' && s[j] <= '9'; ++j)
      height += s[j];
    return s.substr(from, x - from) + "x" + height;
  }
  return {};
}

// The probe reader: fed the pipe's pieces as they arrive.
struct ProbeReader {
  std::string Output;
  std::string Duration, Bitrate, VideoKbps, AudioKbps, FrameSize;

  void Feed(const std::string &piece) {
    Output += piece;
    std::size_t consumed = 0;
    for (std::size_t i = 0; i < Output.size(); ++i) {
      const char c = Output[i];
      if ((c != '\r' && c != '\n') || i < consumed) continue;
      if (const auto d = Output.find("Duration:"); d != std::string::npos)
        Duration = Output.substr(d + 10, 8);
      auto keep = [](std::string &value, const std::string &found) {
        if (!found.empty()) value = found;
      };
      keep(Bitrate, ExtractKbps("bitrate:", Output));
      keep(VideoKbps, ExtractKbps("Video:", Output));
      keep(AudioKbps, ExtractKbps("Audio:", Output));
      keep(FrameSize, ExtractResolution(Output));
      consumed = i + 1;
      if (c == '\r' && i + 1 < Output.size() && Output[i + 1] == '\n') consumed = i + 2;
    }
    Output.erase(0, consumed);
  }
};

// The progress reader: every line end re-reads the unconsumed output from its start.
struct ProgressReader {
  std::string Output;
  std::vector<int> Seconds;  // every non-zero time read, in order

  void Feed(const std::string &piece) {
    Output += piece;
    std::size_t consumed = 0;
    for (std::size_t i = 0; i < Output.size(); ++i) {
      const char c = Output[i];
      if ((c != '\r' && c != '\n') || i < consumed) continue;
      if (const int t = ParseProgressSeconds(Output); t != 0) Seconds.push_back(t);
      consumed = i + 1;
      if (c == '\r' && i + 1 < Output.size() && Output[i + 1] == '\n') consumed = i + 2;
    }
    Output.erase(0, consumed);
  }
};

}  // namespace console
