#include "soundserver.h"

#include <fcntl.h>
#include <pulse/pulseaudio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <thread>
#include <vector>

namespace sound {
namespace {

// A connection that does not come up in this time is taken for no server at all.
constexpr auto kConnectTimeout = std::chrono::seconds(5);
// Small buffers, so that a sound is heard at once and a stop silences it at once.
constexpr pa_usec_t kPlaybackLatencyUs = 30000;
constexpr pa_usec_t kRecordFragmentUs = 20000;

// Holds the server thread's lock for one scope.
class TLock {
public:
  explicit TLock(pa_threaded_mainloop *loop) : FLoop(loop) { pa_threaded_mainloop_lock(FLoop); }
  ~TLock() { pa_threaded_mainloop_unlock(FLoop); }
  TLock(const TLock &) = delete;
  TLock &operator=(const TLock &) = delete;

private:
  pa_threaded_mainloop *FLoop;
};

struct TSound {
  pa_stream *Stream = nullptr;
  int File = -1;
  std::uint64_t Size = 0;  // bytes, whole frames
  std::uint64_t Position = 0;
  bool Loop = false;
  bool Draining = false;
  bool Ended = false;
};

struct TRecording {
  pa_stream *Stream = nullptr;
  TServer::TOnData OnData;
  std::size_t FrameBytes = 4;
  std::vector<std::int16_t> Hole;  // zeros standing in for data the server lost
};

void Release(pa_stream *&stream) {
  if (!stream) return;
  pa_stream_set_write_callback(stream, nullptr, nullptr);
  pa_stream_set_read_callback(stream, nullptr, nullptr);
  pa_stream_set_state_callback(stream, nullptr, nullptr);
  pa_stream_disconnect(stream);
  pa_stream_unref(stream);
  stream = nullptr;
}

}  // namespace

struct TServer::State {
  pa_threaded_mainloop *Loop = nullptr;
  pa_context *Context = nullptr;
  int NextNumber = 1;
  std::map<int, std::unique_ptr<TSound>> Sounds;
  std::map<int, std::unique_ptr<TRecording>> Recordings;

  ~State() {
    if (Loop) pa_threaded_mainloop_stop(Loop);
    for (auto &[number, s] : Sounds) {
      Release(s->Stream);
      if (s->File >= 0) ::close(s->File);
    }
    for (auto &[number, r] : Recordings) Release(r->Stream);
    if (Context) {
      pa_context_set_state_callback(Context, nullptr, nullptr);
      pa_context_disconnect(Context);
      pa_context_unref(Context);
    }
    if (Loop) pa_threaded_mainloop_free(Loop);
  }

  // Sounds that have played to their end give their stream back.
  void Sweep() {
    for (auto it = Sounds.begin(); it != Sounds.end();) {
      if (!it->second->Ended) {
        ++it;
        continue;
      }
      Release(it->second->Stream);
      if (it->second->File >= 0) ::close(it->second->File);
      it = Sounds.erase(it);
    }
  }

  static void Feed(pa_stream *stream, std::size_t wanted, void *userdata) {
    auto *s = static_cast<TSound *>(userdata);
    if (s->Draining || s->Ended) return;
    std::vector<char> buffer(wanted);
    std::size_t filled = 0;
    while (filled < wanted && s->Size > 0) {
      if (s->Position >= s->Size) {
        if (!s->Loop) break;
        s->Position = 0;
      }
      std::size_t chunk = std::size_t(std::min<std::uint64_t>(wanted - filled, s->Size - s->Position));
      ssize_t n = ::pread(s->File, buffer.data() + filled, chunk, off_t(s->Position));
      if (n <= 0) {
        s->Size = s->Position;  // the file shrank: what is left of it is its end
        break;
      }
      filled += std::size_t(n);
      s->Position += std::uint64_t(n);
    }
    filled -= filled % 4;
    if (filled > 0) pa_stream_write(stream, buffer.data(), filled, nullptr, 0, PA_SEEK_RELATIVE);
    if (filled < wanted) {
      // All of it is written: let it play out, then the stream ends.
      s->Draining = true;
      pa_operation *drained = pa_stream_drain(stream, &Drained, s);
      if (drained) pa_operation_unref(drained);
      else s->Ended = true;
    }
  }

  static void Drained(pa_stream *, int, void *userdata) { static_cast<TSound *>(userdata)->Ended = true; }

  static void SoundState(pa_stream *stream, void *userdata) {
    pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) static_cast<TSound *>(userdata)->Ended = true;
  }

  static void Take(pa_stream *stream, std::size_t, void *userdata) {
    auto *r = static_cast<TRecording *>(userdata);
    for (;;) {
      const void *data = nullptr;
      std::size_t bytes = 0;
      if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0) return;
      // Pieces come as the server mixes what plays, so a piece was heard just before it came. (The
      // server's own latency figure for a monitor counts its sink's buffer and would misplace it.)
      const TClock::time_point heard =
          TClock::now() - std::chrono::microseconds(pa_bytes_to_usec(bytes, pa_stream_get_sample_spec(stream)));
      std::size_t count = (bytes - bytes % r->FrameBytes) / 2;
      const std::int16_t *samples = static_cast<const std::int16_t *>(data);
      if (!data) {
        r->Hole.assign(count, 0);
        samples = r->Hole.data();
      }
      if (count > 0 && r->OnData) r->OnData(heard, samples, count);
      pa_stream_drop(stream);
    }
  }

  static void ContextState(pa_context *, void *userdata) {
    pa_threaded_mainloop_signal(static_cast<State *>(userdata)->Loop, 0);
  }
};

