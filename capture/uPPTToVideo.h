#pragma once
// The convertor behind the library's exports, and the slide-timing table.
#include <memory>
#include <string>
#include <vector>

#include "component.h"
#include "win.h"

class TImage;
class TPicture;
class TTimer;

struct TSlideTiming {
  std::string SlideNumber;
  std::string AdvanceOnClick;  // "T" / "F"
  std::string AdvanceOnTime;   // "T" / "F"
  std::string AdvanceTime;     // seconds, "2" when the slide does not advance on time
};

extern std::vector<TSlideTiming> SlideTable;
extern int RetryCount;

class TConvertor : public TComponent {
public:
  explicit TConvertor(TComponent *AOwner);
  ~TConvertor() override;

  // Start step: begins recording and the 50 ms capture timer, and returns at once.
  void BeginMP3AudioOfPPT();
  void TimerTick();
  void StopRecording();

  void SendProgress(const char *text, int progress);
  void SendError(const char *text, int flag);

  bool FBusy = false;
  bool FStop = false;
  int FCaptureCount = 0;
  std::shared_ptr<TPicture> FRefPicture;
  std::shared_ptr<TPicture> FCapturePicture;
  TImage *FCallbackImage = nullptr;
  win::HWND FMainWnd = 0;
  win::HWND FPreviewWnd = 0;
  TTimer *FTimer = nullptr;
  int FSlideCount = 0;
  int FCurrentSlide = 0;
  bool FIsPPT = false;
  float FTotalTime = 0;
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
