#pragma once
// A client of the desktop's sound server (PulseAudio, or PipeWire's PulseAudio service). It plays
// raw 16-bit stereo sound at 44100 Hz and records a source with the time each piece was heard. It
// never starts a server: where none runs, Connect says so and the caller goes without sound.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace sound {

constexpr int kRate = 44100;
constexpr int kChannels = 2;

using TClock = std::chrono::steady_clock;

class TServer {
public:
  // The server the environment names (PULSE_SERVER) or the desktop's; nullptr, with the reason in
  // `why`, when none answers.
  static std::unique_ptr<TServer> Connect(const std::string &clientName, std::string *why = nullptr);
  ~TServer();
  TServer(const TServer &) = delete;
  TServer &operator=(const TServer &) = delete;

  // False once the server has gone away; streams then play and record nothing.
  bool Connected() const;

  // Plays a file of raw samples (16-bit little-endian stereo at 44100 Hz) from its start, over and
  // over when `loop`. Returns the sound's number, 0 when it cannot play.
  int Play(const std::string &rawPath, bool loop);
  // Silences a sound at once; an ended or unknown number is ignored.
  void Stop(int sound);
  bool Playing(int sound) const;

  // Records `source` (a source name, or "@DEFAULT_MONITOR@" / "@DEFAULT_SOURCE@") as 16-bit
  // samples. `onData` runs on the server's own thread with each piece and the time its first
  // sample was heard. Returns the recording's number, 0 when it cannot record.
  using TOnData = std::function<void(TClock::time_point heard, const std::int16_t *samples, std::size_t count)>;
  int Record(const std::string &source, int rate, int channels, TOnData onData);
  void StopRecording(int recording);

private:
  struct State;
  explicit TServer(std::unique_ptr<State> state);
  std::unique_ptr<State> F;
};

}  // namespace sound
