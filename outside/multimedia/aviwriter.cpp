#include "aviwriter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QImage>

#include "avi_layout.h"
#include "jpeg.h"
#include "mediaerror.h"
#include "riff.h"

namespace media {

using riff::FourCC;
using riff::Put16;
using riff::Put32;
using riff::Put64;

namespace {

// The codec list as a capture program sees it; only motion JPEG is available for writing.
const char *const kCodecNames[] = {
    "Uncompressed RGB (DIB)", "Run-length RGB (RLE)", "Packed YUV 4:2:2 (YUY2)", "Packed YUV 4:2:2 (UYVY)",
    "Planar YUV 4:2:0 (YV12)", "Planar YUV 4:2:0 (I420)", "Planar YUV 4:2:0 (IYUV)", "Packed YUV 4:1:1 (Y41P)",
    "Greyscale (Y800)", "Planar YUV 4:2:0 (NV12)", "Planar YUV 4:2:0 (NV21)", "Planar YUV 4:1:0 (YVU9)",
    "Uncompressed RGBA (RGBA)", "Motion JPEG (MJPG)"};
constexpr int kCodecCount = int(sizeof(kCodecNames) / sizeof(kCodecNames[0]));
static_assert(kCodecCount == TAviWriter::kCodecMotionJpeg);

// One chunk can never come near the 32-bit offsets of an index.
constexpr std::uint32_t kMaxChunkSize = 256u << 20;

struct IndexEntry {
  std::int64_t DataPos;  // first byte after the chunk header
  std::uint32_t Size;
};

struct SuperEntry {
  std::int64_t Offset;  // the standard index chunk's header
  std::uint32_t Size;   // that chunk with its header
  std::uint32_t Duration;
};

struct Idx1Entry {
  std::uint32_t Id;
  std::uint32_t Offset;  // from the "movi" type tag
  std::uint32_t Size;
};

struct StreamState {
  std::uint32_t ChunkId = 0;
  std::uint32_t IndexId = 0;
  std::vector<IndexEntry> Segment;
  std::vector<SuperEntry> Super;
  std::uint32_t MaxChunk = 0;
  std::int64_t SegmentUnits = 0;  // frames or sound units in the current RIFF list
  std::int64_t TotalUnits = 0;
};

}  // namespace

struct TAviWriter::State {
  int Codec = kCodecMotionJpeg;
  bool Interleave = true;
  bool WithSound = false;
  int Width = 0, Height = 0;
  std::uint32_t RateNum = 0, RateDen = 1;
  bool OutputFormatSet = false;
  int InWidth = 0, InHeight = 0;
  double InRate = 0;
  int SoundInRate = 44100, SoundInChannels = 2;
  int SoundRate = 44100, SoundChannels = 2;
  std::int64_t RiffLimit = kDefaultRiffSizeLimit;

  riff::OutFile File;
  std::size_t HeaderSize = 0;
  StreamState Video, Audio;
  std::vector<Idx1Entry> Idx1;
  bool FirstSegment = true;
  bool SegmentHasChunks = false;
  std::int64_t RiffStart = 0;
  std::int64_t MoviListPos = 0;
  int RiffCount = 0;
  std::int64_t FramesInFirstRiff = 0;

  TSoundBlock Pending;  // sound waiting for its place between the frames
  std::size_t PendingStart = 0;

  // The compressed picture fitted to the file's size last, and what it was made from: a slide on
  // screen for 10 s gives 200 equal captures, fitted once. The decoded picture keeps its storage.
  TPixelArray FittedFrom;
  std::vector<std::uint8_t> Fitted;
  QImage Decoded;

  std::uint32_t BlockAlign() const { return std::uint32_t(SoundChannels * 2); }
  std::int64_t PendingUnits() const { return std::int64_t(Pending.size() - PendingStart) / SoundChannels; }