TServer::TServer(std::unique_ptr<State> state) : F(std::move(state)) {}

TServer::~TServer() = default;

std::unique_ptr<TServer> TServer::Connect(const std::string &clientName, std::string *why) {
  auto fail = [why](const std::string &reason) -> std::unique_ptr<TServer> {
    if (why) *why = reason;
    return nullptr;
  };
  auto state = std::make_unique<State>();
  state->Loop = pa_threaded_mainloop_new();
  if (!state->Loop) return fail("the sound server's client cannot start");
  state->Context = pa_context_new(pa_threaded_mainloop_get_api(state->Loop), clientName.c_str());
  if (!state->Context) return fail("the sound server's client cannot start");
  pa_context_set_state_callback(state->Context, &State::ContextState, state.get());
  if (pa_context_connect(state->Context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
    return fail(std::string("no sound server: ") + pa_strerror(pa_context_errno(state->Context)));
  if (pa_threaded_mainloop_start(state->Loop) < 0) return fail("the sound server's client cannot start");

  const auto deadline = TClock::now() + kConnectTimeout;
  for (;;) {
    pa_context_state_t s;
    {
      TLock lock(state->Loop);
      s = pa_context_get_state(state->Context);
      if (!PA_CONTEXT_IS_GOOD(s))
        return fail(std::string("no sound server: ") + pa_strerror(pa_context_errno(state->Context)));
    }
    if (s == PA_CONTEXT_READY) break;
    if (TClock::now() > deadline) return fail("the sound server does not answer");
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return std::unique_ptr<TServer>(new TServer(std::move(state)));
}

bool TServer::Connected() const {
  TLock lock(F->Loop);
  return pa_context_get_state(F->Context) == PA_CONTEXT_READY;
}

int TServer::Play(const std::string &rawPath, bool loop) {
  auto s = std::make_unique<TSound>();
  s->File = ::open(rawPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (s->File < 0) return 0;
  struct stat info {};
  if (::fstat(s->File, &info) != 0) {
    ::close(s->File);
    return 0;
  }
  s->Size = std::uint64_t(info.st_size) - std::uint64_t(info.st_size) % 4;
  s->Loop = loop;

  TLock lock(F->Loop);
  F->Sweep();
  if (pa_context_get_state(F->Context) != PA_CONTEXT_READY) {
    ::close(s->File);
    return 0;
  }
  const pa_sample_spec format{PA_SAMPLE_S16LE, kRate, kChannels};
  s->Stream = pa_stream_new(F->Context, "sound", &format, nullptr);
  if (!s->Stream) {
    ::close(s->File);
    return 0;
  }
  pa_buffer_attr attr;
  attr.maxlength = std::uint32_t(-1);
  attr.tlength = std::uint32_t(pa_usec_to_bytes(kPlaybackLatencyUs, &format));
  attr.prebuf = std::uint32_t(-1);
  attr.minreq = std::uint32_t(-1);
  attr.fragsize = std::uint32_t(-1);
  pa_stream_set_write_callback(s->Stream, &State::Feed, s.get());
  pa_stream_set_state_callback(s->Stream, &State::SoundState, s.get());
  if (pa_stream_connect_playback(s->Stream, nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0) {
    Release(s->Stream);
    ::close(s->File);
    return 0;
  }
  int number = F->NextNumber++;
  F->Sounds[number] = std::move(s);
  return number;
}

void TServer::Stop(int sound) {
  TLock lock(F->Loop);
  auto it = F->Sounds.find(sound);
  if (it == F->Sounds.end()) return;
  Release(it->second->Stream);
  if (it->second->File >= 0) ::close(it->second->File);
  F->Sounds.erase(it);
}

bool TServer::Playing(int sound) const {
  TLock lock(F->Loop);
  auto it = F->Sounds.find(sound);
  return it != F->Sounds.end() && !it->second->Ended;
}

int TServer::Record(const std::string &source, int rate, int channels, TOnData onData) {
  TLock lock(F->Loop);
  if (pa_context_get_state(F->Context) != PA_CONTEXT_READY) return 0;
  const pa_sample_spec format{PA_SAMPLE_S16LE, std::uint32_t(rate), std::uint8_t(channels)};
  if (!pa_sample_spec_valid(&format)) return 0;
  auto r = std::make_unique<TRecording>();
  r->OnData = std::move(onData);
  r->FrameBytes = pa_frame_size(&format);
  r->Stream = pa_stream_new(F->Context, "recording", &format, nullptr);
  if (!r->Stream) return 0;
  pa_buffer_attr attr;
  attr.maxlength = std::uint32_t(-1);
  attr.tlength = attr.prebuf = attr.minreq = std::uint32_t(-1);
  attr.fragsize = std::uint32_t(pa_usec_to_bytes(kRecordFragmentUs, &format));
  pa_stream_set_read_callback(r->Stream, &State::Take, r.get());
  if (pa_stream_connect_record(r->Stream, source.empty() ? nullptr : source.c_str(), &attr, PA_STREAM_ADJUST_LATENCY) < 0) {
    Release(r->Stream);
    return 0;
  }
  int number = F->NextNumber++;
  F->Recordings[number] = std::move(r);
  return number;
}

void TServer::StopRecording(int recording) {
  TLock lock(F->Loop);
  auto it = F->Recordings.find(recording);
  if (it == F->Recordings.end()) return;
  Release(it->second->Stream);
  F->Recordings.erase(it);
}

}  // namespace sound
