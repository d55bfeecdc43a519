#pragma once
// Reads AVI files (AVI 1.0 and OpenDML): the first video stream's frames and the first sound
// stream's 16-bit PCM.
#include <cstdint>
#include <string>
#include <vector>

#include "pixelarray.h"
#include "riff.h"
#include "soundblock.h"

namespace media {

class TAviReader {
public:
  // Throws EMediaError when the file is missing or no AVI file.
  void OpenFile(const std::string &path);
  void CloseFile();
  bool IsOpen() const { return FFile.IsOpen(); }

  // The sound format blocks are read in. A file without sound reports the recorder's format
  // (2 channels, 44100 Hz), so that its numbers can still be handed on.
  int AudioChannels() const;
  int AudioSampleRate() const;

  double FrameRate() const;  // Rate / Scale
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  int Length() const { return int(FFrames.size()); }  // frames
  int Position() const { return FPosition; }          // the next frame to read
  void SetPosition(int frame);

  // The next frame (its JPEG stream, decoded when its pixels are asked for); empty after the last.
  TPixelArray ReadNextVideoFrame();
  // The next `units` units of sound (fewer at the end); empty when the file has no more sound.
  TSoundBlock ReadSoundBlock(int units);

  // Facts of the file.
  int FrameCount() const { return Length(); }
  std::uint32_t Rate() const { return FRate; }
  std::uint32_t Scale() const { return FScale; }
  std::string VideoCodec() const;  // four characters, "MJPG" for motion JPEG
  bool HasAudio() const { return FAudioStream >= 0; }
  int AudioBitsPerSample() const { return FAudioBits; }
  std::int64_t AudioLength() const;  // units
  int RiffCount() const { return FRiffCount; }
  // Frame `index`'s stored data (a JPEG stream for motion JPEG); an empty frame repeats the one
  // before it.
  std::vector<std::uint8_t> ReadFrameJpeg(int index) const;

private:
  struct Chunk {
    std::int64_t Pos;  // first data byte
    std::uint32_t Size;
  };
  void ParseHeader(std::int64_t start, std::int64_t end);
  void ScanMovi(std::int64_t start, std::int64_t end, int depth);

  riff::InFile FFile;
  int FWidth = 0, FHeight = 0;
  std::uint32_t FRate = 0, FScale = 1;
  std::uint32_t FVideoCodec = 0;
  int FVideoStream = -1;
  int FAudioStream = -1;
  int FAudioChannels = 0, FAudioRate = 0, FAudioBits = 0, FAudioBlockAlign = 0, FAudioTag = 0;
  int FRiffCount = 0;
  std::vector<Chunk> FFrames;
  std::vector<Chunk> FSound;
  int FPosition = 0;
  std::size_t FSoundChunk = 0;
  std::uint32_t FSoundOffset = 0;
};

}  // namespace media