  std::vector<std::uint8_t> BuildHeader() const;
  void AppendSuperIndex(std::vector<std::uint8_t> &h, const StreamState &s) const;
  void BeginSegment();
  void EndSegment();
  void WriteIndex(StreamState &s);
  std::int64_t ProjectedSegmentSize(const StreamState &s, std::uint32_t chunkBytes) const;
  void WriteChunk(StreamState &s, const std::uint8_t *data, std::uint32_t size);
  void WriteFrameChunk(const std::uint8_t *data, std::size_t size);
  void Fit(const TPixelArray &frame);
  void WriteSoundUnits(std::int64_t units);
  void FlushSound(bool all);
};

TAviWriter::TAviWriter() : F(std::make_unique<State>()) {}

TAviWriter::~TAviWriter() {
  try {
    CloseFile();
  } catch (const EMediaError &) {
  }
}

int TAviWriter::CodecCount() const { return kCodecCount; }

std::string TAviWriter::CodecName(int index) const {
  if (index < 1 || index > kCodecCount) throw EMediaError("No codec number " + std::to_string(index));
  return kCodecNames[index - 1];
}

void TAviWriter::SelectCodec(int index) {
  if (index < 1 || index > kCodecCount) throw EMediaError("No codec number " + std::to_string(index));
  F->Codec = index;
}

void TAviWriter::SetInterleave(int on) { F->Interleave = on != 0; }

void TAviWriter::SetWithSound(int on) {
  if (IsOpen()) throw EMediaError("The streams of a video file cannot change while it is open");
  F->WithSound = on != 0;
}

void TAviWriter::RateToRatio(double value, std::uint32_t &rate, std::uint32_t &scale, std::uint32_t limit) {
  // Continued fractions: the last convergent within the limit.
  std::uint64_t h0 = 0, h1 = 1, k0 = 1, k1 = 0;
  double x = value;
  for (int i = 0; i < 64; ++i) {
    const double a = std::floor(x);
    if (a > double(limit)) break;
    const std::uint64_t ai = std::uint64_t(a);
    const std::uint64_t h2 = ai * h1 + h0, k2 = ai * k1 + k0;
    if (h2 > limit || k2 > limit) break;
    h0 = h1, h1 = h2, k0 = k1, k1 = k2;
    const double frac = x - a;
    if (frac < 1e-12 || std::fabs(value - double(h1) / double(k1)) <= 1e-12 * value) break;
    x = 1.0 / frac;
  }
  if (h1 == 0 || k1 == 0) {
    h1 = 1;
    k1 = limit;
  }
  rate = std::uint32_t(h1);
  scale = std::uint32_t(k1);
}

void TAviWriter::SetVideoInputFormat(int width, int height, double frameRate) {
  if (IsOpen()) throw EMediaError("The video format cannot change while a file is open");
  if (width <= 0 || height <= 0 || !(frameRate > 0) || !std::isfinite(frameRate))
    throw EMediaError("Invalid video format " + std::to_string(width) + "x" + std::to_string(height) + " at " +
                      std::to_string(frameRate) + " frames per second");
  F->InWidth = width;
  F->InHeight = height;
  F->InRate = frameRate;
}

void TAviWriter::SetVideoOutputFormat(int width, int height, double frameRate) {
  if (IsOpen()) throw EMediaError("The video format cannot change while a file is open");
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384 || !(frameRate > 0) || !std::isfinite(frameRate) ||
      frameRate > 1000)
    throw EMediaError("Invalid video format " + std::to_string(width) + "x" + std::to_string(height) + " at " +
                      std::to_string(frameRate) + " frames per second");
  F->Width = width;
  F->Height = height;
  RateToRatio(frameRate, F->RateNum, F->RateDen);
  F->OutputFormatSet = true;
}

void TAviWriter::SetSoundInputFormat(int sampleRate, int channels) {
  if (sampleRate <= 0 || channels < 1 || channels > 2) throw EMediaError("Unsupported sound format");
  F->SoundInRate = sampleRate;
  F->SoundInChannels = channels;
}

void TAviWriter::SetSoundOutputFormat(int sampleFormat, int sampleRate, int channels) {
  if (IsOpen()) throw EMediaError("The sound format cannot change while a file is open");
  if (sampleFormat != kPcm16 || sampleRate <= 0 || channels < 1 || channels > 2)
    throw EMediaError("Unsupported sound format: use 16-bit PCM with 1 or 2 channels");
  F->SoundRate = sampleRate;
  F->SoundChannels = channels;
}

void TAviWriter::SetRiffSizeLimit(std::int64_t bytes) {
  F->RiffLimit = std::clamp<std::int64_t>(bytes, 4096, 0x7FFFFFFF);
}

bool TAviWriter::IsOpen() const { return F->File.IsOpen(); }
int TAviWriter::FramesWritten() const { return int(F->Video.TotalUnits); }
int TAviWriter::RiffCount() const { return F->RiffCount; }
std::uint32_t TAviWriter::Rate() const { return F->RateNum; }
std::uint32_t TAviWriter::Scale() const { return F->RateDen; }

