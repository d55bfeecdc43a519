#include "gettime.h"

#include <vector>

GettimeGlobals Gettime;

namespace {

// Lines that end with CR, each with its CR; what follows the last CR is not a line yet.
std::vector<std::string> CrLines(const std::string &Text) {
  std::vector<std::string> lines;
  std::size_t start = 0, cr;
  while ((cr = Text.find('\r', start)) != std::string::npos) {
    lines.push_back(Text.substr(start, cr - start + 1));
    start = cr + 1;
  }
  return lines;
}

}  // namespace

std::string ExtractKbps(const std::string &Key, const std::string &Text) {
  for (const std::string &line : CrLines(Text)) {
    if (line.find(Key) == std::string::npos) continue;
    const std::size_t k = line.find(" kb/s");
    if (k == std::string::npos) return {};
    const std::size_t lowest = k >= 10 ? k - 10 : 0;
    for (std::size_t j = k; j-- > lowest;)
      if (line[j] == ' ') return line.substr(j + 1, k - j - 1);
    return line.substr(lowest, k - lowest);
  }
  return {};
}

std::string ExtractResolution(const std::string &Text) {
  for (const std::string &line : CrLines(Text)) {
    const std::size_t v = line.find("Video:");
    if (v == std::string::npos) continue;
    const std::string s = line.substr(v, line.size() - 1 - v);
    const std::size_t x = s.find('x');
    if (x == std::string::npos) return {};
    std::size_t from = x >= 10 ? x - 10 : 0;
    for (std::size_t j = x; j-- > from;)
      if (s[j] == ' ') {
        from = j + 1;
        break;
      }
    std::string height;
    for (std::size_t j = x + 1; j < s.size() && height.size() < 10 && s[j] >= '0' && s[j] <= '9'; ++j)
      height += s[j];
    return s.substr(from, x - from) + "x" + height;
  }
  return {};
}

std::string ProbeCommandLine(const std::string &Path) {
  return QuoteProgramIfBlank(Main.EncoderJob.EncoderPath) + " -i " + QuoteIfBlank(Path);
}

TtimeProcessor::~TtimeProcessor() { EndReading(); }

void TtimeProcessor::Execute() {
  ReadPieces(2048, [this] { ParseProbeOutput(); });
}

void TtimeProcessor::ParseProbeOutput() {
  auto keep = [](std::string &value, const std::string &found) {
    if (!found.empty()) value = found;
  };
  // Each line end reads the values from all that is still unconsumed.
  ConsumeLines(FOutput, [this, &keep] {
    if (const std::size_t d = FOutput.find("Duration:"); d != std::string::npos)
      Gettime.ProbeDuration = d + 10 < FOutput.size() ? FOutput.substr(d + 10, 8) : std::string();
    keep(Gettime.ProbeBitrate, ExtractKbps("bitrate:", FOutput));
    keep(Gettime.ProbeVideoKbps, ExtractKbps("Video:", FOutput));
    keep(Gettime.ProbeAudioKbps, ExtractKbps("Audio:", FOutput));
    keep(Gettime.ProbeFrameSize, ExtractResolution(FOutput));
  });
}

TtimeClientWaitThread::~TtimeClientWaitThread() { EndWaiting(); }

void TtimeClientWaitThread::Execute() {
  // The whole report is parsed before anyone is told that the probe is over.
  WaitForProcessAndReader();
  // One call, so that nothing can start a new probe between the end and the flag.
  Synchronize([] {
    ProbeFinished();
    Gettime.ProbeBusy = false;
  });
}

void StartMediaProbe(const std::string &Path) {
  FreeRetiredThreads();
  if (Gettime.ProbeWaitThread || Gettime.ProbeReader) EndMediaProbe();

  Gettime.ProbeDuration.clear();
  Gettime.ProbeBitrate.clear();
  Gettime.ProbeVideoKbps.clear();
  Gettime.ProbeAudioKbps.clear();
  Gettime.ProbeFrameSize.clear();
  Gettime.ProbeBusy = true;

  auto waitThread = std::make_shared<TtimeClientWaitThread>();
  auto reader = std::make_shared<TtimeProcessor>();
  std::shared_ptr<win::TProcess> process = StartPipedProcess(ProbeCommandLine(Path), Main.EncoderJob.WorkDir);
  Gettime.ProbeProcess = process;
  Gettime.ProbeOutPipe = process ? process->Output() : nullptr;
  Gettime.ProbeInPipe = process ? process->Input() : nullptr;
  waitThread->FProcess = process;
  waitThread->FReader = reader;
  reader->FPipe = Gettime.ProbeOutPipe;
  Gettime.ProbeReader = std::move(reader);
  Gettime.ProbeWaitThread = std::move(waitThread);
  Gettime.ProbeWaitThread->Resume();
  Gettime.ProbeReader->Resume();
}

void ProbeFinished() {
  Gettime.ProbeProcess.reset();
  if (Gettime.ProbeOutPipe) Gettime.ProbeOutPipe->Close();
  if (Gettime.ProbeInPipe) Gettime.ProbeInPipe->Close();
  Gettime.ProbeOutPipe.reset();
  Gettime.ProbeInPipe.reset();
  RetireThreads(std::move(Gettime.ProbeWaitThread), std::move(Gettime.ProbeReader));
}

void EndMediaProbe() {
  if (Gettime.ProbeProcess) Gettime.ProbeProcess->Terminate();
  if (Gettime.ProbeOutPipe) Gettime.ProbeOutPipe->Close();
  if (Gettime.ProbeInPipe) Gettime.ProbeInPipe->Close();
  Gettime.ProbeProcess.reset();
  Gettime.ProbeOutPipe.reset();
  Gettime.ProbeInPipe.reset();
  if (Gettime.ProbeWaitThread) Gettime.ProbeWaitThread->Abandon();
  if (Gettime.ProbeReader) Gettime.ProbeReader->Abandon();
  RetireThreads(std::move(Gettime.ProbeWaitThread), std::move(Gettime.ProbeReader));
  Gettime.ProbeBusy = false;
}
