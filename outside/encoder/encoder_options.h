#pragma once
// Reading the encoder's old-style command line and turning it into a run of today's ffmpeg.
#include <string>
#include <vector>

#include "dvd_input.h"

namespace encoder {

enum class RequestKind {
  Invalid,  // the command line cannot be served; Error says why
  Probe,    // "-i FILE" and no output: print the file's properties
  Convert,  // an input and an output file
};

struct Request {
  RequestKind Kind = RequestKind::Invalid;
  std::string Error;
  std::string Input;
  std::string Output;
  bool Overwrite = false;                  // "-y" was given
  std::vector<std::string> InputOptions;   // options given before "-i", translated
  std::vector<std::string> OutputOptions;  // options given after "-i", translated
  bool IsDvdTitle = false;                 // the input is a "vts://" DVD title, read into Dvd
  DvdInput Dvd;
};

// Reads the arguments (without the program name) as the old encoder read them: options before
// "-i" belong to the input, the rest to the output, and the one argument that is neither an option
// nor an option's value is the output file.
Request ParseCommandLine(const std::vector<std::string> &args);

// Today's spelling of one old option name ("-b" -> "-b:v"); other names come back unchanged.
std::string TranslateOptionName(const std::string &name);

// Today's name of an encoder that ffmpeg no longer carries under its old name.
std::string TranslateCodecName(const std::string &codec);

// The arguments (without the program name) for ffmpeg to carry out a conversion request, with
// progress as key=value lines on ffmpeg's standard output. A DVD title is read from ffmpeg's
// standard input, which the caller feeds with the title's sectors.
std::vector<std::string> FfmpegArguments(const Request &request);

// The arguments (without the program name) for ffprobe to describe the input as JSON.
std::vector<std::string> FfprobeArguments(const std::string &input);

// A path as ffmpeg should open it: always as a local file, whatever characters the name holds.
std::string FileUrl(const std::string &path);

}  // namespace encoder
