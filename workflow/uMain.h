#pragma once
// The work window that plays a presentation in its browser while the capture library captures it,
// and the program's own slide-timing probe, picture comparison and window thumbnail for the
// presentation preview.
#include <QImage>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "forms.h"
#include "win.h"

class TBitmap;
class TGlass;
class TPanel;
class TWebBrowser;

class TfrmPPTToVideo : public TForm {
public:
  explicit TfrmPPTToVideo(TComponent *owner = nullptr);
  ~TfrmPPTToVideo() override;

  TPanel *Panel1 = nullptr;
  TWebBrowser *WB = nullptr;
  TGlass *Glass1 = nullptr;

  // Reads the presentation's slide count through the library, with one retry; a second failure is
  // reported to the main window as WM_CONVERT_ERROR. Never throws.
  void LoadPresentation(const std::string &Path);

  void FormCreate();
  void FormClose(TCloseAction &Action);
  void WBDocumentComplete(const std::string &URL);
  // A file that the browser cannot show would only give blank captures, so the conversion ends with
  // a message naming it and the reason.
  void WBNavigateError(const std::string &URL, const std::string &Reason);

protected:
  void showEvent(QShowEvent *event) override;
};

extern TfrmPPTToVideo *frmPPTToVideo;

namespace uMain {

// One slide of the program's own slide table.
struct TSlideTiming {
  std::string SlideNumber;
  std::string AdvanceOnClick;  // "T" / "F"
  std::string AdvanceOnTime;   // "T" / "F"
  std::string AdvanceTime;     // seconds, "2" when the slide does not advance on time
};

using TPrintWindowProc = bool (*)(win::HWND, QImage &);

// The unit's globals; `uMain::Globals = {}` puts them back to their start values.
struct TGlobals {
  std::string PresentationFile;  // the presentation being converted
  int SlideCount = 0;            // the library's answer for it
  int CurrentSlide = 0;          // DocumentComplete events counted
  int RetryCount = 0;            // attempts of ReadSlideTimings since its last success
  std::vector<TSlideTiming> SlideTable;
  TPrintWindowProc PrintWindowProc = &win::PrintWindow;
};
extern TGlobals Globals;

// The preview's slide-timing probe: the slide count of FileName with its transitions in SlideTable,
// -1 when a file that is not a presentation fails. Throws std::runtime_error with "PC doesn't support
// the convertor,Please try another PC!" after two failed attempts on a presentation.
int ReadSlideTimings(const std::string &FileName);

// True when both pictures have the same colours in columns 0..Width-1 of rows 0..4; false when either
// is missing or smaller than that strip.
bool SameTopStrip(const TBitmap *A, const TBitmap *B, int Width = 141);

// A new 160 x 100 picture of the window as it paints itself; the caller owns it.
std::unique_ptr<TBitmap> CaptureWindowThumb(win::HWND Wnd);

bool KillProcessById(int Pid);
// Ends the first process of that executable name (case ignored); always true.
bool KillProcessByName(const std::string &ExeName);

// A file counts as a presentation when its lower-cased extension with the dot occurs in
// "*.ppt;*.pps;*.pot".
bool IsPresentationFile(const std::string &FileName);

}  // namespace uMain
