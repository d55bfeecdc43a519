#pragma once
// The sound recorder. It offers recording lines by name, one of them the recording source, each with
// its own volume; all of this stays inside the recorder and never touches the desktop's sound
// settings. While it records, it hands out blocks of 16-bit samples in real time and announces each
// one through OnEndArrayRecord on the thread that made the recorder (the GUI thread).
//
// The first line, "Stereo Mix", is what the speakers play: the sound server's monitor when one runs,
// silence otherwise. Any line without a sound server records silence, at the same real-time pace.
// A recording keeps to the clock from its start: where the server sends nothing (an idle one
// begins a second or more late) or drops out, silence fills the time, so that what it records lies
// where it was heard.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "soundblock.h"

namespace media {

class TARecord2 {
public:
  static constexpr int kMaxVolume = 0xFFFF;

  TARecord2();
  ~TARecord2();  // stops recording without announcing anything more
  TARecord2(const TARecord2 &) = delete;
  TARecord2 &operator=(const TARecord2 &) = delete;

  // Line operations act on the line last selected (line 0 at first).
  short LineCount() const;
  void SelectLine(int index);  // 0-based
  int IsCurrentSource() const;  // non-zero for the recording source
  std::string LineName() const;
  int GetVolume() const;  // 0 .. kMaxVolume
  void SetVolume(int volume);  // scales what the line records; kMaxVolume keeps it as it is
  void MakeSource(int on);     // non-zero: the selected line becomes the recording source

  // 16-bit samples; channels 1 or 2.
  void SetRecordingFormat(int sampleRate, int channels);
  // Units (one sample of every channel) in `milliseconds` of sound.
  int BlockSizeForDuration(int milliseconds) const;
  void SetBlockSize(int units);
  void Start();
  // Announces the part of a block recorded since the last one, then stops.
  void Stop();
  bool Recording() const;
  // The block just recorded (during OnEndArrayRecord).
  TSoundBlock RecordedBlock() const;

  std::function<void()> OnEndArrayRecord;

  // The lines new recorders start with (tests put their own in place): names and the index of the
  // recording source. Such lines record silence.
  static void SetSystemLines(const std::vector<std::string> &names, int currentSource);
  static void ResetSystemLines();

private:
  struct State;
  void Tick();
  void Deliver(TSoundBlock block);
  void Halt(bool announceRest);
  std::unique_ptr<State> F;
};

}  // namespace media
