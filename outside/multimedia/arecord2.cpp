#include "arecord2.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>

#include <QTimer>

#include "mediaerror.h"
#include "soundserver.h"

namespace media {

namespace {

struct LineSpec {
  std::string Name;
  std::string Device;  // the sound server's source; empty: silence
};

struct SystemLines {
  std::vector<LineSpec> Lines;
  int Source = 0;
};

SystemLines DefaultLines() {
  return SystemLines{{{"Stereo Mix", "@DEFAULT_MONITOR@"}, {"Microphone", "@DEFAULT_SOURCE@"}}, 1};
}

SystemLines &Lines() {
  static SystemLines lines = DefaultLines();
  return lines;
}

// Time the sound server is given to deliver a piece before silence stands in for it.
constexpr std::int64_t kServerHoldbackMs = 300;
// A server whose stream falls this far behind the clock has lost time; its stream starts anew.
constexpr std::int64_t kServerGapMs = 250;

struct TPiece {
  sound::TClock::time_point Heard;
  std::vector<std::int16_t> Samples;
};

}  // namespace

struct TARecord2::State {
  std::vector<LineSpec> Lines;
  std::vector<int> Volumes;
  int Source = 0;
  int Selected = 0;
  int SampleRate = 44100;
  int Channels = 2;
  int BlockUnits = 8820;

  bool Recording = false;
  bool Delivering = false;
  QTimer Timer;
  sound::TClock::time_point Started;
  std::int64_t DeliveredUnits = 0;
  // The recording not yet delivered; it follows DeliveredUnits on the timeline from Started.
  std::vector<std::int16_t> Pending;
  std::unique_ptr<sound::TServer> Server;  // while the server records for us
  int ServerRecording = 0;
  std::mutex PiecesLock;
  std::deque<TPiece> Pieces;  // handed over by the server's thread
  // The server's stream, one sample after the other: what is not placed yet begins at unit
  // StreamBase of the stream; StreamUnits came in all; unit 0 belongs at timeline unit Anchor.
  std::vector<std::int16_t> Stream;
  std::int64_t StreamBase = 0, StreamUnits = 0;
  std::optional<std::int64_t> Anchor;
  TSoundBlock Block;

  std::int64_t UnitsAt(sound::TClock::time_point t) const {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t - Started).count() * SampleRate / 1000000000;
  }
  std::int64_t ElapsedUnits() const { return UnitsAt(sound::TClock::now()); }
  std::int64_t MsUnits(std::int64_t ms) const { return ms * SampleRate / 1000; }
  std::int64_t WrittenUnits() const { return DeliveredUnits + std::int64_t(Pending.size()) / Channels; }

  void PadTo(std::int64_t units) {
    if (units > WrittenUnits()) Pending.resize(std::size_t(units - DeliveredUnits) * std::size_t(Channels), 0);
  }

  // A piece comes no sooner than it is heard, so the piece that comes soonest for its place in the
  // stream tells best when the stream began: after a late start the server sends what it held back
  // in one burst. One that comes much later than that means the server lost time.
  void Receive(const TPiece &piece) {
    const std::int64_t start = UnitsAt(piece.Heard) - StreamUnits;
    if (!Anchor || start < *Anchor || start - *Anchor > MsUnits(kServerGapMs)) Anchor = start;
    Stream.insert(Stream.end(), piece.Samples.begin(), piece.Samples.end());
    StreamUnits += std::int64_t(piece.Samples.size()) / Channels;
  }

  // Lays the stream on the timeline up to `target`: silence where it has nothing, what came too
  // late for its place left out.
  void FillTo(std::int64_t target) {
    while (WrittenUnits() < target) {
      const std::int64_t at = WrittenUnits();
      if (!Anchor || at < *Anchor) {
        PadTo(Anchor ? std::min(target, *Anchor) : target);
        continue;
      }
      const std::size_t width = std::size_t(Channels);
      const std::int64_t late = std::min(at - *Anchor - StreamBase, StreamUnits - StreamBase);
      if (late > 0) {
        Stream.erase(Stream.begin(), Stream.begin() + std::ptrdiff_t(std::size_t(late) * width));
        StreamBase += late;
      }
      const std::int64_t take = std::min(StreamUnits - StreamBase, target - at);
      if (take <= 0) {
        PadTo(target);
        return;
      }
      Pending.insert(Pending.end(), Stream.begin(), Stream.begin() + std::ptrdiff_t(std::size_t(take) * width));
      Stream.erase(Stream.begin(), Stream.begin() + std::ptrdiff_t(std::size_t(take) * width));
      StreamBase += take;
    }
  }

