#include "convertTh.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <charconv>
#include <cstring>
#include <deque>
#include <stdexcept>

#include "gettime.h"
#include "win.h"

ConvertThGlobals ConvertTh;

// ---------------------------------------------------------------------------------------------------
// Threads and synchronised calls

namespace {

struct TSyncRequest {
  std::function<void()> Method;
  TThread *Thread = nullptr;
  bool Running = false;
  bool Done = false;
};

// One queue for every worker thread; the GUI thread empties it.
std::mutex SyncLock;
std::condition_variable SyncChanged;
std::deque<std::shared_ptr<TSyncRequest>> &SyncQueue() {
  static auto *queue = new std::deque<std::shared_ptr<TSyncRequest>>;
  return *queue;
}

bool OnGuiThread() {
  QCoreApplication *app = QCoreApplication::instance();
  return !app || QThread::currentThread() == app->thread();
}

}  // namespace

void CheckSynchronize() {
  for (;;) {
    std::shared_ptr<TSyncRequest> request;
    {
      std::lock_guard<std::mutex> guard(SyncLock);
      if (SyncQueue().empty()) return;
      request = SyncQueue().front();
      SyncQueue().pop_front();
      request->Running = true;
    }
    // An exception must not unwind through the event loop; the worker goes on as after any call.
    try {
      request->Method();
    } catch (...) {
    }
    {
      std::lock_guard<std::mutex> guard(SyncLock);
      request->Running = false;
      request->Done = true;
    }
    SyncChanged.notify_all();
  }
}

TThread::~TThread() { EndThread(); }

void TThread::Resume() {
  if (FThread.joinable()) return;
  FFinished = false;
  FThread = std::thread([this] { Run(); });
}

void TThread::Run() {
  try {
    Execute();
  } catch (...) {
  }
  {
    std::lock_guard<std::mutex> guard(FLock);
    FFinished = true;
  }
  FEnded.notify_all();
}

bool TThread::WaitFor(int timeoutMs) {
  std::unique_lock<std::mutex> lock(FLock);
  if (timeoutMs < 0) {
    FEnded.wait(lock, [this] { return FFinished.load(); });
    return true;
  }
  return FEnded.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return FFinished.load(); });
}

void TThread::Abandon() {
  {
    std::lock_guard<std::mutex> guard(SyncLock);
    FAbandoned = true;
    auto &queue = SyncQueue();
    for (auto it = queue.begin(); it != queue.end();)
      it = (*it)->Thread == this ? queue.erase(it) : it + 1;
  }
  SyncChanged.notify_all();
}

void TThread::Synchronize(const std::function<void()> &method) {
  if (OnGuiThread()) {
    method();
    return;
  }
  auto request = std::make_shared<TSyncRequest>();
  request->Method = method;
  request->Thread = this;
  {
    std::lock_guard<std::mutex> guard(SyncLock);
    if (FAbandoned) return;
    SyncQueue().push_back(request);
  }
  QMetaObject::invokeMethod(QCoreApplication::instance(), [] { CheckSynchronize(); }, Qt::QueuedConnection);
  std::unique_lock<std::mutex> lock(SyncLock);
  // A call the GUI thread has begun is always waited for: it may use this object.
  SyncChanged.wait(lock, [&] { return request->Done || (FAbandoned && !request->Running); });
}

void TThread::EndThread() {
  Abandon();
  if (!FThread.joinable()) return;
  if (FThread.get_id() == std::this_thread::get_id())
    FThread.detach();
  else
    FThread.join();
}

// ---------------------------------------------------------------------------------------------------
// Retired threads

void RetireThreads(std::shared_ptr<TThread> WaitThread, std::shared_ptr<TThread> Reader) {
  if (WaitThread) WaitThread->Terminate();
  if (Reader) Reader->Terminate();
  if (WaitThread || Reader) ConvertTh.RetiredThreads.emplace_back(std::move(WaitThread), std::move(Reader));
}

