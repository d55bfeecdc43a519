#pragma once
// The encoder runner: turns the job record into the encoder's command line, runs it with its console
// in a pipe, moves the encoder phase of the progress bar, and goes on when the encoder has ended.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "main.h"
#include "process.h"

// A worker thread with the framework's shape: made suspended, started by Resume, and handing work
// to the GUI thread through Synchronize, which waits until the GUI thread has run it.
class TThread {
public:
  TThread() = default;
  virtual ~TThread();
  TThread(const TThread &) = delete;
  TThread &operator=(const TThread &) = delete;

  void Resume();
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }
  // Execute has returned (or the thread was never started).
  bool Finished() const { return FFinished; }
  // Waits up to timeoutMs (negative: no limit) for Execute to return; true when it has.
  // Never call it on the GUI thread for a thread that may be waiting in Synchronize: Abandon first.
  bool WaitFor(int timeoutMs = -1);
  // From now on Synchronize returns without running anything; a call not yet begun is dropped.
  // GUI thread; used when the job the thread serves has been given up.
  void Abandon();

protected:
  virtual void Execute() = 0;
  // Runs method on the GUI thread and waits for it; on the GUI thread itself it runs at once.
  void Synchronize(const std::function<void()> &method);
  // Derived destructors call this first, so that Execute never sees a half-destroyed object.
  void EndThread();

private:
  void Run();
  std::thread FThread;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{true};
  std::mutex FLock;
  std::condition_variable FEnded;
  bool FAbandoned = false;  // under the lock of the synchronised calls
};

// Runs the calls that worker threads have handed to the GUI thread. GUI thread only.
void CheckSynchronize();

// Reads a process's console piece by piece and hands each piece to the GUI thread.
class TPipeReader : public TThread {
public:
  std::string FOutput;                 // read and not yet consumed
  std::shared_ptr<win::TPipe> FPipe;   // the pipe end it reads
  // The process has ended: a pipe that then stays silent counts as ended, even if some other
  // process still holds its write end.
  std::atomic<bool> FSourceEnded{false};
  // Drops what it has not handed over yet and closes its pipe, so that a read in progress returns.
  void Release();

protected:
  // Reads pieces of up to Size bytes until the pipe ends, running Parse on the GUI thread after each.
  void ReadPieces(std::size_t Size, const std::function<void()> &Parse);
  // Derived destructors call this first: Release, then the end of the thread.
  void EndReading();
};

// Reads the encoder's console 256 bytes at a time.
class TProcessor : public TPipeReader {
public:
  ~TProcessor() override;
  // GUI thread, the reader waiting: turns finished lines into progress.
  void ParseEncoderOutput();

protected:
  void Execute() override;
};

// Waits for a process to end and then for its reader; derived classes report the end.
class TPipeWaitThread : public TThread {
public:
  std::shared_ptr<win::TProcess> FProcess;  // null when the start failed
  // Joined before the end is reported, so that every line is parsed before the next job can start.
  std::shared_ptr<TPipeReader> FReader;

protected:
  // The process's exit code (-1 when it never started), once it and the reader have both ended.
  int WaitForProcessAndReader();
  // Derived destructors call this first: ends the process, releases the reader, ends the thread.
  void EndWaiting();
};

// Waits for the encoder to end, then for its reader, then reports the end on the GUI thread.
class TClientWaitThread : public TPipeWaitThread {
public:
  ~TClientWaitThread() override;

protected:
  void Execute() override;
};

// Globals of unit convertTh. The job's objects are GUI-thread state; the threads hold their own
// references to what they use.
struct ConvertThGlobals {
  std::shared_ptr<win::TProcess> EncoderProcess;  // null when none runs
  std::shared_ptr<win::TPipe> EncoderOutPipe;     // read end of the encoder's stdout+stderr
  std::shared_ptr<win::TPipe> EncoderInPipe;      // write end of its stdin; never written
  std::shared_ptr<TClientWaitThread> EncoderWaitThread;
  std::shared_ptr<TProcessor> EncoderReader;
  // Exit code of the encoder whose end was reported last; -1 when it could not be started.
  int EncoderExitCode = 0;
  // Threads of finished jobs, (wait thread, reader), freed once they have ended.
  std::vector<std::pair<std::shared_ptr<TThread>, std::shared_ptr<TThread>>> RetiredThreads;
};
extern ConvertThGlobals ConvertTh;

// An argument as the command-line splitter reads it back whole: in double quotes when it holds a
// blank, a tab or a quote or is empty (with its quotes and the backslashes before them escaped),
// else unchanged.
std::string QuoteIfBlank(const std::string &Text);
// The same for the program name, the first word, which the splitter reads by simpler rules.
std::string QuoteProgramIfBlank(const std::string &Text);
// Whole seconds of the first "time=" (up to its "."), when a "bitrate=" follows it; else 0.
int ParseProgressSeconds(const std::string &Text);
// "HH:MM:SS" in seconds; 0 when a part is not a number.
int TimeTextToSeconds(const std::string &Text);
// The encoder's command line for a job: its sixteen pieces joined.
std::string EncoderCommandLine(const intputrec &Job);

// Starts the encoder on a copy of the job and returns at once.
void StartEncoderJob(const intputrec &Job);
// GUI thread, once the encoder has ended and its output has been read.
void OnEncoderFinished();
// Gives up the running job, if any: ends its process, closes its pipes, and drops whatever its threads
// have not yet handed to the GUI thread. GUI thread.
void EndEncoderJob();

// Starts a command line, split by Windows' rules, in WorkDir with its stdin and its stdout+stderr in
// pipes; null when it cannot start.
std::shared_ptr<win::TProcess> StartPipedProcess(const std::string &CommandLine, const std::string &WorkDir);
// A reader thread's loop: reads pieces of up to Size bytes until the pipe fails or ends, or stays
// silent once SourceEnded is set; appends each piece (up to a NUL) to Output and runs Parse. What
// Parse leaves is dropped once it grows past MaxUnfinishedLine.
constexpr std::size_t MaxUnfinishedLine = 64 * 1024;
void ReadPipePieces(const std::shared_ptr<win::TPipe> &Pipe, std::size_t Size, std::string &Output,
                    const std::atomic<bool> &SourceEnded, const std::function<void()> &Parse);
// Runs OnLine once for each complete line at the start of Output (CR, LF and CR LF each end one),
// then erases those lines; an unfinished last line stays for the next piece.
void ConsumeLines(std::string &Output, const std::function<void()> &OnLine);

// Keeps a finished job's two threads until they have ended; the wait thread is freed first.
void RetireThreads(std::shared_ptr<TThread> WaitThread, std::shared_ptr<TThread> Reader);
// Frees retired threads that have ended; with all, also ends and frees the others. GUI thread.
void FreeRetiredThreads(bool All = false);

// A whole text read as an integer the way the system reads numbers: an optional sign and decimal
// digits, nothing else; false when it is not one or does not fit.
bool TryStrToInt64(const std::string &Text, long long &Value);
bool TryStrToInt(const std::string &Text, int &Value);