void TAviWriter::CreateFile(const std::string &path, int mode) {
  CloseFile();
  State &s = *F;
  if (s.Codec != kCodecMotionJpeg)
    throw EMediaError("Codec \"" + CodecName(s.Codec) + "\" is not available; select Motion JPEG");
  if (!s.OutputFormatSet && s.InWidth > 0) {  // without an output format, frames keep the input's
    s.Width = s.InWidth;
    s.Height = s.InHeight;
    RateToRatio(s.InRate, s.RateNum, s.RateDen);
  }
  if (s.Width <= 0 || s.RateNum == 0) throw EMediaError("Set the video format before creating a video file");
  if (s.WithSound && (s.SoundInRate != s.SoundRate || s.SoundInChannels != s.SoundChannels))
    throw EMediaError("The sound input format must equal the sound output format");
  s.Video = StreamState{};
  s.Video.ChunkId = avi::kVideoChunk;
  s.Video.IndexId = FourCC("ix00");
  s.Audio = StreamState{};
  s.Audio.ChunkId = avi::kAudioChunk;
  s.Audio.IndexId = FourCC("ix01");
  s.Idx1.clear();
  s.Pending.clear();
  s.PendingStart = 0;
  s.FittedFrom = {};
  s.FirstSegment = true;
  s.RiffCount = 0;
  s.FramesInFirstRiff = 0;

  s.File.Create(path);
  std::vector<std::uint8_t> head;
  Put32(head, FourCC("RIFF"));
  Put32(head, 0);
  Put32(head, FourCC("AVI "));
  s.File.Write(head);
  const std::vector<std::uint8_t> header = s.BuildHeader();
  s.HeaderSize = header.size();
  s.File.Write(header);
  s.BeginSegment();
}

void TAviWriter::State::AppendSuperIndex(std::vector<std::uint8_t> &h, const StreamState &s) const {
  Put32(h, FourCC("indx"));
  Put32(h, avi::kIndexHeaderSize + 16 * avi::kSuperIndexCapacity);
  Put16(h, 4);  // longs per entry
  h.push_back(0);
  h.push_back(avi::AVI_INDEX_OF_INDEXES);
  Put32(h, std::uint32_t(s.Super.size()));
  Put32(h, s.ChunkId);
  Put32(h, 0);
  Put32(h, 0);
  Put32(h, 0);
  for (std::uint32_t i = 0; i < avi::kSuperIndexCapacity; ++i) {
    const SuperEntry e = i < s.Super.size() ? s.Super[i] : SuperEntry{0, 0, 0};
    Put64(h, std::uint64_t(e.Offset));
    Put32(h, e.Size);
    Put32(h, e.Duration);
  }
}

