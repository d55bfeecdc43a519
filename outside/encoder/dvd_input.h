#pragma once
// DVD title inputs: "vts://N*start*end*audio*sub*/root". N is the title set, start and end are
// 2048-byte sectors of its title VOB files (VTS_NN_1.VOB, VTS_NN_2.VOB, ... taken as one), both
// included; audio and sub are stream codes written "0x80" style, "0" for none; root is the folder
// that holds VIDEO_TS ("/media/dvd" is written "*//media/dvd", an empty root is "/").
#include <cstdint>
#include <string>
#include <vector>

namespace encoder {

constexpr std::int64_t DvdSectorSize = 2048;

struct DvdInput {
  int TitleSet = 0;
  std::int64_t StartSector = 0;
  std::int64_t EndSector = 0;
  std::string AudioCode;     // "0x80"; "0": no audio
  std::string SubtitleCode;  // "0x20"; "0": no subtitles
  std::string Root;
};

bool IsDvdInput(const std::string &text);  // begins with "vts://"
// False, with the reason in error, when the text is not a whole DVD title input.
bool ParseDvdInput(const std::string &text, DvdInput &input, std::string &error);

// The stream id ffmpeg gives a DVD stream code: MPEG audio 0xc0..0xc7 is 0x1c0..0x1c7, the others
// (0x80 AC3, 0x88 DTS, 0xa0 LPCM, 0x20 subpictures) keep their code. 0 for "0"; -1 for a text that
// is not a code.
int DvdStreamId(const std::string &code);

// A stretch of one VOB file.
struct VobPiece {
  std::string File;
  std::int64_t Offset = 0;
  std::int64_t Length = 0;
};

// The title set's title VOB files in order, found in root's VIDEO_TS folder (or in root itself)
// whatever their letter case; they end at the first number missing.
std::vector<std::string> TitleVobFiles(const std::string &root, int titleSet);

// The pieces of the files (with these sizes) that hold sectors start..end; an end past the files
// is cut to their end. False, with the reason, when start lies outside or after end.
bool SectorPieces(const std::vector<std::string> &files, const std::vector<std::int64_t> &sizes,
                  std::int64_t start, std::int64_t end, std::vector<VobPiece> &pieces, std::string &error);

// Writes the pieces one after another to fd; false when a read or a write fails (the reader has
// gone away).
bool CopyPieces(const std::vector<VobPiece> &pieces, int fd);

// ffmpeg options before "-i pipe:0" for a title fed on its standard input.
std::vector<std::string> DvdInputOptions();
// ffmpeg options after the input: the first video stream and the chosen audio stream; a chosen
// subtitle stream is drawn onto the picture.
std::vector<std::string> DvdStreamOptions(const DvdInput &input);

}  // namespace encoder
