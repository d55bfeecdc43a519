// An AVI file as the capture library reads its own recording back: every frame in order, then by
// index, and the sound in the blocks the assembly asks for.
#include "avireader.h"
#include "fuzz_support.h"
#include "mediaerror.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  media::TAviReader avi;
  try {
    avi.OpenFile(fuzz::WriteInput("video.avi", fuzz::Text(data, size)));
  } catch (const media::EMediaError &) {
    return 0;
  }
  FUZZ_CHECK(avi.Width() > 0 && avi.Height() > 0 && avi.AudioChannels() > 0);
  avi.FrameRate();
  avi.AudioLength();
  try {
    for (int frame = 0; frame <= avi.Length(); ++frame) {
      if (avi.ReadNextVideoFrame().Empty()) FUZZ_CHECK(frame == avi.Length());
    }
  } catch (const media::EMediaError &) {
  }
  for (int frame = 0; frame < avi.Length(); ++frame) {
    try {
      avi.ReadFrameJpeg(frame);
    } catch (const media::EMediaError &) {
    }
  }
  try {
    const int channels = avi.AudioChannels();
    for (media::TSoundBlock block = avi.ReadSoundBlock(4410); !block.empty(); block = avi.ReadSoundBlock(4410))
      FUZZ_CHECK(block.size() % std::size_t(channels) == 0 && block.size() <= 4410u * std::size_t(channels));
  } catch (const media::EMediaError &) {
  }
  avi.SetPosition(avi.Length() / 2);
  avi.CloseFile();
  return 0;
}