// The whole "hdrl" list; its size never changes, so that closing can write it over the first one.
std::vector<std::uint8_t> TAviWriter::State::BuildHeader() const {
  std::vector<std::uint8_t> h;
  const double fps = double(RateNum) / double(RateDen);
  const std::uint32_t maxChunk = std::max(Video.MaxChunk, Audio.MaxChunk);
  const std::uint32_t byteRate = std::uint32_t(SoundRate) * BlockAlign();

  Put32(h, FourCC("LIST"));
  Put32(h, 0);  // patched below
  Put32(h, FourCC("hdrl"));

  Put32(h, FourCC("avih"));
  Put32(h, avi::kAvihSize);
  Put32(h, std::uint32_t(std::llround(1e6 / fps)));
  Put32(h, std::uint32_t(std::min(4e9, Video.MaxChunk * fps + (WithSound ? byteRate : 0))));
  Put32(h, 0);
  Put32(h, avi::AVIF_HASINDEX | avi::AVIF_TRUSTCKTYPE | (Interleave ? avi::AVIF_ISINTERLEAVED : 0));
  Put32(h, std::uint32_t(FramesInFirstRiff));
  Put32(h, 0);
  Put32(h, WithSound ? 2 : 1);
  Put32(h, maxChunk ? maxChunk + 8 : 0);
  Put32(h, std::uint32_t(Width));
  Put32(h, std::uint32_t(Height));
  for (int i = 0; i < 4; ++i) Put32(h, 0);

  auto strlStart = [&h]() {
    Put32(h, FourCC("LIST"));
    Put32(h, 0);
    Put32(h, FourCC("strl"));
    return h.size() - 8;
  };
  auto strlEnd = [&h](std::size_t sizePos) {
    const std::uint32_t size = std::uint32_t(h.size() - sizePos - 4);
    for (int i = 0; i < 4; ++i) h[sizePos + i] = std::uint8_t(size >> (8 * i));
  };

  std::size_t at = strlStart();
  Put32(h, FourCC("strh"));
  Put32(h, avi::kStrhSize);
  Put32(h, FourCC("vids"));
  Put32(h, avi::kMJPG);
  Put32(h, 0);  // flags
  Put16(h, 0);  // priority
  Put16(h, 0);  // language
  Put32(h, 0);  // initial frames
  Put32(h, RateDen);
  Put32(h, RateNum);
  Put32(h, 0);  // start
  Put32(h, std::uint32_t(Video.TotalUnits));
  Put32(h, Video.MaxChunk);
  Put32(h, 0xFFFFFFFF);  // quality: default
  Put32(h, 0);           // sample size: frames vary
  Put16(h, 0);
  Put16(h, 0);
  Put16(h, std::uint16_t(Width));
  Put16(h, std::uint16_t(Height));
  Put32(h, FourCC("strf"));
  Put32(h, avi::kBitmapInfoSize);
  Put32(h, avi::kBitmapInfoSize);
  Put32(h, std::uint32_t(Width));
  Put32(h, std::uint32_t(Height));
  Put16(h, 1);   // planes
  Put16(h, 24);  // bits per pixel
  Put32(h, avi::kMJPG);
  Put32(h, std::uint32_t(Width * Height * 3));
  for (int i = 0; i < 4; ++i) Put32(h, 0);
  AppendSuperIndex(h, Video);
  strlEnd(at);

  if (WithSound) {
    at = strlStart();
    Put32(h, FourCC("strh"));
    Put32(h, avi::kStrhSize);
    Put32(h, FourCC("auds"));
    Put32(h, 0);
    Put32(h, 0);
    Put16(h, 0);
    Put16(h, 0);
    Put32(h, 0);
    Put32(h, BlockAlign());  // scale and rate: one unit per block-align bytes
    Put32(h, byteRate);
    Put32(h, 0);
    Put32(h, std::uint32_t(Audio.TotalUnits));
    Put32(h, Audio.MaxChunk);
    Put32(h, 0xFFFFFFFF);
    Put32(h, BlockAlign());
    for (int i = 0; i < 4; ++i) Put16(h, 0);
    Put32(h, FourCC("strf"));
    Put32(h, avi::kWaveFormatSize);
    Put16(h, 1);  // PCM
    Put16(h, std::uint16_t(SoundChannels));
    Put32(h, std::uint32_t(SoundRate));
    Put32(h, byteRate);
    Put16(h, std::uint16_t(BlockAlign()));
    Put16(h, 16);
    AppendSuperIndex(h, Audio);
    strlEnd(at);
  }

  Put32(h, FourCC("LIST"));
  Put32(h, 4 + 8 + avi::kDmlhSize);
  Put32(h, FourCC("odml"));
  Put32(h, FourCC("dmlh"));
  Put32(h, avi::kDmlhSize);
  Put32(h, std::uint32_t(Video.TotalUnits));
  h.resize(h.size() + avi::kDmlhSize - 4, 0);

  const std::uint32_t size = std::uint32_t(h.size() - 8);
  for (int i = 0; i < 4; ++i) h[4 + i] = std::uint8_t(size >> (8 * i));
  return h;
}

void TAviWriter::State::BeginSegment() {
  std::vector<std::uint8_t> b;
  if (FirstSegment) {
    RiffStart = 0;
  } else {
    RiffStart = File.Tell();
    Put32(b, FourCC("RIFF"));
    Put32(b, 0);
    Put32(b, FourCC("AVIX"));
  }
  MoviListPos = File.Tell() + std::int64_t(b.size());
  Put32(b, FourCC("LIST"));
  Put32(b, 0);
  Put32(b, FourCC("movi"));
  File.Write(b);
  ++RiffCount;
  SegmentHasChunks = false;
}