void FreeRetiredThreads(bool All) {
  auto &retired = ConvertTh.RetiredThreads;
  for (std::size_t i = 0; i < retired.size();) {
    auto &[waitThread, reader] = retired[i];
    bool ended = (!waitThread || waitThread->Finished()) && (!reader || reader->Finished());
    if (!ended && !All) {
      ++i;
      continue;
    }
    // Taken out first: freeing may run nothing of ours, but the list must be whole if it did.
    auto pair = std::move(retired[i]);
    retired.erase(retired.begin() + static_cast<std::ptrdiff_t>(i));
    pair.first.reset();
    pair.second.reset();
  }
}

Tfm_main::TJobThreadsGuard::~TJobThreadsGuard() {
  EndEncoderJob();
  EndMediaProbe();
  FreeRetiredThreads(true);
}

// ---------------------------------------------------------------------------------------------------
// Texts

bool TryStrToInt64(const std::string &Text, long long &Value) {
  const char *first = Text.data();
  const char *last = first + Text.size();
  if (first != last && *first == '+') {
    ++first;
    if (first != last && *first == '-') return false;
  }
  if (first == last) return false;
  long long v = 0;
  auto [end, ec] = std::from_chars(first, last, v);
  if (ec != std::errc() || end != last) return false;
  Value = v;
  return true;
}

bool TryStrToInt(const std::string &Text, int &Value) {
  long long v = 0;
  if (!TryStrToInt64(Text, v) || v < INT32_MIN || v > INT32_MAX) return false;
  Value = static_cast<int>(v);
  return true;
}

namespace {
// What the command-line splitter would cut or drop unless it is in quotes.
bool NeedsQuotes(const std::string &Text) { return Text.empty() || Text.find_first_of(" \t\"") != std::string::npos; }
}  // namespace

std::string QuoteIfBlank(const std::string &Text) {
  if (!NeedsQuotes(Text)) return Text;
  // Backslashes are escapes only before a quote, so only there (and before the closing quote) are
  // they doubled; an inner quote is escaped.
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : Text) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    quoted += c;
    backslashes = 0;
  }
  quoted.append(2 * backslashes, '\\');
  return quoted + "\"";
}

