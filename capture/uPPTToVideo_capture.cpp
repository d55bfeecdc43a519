// The convertor's capture loop: the 50 ms tick, slide advance through the browser's window tree,
// and the end of the capture phase.
#include <algorithm>
#include <chrono>
#include <exception>
#include <string>

#include "Kestrune.h"
#include "image.h"
#include "keyboard.h"
#include "timer.h"
#include "uCommFunctions.h"
#include "uPPTToVideo.h"

int AdvanceTickCount = 0;
bool CurAdvanceOnClick = false;
bool CurAdvanceOnTime = false;

namespace {

const char *kPowerPointGone = "POWERPOINT doesn't exist or closed,Please install it or try again !";

// The first child of `parent` with the class, and with an empty title when `untitled`; 0 under no window.
win::HWND FirstChild(win::HWND parent, const char *className, bool untitled = false) {
  if (!parent) return 0;
  for (win::HWND child = win::FindWindowEx(parent, 0, className, ""); child;
       child = win::FindWindowEx(parent, child, className, ""))
    if (!untitled || win::GetWindowText(child).empty()) return child;
  return 0;
}

}  // namespace

void TConvertor::TimerTick() {
  if (FStop) {
    FBusy = false;
    FTimer->SetEnabled(false);
    return;
  }
  FBusy = true;
  std::shared_ptr<bool> alive = FAlive;
  try {
    if (FIsPPT && !IsProcessRunning("POWERPNT.EXE")) {
      FTimer->SetEnabled(false);
      if (!SendError(kPowerPointGone, 1)) return;
      StopRecording();
      FStop = true;
      FBusy = false;
      return;
    }

    if (!SlideTable.empty()) {
      FCurrentSlide = std::min(FCurrentSlide, FSlideCount);
      if (FCurrentSlide >= 1 && FCurrentSlide <= int(SlideTable.size())) {
        const TSlideTiming &row = SlideTable[std::size_t(FCurrentSlide - 1)];
        CurAdvanceOnClick = row.AdvanceOnClick == "T";
        CurAdvanceOnTime = row.AdvanceOnTime == "T";
      }
    }

    if (CurAdvanceOnTime) {
      // The slide advances by itself.
      CaptureFrame();
    } else if (FIsPPT) {
      ++AdvanceTickCount;
      if (AdvanceTickCount >= 15) {
        AdvanceTickCount = 0;
        if (FCurrentSlide <= FSlideCount) AdvanceSlide(CurAdvanceOnClick);
        if (!*alive) return;
        if (!SendProgress(nullptr, win::MulDiv(std::min(FCurrentSlide, FSlideCount), 50, FSlideCount))) return;
      }
      CaptureFrame();
    }
    if (!*alive) return;

    if (!FIsPPT) {
      CaptureFrame();
      if (!*alive) return;
      if (!SendProgress(nullptr, win::MulDiv(FCaptureCount, 50, 100))) return;
      if (FCaptureCount >= 100) FinishCapture();
    } else if (FCurrentSlide >= FSlideCount && IsEndScreenReached()) {
      FinishCapture();
    }
    if (!*alive) return;
    FBusy = false;
  } catch (const std::exception &error) {
    // A failure here has no caller to go to but the message loop; the host hears of it instead.
    if (*alive) AbandonRun(error.what());
  }
}

void TConvertor::CaptureFrame() {
  ++FCaptureCount;
  std::string status = "Capture No." + std::to_string(FCaptureCount) + "......";
  if (!SendProgress(status.c_str(), 0)) return;
  CaptureWindowToPicture(FPreviewWnd, FCallbackImage, FCapturePicture.get());
}

void TConvertor::KeepFramesInStep() {
  // The frames become a video of evenly spaced pictures, one per 50 ms of the recording. A tick
  // that comes late (a busy machine) leaves the picture of before in the places it missed, so that
  // the pictures keep in step with the sound recorded meanwhile.
  if (!CaptureList || CaptureList->isEmpty()) return;
  const auto slot = (std::chrono::steady_clock::now() - FRecordingStarted) / std::chrono::milliseconds(kCaptureIntervalMs);
  while (CaptureList->size() < slot) CaptureList->append(CaptureList->last());
}

void TConvertor::FinishCapture() {
  std::shared_ptr<bool> alive = FAlive;
  FTimer->SetEnabled(false);
  StopRecording();
  WriteCapturedJpegs();
  if (*alive) ComposePicsToAVI();
}

void TConvertor::AdvanceSlide(bool OnClick) {
  // From the host's work window down to the slide-show pane of its browser.
  win::HWND pane = FirstChild(win::GetParent(win::GetParent(FPreviewWnd)), "TPanel", true);
  for (const char *className : {"Shell Embedding", "Shell DocObject View", "childclass", "childclass", "paneClassDC"})
    pane = FirstChild(pane, className);
  if (!pane) return;
  win::SetForegroundWindow(pane);
  win::SetFocus(pane);
  if (OnClick)
    win::PostMessage(pane, win::WM_LBUTTONDBLCLK, 0, 0);
  else
    win::keybd_event(win::VK_NEXT, 0, 0, 0);
}

bool TConvertor::IsEndScreenReached() const { return SameTopStrip(FRefPicture.get(), FCapturePicture.get(), 800); }