void TAviWriter::State::WriteIndex(StreamState &s) {
  if (s.Segment.empty()) return;
  if (s.Super.size() >= avi::kSuperIndexCapacity) throw EMediaError("Video file too large: its index is full");
  std::vector<std::uint8_t> b;
  const std::uint32_t size = avi::kIndexHeaderSize + 8 * std::uint32_t(s.Segment.size());
  Put32(b, s.IndexId);
  Put32(b, size);
  Put16(b, 2);  // longs per entry
  b.push_back(0);
  b.push_back(avi::AVI_INDEX_OF_CHUNKS);
  Put32(b, std::uint32_t(s.Segment.size()));
  Put32(b, s.ChunkId);
  Put64(b, std::uint64_t(RiffStart));  // base of the entries' offsets
  Put32(b, 0);
  for (const IndexEntry &e : s.Segment) {
    Put32(b, std::uint32_t(e.DataPos - RiffStart));
    Put32(b, e.Size);  // bit 31 clear: every chunk is a key frame
  }
  s.Super.push_back(SuperEntry{File.Tell(), std::uint32_t(b.size()), std::uint32_t(s.SegmentUnits)});
  File.Write(b);
  s.Segment.clear();
  s.SegmentUnits = 0;
}

void TAviWriter::State::EndSegment() {
  WriteIndex(Video);
  if (WithSound) WriteIndex(Audio);
  File.Patch32(MoviListPos + 4, std::uint32_t(File.Tell() - MoviListPos - 8));
  if (FirstSegment) {
    std::vector<std::uint8_t> b;
    Put32(b, FourCC("idx1"));
    Put32(b, std::uint32_t(16 * Idx1.size()));
    for (const Idx1Entry &e : Idx1) {
      Put32(b, e.Id);
      Put32(b, avi::AVIIF_KEYFRAME);
      Put32(b, e.Offset);
      Put32(b, e.Size);
    }
    File.Write(b);
    Idx1.clear();
    Idx1.shrink_to_fit();
  }
  File.Patch32(RiffStart + 4, std::uint32_t(File.Tell() - RiffStart - 8));
  FirstSegment = false;
}

// The segment's size once this chunk and every index still to come are written.
std::int64_t TAviWriter::State::ProjectedSegmentSize(const StreamState &s, std::uint32_t chunkBytes) const {
  std::int64_t size = File.Tell() - RiffStart + chunkBytes;
  for (const StreamState *t : {&Video, &Audio}) {
    const std::size_t n = t->Segment.size() + (t == &s ? 1 : 0);
    if (n) size += 8 + avi::kIndexHeaderSize + 8 * std::int64_t(n);
  }
  if (FirstSegment) size += 8 + 16 * std::int64_t(Idx1.size() + 1);
  return size;
}

void TAviWriter::State::WriteChunk(StreamState &s, const std::uint8_t *data, std::uint32_t size) {
  if (size > kMaxChunkSize) throw EMediaError("Video chunk too large");
  const std::uint32_t padded = size + (size & 1);
  if (SegmentHasChunks && ProjectedSegmentSize(s, 8 + padded) > RiffLimit) {
    EndSegment();
    BeginSegment();
  }
  const std::int64_t at = File.Tell();
  std::uint8_t head[8];
  for (int i = 0; i < 4; ++i) head[i] = std::uint8_t(s.ChunkId >> (8 * i));
  for (int i = 0; i < 4; ++i) head[4 + i] = std::uint8_t(size >> (8 * i));
  File.Write(head, 8);
  File.Write(data, size);
  if (size & 1) File.Write("", 1);
  s.Segment.push_back(IndexEntry{at + 8, size});
  s.MaxChunk = std::max(s.MaxChunk, size);
  if (FirstSegment) Idx1.push_back(Idx1Entry{s.ChunkId, std::uint32_t(at - (MoviListPos + 8)), size});
  SegmentHasChunks = true;
}

void TAviWriter::State::WriteFrameChunk(const std::uint8_t *data, std::size_t size) {
  WriteChunk(Video, data, std::uint32_t(size));
  ++Video.SegmentUnits;
  ++Video.TotalUnits;
  if (FirstSegment) FramesInFirstRiff = Video.TotalUnits;
  if (WithSound && Interleave) FlushSound(false);
}

// Decodes no larger than needed, scales to the file's size and compresses into `Fitted`.
void TAviWriter::State::Fit(const TPixelArray &frame) {
  if (frame.Jpeg().empty()) {
    FittedFrom = {};
    const TPixelArray fitted = frame.Scaled(Width, Height);
    Fitted = JpegCompress(fitted.Pixels().data(), Width, Height, Width * 3, kFrameQuality);
    return;
  }
  // The same bytes again (sizes compare first, so other pictures rarely cost a byte comparison).
  if (!FittedFrom.Empty() && FittedFrom.Jpeg() == frame.Jpeg()) return;
  FittedFrom = {};
  const std::vector<std::uint8_t> &jpeg = frame.Jpeg();
  JpegDecodeInto(jpeg.data(), jpeg.size(), JpegDecodeEighths(frame.Width(), frame.Height(), Width, Height), Decoded);
  if (Decoded.width() == Width && Decoded.height() == Height)
    JpegCompressInto(Decoded, kFrameQuality, Fitted);
  else
    JpegCompressInto(Decoded.scaled(Width, Height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), kFrameQuality,
                     Fitted);
  FittedFrom = frame;
}

