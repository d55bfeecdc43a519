#include "encoder_report.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace encoder {

namespace {

constexpr const char *ProbeLineEnd = "\r\n";
// The program keeps lengths in whole seconds and rates in kb/s as 32-bit integers: a value beyond
// that is no real one and is refused as unknown.
constexpr double MaxSeconds = std::numeric_limits<std::int32_t>::max();
constexpr double MaxKbps = std::numeric_limits<std::int32_t>::max();

std::string Trim(const std::string &s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

std::optional<double> ToDouble(const std::string &text) {
  const std::string t = Trim(text);
  double v = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<std::int64_t> ToInt(const std::string &text) {
  const std::string t = Trim(text);
  std::int64_t v = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc() || end != t.data() + t.size()) return std::nullopt;
  return v;
}

// ffprobe writes most numbers as JSON strings and a few as JSON numbers.
std::optional<double> Number(const QJsonObject &o, const char *key) {
  const QJsonValue v = o.value(QLatin1String(key));
  if (v.isDouble() && std::isfinite(v.toDouble())) return v.toDouble();
  if (v.isString()) return ToDouble(v.toString().toStdString());
  return std::nullopt;
}

// A count or size that fits an int; one that does not is refused, not converted.
std::optional<int> IntNumber(const QJsonObject &o, const char *key) {
  const auto v = Number(o, key);
  if (!v || *v < std::numeric_limits<int>::min() || *v > std::numeric_limits<int>::max()) return std::nullopt;
  return static_cast<int>(*v);
}

std::string Text(const QJsonObject &o, const char *key) {
  return o.value(QLatin1String(key)).toString().toStdString();
}

std::string Fixed(double v, int decimals) {
  char buf[64];
  const auto [end, ec] =
      std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  return ec == std::errc() ? std::string(buf, end) : std::string("0");
}

// A frame rate "30000/1001" as "29.97", "25/1" as "25".
std::string RateText(const std::string &ratio) {
  const auto slash = ratio.find('/');
  if (slash == std::string::npos) return {};
  const auto num = ToDouble(ratio.substr(0, slash));
  const auto den = ToDouble(ratio.substr(slash + 1));
  if (!num || !den || *num <= 0 || *den <= 0) return {};
  std::string t = Fixed(*num / *den, 2);
  // Fixed gives a bare "0" for a rate too long to print.
  if (t.find('.') == std::string::npos) return {};
  while (t.back() == '0') t.pop_back();
  if (t.back() == '.') t.pop_back();
  return t;
}

// The program finds the frame size at the first "x" of the video line, so nothing before the
// size may hold a lower-case "x" ("dnxhd", "x2rgb10le").
std::string WithoutLowerX(std::string s) {
  for (char &c : s)
    if (c == 'x') c = 'X';
  return s;
}

std::string ChannelsText(const QJsonObject &s) {
  const std::string layout = Text(s, "channel_layout");
  if (!layout.empty()) return layout;
  const auto channels = IntNumber(s, "channels");
  if (!channels) return {};
  if (*channels == 1) return "mono";
  if (*channels == 2) return "stereo";
  return std::to_string(*channels) + " channels";
}

// kb/s as printed: rounded, and never 0 for a stream that carries data; nothing for a rate beyond
// any real one.
std::optional<std::int64_t> Kbps(double bitsPerSecond) {
  if (!(bitsPerSecond >= 0 && bitsPerSecond / 1000.0 <= MaxKbps)) return std::nullopt;
  const auto k = static_cast<std::int64_t>(std::llround(bitsPerSecond / 1000.0));
  return k < 1 ? 1 : k;
}

bool IsListedStream(const QJsonObject &s) {
  const std::string type = Text(s, "codec_type");
  if (type == "audio") return true;
  // A cover picture is not the file's video.
  return type == "video" &&
         s.value(QLatin1String("disposition")).toObject().value(QLatin1String("attached_pic")).toInt() == 0;
}

// A stream's own bitrate, from the container, the stream's tags or, for PCM, its sample layout.
std::optional<double> StreamBitrate(const QJsonObject &s) {
  if (auto b = Number(s, "bit_rate"); b && *b > 0) return b;
  const QJsonObject tags = s.value(QLatin1String("tags")).toObject();
  for (const char *key : {"BPS", "BPS-eng"}) {
    if (auto b = Number(tags, key); b && *b > 0) return b;
  }
  if (Text(s, "codec_name").rfind("pcm_", 0) == 0) {
    const auto bits = Number(s, "bits_per_sample");
    const auto rate = Number(s, "sample_rate");
    const auto channels = Number(s, "channels");
    if (bits && rate && channels && *bits > 0 && *rate > 0 && *channels > 0)
      return *bits * *rate * *channels;
  }
  return std::nullopt;
}

}  // namespace

std::string DurationText(double seconds) {
  if (!(seconds > 0 && seconds <= MaxSeconds)) seconds = 0;
  const auto hundredths = static_cast<std::int64_t>(std::llround(seconds * 100.0));
  const std::int64_t total = hundredths / 100;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld.%02lld",
                static_cast<long long>(total / 3600), static_cast<long long>(total / 60 % 60),
                static_cast<long long>(total % 60), static_cast<long long>(hundredths % 100));
  return buf;
}

