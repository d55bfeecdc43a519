#include "show_sound.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "office_process.h"
#include "slide_render.h"

namespace fs = std::filesystem;

namespace ppt {
namespace {

constexpr int kDecodeTimeoutMs = 120000;

bool SameIgnoringCase(const std::string &a, const std::string &b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

bool IsFile(const fs::path &path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

void Skip(const std::string &name, const std::string &why) {
  std::fprintf(stderr, "POWERPNT.EXE: the sound \"%s\" is left out: %s\n", name.c_str(), why.c_str());
  std::fflush(stderr);
}

// The last line ffmpeg wrote, which says why it failed.
std::string LastLine(const std::string &path) {
  std::ifstream in(path);
  std::string line, last;
  while (std::getline(in, line))
    if (!line.empty()) last = line;
  return last.empty() ? "it holds no sound ffmpeg can read" : last;
}

// An extension fit for a file name, so that ffmpeg can also guess the format by it.
std::string SafeExtension(const std::string &extension) {
  std::string safe;
  for (char c : extension)
    if (std::isalnum(static_cast<unsigned char>(c))) safe += c;
  return safe.empty() || safe.size() > 8 ? ".bin" : "." + safe;
}

}  // namespace

std::string FindLinkedFile(const std::string &stored, const std::string &presentation) {
  std::string path = stored;
  std::replace(path.begin(), path.end(), '\\', '/');
  const fs::path folder = fs::path(presentation).parent_path();
  const fs::path asStored(path);
  if (path.empty()) return {};
  if (asStored.is_absolute() && IsFile(asStored)) return asStored.string();
  if (asStored.is_relative() && path.find(':') == std::string::npos && IsFile(folder / asStored))
    return (folder / asStored).string();
  const std::string name = path.substr(path.find_last_of('/') + 1);
  if (name.empty()) return {};
  if (IsFile(folder / name)) return (folder / name).string();
  std::error_code ec;
  for (const fs::directory_entry &entry : fs::directory_iterator(folder, ec))
    if (SameIgnoringCase(entry.path().filename().string(), name) && IsFile(entry.path())) return entry.path().string();
  return {};
}

std::vector<std::string> DecodeSounds(const std::vector<TSound> &sounds, const std::string &presentation,
                                      const std::string &folder) {
  std::vector<std::string> decoded(sounds.size());
  const std::string ffmpeg = detail::FindExecutable("ffmpeg");
  for (std::size_t i = 0; i < sounds.size(); ++i) {
    const TSound &sound = sounds[i];
    const std::string name = sound.Name.empty() ? "sound " + std::to_string(i + 1) : sound.Name;
    const std::string base = folder + "/sound" + std::to_string(i + 1);
    std::string input;
    if (sound.LinkPath.empty()) {
      input = base + SafeExtension(sound.Extension);
      std::ofstream out(input, std::ios::binary);
      out.write(sound.Data.data(), std::streamsize(sound.Data.size()));
      if (!out.flush()) {
        Skip(name, "it cannot be written to " + folder);
        continue;
      }
    } else {
      input = FindLinkedFile(sound.LinkPath, presentation);
      if (input.empty()) {
        Skip(name, "the linked file " + sound.LinkPath + " is not beside the presentation");
        continue;
      }
    }
    if (ffmpeg.empty()) {
      Skip(name, "ffmpeg was not found on PATH; install ffmpeg");
      continue;
    }
    const std::string raw = base + ".raw", log = base + ".log";
    int code = -1;
    try {
      code = detail::RunTimeBoxed(ffmpeg,
                                  {"-nostdin", "-v", "error", "-y", "-i", input, "-vn", "-f", "s16le", "-acodec",
                                   "pcm_s16le", "-ac", "2", "-ar", "44100", raw},
                                  log, kDecodeTimeoutMs);
    } catch (const ERenderError &e) {
      Skip(name, e.what());
      continue;
    }
    std::error_code ec;
    if (code != 0 || !IsFile(raw) || fs::file_size(raw, ec) == 0) {
      Skip(name, LastLine(log));
      continue;
    }
    decoded[i] = raw;
    fs::remove(log, ec);
    if (sound.LinkPath.empty()) fs::remove(input, ec);
  }
  return decoded;
}

TShowSoundtrack::TShowSoundtrack(std::vector<TSlideSounds> slides, std::vector<std::string> decoded,
                                 TSoundOutput &output)
    : FSlides(std::move(slides)), FDecoded(std::move(decoded)), FOutput(output) {}

TShowSoundtrack::~TShowSoundtrack() { Ended(); }

template <class Pred>
void TShowSoundtrack::StopWhere(Pred pred) {
  std::erase_if(FPlaying, [&](const TPlaying &p) {
    if (!pred(p)) return false;
    FOutput.Stop(p.Number);
    return true;
  });
}

void TShowSoundtrack::StopAll() {
  StopWhere([](const TPlaying &) { return true; });
}

void TShowSoundtrack::SlideShown(int slide, TClock::time_point now) {
  FWaiting.clear();
  FSlide = slide;
  StopWhere([&](const TPlaying &p) { return !FOutput.Playing(p.Number); });
  // A slide's own sounds end with it, unless they are set to play across slides.
  StopWhere([&](const TPlaying &p) { return !p.Transition && slide >= p.FirstSlide + p.SlideCount; });
  if (slide < 1 || slide > int(FSlides.size())) return;
  const TSlideSounds &sounds = FSlides[std::size_t(slide - 1)];
  if (sounds.StopPrevious) StopAll();
  if (sounds.Transition) Start(*sounds.Transition, true);
  TClock::time_point due = now;
  for (const TSoundCue &cue : sounds.Automatic) {
    due += std::chrono::milliseconds(cue.DelayMs);
    FWaiting.push_back(TWaiting{cue, due});
  }
  Run(now);
}

void TShowSoundtrack::Ended() {
  FWaiting.clear();
  StopAll();
}

TShowSoundtrack::TClock::time_point TShowSoundtrack::Run(TClock::time_point now) {
  while (!FWaiting.empty() && FWaiting.front().Due <= now) {
    TSoundCue cue = FWaiting.front().Cue;
    FWaiting.erase(FWaiting.begin());
    Start(cue, false);
  }
  return FWaiting.empty() ? TClock::time_point::max() : FWaiting.front().Due;
}

void TShowSoundtrack::Start(const TSoundCue &cue, bool transition) {
  if (cue.StopOthers) StopAll();
  // A transition sound set to loop plays until the next sound starts.
  StopWhere([](const TPlaying &p) { return p.UntilNextSound; });
  if (cue.Sound >= FDecoded.size() || FDecoded[cue.Sound].empty()) return;
  if (int number = FOutput.Play(FDecoded[cue.Sound], cue.Loop))
    FPlaying.push_back(TPlaying{number, FSlide, std::max(cue.SlideCount, 1), transition, transition && cue.Loop});
}

}  // namespace ppt