void TAviWriter::WriteJpegFrame(const std::uint8_t *data, std::size_t size) {
  if (!IsOpen()) throw EMediaError("No video file is open for writing");
  State &s = *F;
  int w = 0, h = 0;
  if (!JpegImageSize(data, size, w, h)) throw EMediaError("A video frame must be a JPEG picture");
  if (w != s.Width || h != s.Height) {
    // Every frame of the stream has the stream's size.
    WriteVideoFrame(TPixelArray::FromJpeg(std::vector<std::uint8_t>(data, data + size)));
    return;
  }
  s.WriteFrameChunk(data, size);
}

void TAviWriter::WriteVideoFrame(const TPixelArray &frame) {
  if (!IsOpen()) throw EMediaError("No video file is open for writing");
  if (frame.Empty()) throw EMediaError("Cannot write an empty video frame");
  State &s = *F;
  if (!frame.Jpeg().empty() && frame.Width() == s.Width && frame.Height() == s.Height) {
    WriteJpegFrame(frame.Jpeg().data(), frame.Jpeg().size());
    return;
  }
  s.Fit(frame);
  s.WriteFrameChunk(s.Fitted.data(), s.Fitted.size());
}

void TAviWriter::State::WriteSoundUnits(std::int64_t units) {
  const std::size_t samples = std::size_t(units) * SoundChannels;
  std::vector<std::uint8_t> bytes(samples * 2);
  riff::SamplesToBytes(Pending.data() + PendingStart, samples, bytes.data());
  WriteChunk(Audio, bytes.data(), std::uint32_t(bytes.size()));
  Audio.SegmentUnits += units;
  Audio.TotalUnits += units;
  PendingStart += samples;
  if (PendingStart > Pending.size() / 2) {
    Pending.erase(Pending.begin(), Pending.begin() + std::ptrdiff_t(PendingStart));
    PendingStart = 0;
  }
}

// Keeps the sound up to a second ahead of the frames, in half-second chunks; sound far ahead of the
// frames (more than a few minutes) is stored at once rather than held in memory.
void TAviWriter::State::FlushSound(bool all) {
  const std::int64_t half = std::max(1, SoundRate / 2);
  const std::int64_t maxHeld = std::int64_t(SoundRate) * 180;
  if (all) {
    while (PendingUnits() > 0) WriteSoundUnits(std::min<std::int64_t>(PendingUnits(), 2 * half));
    return;
  }
  const std::int64_t frameTime =
      Video.TotalUnits * std::int64_t(RateDen) * SoundRate / std::max<std::uint32_t>(RateNum, 1);
  const std::int64_t target = frameTime + SoundRate;
  while (PendingUnits() >= half && (Audio.TotalUnits + half <= target || PendingUnits() > maxHeld))
    WriteSoundUnits(half);
}

void TAviWriter::WriteSoundBlock(const TSoundBlock &block) {
  if (!IsOpen()) throw EMediaError("No video file is open for writing");
  State &s = *F;
  if (!s.WithSound) throw EMediaError("This video file carries no sound");
  if (block.empty()) return;
  if (block.size() % std::size_t(s.SoundChannels) != 0) throw EMediaError("A sound block must hold whole units");
  s.Pending.insert(s.Pending.end(), block.begin(), block.end());
  if (s.Interleave) {
    s.FlushSound(false);
  } else {
    while (s.PendingUnits() > 0) s.WriteSoundUnits(std::min<std::int64_t>(s.PendingUnits(), s.SoundRate));
  }
}

void TAviWriter::CloseFile() {
  State &s = *F;
  if (!s.File.IsOpen()) return;
  try {
    if (s.WithSound) s.FlushSound(true);
    s.EndSegment();
    const std::vector<std::uint8_t> header = s.BuildHeader();
    if (header.size() != s.HeaderSize) throw EMediaError("Video header changed size");
    s.File.PatchAt(12, header.data(), header.size());
    s.Pending.clear();
    s.PendingStart = 0;
  } catch (const EMediaError &) {
    s.File.Discard();
    throw;
  }
  s.File.Close();
}

}  // namespace media
