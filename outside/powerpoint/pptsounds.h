#pragma once
// Reader of the sounds a slide show plays: each slide's transition sound, and the sounds placed on a
// slide (embedded, linked beside the file, or recorded narration) that start by themselves.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compoundfile.h"

namespace ppt {

struct TSound {
  std::string Name;       // as the presentation names it
  std::string Extension;  // ".wav" and the like, when stored
  std::string Data;       // the embedded file; empty for a linked one
  std::string LinkPath;   // a linked file's path as stored on the machine that saved it
};

// One start of a sound in the show.
struct TSoundCue {
  std::size_t Sound = 0;     // index into TShowSounds::Sounds
  bool Loop = false;         // a transition sound loops until the next sound starts; others until stopped
  bool StopOthers = false;   // every sound still playing stops as this one starts
  std::int32_t DelayMs = 0;  // after the cue before it on the slide (the slide's appearance for the first)
  int SlideCount = 1;        // slides it goes on playing across, its own included
};

struct TSlideSounds {
  std::optional<TSoundCue> Transition;
  bool StopPrevious = false;          // the transition silences every sound still playing
  std::vector<TSoundCue> Automatic;  // in the order the show starts them
};

struct TShowSounds {
  std::vector<TSound> Sounds;         // each one the show may play, once
  std::vector<TSlideSounds> Slides;  // one per slide, in show order
};

// Throws EFormatError when a record the sounds need is damaged.
TShowSounds ReadShowSounds(std::string_view document, std::uint32_t currentEdit);
TShowSounds ReadPresentationSounds(const TCompoundFile &file);

}  // namespace ppt
