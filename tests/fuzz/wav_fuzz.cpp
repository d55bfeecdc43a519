// A WAV file as the capture library reads the recorded sound: whole units in blocks until the end,
// never more than the file holds.
#include "fuzz_support.h"
#include "mediaerror.h"
#include "wavfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  media::TWavReader wav;
  try {
    wav.OpenFile(fuzz::WriteInput("sound.wav", fuzz::Text(data, size)), 0, 1);
  } catch (const media::EMediaError &) {
    return 0;
  }
  FUZZ_CHECK(wav.Channels() >= 1 && wav.SampleRate() > 0 && wav.TotalLength() >= 0);
  FUZZ_CHECK(wav.TotalLength() * 2 * wav.Channels() <= std::int64_t(size));
  wav.LengthMs();
  std::int64_t units = 0;
  for (media::TSoundBlock block = wav.ReadBlock(4410); !block.empty(); block = wav.ReadBlock(4410)) {
    FUZZ_CHECK(block.size() % std::size_t(wav.UnitSize()) == 0);
    units += std::int64_t(block.size()) / wav.UnitSize();
  }
  FUZZ_CHECK(units == wav.TotalLength() && wav.Position() == wav.TotalLength());
  wav.ReadBlockAt(wav.TotalLength() - 1, 10);
  wav.SetPosition(-1);
  FUZZ_CHECK(wav.Position() == 0);
  wav.CloseFile();
  return 0;
}
