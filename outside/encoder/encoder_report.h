#pragma once
// The console text the encoder prints: the probe report and the progress lines, in the shapes the
// program reads (a probe line ends with CR LF, a progress line with CR alone).
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace encoder {

// The probe report for ffprobe's JSON description of a file (-show_format -show_streams).
// Returns nothing when the text is not such a description.
std::optional<std::string> ProbeReport(const std::string &ffprobeJson);

// "HH:MM:SS.hh", rounded to the nearest hundredth.
std::string DurationText(double seconds);

// Turns ffmpeg's -progress output (key=value lines, one block per report, each block ended by a
// "progress=" line) into progress lines.
class ProgressFormatter {
public:
  // Takes one key=value line (without its line end). Returns the progress line (ended by CR)
  // when the line closed a block, else an empty text.
  std::string Feed(const std::string &line);
  // True once the block with "progress=end" has been seen.
  bool Ended() const { return FEnded; }

private:
  std::map<std::string, std::string> FBlock;
  std::int64_t FLastMicroseconds = 0;  // the time stays put while ffmpeg reports none
  bool FEnded = false;
};

// One progress line in the old console shape, "frame=... time=S.hh bitrate=...", ended by CR.
std::string ProgressLine(std::int64_t frame, const std::string &fps, const std::string &q,
                         std::int64_t sizeBytes, std::int64_t outMicroseconds,
                         const std::string &bitrate);

}  // namespace encoder
