#include "encoder_options.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

namespace encoder {

namespace {

// Options that stand alone; every other option takes the next argument as its value.
constexpr std::array<std::string_view, 18> FlagOptions = {
    "-y",       "-n",       "-an",        "-vn",       "-sn",           "-dn",
    "-shortest", "-sameq",  "-intra",     "-copyts",   "-start_at_zero", "-re",
    "-benchmark", "-hide_banner", "-nostdin", "-stats", "-nostats",     "-accurate_seek"};

// Old names and the names ffmpeg takes today. "-b" meant the video bitrate; a bare "-b" today
// would also set the audio bitrate.
constexpr std::array<std::pair<std::string_view, std::string_view>, 6> RenamedOptions = {{
    {"-b", "-b:v"},
    {"-ab", "-b:a"},
    {"-vcodec", "-c:v"},
    {"-acodec", "-c:a"},
    {"-scodec", "-c:s"},
    {"-vb", "-b:v"},
}};

// Encoders that were dropped from ffmpeg and whose work its own encoder does today.
constexpr std::array<std::pair<std::string_view, std::string_view>, 2> RenamedCodecs = {{
    {"libfaac", "aac"},
    {"libvo_aacenc", "aac"},
}};

// Flags that today's ffmpeg refuses and whose effect is its default anyway.
constexpr std::array<std::string_view, 1> DroppedFlags = {"-sameq"};

bool IsFlag(const std::string &name) {
  return std::find(FlagOptions.begin(), FlagOptions.end(), name) != FlagOptions.end();
}

bool IsDropped(const std::string &name) {
  return std::find(DroppedFlags.begin(), DroppedFlags.end(), name) != DroppedFlags.end();
}

bool IsOption(const std::string &arg) { return arg.size() > 1 && arg[0] == '-'; }

bool IsCodecOption(const std::string &translatedName) {
  return translatedName == "-c:v" || translatedName == "-c:a" || translatedName == "-c:s" ||
         translatedName == "-c" || translatedName == "-codec";
}

// The aspect may come with a comma as decimal separator from a desktop whose locale uses one.
std::string TranslateValue(const std::string &translatedName, const std::string &value) {
  if (IsCodecOption(translatedName)) return TranslateCodecName(value);
  if (translatedName == "-aspect") {
    std::string v = value;
    std::replace(v.begin(), v.end(), ',', '.');
    return v;
  }
  return value;
}

}  // namespace

std::string TranslateOptionName(const std::string &name) {
  for (const auto &[oldName, newName] : RenamedOptions)
    if (name == oldName) return std::string(newName);
  return name;
}

std::string TranslateCodecName(const std::string &codec) {
  for (const auto &[oldName, newName] : RenamedCodecs)
    if (codec == oldName) return std::string(newName);
  return codec;
}

Request ParseCommandLine(const std::vector<std::string> &args) {
  Request r;
  bool inputSeen = false;
  std::vector<std::string> outputs;
  auto fail = [&r](std::string message) {
    r.Kind = RequestKind::Invalid;
    r.Error = std::move(message);
    return r;
  };

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string &arg = args[i];
    if (!IsOption(arg)) {
      if (!inputSeen) return fail("unexpected argument before -i: \"" + arg + "\"");
      outputs.push_back(arg);
      continue;
    }
    if (arg == "-y") {
      r.Overwrite = true;
      continue;
    }
    if (arg == "-i") {
      if (i + 1 >= args.size()) return fail("-i needs an input file");
      if (inputSeen) return fail("only one input file (-i) is supported");
      r.Input = args[++i];
      inputSeen = true;
      continue;
    }
    std::vector<std::string> &target = inputSeen ? r.OutputOptions : r.InputOptions;
    if (IsDropped(arg)) continue;
    if (IsFlag(arg)) {
      target.push_back(arg);
      continue;
    }
    if (i + 1 >= args.size()) return fail("option " + arg + " needs a value");
    const std::string name = TranslateOptionName(arg);
    target.push_back(name);
    target.push_back(TranslateValue(name, args[++i]));
  }

  if (!inputSeen || r.Input.empty()) return fail("no input file given (-i FILE)");
  if (outputs.size() > 1) return fail("only one output file is supported");
  if (IsDvdInput(r.Input)) {
    if (outputs.empty()) return fail("a DVD title (vts://) can be converted but not probed");
    std::string error;
    if (!ParseDvdInput(r.Input, r.Dvd, error)) return fail(error);
    r.IsDvdTitle = true;
  }
  if (outputs.empty()) {
    r.Kind = RequestKind::Probe;
  } else {
    r.Kind = RequestKind::Convert;
    r.Output = outputs.front();
  }
  return r;
}

std::string FileUrl(const std::string &path) { return "file:" + path; }

std::vector<std::string> FfmpegArguments(const Request &request) {
  // Progress goes to stdout as key=value blocks; only real errors go to stderr.
  std::vector<std::string> a = {"-hide_banner", "-nostdin",      "-loglevel", "error",
                                "-nostats",     "-progress",     "pipe:1",    "-stats_period",
                                "0.25",         request.Overwrite ? "-y" : "-n"};
  a.insert(a.end(), request.InputOptions.begin(), request.InputOptions.end());
  if (request.IsDvdTitle) {
    const std::vector<std::string> in = DvdInputOptions(), streams = DvdStreamOptions(request.Dvd);
    a.insert(a.end(), in.begin(), in.end());
    a.insert(a.end(), {"-i", "pipe:0"});
    a.insert(a.end(), streams.begin(), streams.end());
  } else {
    a.push_back("-i");
    a.push_back(FileUrl(request.Input));
  }
  a.insert(a.end(), request.OutputOptions.begin(), request.OutputOptions.end());
  a.push_back(FileUrl(request.Output));
  return a;
}

std::vector<std::string> FfprobeArguments(const std::string &input) {
  return {"-hide_banner", "-loglevel",    "error",     "-print_format", "json",
          "-show_format", "-show_streams", "-i",       FileUrl(input)};
}

}  // namespace encoder
