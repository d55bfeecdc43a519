#pragma once
// The media probe: runs the encoder with " -i " on a file and reads its duration, total, video and
// audio bitrates and frame size from the report it prints.
#include <memory>
#include <string>

#include "convertTh.h"

// Reads the encoder's report 2048 bytes at a time.
class TtimeProcessor : public TPipeReader {
public:
  ~TtimeProcessor() override;
  // GUI thread, the reader waiting: takes the probe values from the finished lines.
  void ParseProbeOutput();

protected:
  void Execute() override;
};

// Waits for the probe to end and for its reader to have read everything, then reports the end.
class TtimeClientWaitThread : public TPipeWaitThread {
public:
  ~TtimeClientWaitThread() override;

protected:
  void Execute() override;
};

// Globals of unit gettime; GUI thread.
struct GettimeGlobals {
  // The values the last probe found.
  std::string ProbeDuration;   // "HH:MM:SS"
  std::string ProbeBitrate;    // total kbps
  std::string ProbeVideoKbps;
  std::string ProbeAudioKbps;
  std::string ProbeFrameSize;  // "WxH"
  bool ProbeBusy = false;
  std::shared_ptr<win::TProcess> ProbeProcess;
  std::shared_ptr<win::TPipe> ProbeOutPipe;
  std::shared_ptr<win::TPipe> ProbeInPipe;
  std::shared_ptr<TtimeClientWaitThread> ProbeWaitThread;
  std::shared_ptr<TtimeProcessor> ProbeReader;
};
extern GettimeGlobals Gettime;

// The probe's command line for a file.
std::string ProbeCommandLine(const std::string &Path);
// Starts a probe of Path and returns at once; ProbeBusy is True until every report line is parsed.
void StartMediaProbe(const std::string &Path);
// GUI thread, once the probe process has ended and its report has been read.
void ProbeFinished();
// Gives up a running probe: ends its process and threads; ProbeBusy turns False. GUI thread.
void EndMediaProbe();

// The number before " kb/s" on the first CR-ended line that holds Key; empty when there is none.
std::string ExtractKbps(const std::string &Key, const std::string &Text);
// "WxH" around the first "x" after "Video:" on the first CR-ended line that holds it; empty when none.
std::string ExtractResolution(const std::string &Text);