  void TakePieces() {
    std::deque<TPiece> pieces;
    {
      std::lock_guard<std::mutex> lock(PiecesLock);
      pieces.swap(Pieces);
    }
    for (const TPiece &piece : pieces) Receive(piece);
  }

  void StopServer() {
    if (!Server) return;
    Server->StopRecording(ServerRecording);
    TakePieces();
    Server.reset();
    ServerRecording = 0;
  }
};

TARecord2::TARecord2() : F(std::make_unique<State>()) {
  const SystemLines &lines = Lines();
  F->Lines = lines.Lines;
  F->Volumes.assign(F->Lines.size(), kMaxVolume);
  F->Source = lines.Source;
  F->Timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&F->Timer, &QTimer::timeout, [this] { Tick(); });
}

TARecord2::~TARecord2() { Halt(false); }

void TARecord2::SetSystemLines(const std::vector<std::string> &names, int currentSource) {
  SystemLines lines;
  for (const std::string &name : names) lines.Lines.push_back(LineSpec{name, ""});
  lines.Source = std::clamp(currentSource, 0, std::max(0, int(names.size()) - 1));
  Lines() = lines;
}

void TARecord2::ResetSystemLines() { Lines() = DefaultLines(); }

short TARecord2::LineCount() const { return short(F->Lines.size()); }

void TARecord2::SelectLine(int index) {
  if (index < 0 || index >= int(F->Lines.size())) throw EMediaError("No recording line " + std::to_string(index));
  F->Selected = index;
}

int TARecord2::IsCurrentSource() const { return F->Selected == F->Source ? 1 : 0; }

std::string TARecord2::LineName() const {
  return F->Selected < int(F->Lines.size()) ? F->Lines[std::size_t(F->Selected)].Name : std::string();
}

int TARecord2::GetVolume() const {
  return F->Selected < int(F->Volumes.size()) ? F->Volumes[std::size_t(F->Selected)] : 0;
}

void TARecord2::SetVolume(int volume) {
  if (F->Selected >= int(F->Volumes.size())) throw EMediaError("No recording line selected");
  F->Volumes[std::size_t(F->Selected)] = std::clamp(volume, 0, int(kMaxVolume));
}

void TARecord2::MakeSource(int on) {
  if (!on) return;
  if (F->Selected >= int(F->Lines.size())) throw EMediaError("No recording line selected");
  F->Source = F->Selected;
}

void TARecord2::SetRecordingFormat(int sampleRate, int channels) {
  if (F->Recording) throw EMediaError("The recording format cannot change while recording");
  if (sampleRate < 8000 || sampleRate > 192000 || channels < 1 || channels > 2)
    throw EMediaError("Unsupported recording format");
  F->SampleRate = sampleRate;
  F->Channels = channels;
  F->BlockUnits = std::min(F->BlockUnits, sampleRate * 10);
}

int TARecord2::BlockSizeForDuration(int milliseconds) const {
  return std::max(1, int(std::int64_t(F->SampleRate) * std::max(milliseconds, 0) / 1000));
}

void TARecord2::SetBlockSize(int units) {
  if (F->Recording) throw EMediaError("The block size cannot change while recording");
  if (units < 1 || units > F->SampleRate * 10) throw EMediaError("Invalid recording block size");
  F->BlockUnits = units;
}

bool TARecord2::Recording() const { return F->Recording; }

TSoundBlock TARecord2::RecordedBlock() const { return F->Block; }

