#include "uPPTToVideo.h"

#include <QLocale>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "Kestrune.h"
#include "arecord2.h"
#include "audiotransform.h"
#include "avireader.h"
#include "aviwriter.h"
#include "files.h"
#include "image.h"
#include "imagefile.h"
#include "library.h"
#include "wavfile.h"
#include "ppt_automation.h"
#include "timer.h"
#include "uCommFunctions.h"

namespace {
union TSlideTableHolder {
  std::vector<TSlideTiming> Table;
  constexpr TSlideTableHolder() : Table() {}
  ~TSlideTableHolder() {}  // leaves Table alone
} SlideTableHolder;
}  // namespace
std::vector<TSlideTiming> &SlideTable = SlideTableHolder.Table;
int RetryCount = 0;
TConvertor *Convertor = nullptr;
TComponent *LibraryApplication = nullptr;

namespace {

const char *kConvertorUnsupported = "PC doesn't support the convertor,Please try another PC!";

TComponent *ApplicationObject() {
  if (!LibraryApplication) LibraryApplication = new TComponent;
  return LibraryApplication;
}

void EnsureConvertor(TComponent *owner) {
  if (!Convertor) Convertor = new TConvertor(owner);
}

}  // namespace

TConvertor::TConvertor(TComponent *AOwner) : TComponent(AOwner) {
  FTimer = new TTimer(this);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(kCaptureIntervalMs);
  FTimer->OnTimer = [this] {
    KeepFramesInStep();
    TimerTick();
  };
  FCaptureCount = 0;
  FTotalTime = 0;
  FCapturePicture = std::make_shared<TPicture>();
  FRefPicture = LoadReferencePicture();
  FAudioFile = std::make_unique<media::TWavWriter>();
  FAudioReader = std::make_unique<media::TWavReader>();
  FAudioTransform = std::make_unique<media::TAudioTransform>();
  FImgFile = std::make_unique<media::TImageFile>();
  FFrameVideo = std::make_unique<media::TAviWriter>();
  FVideoReader = std::make_unique<media::TAviReader>();
  FFinalVideo = std::make_unique<media::TAviWriter>();
  FAudioRecorder = std::make_unique<media::TARecord2>();
  FAudioRecorder->OnEndArrayRecord = [this] { RecordPlayBack(); };
}

TConvertor::~TConvertor() {
  FStop = true;
  // Everything runs on one thread: a step that is still busy is below us on the stack, inside its
  // own message pumping, and cannot finish before we return. It sees FAlive cleared at its next
  // pump or message and returns without touching the freed convertor.
  *FAlive = false;
  FTimer->SetEnabled(false);
  if (FAudioRecorder) FAudioRecorder->OnEndArrayRecord = nullptr;
  if (Convertor == this) Convertor = nullptr;
}

bool TConvertor::SendProgress(const char *text, int progress) {
  std::shared_ptr<bool> alive = FAlive;
  win::SendMessage(FMainWnd, WM_CONVERT_PROGRESS, reinterpret_cast<win::WPARAM>(text), progress);
  return *alive;
}

bool TConvertor::SendError(const char *text, int flag) {
  std::shared_ptr<bool> alive = FAlive;
  win::SendMessage(FMainWnd, WM_CONVERT_ERROR, reinterpret_cast<win::WPARAM>(text), flag);
  return *alive;
}

bool TConvertor::PumpMessages() {
  std::shared_ptr<bool> alive = FAlive;
  win::ProcessMessages();
  return *alive;
}

void TConvertor::AbandonRun(const std::string &message) {
  FTimer->SetEnabled(false);
  FStop = true;
  try {
    StopRecording();
  } catch (const std::exception &) {
    // The run is given up already; the error below is what the host learns.
  }
  FBusy = false;
  SendError(("Error:" + message).c_str(), 0);
}

void TConvertor::BeginMP3AudioOfPPT() {
  if (!FCallbackImage) FCapturePicture = std::make_shared<TPicture>();
  FCaptureCount = 0;
  FStop = false;
  // Captures of a run that was stopped before its frames were written belong to no video.
  if (CaptureList) CaptureList->clear();
  try {
    StartRecording();
  } catch (const std::exception &error) {
    AbandonRun(error.what());
    return;
  }
  FTimer->SetEnabled(true);
  SendProgress("Creating Picture Files...... ", 1);
}

std::shared_ptr<TPicture> LoadReferencePicture() {
  auto picture = std::make_shared<TPicture>();
  win::HMODULE module = win::LoadLibrary("Resource.dll");
  QImage bitmap;
  if (module && win::LoadBitmap(module, 1, bitmap)) picture->Assign(bitmap);
  win::FreeLibrary(module);
  return picture;
}

