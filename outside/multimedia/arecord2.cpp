#include "arecord2.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include "mediaerror.h"
#include "riff.h"

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

// A sound server that delivers nothing for this long is given up for silence.
constexpr qint64 kServerStallMs = 2000;

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
  QElapsedTimer Clock;
  std::int64_t DeliveredUnits = 0;
  std::unique_ptr<QProcess> Server;  // the sound server's recording client, while it works
  QByteArray ServerData;
  TSoundBlock Block;

  int UnitBytes() const { return Channels * 2; }
  std::int64_t ElapsedUnits() const { return Clock.nsecsElapsed() * SampleRate / 1000000000; }
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
  F->DeliveredUnits = 0;
  F->ServerData.clear();
  F->Block.clear();
  const std::string &device = F->Lines.empty() ? std::string() : F->Lines[std::size_t(F->Source)].Device;
  const QString parec = device.empty() ? QString() : QStandardPaths::findExecutable("parec");
  if (!parec.isEmpty()) {
    F->Server = std::make_unique<QProcess>();
    F->Server->setStandardErrorFile(QProcess::nullDevice());
    F->Server->setStandardInputFile(QProcess::nullDevice());
    F->Server->start(parec, {"--raw", "--format=s16le", QString("--rate=%1").arg(F->SampleRate),
                             QString("--channels=%1").arg(F->Channels), "--latency-msec=50", "-d",
                             QString::fromStdString(device)});
  }
  F->Clock.start();
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
  const std::size_t blockBytes = std::size_t(F->BlockUnits) * F->UnitBytes();
  if (F->Server) {
    F->ServerData.append(F->Server->readAllStandardOutput());
    const bool gone = F->Server->state() == QProcess::NotRunning;
    const bool stalled = (elapsed - F->DeliveredUnits) * 1000 / F->SampleRate > kServerStallMs;
    if (!gone && !stalled) {
      while (std::size_t(F->ServerData.size()) >= blockBytes && F->Recording) {
        TSoundBlock block(blockBytes / 2);
        riff::BytesToSamples(reinterpret_cast<const std::uint8_t *>(F->ServerData.constData()), block.size(),
                             block.data());
        F->ServerData.remove(0, qsizetype(blockBytes));
        F->DeliveredUnits += F->BlockUnits;
        Deliver(std::move(block));
      }
      return;
    }
    // From here on the clock paces silence.
    F->Server->kill();
    F->Server->waitForFinished(500);
    F->Server.reset();
    F->ServerData.clear();
  }
  while (F->Recording && elapsed - F->DeliveredUnits >= F->BlockUnits) {
    F->DeliveredUnits += F->BlockUnits;
    Deliver(TSoundBlock(std::size_t(F->BlockUnits) * F->Channels, 0));
  }
}

void TARecord2::Stop() { Halt(true); }

void TARecord2::Halt(bool announceRest) {
  if (!F->Recording) return;
  F->Timer.stop();
  std::int64_t rest = 0;
  if (F->Server) {
    F->ServerData.append(F->Server->readAllStandardOutput());
    rest = F->ServerData.size() / F->UnitBytes();
    F->Server->kill();
    F->Server->waitForFinished(500);
    F->Server.reset();
  } else {
    rest = F->ElapsedUnits() - F->DeliveredUnits;
  }
  F->Recording = false;
  if (!announceRest || F->Delivering) return;
  // What was recorded since the last block still belongs to the recording.
  std::size_t offset = 0;
  while (rest > 0) {
    const std::int64_t units = std::min<std::int64_t>(rest, F->BlockUnits);
    TSoundBlock block(std::size_t(units) * F->Channels, 0);
    if (offset + block.size() * 2 <= std::size_t(F->ServerData.size()))
      riff::BytesToSamples(reinterpret_cast<const std::uint8_t *>(F->ServerData.constData()) + offset, block.size(),
                           block.data());
    offset += block.size() * 2;
    rest -= units;
    F->DeliveredUnits += units;
    Deliver(std::move(block));
  }
  F->ServerData.clear();
}

}  // namespace media
