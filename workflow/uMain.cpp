#include "uMain.h"

#include <QGuiApplication>
#include <QLocale>
#include <QPointer>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <stdexcept>

#include "Kestrune.h"
#include "MyPanel.h"
#include "canvas.h"
#include "controls.h"
#include "files.h"
#include "main.h"
#include "ppt_automation.h"
#include "process.h"
#include "webbrowser.h"

TfrmPPTToVideo *frmPPTToVideo = nullptr;

namespace uMain {
TGlobals Globals;
}

namespace {

using uMain::Globals;

const char *kLoadError = "Load PPT File(S) Error,Please try again !\r\nOr your PC doesn't support the convertor !";
const char *kConvertorUnsupported = "PC doesn't support the convertor,Please try another PC!";

win::HWND MainFormHandle() { return fm_main ? fm_main->Handle() : 0; }

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

}  // namespace

// ---- The work window ----

TfrmPPTToVideo::TfrmPPTToVideo(TComponent *owner) : TForm(owner) {
  win::SetClassName(Handle(), "TfrmPPTToVideo");
  SetName("frmPPTToVideo");
  // A borderless tool window without a task-bar button, never mapped on screen but laid out,
  // painted and printable like a shown one.
  setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
  setAttribute(Qt::WA_DontShowOnScreen);
  SetCaption("Operating...");
  SetClientSize(820, 680);

  Panel1 = new TPanel(this, this);
  Panel1->SetName("Panel1");
  Panel1->SetBounds(0, 0, 817, 605);
  Panel1->SetCaption("");

  WB = new TWebBrowser(Panel1, this);
  WB->SetName("WB");
  WB->setGeometry(0, 0, 816, 600);
  WB->OnDocumentComplete = [this](const std::string &url) { WBDocumentComplete(url); };
  WB->OnNavigateError = [this](const std::string &url, const std::string &reason) { WBNavigateError(url, reason); };

  Glass1 = new TGlass(Panel1, this);
  Glass1->SetName("Glass1");
  Glass1->SetAlign(TGlass::alClient);
  Glass1->SetColor(clWhite);
  Glass1->SetCtl3D(false);
  Glass1->SetStyle(TGlassStyle::gsSrcAnd);

  OnCreate = [this] { FormCreate(); };
  OnClose = [this](TCloseAction &action) { FormClose(action); };
}

TfrmPPTToVideo::~TfrmPPTToVideo() {
  // The browser outlives this part of the window while the owner frees its components.
  WB->OnDocumentComplete = nullptr;
  WB->OnNavigateError = nullptr;
  if (frmPPTToVideo == this) frmPPTToVideo = nullptr;
}

void TfrmPPTToVideo::showEvent(QShowEvent *event) {
  if (QScreen *screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
  }
  TForm::showEvent(event);
}

void TfrmPPTToVideo::FormCreate() {
  PassMainFrmHandlesToDLL(Handle(), WB->Handle());
  Globals.SlideCount = 0;
  Globals.CurrentSlide = 0;
}

void TfrmPPTToVideo::LoadPresentation(const std::string &Path) {
  // The probe runs the message loop: a Stop handled there frees this window, and a stopped load
  // neither retries nor reports.
  const QPointer<TfrmPPTToVideo> self = this;
  try {
    Globals.PresentationFile = Path;
    Globals.SlideCount = GetPPTFileSlidesCount(Path.c_str());
  } catch (...) {
    if (!self) return;
    // Give the library a clean start before the one retry.
    try {
      WB->Navigate("");
      EndConvert();
      Globals.SlideCount = GetPPTFileSlidesCount(Path.c_str());
    } catch (...) {
      if (!self) return;
      // The last step: handling the error, the main window frees this window.
      win::SendMessage(MainFormHandle(), WM_CONVERT_ERROR, reinterpret_cast<win::WPARAM>(kLoadError), 0);
    }
  }
}

void TfrmPPTToVideo::WBDocumentComplete(const std::string &URL) {
  if (!uMain::IsPresentationFile(Globals.PresentationFile)) return;
  Globals.CurrentSlide = Globals.CurrentSlide + 1;
  PassCurrProgessToDLL(Globals.CurrentSlide);
  win::SendMessage(MainFormHandle(), WM_CONVERT_PROGRESS, 0, win::MulDiv(Globals.CurrentSlide, 50, Globals.SlideCount));
}

void TfrmPPTToVideo::WBNavigateError(const std::string &URL, const std::string &Reason) {
  // A show application that cannot start, or dies, is the capture's to report: it watches for it.
  if (uMain::IsPresentationFile(Globals.PresentationFile) && WB->ShowApplicationFailed()) return;
  const std::string text =
      win::ExtractFileName(Globals.PresentationFile) + " cannot be shown, so it cannot be converted.\r\n" + Reason;
  // The last step: handling the error, the main window frees this window.
  win::SendMessage(MainFormHandle(), WM_CONVERT_ERROR, reinterpret_cast<win::WPARAM>(text.c_str()), 0);
}

