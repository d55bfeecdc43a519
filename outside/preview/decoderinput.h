#pragma once
// What ffmpeg is given for an input name: a media file as it is, or a DVD title's input text
//   "vts://" N "*" start "*" end "*" audio "*" subtitle "*/" root
// as the byte range of its title set's VOB files (VIDEO_TS/VTS_nn_1.VOB, _2, ... of root, read as one
// stream). start and end are 2048-byte sectors counted from the start of VTS_nn_1.VOB; end is the
// title's last sector, inclusive. Stream codes are written "0x80" style, "0" for none.
#include <optional>
#include <string>
#include <vector>

namespace decoderinput {

constexpr long long SectorSize = 2048;

struct TVtsInput {
  int TitleSet = 0;
  long long StartSector = 0;
  long long EndSector = 0;
  std::string AudioStream;
  std::string SubtitleStream;
  std::string Root;
};

bool IsVtsInput(const std::string &input);
// Empty when the text is not a well-formed DVD input text.
std::optional<TVtsInput> ParseVtsInput(const std::string &input);
// The title set's VOB files in playing order, found in root's VIDEO_TS folder (or in root itself when
// it has none) whatever the letter case; empty when there are none.
std::vector<std::string> TitleSetVobFiles(const TVtsInput &input);
// The arguments that name the input to ffmpeg, "-i" included. Throws std::runtime_error with a short
// reason for a DVD input text that is malformed or whose files are missing.
std::vector<std::string> FfmpegInputArguments(const std::string &input);

}  // namespace decoderinput