std::string AdvanceTimeText(float seconds) {
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, seconds);
  std::string text(buffer, ec == std::errc() ? end : buffer);
  QString separator = QLocale::system().decimalPoint();
  if (auto dot = text.find('.'); dot != std::string::npos && !separator.isEmpty() && separator != ".")
    text.replace(dot, 1, separator.toStdString());
  return text;
}

// ---- Load and unload ----

void KestruneLoad() {
  std::string why;
  if (!IsSafeWorkingFolder(WorkingFolder(), why)) {
    // The folder is emptied at every unload: never let it be one that holds the user's files.
    std::fprintf(stderr, "Kestrune: %s; set VANTREL_WORKDIR to a folder of its own.\n", why.c_str());
    std::_Exit(1);
  }
  CaptureList = new QList<QByteArray>;
  LibraryApplication = new TComponent;
  SetPowerPointEditFlags(0x10000);
  EnsureWorkingFolder();
}

void KestruneUnload() {
  SetPowerPointEditFlags(0);
  ClearWorkingFolder();
  std::string why;
  if (IsSafeWorkingFolder(WorkingFolder(), why)) win::RemoveDirectory(WorkingFolder());
  // Its memory goes too, since the table itself is never destroyed.
  std::vector<TSlideTiming>().swap(SlideTable);
  delete LibraryApplication;
  LibraryApplication = nullptr;
  delete CaptureList;
  CaptureList = nullptr;
}

// ---- The slide-timing probe ----

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

int ProbeOnce(const std::string &fileName) {
  win::ProcessMessages();
  KillProcessByName("POWERPNT.EXE");
  int result = -1;
  std::unique_ptr<ppt::Application> application;
  try {
    application = std::make_unique<ppt::Application>();
    // The application shows no window here; where one exists it is kept out of sight.
    win::SetLayeredWindowAlpha(FindPowerPointFrame(), 0);
    application->SetVisible(1);
    result = -1;
    application->Open(fileName, 0, 0, 1);
    int count = application->SlidesCount();
    // An empty presentation cannot be shown; it fails like a file that does not open.
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
    SlideTable = std::move(table);
    result = count;
    EnsureConvertor(ApplicationObject());
    Convertor->FSlideCount = count;
    Convertor->FIsPPT = true;
    RetryCount = 0;
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

// ---- Exports ----

extern "C" {

const char *GetWebAddress(std::int32_t Id) {
  // The text stays valid until the next call.
  static char buffer[256];
  buffer[0] = '\0';
  win::HMODULE module = win::LoadLibrary("Resource.dll");
  win::LoadString(module, static_cast<unsigned>(Id), buffer, sizeof buffer);
  win::FreeLibrary(module);
  return buffer;
}

void EndConvert() {
  if (!Convertor) return;
  try {
    Convertor->StopRecording();
  } catch (const std::exception &) {
    // The host is ending the conversion; a recording that cannot be closed cleanly is dropped
    // with the folder below.
  }
  Convertor->FStop = true;
  ClearWorkingFolder();
}

void PassCurrProgessToDLL(std::int32_t SlideNo) {
  if (Convertor) Convertor->FCurrentSlide = SlideNo;
}

void StartConvert() {
  EnsureConvertor(nullptr);
  ClearWorkingFolder();
  EnsureWorkingFolder();
  Convertor->BeginMP3AudioOfPPT();
}

void PassMainFrmHandlesToDLL(win::HWND MainWnd, win::HWND PreviewWnd) {
  EnsureConvertor(nullptr);
  Convertor->FMainWnd = MainWnd;
  Convertor->FPreviewWnd = PreviewWnd;
}

void SetCallBackPictureObject(TImage *Image) {
  EnsureConvertor(nullptr);
  if (Image) {
    Image->SetAutoSize(true);
    Convertor->FCapturePicture = Image->Picture();
    Convertor->FCallbackImage = Image;
  } else {
    Convertor->FCapturePicture = std::make_shared<TPicture>();
    Convertor->FCallbackImage = nullptr;
  }
}

std::int32_t GetPPTFileSlidesCount(const char *FileName) {
  std::string fileName = FileName ? FileName : "";
  int result = -1;
  bool isPPT = false;
  do {
    ++RetryCount;
    if (RetryCount >= 3) {
      RetryCount = 0;
      throw std::runtime_error(kConvertorUnsupported);
    }
    isPPT = IsPresentationFile(fileName);
    EnsureConvertor(ApplicationObject());
    if (!isPPT) {
      Convertor->FIsPPT = false;
      RetryCount = 0;
      return 100;
    }
    result = ProbeOnce(fileName);
  } while (result == -1 && isPPT);
  return result;
}

}  // extern "C"
