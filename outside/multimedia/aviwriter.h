#pragma once
// Writes AVI files of motion-JPEG frames with an optional 16-bit PCM sound stream. Files grow past
// one RIFF list as OpenDML (AVI 2.0) extensions ("AVIX"), each with its own standard indexes and
// one super index per stream, so that files above 1 GiB stay readable; the first RIFF list also
// carries an "idx1" index for older readers.
#include <cstdint>
#include <memory>
#include <string>

#include "pixelarray.h"
#include "soundblock.h"

namespace media {

class TAviWriter {
public:
  static constexpr int kCodecMotionJpeg = 14;  // the one codec available for writing
  static constexpr std::int64_t kDefaultRiffSizeLimit = 1LL << 30;
  static constexpr int kFrameQuality = 95;  // for frames compressed here from pixels

  TAviWriter();
  ~TAviWriter();  // closes an open file
  TAviWriter(const TAviWriter &) = delete;
  TAviWriter &operator=(const TAviWriter &) = delete;

  // Codecs are numbered from 1.
  int CodecCount() const;
  std::string CodecName(int index) const;
  void SelectCodec(int index);

  // Non-zero: sound is spread between the frames by time; zero: each sound block is stored as it
  // comes.
  void SetInterleave(int on);
  // Non-zero: the file carries a sound stream.
  void SetWithSound(int on);
  // The frames handed in; the file takes this format unless an output format is given. Frames of
  // any size are accepted: each is fitted to the file's size.
  void SetVideoInputFormat(int width, int height, double frameRate);
  // The file's frame size and rate; a fractional rate is kept as an exact ratio where it can be.
  void SetVideoOutputFormat(int width, int height, double frameRate);
  // The sound blocks handed in, and the file's sound format (sampleFormat kPcm16); they must agree.
  void SetSoundInputFormat(int sampleRate, int channels);
  void SetSoundOutputFormat(int sampleFormat, int sampleRate, int channels);
  // Size at which a RIFF list is closed and the next one begun.
  void SetRiffSizeLimit(std::int64_t bytes);

  // Creates the file, replacing an old one; every mode creates it anew.
  void CreateFile(const std::string &path, int mode);
  // A picture of another size than the output is scaled to it; a JPEG-backed picture of the output
  // size is stored as it is, and one with the same JPEG bytes as the picture scaled last takes that
  // picture's stored frame again.
  void WriteVideoFrame(const TPixelArray &frame);
  void WriteJpegFrame(const std::uint8_t *data, std::size_t size);
  // A block holds whole units of the sound format.
  void WriteSoundBlock(const TSoundBlock &block);
  // Writes the indexes and the final headers.
  void CloseFile();

  bool IsOpen() const;
  int FramesWritten() const;
  int RiffCount() const;
  std::uint32_t Rate() const;   // frame rate = Rate / Scale
  std::uint32_t Scale() const;

  // The ratio nearest to `value` with both terms at most `limit`.
  static void RateToRatio(double value, std::uint32_t &rate, std::uint32_t &scale, std::uint32_t limit = 1000000);

private:
  struct State;
  std::unique_ptr<State> F;
};

}  // namespace media