std::optional<std::string> ProbeReport(const std::string &ffprobeJson) {
  QJsonParseError error{};
  const QJsonDocument doc =
      QJsonDocument::fromJson(QByteArray::fromStdString(ffprobeJson), &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
  const QJsonObject format = doc.object().value(QLatin1String("format")).toObject();
  const QJsonArray streamArray = doc.object().value(QLatin1String("streams")).toArray();
  if (format.isEmpty()) return std::nullopt;

  std::vector<QJsonObject> streams;
  for (const QJsonValue &v : streamArray)
    if (IsListedStream(v.toObject())) streams.push_back(v.toObject());

  // 0 stands for unknown.
  double duration = Number(format, "duration").value_or(0.0);
  if (!(duration > 0)) {
    duration = 0;
    for (const QJsonObject &s : streams) duration = std::max(duration, Number(s, "duration").value_or(0.0));
  }
  if (duration > MaxSeconds) duration = 0;

  // Bitrates: each stream's own where known; the rest of the total goes to the first stream that
  // has none, the video before the audio.
  std::vector<std::optional<double>> rates;
  double known = 0;
  for (const QJsonObject &s : streams) {
    rates.push_back(StreamBitrate(s));
    if (rates.back()) known += *rates.back();
  }
  double total = Number(format, "bit_rate").value_or(0.0);
  if (!(total > 0)) {
    const double size = Number(format, "size").value_or(0.0);
    total = size > 0 && duration > 0 ? size * 8.0 / duration : known;
  }
  if (total > known) {
    for (const char *type : {"video", "audio"}) {
      bool given = false;
      for (std::size_t i = 0; i < streams.size() && !given; ++i)
        if (!rates[i] && Text(streams[i], "codec_type") == type) {
          rates[i] = total - known;
          given = true;
        }
      if (given) break;
    }
  }

  std::string out = "Input #0, " + Text(format, "format_name") + ":" + ProbeLineEnd;
  const auto totalKbps = total > 0 ? Kbps(total) : std::nullopt;
  const std::string bitrate = totalKbps ? std::to_string(*totalKbps) + " kb/s" : "N/A";
  const std::string start = Fixed(Number(format, "start_time").value_or(0.0), 6);
  // Without a duration the program is better off with no "Duration:" key than with a wrong one.
  if (duration > 0)
    out += "  Duration: " + DurationText(duration) + ", start: " + start + ", bitrate: " + bitrate;
  else
    out += "  Duration unknown, start: " + start + ", bitrate: " + bitrate;
  out += ProbeLineEnd;

  for (std::size_t i = 0; i < streams.size(); ++i) {
    const QJsonObject &s = streams[i];
    const int index = IntNumber(s, "index").value_or(static_cast<int>(i));
    std::string line = "    Stream #0:" + std::to_string(index) + ": ";
    std::string codec = Text(s, "codec_name");
    if (codec.empty()) codec = "unknown";
    const auto streamKbps = rates[i] ? Kbps(*rates[i]) : std::nullopt;
    const std::string kbps = streamKbps ? ", " + std::to_string(*streamKbps) + " kb/s" : "";
    if (Text(s, "codec_type") == "video") {
      line += "Video: " + WithoutLowerX(codec);
      if (const std::string pix = Text(s, "pix_fmt"); !pix.empty()) line += ", " + WithoutLowerX(pix);
      const auto w = IntNumber(s, "width");
      const auto h = IntNumber(s, "height");
      if (w && h && *w > 0 && *h > 0) line += ", " + std::to_string(*w) + "x" + std::to_string(*h);
      line += kbps;
      if (const std::string fps = RateText(Text(s, "avg_frame_rate")); !fps.empty())
        line += ", " + fps + " fps";
    } else {
      line += "Audio: " + codec;
      if (const auto rate = IntNumber(s, "sample_rate"); rate && *rate > 0)
        line += ", " + std::to_string(*rate) + " Hz";
      if (const std::string ch = ChannelsText(s); !ch.empty()) line += ", " + ch;
      if (const std::string fmt = Text(s, "sample_fmt"); !fmt.empty()) line += ", " + fmt;
      line += kbps;
    }
    out += line + ProbeLineEnd;
  }
  return out;
}

std::string ProgressLine(std::int64_t frame, const std::string &fps, const std::string &q,
                         std::int64_t sizeBytes, std::int64_t outMicroseconds,
                         const std::string &bitrate) {
  if (outMicroseconds < 0) outMicroseconds = 0;
  const std::int64_t hundredths = outMicroseconds / 10000;
  char buf[256];
  std::snprintf(buf, sizeof buf, "frame=%5lld fps=%s %ssize=%8lldkB time=%lld.%02lld bitrate=%s\r",
                static_cast<long long>(frame), fps.empty() ? "0" : fps.c_str(),
                q.empty() ? "" : ("q=" + q + " ").c_str(), static_cast<long long>(sizeBytes / 1024),
                static_cast<long long>(hundredths / 100), static_cast<long long>(hundredths % 100),
                bitrate.empty() ? "N/A" : bitrate.c_str());
  return buf;
}

std::string ProgressFormatter::Feed(const std::string &line) {
  const auto eq = line.find('=');
  if (eq == std::string::npos) return {};
  const std::string key = Trim(line.substr(0, eq));
  const std::string value = line.substr(eq + 1);
  if (key != "progress") {
    FBlock[key] = value;
    return {};
  }
  if (auto us = ToInt(FBlock["out_time_us"]); us && *us >= 0) FLastMicroseconds = *us;
  const std::int64_t frame = ToInt(FBlock["frame"]).value_or(0);
  const std::int64_t size = ToInt(FBlock["total_size"]).value_or(0);
  std::string q;
  for (const auto &[k, v] : FBlock)
    if (k.rfind("stream_", 0) == 0 && k.size() > 2 && k.compare(k.size() - 2, 2, "_q") == 0) {
      q = Trim(v);
      break;
    }
  const std::string result = ProgressLine(frame, Trim(FBlock["fps"]), q, size > 0 ? size : 0,
                                          FLastMicroseconds, FBlock["bitrate"]);
  if (Trim(value) == "end") FEnded = true;
  FBlock.clear();
  return result;
}

}  // namespace encoder
