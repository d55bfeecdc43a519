#pragma once
// The convertor behind the library's exports, and the slide-timing table.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "component.h"
#include "win.h"

class TImage;
class TPicture;
class TTimer;

namespace media {
class TWavWriter;
class TWavReader;
class TAudioTransform;
class TARecord2;
class TAviWriter;
class TAviReader;
class TImageFile;
}  // namespace media

struct TSlideTiming {
  std::string SlideNumber;
  std::string AdvanceOnClick;  // "T" / "F"
  std::string AdvanceOnTime;   // "T" / "F"
  std::string AdvanceTime;     // seconds, "2" when the slide does not advance on time
};

// Emptied by the unload work, which may run after the library's static objects are destroyed (a
// host that ends with exit() and never unloads it): so it is never destroyed itself.
extern std::vector<TSlideTiming> &SlideTable;
extern int RetryCount;

// Slide advance state of the capture timer; kept from tick to tick and from run to run.
extern int AdvanceTickCount;
extern bool CurAdvanceOnClick;
extern bool CurAdvanceOnTime;

// The recording line that was the source before a run, and the chosen line's volume before it.
extern int SavedRecordLine;
extern int SavedRecordVolume;
// The stereo-mix line that a start step chose and that has not been given back yet; -1 when none.
extern int ChosenRecordLine;

class TConvertor : public TComponent {
public:
  explicit TConvertor(TComponent *AOwner);
  ~TConvertor() override;

  // Start step: begins recording and the 50 ms capture timer, and returns at once.
  void BeginMP3AudioOfPPT();
  void TimerTick();
  void CaptureFrame();
  // Before a tick of the timer: the places of the ticks it came too late for.
  void KeepFramesInStep();
  // Ends the capture phase inside the tick: stops the recording and assembles the videos.
  void FinishCapture();
  void AdvanceSlide(bool OnClick);
  bool IsEndScreenReached() const;

  void StartRecording();
  void RecordPlayBack();
  void StopRecording();
  int CountUsableFrames();
  void ComposePicsToAVI();
  int TotalProgressUnits() const;
  void CreateFinalVideo();

  // Both return false when the convertor was freed while the host handled the message.
  bool SendProgress(const char *text, int progress);
  bool SendError(const char *text, int flag);

  bool FBusy = false;
  bool FStop = false;
  int FCaptureCount = 0;
  std::shared_ptr<TPicture> FRefPicture;
  std::shared_ptr<TPicture> FCapturePicture;
  TImage *FCallbackImage = nullptr;
  win::HWND FMainWnd = 0;
  win::HWND FPreviewWnd = 0;
  TTimer *FTimer = nullptr;
  std::unique_ptr<media::TWavWriter> FAudioFile;
  std::unique_ptr<media::TWavReader> FAudioReader;
  std::unique_ptr<media::TAudioTransform> FAudioTransform;
  std::unique_ptr<media::TARecord2> FAudioRecorder;
  std::unique_ptr<media::TAviWriter> FFrameVideo;
  std::unique_ptr<media::TAviReader> FVideoReader;
  std::unique_ptr<media::TAviWriter> FFinalVideo;
  std::unique_ptr<media::TImageFile> FImgFile;
  int FSlideCount = 0;
  int FCurrentSlide = 0;
  bool FIsPPT = false;
  float FTotalTime = 0;
  // When the recording began: frame k of the video shows the window k x 50 ms later.
  std::chrono::steady_clock::time_point FRecordingStarted;

private:
  // Pumps the host's messages; false when the convertor was freed meanwhile, so that the step
  // that pumped returns without touching it.
  bool PumpMessages();
  // A step that ran into a failure nobody above it can take: report it and end the run.
  void AbandonRun(const std::string &message);

  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

// The one convertor; nil until an export creates it.
extern TConvertor *Convertor;
// Owner of a convertor created by the probe; freed when the library unloads.
extern TComponent *LibraryApplication;

// The library's load and unload work, run by the loader around the library's life.
void KestruneLoad();
void KestruneUnload();

// "General" decimal text of a transition time, with the system's decimal separator.
std::string AdvanceTimeText(float seconds);

// Bitmap 1 of "Resource.dll", the end-of-show screen; an empty picture when it cannot be loaded.
std::shared_ptr<TPicture> LoadReferencePicture();
// The capture timer's interval: 20 pictures a second.
constexpr int kCaptureIntervalMs = 50;
// Frames per second that make `frames` frames last exactly as long as a recording of `totalTime` ms
// (a recording of no length counts as one second).
double FrameRateFor(int frames, float totalTime);
// "File is Being Created" with as many dots as the clock's second modulo 6.
std::string FileBeingCreatedText(int second);