void TARecord2::Start() {
  if (F->Recording) return;
  F->Recording = true;
  F->Started = sound::TClock::now();
  F->DeliveredUnits = 0;
  F->Pending.clear();
  F->Pieces.clear();
  F->Stream.clear();
  F->StreamBase = F->StreamUnits = 0;
  F->Anchor.reset();
  F->Block.clear();
  const std::string &device = F->Lines.empty() ? std::string() : F->Lines[std::size_t(F->Source)].Device;
  if (!device.empty()) F->Server = sound::TServer::Connect("Vantrel recorder");
  if (F->Server) {
    State *state = F.get();
    F->ServerRecording = F->Server->Record(
        device, F->SampleRate, F->Channels,
        [state](sound::TClock::time_point heard, const std::int16_t *samples, std::size_t count) {
          std::lock_guard<std::mutex> lock(state->PiecesLock);
          state->Pieces.push_back(TPiece{heard, std::vector<std::int16_t>(samples, samples + count)});
        });
    if (!F->ServerRecording) F->Server.reset();
  }
  const int blockMs = int(std::int64_t(F->BlockUnits) * 1000 / F->SampleRate);
  F->Timer.start(std::clamp(blockMs / 4, 5, 20));
}

void TARecord2::Deliver(TSoundBlock block) {
  const int volume = F->Volumes.empty() ? kMaxVolume : F->Volumes[std::size_t(F->Source)];
  if (volume != kMaxVolume)
    for (std::int16_t &s : block) s = std::int16_t(std::int32_t(s) * volume / kMaxVolume);
  F->Block = std::move(block);
  if (!OnEndArrayRecord) return;
  F->Delivering = true;
  try {
    OnEndArrayRecord();
  } catch (const std::exception &e) {
    // Nothing above the timer could take it; the recording goes on with the next block.
    std::fprintf(stderr, "recorder: a recorded block was not taken: %s\n", e.what());
  }
  F->Delivering = false;
}

void TARecord2::Tick() {
  // A handler that pumps messages must not see the next block before it has taken this one.
  if (!F->Recording || F->Delivering) return;
  const std::int64_t elapsed = F->ElapsedUnits();
  if (F->Server) {
    F->TakePieces();
    if (!F->Server->Connected()) F->StopServer();
  }
  // Silence keeps the recording in step with the clock while the server sends nothing (an idle
  // server starts late), and for good where none records.
  F->FillTo(F->Server ? elapsed - F->MsUnits(kServerHoldbackMs) : elapsed);
  const std::size_t blockSamples = std::size_t(F->BlockUnits) * std::size_t(F->Channels);
  while (F->Recording && F->Pending.size() >= blockSamples) {
    TSoundBlock block(F->Pending.begin(), F->Pending.begin() + std::ptrdiff_t(blockSamples));
    F->Pending.erase(F->Pending.begin(), F->Pending.begin() + std::ptrdiff_t(blockSamples));
    F->DeliveredUnits += F->BlockUnits;
    Deliver(std::move(block));
  }
}

void TARecord2::Stop() { Halt(true); }

void TARecord2::Halt(bool announceRest) {
  if (!F->Recording) return;
  F->Timer.stop();
  F->StopServer();
  // The recording lasts exactly as long as it ran.
  const std::int64_t elapsed = F->ElapsedUnits();
  F->FillTo(elapsed);
  F->Pending.resize(std::size_t(std::max<std::int64_t>(elapsed - F->DeliveredUnits, 0)) * std::size_t(F->Channels));
  F->Recording = false;
  std::vector<std::int16_t> rest;
  rest.swap(F->Pending);
  if (!announceRest || F->Delivering) return;
  // What was recorded since the last block still belongs to the recording.
  const std::size_t blockSamples = std::size_t(F->BlockUnits) * std::size_t(F->Channels);
  for (std::size_t at = 0; at < rest.size(); at += blockSamples) {
    const std::size_t end = std::min(rest.size(), at + blockSamples);
    F->DeliveredUnits += std::int64_t(end - at) / F->Channels;
    Deliver(TSoundBlock(rest.begin() + std::ptrdiff_t(at), rest.begin() + std::ptrdiff_t(end)));
  }
}

}  // namespace media
