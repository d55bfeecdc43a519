// The encoder's readers of ffmpeg's output: ffprobe's JSON description turned into the probe report,
// and -progress blocks (the same input cut into lines) turned into progress lines.
#include "encoder_report.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string text = fuzz::Text(data, size);
  if (const std::optional<std::string> report = encoder::ProbeReport(text))
    FUZZ_CHECK(report->rfind("Input #0, ", 0) == 0 && report->size() >= 2 &&
               report->compare(report->size() - 2, 2, "\r\n") == 0);

  encoder::ProgressFormatter progress;
  for (const std::string &line : fuzz::Split(text, '\n')) {
    const std::string shown = progress.Feed(line);
    FUZZ_CHECK(shown.empty() || shown.rfind("frame=", 0) == 0);
  }
  return 0;
}
