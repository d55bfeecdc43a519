#include "avireader.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "avi_layout.h"
#include "mediaerror.h"

namespace media {

using riff::FourCC;
using riff::Get16;
using riff::Get32;

namespace {
constexpr std::uint32_t kMaxHeaderList = 16u << 20;
constexpr std::uint32_t kMaxFrameSize = 256u << 20;
constexpr int kMaxSoundUnits = 1 << 24;

bool IsMotionJpeg(std::uint32_t code) {
  std::string s = riff::FourCCText(code);
  for (char &c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s == "MJPG";
}

// "00dc" -> 0; -1 when the id does not start with two digits.
int StreamOf(std::uint32_t id) {
  const int a = int(id & 0xFF) - '0', b = int((id >> 8) & 0xFF) - '0';
  if (a < 0 || a > 9 || b < 0 || b > 9) return -1;
  return a * 10 + b;
}
}  // namespace

void TAviReader::OpenFile(const std::string &path) {
  CloseFile();
  FFile.Open(path);
  std::uint8_t head[12];
  if (!FFile.ReadAt(0, head, 12) || Get32(head) != FourCC("RIFF") || Get32(head + 8) != FourCC("AVI ")) {
    FFile.Close();
    throw EMediaError("Not an AVI file: " + path);
  }
  std::int64_t pos = 0;
  while (pos + 12 <= FFile.Size()) {
    if (!FFile.ReadAt(pos, head, 12) || Get32(head) != FourCC("RIFF")) break;
    const std::uint32_t form = Get32(head + 8);
    std::int64_t size = Get32(head + 4);
    // An unfinished file's RIFF size may be 0 or past the end.
    std::int64_t end = (size < 4 || pos + 8 + size > FFile.Size()) ? FFile.Size() : pos + 8 + size;
    if (form == FourCC("AVI ") || form == FourCC("AVIX")) {
      ++FRiffCount;
      std::int64_t at = pos + 12;
      while (at + 8 <= end) {
        std::uint8_t ck[12];
        if (!FFile.ReadAt(at, ck, 8)) break;
        const std::uint32_t id = Get32(ck);
        const std::int64_t ckSize = Get32(ck + 4);
        const std::int64_t ckEnd = std::min(end, at + 8 + ckSize);
        if (id == FourCC("LIST") && ckSize >= 4 && FFile.ReadAt(at + 8, ck + 8, 4)) {
          const std::uint32_t type = Get32(ck + 8);
          if (type == FourCC("hdrl") && form == FourCC("AVI ")) ParseHeader(at + 12, ckEnd);
          else if (type == FourCC("movi")) ScanMovi(at + 12, ckEnd, 0);
        }
        at += 8 + ckSize + (ckSize & 1);
      }
    }
    pos = end + (end & 1);
  }
  if (FVideoStream < 0 || FWidth <= 0 || FHeight <= 0) {
    CloseFile();
    throw EMediaError("No video stream in " + path);
  }
}

void TAviReader::ParseHeader(std::int64_t start, std::int64_t end) {
  if (end - start > std::int64_t(kMaxHeaderList) || end <= start) return;
  std::vector<std::uint8_t> h(std::size_t(end - start));
  if (!FFile.ReadAt(start, h.data(), h.size())) return;
  int stream = -1;
  std::uint32_t streamType = 0;
  std::uint32_t usPerFrame = 0;
  // Walks the list flat: "strl" lists only group a stream's chunks.
  std::size_t at = 0;
  while (at + 8 <= h.size()) {
    const std::uint32_t id = Get32(&h[at]);
    const std::uint32_t size = Get32(&h[at + 4]);
    const std::uint8_t *d = &h[at + 8];
    const std::size_t avail = h.size() - at - 8;
    if (id == FourCC("LIST")) {
      if (avail >= 4 && Get32(d) == FourCC("strl")) {
        ++stream;
        streamType = 0;
      }
      at += 12;
      continue;
    }
    if (size > avail) break;
    if (id == FourCC("avih") && size >= 40) {
      usPerFrame = Get32(d);
      if (FWidth <= 0) {
        FWidth = int(Get32(d + 32));
        FHeight = int(Get32(d + 36));
      }
    } else if (id == FourCC("strh") && size >= 48 && stream >= 0) {
      streamType = Get32(d);
      if (streamType == FourCC("vids") && FVideoStream < 0) {
        FVideoStream = stream;
        FVideoCodec = Get32(d + 4);
        FScale = Get32(d + 20);
        FRate = Get32(d + 24);
      } else if (streamType == FourCC("auds") && FAudioStream < 0) {
        FAudioStream = stream;
      }
    } else if (id == FourCC("strf") && stream >= 0) {
      if (stream == FVideoStream && streamType == FourCC("vids") && size >= 40) {
        FWidth = int(std::int32_t(Get32(d + 4)));
        FHeight = std::abs(int(std::int32_t(Get32(d + 8))));
        if (Get32(d + 16) != 0) FVideoCodec = Get32(d + 16);
      } else if (stream == FAudioStream && streamType == FourCC("auds") && size >= 16) {
        FAudioTag = Get16(d);
        FAudioChannels = Get16(d + 2);
        FAudioRate = int(Get32(d + 4));
        FAudioBlockAlign = Get16(d + 12);
        FAudioBits = Get16(d + 14);
      }
    }
    at += 8 + size + (size & 1);
  }
  if ((FRate == 0 || FScale == 0) && usPerFrame > 0) {
    FRate = 1000000;
    FScale = usPerFrame;
  }
}

void TAviReader::ScanMovi(std::int64_t start, std::int64_t end, int depth) {
  std::int64_t at = start;
  while (at + 8 <= end) {
    std::uint8_t ck[12];
    if (!FFile.ReadAt(at, ck, 8)) break;
    const std::uint32_t id = Get32(ck);
    const std::int64_t size = Get32(ck + 4);
    if (id == FourCC("LIST")) {
      // "rec " lists group the chunks of one moment.
      if (depth < 4 && size >= 4) ScanMovi(at + 12, std::min(end, at + 8 + size), depth + 1);
    } else if (at + 8 + size <= end) {  // a chunk cut off by the file's end is left out
      const int stream = StreamOf(id);
      const std::uint32_t kind = id >> 16;
      // An empty frame repeats the one before it: it takes that frame's data here, once.
      if (stream == FVideoStream && (kind == ('d' | 'c' << 8) || kind == ('d' | 'b' << 8)))
        FFrames.push_back(size == 0 && !FFrames.empty() ? FFrames.back() : Chunk{at + 8, std::uint32_t(size)});
      else if (stream == FAudioStream && kind == ('w' | 'b' << 8) && size > 0)
        FSound.push_back(Chunk{at + 8, std::uint32_t(size)});
    }
    at += 8 + size + (size & 1);
  }
}

void TAviReader::CloseFile() {
  FFile.Close();
  FWidth = FHeight = 0;
  FRate = 0;
  FScale = 1;
  FVideoCodec = 0;
  FVideoStream = FAudioStream = -1;
  FAudioChannels = FAudioRate = FAudioBits = FAudioBlockAlign = FAudioTag = 0;
  FRiffCount = 0;
  FFrames.clear();
  FSound.clear();
  FPosition = 0;
  FSoundChunk = 0;
  FSoundOffset = 0;
}

int TAviReader::AudioChannels() const { return HasAudio() && FAudioChannels > 0 ? FAudioChannels : 2; }
int TAviReader::AudioSampleRate() const { return HasAudio() && FAudioRate > 0 ? FAudioRate : 44100; }

double TAviReader::FrameRate() const { return FScale ? double(FRate) / double(FScale) : 0.0; }

void TAviReader::SetPosition(int frame) { FPosition = std::clamp(frame, 0, Length()); }

std::string TAviReader::VideoCodec() const { return riff::FourCCText(FVideoCodec); }

std::int64_t TAviReader::AudioLength() const {
  if (!HasAudio() || FAudioBlockAlign <= 0) return 0;
  std::int64_t bytes = 0;
  for (const Chunk &c : FSound) bytes += c.Size;
  return bytes / FAudioBlockAlign;
}

std::vector<std::uint8_t> TAviReader::ReadFrameJpeg(int index) const {
  if (!IsOpen()) throw EMediaError("No video file is open");
  if (index < 0 || index >= Length()) throw EMediaError("No frame " + std::to_string(index));
  const Chunk &c = FFrames[std::size_t(index)];
  if (c.Size > kMaxFrameSize) throw EMediaError("Video frame too large");
  std::vector<std::uint8_t> data(c.Size);
  if (!FFile.ReadAt(c.Pos, data.data(), data.size())) throw EMediaError("Cannot read video frame " + std::to_string(index));
  return data;
}

TPixelArray TAviReader::ReadNextVideoFrame() {
  if (!IsOpen()) throw EMediaError("No video file is open");
  if (FPosition >= Length()) return {};
  if (!IsMotionJpeg(FVideoCodec)) throw EMediaError("Only motion-JPEG frames can be read, not " + VideoCodec());
  std::vector<std::uint8_t> data = ReadFrameJpeg(FPosition);
  ++FPosition;
  return TPixelArray::FromJpeg(std::move(data));
}

TSoundBlock TAviReader::ReadSoundBlock(int units) {
  if (!IsOpen()) throw EMediaError("No video file is open");
  if (!HasAudio() || units <= 0) return {};
  if (FAudioTag != 1 || FAudioBits != 16 || FAudioChannels < 1 || FAudioBlockAlign != 2 * FAudioChannels)
    throw EMediaError("Only 16-bit PCM sound can be read");
  if (units > kMaxSoundUnits) throw EMediaError("Sound block too large");
  std::vector<std::uint8_t> bytes;
  std::size_t wanted = std::size_t(units) * std::size_t(FAudioBlockAlign);
  while (bytes.size() < wanted && FSoundChunk < FSound.size()) {
    const Chunk &c = FSound[FSoundChunk];
    const std::size_t take = std::min<std::size_t>(wanted - bytes.size(), c.Size - FSoundOffset);
    const std::size_t at = bytes.size();
    bytes.resize(at + take);
    if (!FFile.ReadAt(c.Pos + FSoundOffset, bytes.data() + at, take)) throw EMediaError("Cannot read the sound");
    FSoundOffset += std::uint32_t(take);
    if (FSoundOffset >= c.Size) {
      ++FSoundChunk;
      FSoundOffset = 0;
    }
  }
  bytes.resize(bytes.size() - bytes.size() % std::size_t(FAudioBlockAlign));
  TSoundBlock block(bytes.size() / 2);
  riff::BytesToSamples(bytes.data(), block.size(), block.data());
  return block;
}

}  // namespace media