void TfrmPPTToVideo::FormClose(TCloseAction &Action) { EndConvert(); }

// ---- The preview's probe and pictures ----

namespace uMain {

namespace {

win::HWND FindPowerPointFrame() {
  if (win::HWND frame = win::FindWindow("", "Microsoft PowerPoint")) return frame;
  for (int n = 0; n <= 20; ++n)
    if (win::HWND frame = win::FindWindow("PP" + std::to_string(n) + "FrameClass", "")) return frame;
  return 0;
}

void ClosePowerPoint(ppt::Application &application) {
  application.Close();
  application.Quit();
}

// The transition time as general decimal text, with the system's decimal separator.
std::string AdvanceTimeText(float seconds) {
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, seconds);
  std::string text(buffer, ec == std::errc() ? end : buffer);
  QString separator = QLocale::system().decimalPoint();
  if (auto dot = text.find('.'); dot != std::string::npos && !separator.isEmpty() && separator != ".")
    text.replace(dot, 1, separator.toStdString());
  return text;
}

int ProbeOnce(const std::string &fileName) {
  win::ProcessMessages();
  KillProcessByName("POWERPNT.EXE");
  int result = -1;
  std::unique_ptr<ppt::Application> application;
  try {
    application = std::make_unique<ppt::Application>();
    win::SetLayeredWindowAlpha(FindPowerPointFrame(), 0);
    application->SetVisible(1);
    result = -1;
    application->Open(fileName, 0, 0, 1);
    int count = application->SlidesCount();
    // A show without slides never ends; it fails like a file that does not open.
    if (count < 1) throw ppt::EOleError("the presentation has no slides");
    std::vector<TSlideTiming> table(count);
    for (int i = 1; i <= count; ++i) {
      ppt::SlideShowTransition transition = application->Transition(i);
      TSlideTiming &row = table[i - 1];
      row.SlideNumber = std::to_string(i);
      row.AdvanceOnClick = transition.AdvanceOnClick != 0 ? "T" : "F";
      if (transition.AdvanceOnTime != 0) {
        row.AdvanceOnTime = "T";
        row.AdvanceTime = AdvanceTimeText(transition.AdvanceTime);
      } else {
        row.AdvanceOnTime = "F";
        row.AdvanceTime = "2";
      }
    }
    Globals.SlideTable = std::move(table);
    result = count;
    Globals.RetryCount = 0;
  } catch (const std::exception &) {
    result = -1;
  }
  win::ProcessMessages();
  if (application) {
    try {
      ClosePowerPoint(*application);
    } catch (const std::exception &) {
      try {
        ClosePowerPoint(*application);
      } catch (const std::exception &) {
      }
    }
  }
  return result;
}

}  // namespace

int ReadSlideTimings(const std::string &FileName) {
  int result = -1;
  bool isPPT = false;
  do {
    ++Globals.RetryCount;
    if (Globals.RetryCount >= 3) {
      Globals.RetryCount = 0;
      throw std::runtime_error(kConvertorUnsupported);
    }
    isPPT = IsPresentationFile(FileName);
    result = ProbeOnce(FileName);
  } while (result == -1 && isPPT);
  return result;
}

bool SameTopStrip(const TBitmap *A, const TBitmap *B, int Width) {
  if (!A || !B) return false;
  const QImage &a = A->Image();
  const QImage &b = B->Image();
  constexpr int kRows = 5;
  // A picture without the whole strip matches nothing, so an empty reference never ends a show.
  if (a.width() < Width || b.width() < Width || a.height() < kRows || b.height() < kRows) return false;
  for (int y = 0; y < kRows; ++y)
    for (int x = 0; x < Width; ++x)
      if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF)) return false;
  return true;
}

std::unique_ptr<TBitmap> CaptureWindowThumb(win::HWND Wnd) {
  auto bitmap = std::make_unique<TBitmap>(160, 100);
  bitmap->SetPixelFormat(TPixelFormat::pf24bit);
  QImage pixels = bitmap->Image();
  if (Globals.PrintWindowProc) Globals.PrintWindowProc(Wnd, pixels);
  bitmap->SetImage(pixels);
  return bitmap;
}

bool KillProcessById(int Pid) { return win::TerminateProcess(Pid); }

bool KillProcessByName(const std::string &ExeName) {
  std::string wanted = Upper(ExeName);
  for (const win::TProcessEntry &entry : win::ProcessSnapshot()) {
    if (Upper(entry.ExeFile) == wanted) {
      KillProcessById(entry.Pid);
      break;
    }
  }
  return true;
}

bool IsPresentationFile(const std::string &FileName) {
  std::string ext = win::ExtractFileExt(FileName);
  if (ext.empty()) return false;
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return std::string("*.ppt;*.pps;*.pot").find(ext) != std::string::npos;
}

}  // namespace uMain
