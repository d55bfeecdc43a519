// The program's readers of the encoder's console: the media probe's report in pieces of 2048 bytes
// and the encoder's progress in pieces of 256, each piece cut at a NUL as the pipe readers cut it.
#include <cstring>

#include "fuzz_form.h"
#include "gettime.h"

namespace {

// What the pipe reader hands on: the input in pieces of `size`, each up to its first NUL.
template <typename Parse>
void Pieces(const std::string &text, std::size_t size, std::string &output, Parse parse) {
  output.clear();
  for (std::size_t at = 0; at < text.size(); at += size) {
    const std::string piece = text.substr(at, size);
    output.append(piece.c_str(), std::strlen(piece.c_str()));
    parse();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzz::Form();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzz::Form();
  const std::string text = fuzz::Text(data, size);

  Gettime.ProbeDuration = Gettime.ProbeBitrate = Gettime.ProbeVideoKbps = Gettime.ProbeAudioKbps =
      Gettime.ProbeFrameSize = "";
  TtimeProcessor probe;
  Pieces(text, 2048, probe.FOutput, [&probe] { probe.ParseProbeOutput(); });
  TimeTextToSeconds(Gettime.ProbeDuration);

  Main.ProgressBase = 150;
  Main.EncoderJob.DurationSecs = 60;
  TProcessor encoder;
  Pieces(text, 256, encoder.FOutput, [&encoder] { encoder.ParseEncoderOutput(); });
  return 0;
}