std::string QuoteProgramIfBlank(const std::string &Text) {
  if (!NeedsQuotes(Text)) return Text;
  // In the program name backslashes are plain characters and a doubled quote is a quote.
  std::string quoted = "\"";
  for (char c : Text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

int ParseProgressSeconds(const std::string &Text) {
  const std::size_t p = Text.find("time=");
  if (p == std::string::npos) return 0;
  const std::size_t q = Text.find("bitrate=");
  if (q == std::string::npos || q <= p) return 0;
  const std::size_t digits = p + 5;
  const std::size_t dot = Text.find('.', digits);
  if (dot == std::string::npos || dot > q) return 0;
  long long seconds = 0;
  if (!TryStrToInt64(Text.substr(digits, dot - digits), seconds) || seconds > 100000) return 0;
  return static_cast<int>(seconds);
}

int TimeTextToSeconds(const std::string &Text) {
  auto part = [&Text](std::size_t at, int &value) {
    return at < Text.size() && TryStrToInt(Text.substr(at, 2), value);
  };
  int hours = 0, minutes = 0, seconds = 0;
  if (!part(0, hours) || !part(3, minutes) || !part(6, seconds)) return 0;
  return hours * 3600 + minutes * 60 + seconds;
}

std::string EncoderCommandLine(const intputrec &Job) {
  return QuoteProgramIfBlank(Job.EncoderPath) + " -y " + " -i " + QuoteIfBlank(Job.InputFile) + Job.VideoRateArg +
         Job.AudioBitrateArg + Job.ChannelsArg + Job.AspectArg + Job.StartArg + Job.LengthArg + Job.SizeArg +
         " " + Job.SampleRateArg + Job.ProfileOptions + " " + QuoteIfBlank(Job.OutputFile);
}

// ---------------------------------------------------------------------------------------------------
// The job

std::shared_ptr<win::TProcess> StartPipedProcess(const std::string &CommandLine, const std::string &WorkDir) {
  std::vector<std::string> words = win::SplitCommandLine(CommandLine);
  if (words.empty() || words[0].empty()) return nullptr;
  win::TProcessStart start;
  start.Program = words[0];
  start.Arguments.assign(words.begin() + 1, words.end());
  start.WorkDir = WorkDir;
  try {
    return std::make_shared<win::TProcess>(start);
  } catch (const std::exception &) {
    return nullptr;
  }
}

void ReadPipePieces(const std::shared_ptr<win::TPipe> &Pipe, std::size_t Size, std::string &Output,
                    const std::atomic<bool> &SourceEnded, const std::function<void()> &Parse) {
  Output.clear();
  if (!Pipe) return;
  std::vector<char> buffer(Size + 1);
  for (;;) {
    // Polled, so that a pipe another process keeps open cannot hold the reader once ours has ended.
    long n = Pipe->ReadTimeout(buffer.data(), Size, 500);
    if (n == -2) {
      if (SourceEnded) return;
      continue;
    }
    if (n <= 0) return;
    buffer[static_cast<std::size_t>(n)] = '\0';
    Output.append(buffer.data(), std::strlen(buffer.data()));
    Parse();
    // What stays is an unfinished line; one this long is none of the encoder's, and endless output
    // without a line end must not cost endless memory.
    if (Output.size() > MaxUnfinishedLine) Output.clear();
  }
}

void ConsumeLines(std::string &Output, const std::function<void()> &OnLine) {
  std::size_t consumed = 0;
  for (std::size_t i = 0; i < Output.size(); ++i) {
    const char c = Output[i];
    if ((c != '\r' && c != '\n') || i < consumed) continue;
    OnLine();
    consumed = i + 1;
    if (c == '\r' && consumed < Output.size() && Output[consumed] == '\n') ++consumed;
  }
  Output.erase(0, consumed);
}

void TPipeReader::Release() {
  Abandon();
  if (FPipe) FPipe->Close();
}

void TPipeReader::ReadPieces(std::size_t Size, const std::function<void()> &Parse) {
  ReadPipePieces(FPipe, Size, FOutput, FSourceEnded, [this, &Parse] { Synchronize(Parse); });
}

void TPipeReader::EndReading() {
  Release();
  EndThread();
}

TProcessor::~TProcessor() { EndReading(); }

void TProcessor::Execute() {
  ReadPieces(256, [this] { ParseEncoderOutput(); });
}

void TProcessor::ParseEncoderOutput() {
  // Each line end reads the progress from all that is still unconsumed.
  ConsumeLines(FOutput, [this] {
    const int t = ParseProgressSeconds(FOutput);
    if (t != 0 && fm_main) {
      if (fm_main->Timer2->Enabled()) fm_main->Timer2->SetEnabled(false);
      fm_main->SetOperationProgress(win::MulDiv(t, 200 - Main.ProgressBase, Main.EncoderJob.DurationSecs));
    }
  });
}

int TPipeWaitThread::WaitForProcessAndReader() {
  int exitCode = -1;
  if (FProcess) {
    FProcess->Wait(-1);
    exitCode = FProcess->ExitCode();
  }
  if (FReader) {
    FReader->FSourceEnded = true;
    FReader->WaitFor();
  }
  return exitCode;
}

void TPipeWaitThread::EndWaiting() {
  Abandon();
  if (FProcess) FProcess->Terminate();
  if (FReader) FReader->Release();
  EndThread();
}

TClientWaitThread::~TClientWaitThread() { EndWaiting(); }

void TClientWaitThread::Execute() {
  const int exitCode = WaitForProcessAndReader();
  // The batch driver tells a failed encoder from a finished one by it.
  Synchronize([exitCode] {
    ConvertTh.EncoderExitCode = exitCode;
    OnEncoderFinished();
  });
}

void StartEncoderJob(const intputrec &Job) {
  const intputrec job = Job;
  FreeRetiredThreads();
  // A job given up by termination whose end has not been reported yet must not report it into this one.
  if (ConvertTh.EncoderWaitThread || ConvertTh.EncoderReader) EndEncoderJob();

  auto waitThread = std::make_shared<TClientWaitThread>();
  auto reader = std::make_shared<TProcessor>();
  const std::string commandLine = EncoderCommandLine(job);

  std::shared_ptr<win::TProcess> process = StartPipedProcess(commandLine, job.WorkDir);
  ConvertTh.EncoderProcess = process;
  ConvertTh.EncoderOutPipe = process ? process->Output() : nullptr;
  ConvertTh.EncoderInPipe = process ? process->Input() : nullptr;
  waitThread->FProcess = process;
  waitThread->FReader = reader;
  reader->FPipe = ConvertTh.EncoderOutPipe;
  ConvertTh.EncoderReader = std::move(reader);
  ConvertTh.EncoderWaitThread = std::move(waitThread);
  ConvertTh.EncoderWaitThread->Resume();
  ConvertTh.EncoderReader->Resume();
}

void EndEncoderJob() {
  if (ConvertTh.EncoderProcess) ConvertTh.EncoderProcess->Terminate();
  if (ConvertTh.EncoderOutPipe) ConvertTh.EncoderOutPipe->Close();
  if (ConvertTh.EncoderInPipe) ConvertTh.EncoderInPipe->Close();
  ConvertTh.EncoderProcess.reset();
  ConvertTh.EncoderOutPipe.reset();
  ConvertTh.EncoderInPipe.reset();
  if (ConvertTh.EncoderWaitThread) ConvertTh.EncoderWaitThread->Abandon();
  if (ConvertTh.EncoderReader) ConvertTh.EncoderReader->Abandon();
  RetireThreads(std::move(ConvertTh.EncoderWaitThread), std::move(ConvertTh.EncoderReader));
}

void OnEncoderFinished() {
  ConvertTh.EncoderProcess.reset();
  if (ConvertTh.EncoderOutPipe) ConvertTh.EncoderOutPipe->Close();
  if (ConvertTh.EncoderInPipe) ConvertTh.EncoderInPipe->Close();
  ConvertTh.EncoderOutPipe.reset();
  ConvertTh.EncoderInPipe.reset();
  // The wait thread is the caller; both objects are freed once they have ended.
  RetireThreads(std::move(ConvertTh.EncoderWaitThread), std::move(ConvertTh.EncoderReader));

  Tfm_main *form = fm_main;
  if (!form) return;
  if (form->Timer2->Enabled()) form->Timer2->SetEnabled(false);
  form->SetOperationProgress(50);
  ++Main.CurItem;
  const int rows = form->lv->Count();
  if (Main.CurItem > rows - 1) {
    Main.Converting = false;
    if (Main.CurItem == rows && rows > 0) {
      if (!form->IsVideoEdition()) {
        // A title's row tells whether its file was really made.
        form->FinishDvdRow(rows - 1);
      } else {
        TStringList &subItems = form->lv->Items()[rows - 1]->SubItems();
        while (subItems.Count() < 4) subItems.Add("");
        subItems.SetStrings(3, "Finish");
      }
      form->ProgressBar1->Hide();
    }
  } else {
    form->ConvertNextDvdTitle();
  }
}

// ---------------------------------------------------------------------------------------------------
// The encoder phase of the progress bar

void Tfm_main::SetOperationProgress(int Value) {
  pbOperation->SetPosition(Timer2->Enabled() ? Value : Value + Main.ProgressBase);
}

void Tfm_main::Timer2Timer() {
  ++Main.ProgressBase;
  SetOperationProgress(Main.ProgressBase);
}
