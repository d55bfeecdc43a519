#pragma once
// The sounds of a running show: decoded before the show starts, then started and stopped as its
// slides appear.
#include <chrono>
#include <string>
#include <vector>

#include "pptsounds.h"

namespace ppt {

// Where the show's sounds are heard.
class TSoundOutput {
public:
  virtual ~TSoundOutput() = default;
  // Plays raw 16-bit stereo samples at 44100 Hz; returns the sound's number, 0 when it cannot.
  virtual int Play(const std::string &rawPath, bool loop) = 0;
  virtual void Stop(int sound) = 0;
  virtual bool Playing(int sound) const = 0;
};

// The file a linked sound names, looked for as stored and then beside the presentation (by its
// name, in any case, since it was linked on another system); empty when it is not there.
std::string FindLinkedFile(const std::string &stored, const std::string &presentation);

// Decodes each sound with ffmpeg into a raw file in `folder`. One path per sound; a sound that
// cannot be decoded gets an empty one and a line on standard error.
std::vector<std::string> DecodeSounds(const std::vector<TSound> &sounds, const std::string &presentation,
                                      const std::string &folder);

class TShowSoundtrack {
public:
  using TClock = std::chrono::steady_clock;

  // `decoded`: a raw file per sound of the show, empty for one that cannot play.
  TShowSoundtrack(std::vector<TSlideSounds> slides, std::vector<std::string> decoded, TSoundOutput &output);
  ~TShowSoundtrack();

  // Slide `slide` (1-based) appears: its transition sound starts, sounds of the slides before end
  // unless they play across slides, and the slide's own sounds wait for their time.
  void SlideShown(int slide, TClock::time_point now);
  // The show has ended: every sound stops.
  void Ended();
  // Starts the sounds whose time has come; returns when the next one is due (max() when none waits).
  TClock::time_point Run(TClock::time_point now);

private:
  struct TPlaying {
    int Number = 0;
    int FirstSlide = 0;
    int SlideCount = 1;
    bool Transition = false;
    bool UntilNextSound = false;
  };
  struct TWaiting {
    TSoundCue Cue;
    TClock::time_point Due;
  };
  void Start(const TSoundCue &cue, bool transition);
  void StopAll();
  template <class Pred>
  void StopWhere(Pred pred);

  std::vector<TSlideSounds> FSlides;
  std::vector<std::string> FDecoded;
  TSoundOutput &FOutput;
  int FSlide = 0;
  std::vector<TPlaying> FPlaying;
  std::vector<TWaiting> FWaiting;
};

}  // namespace ppt
