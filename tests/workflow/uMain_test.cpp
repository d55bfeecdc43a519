// The work window against a recording stand-in of the capture library, and the preview's picture and
// process helpers.
#include "uMain.h"

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>
#include <filesystem>
#include <stdexcept>

#include "Kestrune.h"
#include "MyPanel.h"
#include "canvas.h"
#include "controls.h"
#include "kestrune_fake.h"
#include "main.h"
#include "process.h"
#include "testsupport.h"
#include "webbrowser.h"

namespace fs = std::filesystem;
using kestrune_fake::Calls;

namespace {

struct Message {
  win::UINT Msg;
  std::string Text;
  win::WPARAM WParam;
  win::LPARAM LParam;
};

// The main form, its messages kept instead of handled.
class MainFormStandIn {
public:
  MainFormStandIn() {
    testsupport::App();
    fm_main = new Tfm_main(nullptr);
    win::SetWindowProc(fm_main->Handle(), [this](win::HWND, win::UINT msg, win::WPARAM w, win::LPARAM l) {
      Seen.push_back({msg, w ? reinterpret_cast<const char *>(w) : "", w, l});
      return win::LRESULT(0);
    });
  }
  ~MainFormStandIn() {
    delete fm_main;
    fm_main = nullptr;
  }
  std::vector<Message> Seen;
};

const char *kLoadError = "Load PPT File(S) Error,Please try again !\r\nOr your PC doesn't support the convertor !";

class WorkWindow : public ::testing::Test {
protected:
  void SetUp() override {
    uMain::Globals = {};
    kestrune_fake::Reset();
  }
  void TearDown() override {
    delete Form;
    uMain::Globals = {};
    kestrune_fake::Reset();
  }
  TfrmPPTToVideo *Make() {
    Form = CreateForm<TfrmPPTToVideo>(nullptr);
    return Form;
  }

  testsupport::FreshPlaces Places;
  MainFormStandIn MainForm;
  TfrmPPTToVideo *Form = nullptr;
};

}  // namespace

// ---- The window and what the library finds in it ----

TEST_F(WorkWindow, IsABorderlessToolWindowThatNeverShowsOnScreen) {
  TfrmPPTToVideo *form = Make();
  EXPECT_EQ(form->Caption(), "Operating...");
  EXPECT_EQ(form->size(), QSize(820, 680));
  EXPECT_TRUE(form->testAttribute(Qt::WA_DontShowOnScreen));
  EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(form->windowType(), Qt::Tool) << "no task-bar button";
  EXPECT_EQ(form->parentWidget(), nullptr);
  form->Show();
  EXPECT_TRUE(form->isVisible()) << "the framework treats it as shown";
  QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(form->geometry().center(), screen.center()) << "shown in the centre of the screen";
}

TEST_F(WorkWindow, TheLibraryFindsThePanelAndTheBrowserBelowIt) {
  TfrmPPTToVideo *form = Make();
  win::HWND wb = form->WB->Handle();
  // The library walks down from the browser's grandparent.
  win::HWND top = win::GetParent(win::GetParent(wb));
  EXPECT_EQ(top, form->Handle());
  win::HWND panel = win::FindWindowEx(top, 0, "TPanel", "");
  EXPECT_EQ(panel, form->Panel1->Handle());
  EXPECT_EQ(win::GetWindowText(panel), "");
  EXPECT_EQ(win::FindWindowEx(panel, 0, "Shell Embedding", ""), wb);
  EXPECT_EQ(form->Panel1->geometry(), QRect(0, 0, 817, 605));
  EXPECT_EQ(form->WB->geometry(), QRect(0, 0, 816, 600));
  EXPECT_EQ(form->Glass1->geometry(), QRect(0, 0, 817, 605)) << "the glass covers the whole panel";
  EXPECT_EQ(form->Glass1->Style(), TGlassStyle::gsSrcAnd);
  EXPECT_EQ(form->Glass1->Color(), clWhite);
}

TEST_F(WorkWindow, CreationBindsTheLibraryToTheWindowAndItsBrowser) {
  uMain::Globals.SlideCount = 9;
  uMain::Globals.CurrentSlide = 4;
  TfrmPPTToVideo *form = Make();
  EXPECT_EQ(Calls().Log, (std::vector<std::string>{"PassMainFrmHandlesToDLL"}));
  EXPECT_EQ(Calls().MainWnd, form->Handle());
  EXPECT_EQ(Calls().PreviewWnd, form->WB->Handle());
  EXPECT_EQ(uMain::Globals.SlideCount, 0);
  EXPECT_EQ(uMain::Globals.CurrentSlide, 0);
}

TEST_F(WorkWindow, ClosingEndsTheLibrarysWork) {
  TfrmPPTToVideo *form = Make();
  form->Show();
  Calls().Log.clear();
  form->Close();
  EXPECT_EQ(Calls().Log, (std::vector<std::string>{"EndConvert"}));
  EXPECT_FALSE(form->isVisible());
}

// ---- Counting the browser's pages ----

TEST_F(WorkWindow, EachPageOfAPresentationIsTheNextSlide) {
  TfrmPPTToVideo *form = Make();
  uMain::Globals.PresentationFile = "/talks/q1.review.PPS";
  uMain::Globals.SlideCount = 3;
  std::vector<int> passed;
  for (int page = 0; page < 3; ++page) {
    form->WBDocumentComplete("file:///talks/q1.review.PPS");
    passed.push_back(Calls().SlideNo);
  }
  EXPECT_EQ(passed, (std::vector<int>{1, 2, 3}));
  ASSERT_EQ(MainForm.Seen.size(), 3u);
  const int expected[] = {17, 33, 50};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(MainForm.Seen[i].Msg, WM_CONVERT_PROGRESS);
    EXPECT_EQ(MainForm.Seen[i].WParam, 0u);
    EXPECT_EQ(MainForm.Seen[i].LParam, expected[i]);
  }
}

TEST_F(WorkWindow, PagesOfOtherFilesAreNotCounted) {
  TfrmPPTToVideo *form = Make();
  Calls().Log.clear();
  for (const char *file : {"/talks/q1.pptx", "/talks/notes.html", "/talks/README"}) {
    uMain::Globals.PresentationFile = file;
    form->WBDocumentComplete(file);
  }
  EXPECT_EQ(uMain::Globals.CurrentSlide, 0);
  EXPECT_TRUE(Calls().Log.empty());
  EXPECT_TRUE(MainForm.Seen.empty());
}

TEST_F(WorkWindow, WithoutASlideCountTheProgressIsMinusOne) {
  TfrmPPTToVideo *form = Make();
  uMain::Globals.PresentationFile = "/talks/a.pot";
  form->WBDocumentComplete("/talks/a.pot");
  ASSERT_EQ(MainForm.Seen.size(), 1u);
  EXPECT_EQ(MainForm.Seen[0].LParam, -1) << "the main window ignores it";
}

// ---- Loading a presentation ----

TEST_F(WorkWindow, ASecondProbeAfterAFailureIsEnough) {
  TfrmPPTToVideo *form = Make();
  std::vector<std::string> asked;
  kestrune_fake::SlidesCount = [&](const char *name) -> std::int32_t {
    asked.push_back(name);
    if (asked.size() == 1) throw std::runtime_error("PC doesn't support the convertor,Please try another PC!");
    return 7;
  };
  Calls().Log.clear();
  form->LoadPresentation("/talks/q1.ppt");
  EXPECT_EQ(asked, (std::vector<std::string>{"/talks/q1.ppt", "/talks/q1.ppt"}));
  EXPECT_EQ(Calls().Log, (std::vector<std::string>{"GetPPTFileSlidesCount", "EndConvert", "GetPPTFileSlidesCount"}))
      << "the library is reset before the retry";
  EXPECT_EQ(uMain::Globals.SlideCount, 7);
  EXPECT_EQ(uMain::Globals.PresentationFile, "/talks/q1.ppt");
  EXPECT_TRUE(MainForm.Seen.empty()) << "no error for a retry that worked";
}

TEST_F(WorkWindow, TwoFailedProbesAreReportedToTheMainWindow) {
  TfrmPPTToVideo *form = Make();
  kestrune_fake::SlidesCount = [](const char *) -> std::int32_t {
    throw std::runtime_error("PC doesn't support the convertor,Please try another PC!");
  };
  uMain::Globals.SlideCount = 5;
  EXPECT_NO_THROW(form->LoadPresentation("/talks/q3.ppt"));
  ASSERT_EQ(MainForm.Seen.size(), 1u);
  EXPECT_EQ(MainForm.Seen[0].Msg, WM_CONVERT_ERROR);
  EXPECT_EQ(MainForm.Seen[0].Text, kLoadError);
  EXPECT_EQ(MainForm.Seen[0].LParam, 0);
  EXPECT_EQ(uMain::Globals.SlideCount, 5) << "no answer, no new count";
}

TEST_F(WorkWindow, TheMainWindowMayFreeTheWorkWindowOnTheError) {
  Make();
  frmPPTToVideo = Form;
  kestrune_fake::SlidesCount = [](const char *) -> std::int32_t { throw std::runtime_error("no"); };
  // As the main window does when it stops the conversion.
  win::SetWindowProc(fm_main->Handle(), [this](win::HWND, win::UINT msg, win::WPARAM, win::LPARAM) {
    if (msg == WM_CONVERT_ERROR) {
      delete frmPPTToVideo;
      Form = nullptr;
    }
    return win::LRESULT(0);
  });
  frmPPTToVideo->LoadPresentation("/talks/q4.ppt");
  EXPECT_EQ(frmPPTToVideo, nullptr);
}

// ---- Pictures ----

namespace {

std::unique_ptr<TBitmap> Strip(int width, int height, QColor colour = Qt::black) {
  auto bitmap = std::make_unique<TBitmap>(width, height);
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  bitmap->SetImage(image);
  return bitmap;
}

void Poke(TBitmap &bitmap, int x, int y, QColor colour) {
  QImage image = bitmap.Image();
  image.setPixelColor(x, y, colour);
  bitmap.SetImage(image);
}

}  // namespace

TEST(PreviewPictures, TheTopStripIs141ColumnsBy5Rows) {
  testsupport::App();
  auto reference = Strip(160, 100), capture = Strip(160, 100);
  EXPECT_TRUE(uMain::SameTopStrip(reference.get(), capture.get()));
  Poke(*capture, 141, 0, Qt::white);
  Poke(*capture, 0, 5, Qt::white);
  Poke(*capture, 150, 99, Qt::white);
  EXPECT_TRUE(uMain::SameTopStrip(reference.get(), capture.get())) << "outside the strip nothing counts";
  Poke(*capture, 140, 4, Qt::white);
  EXPECT_FALSE(uMain::SameTopStrip(reference.get(), capture.get()));
  auto other = Strip(160, 100);
  Poke(*other, 0, 0, QColor(1, 0, 0));
  EXPECT_FALSE(uMain::SameTopStrip(reference.get(), other.get())) << "one level of one channel is a difference";
}

TEST(PreviewPictures, MissingPicturesNeverMatch) {
  testsupport::App();
  auto capture = Strip(160, 100);
  TBitmap empty;
  EXPECT_FALSE(uMain::SameTopStrip(nullptr, capture.get()));
  EXPECT_FALSE(uMain::SameTopStrip(capture.get(), nullptr));
  EXPECT_FALSE(uMain::SameTopStrip(&empty, &empty)) << "an empty reference does not end a show";
  EXPECT_FALSE(uMain::SameTopStrip(Strip(140, 100).get(), Strip(140, 100).get()));
}

TEST(PreviewPictures, AThumbnailIsANew160By100PictureOfTheWindow) {
  testsupport::App();
  QWidget window;
  window.setAttribute(Qt::WA_DontShowOnScreen);
  window.resize(100, 50);
  window.setAutoFillBackground(true);
  QPalette palette;
  palette.setColor(QPalette::Window, QColor(0, 0, 255));
  window.setPalette(palette);
  window.show();
  win::HWND wnd = win::HandleOf(&window);

  auto first = uMain::CaptureWindowThumb(wnd);
  auto second = uMain::CaptureWindowThumb(wnd);
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first.get(), second.get());
  EXPECT_EQ(first->Width(), 160);
  EXPECT_EQ(first->Height(), 100);
  EXPECT_EQ(first->PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(first->Image().pixelColor(10, 10), QColor(0, 0, 255)) << "the window paints itself in, unscaled";
  EXPECT_EQ(first->Image().pixelColor(99, 49), QColor(0, 0, 255));

  auto gone = uMain::CaptureWindowThumb(0);
  EXPECT_EQ(gone->Width(), 160) << "a window that does not exist still gives a picture";
}

// ---- Process helpers ----

TEST(ProcessHelpers, KillByNameEndsOnlyTheFirstMatch) {
  testsupport::TempDir dir;
  std::string impostor = dir / "VTUMAINTEST";
  fs::copy_file("/bin/sleep", impostor);
  fs::permissions(impostor, fs::perms::owner_all);
  win::TProcessStart start;
  start.Program = impostor;
  start.Arguments = {"60"};
  win::TProcess first(start), second(start);
  ASSERT_TRUE(first.Running() && second.Running());
  EXPECT_TRUE(uMain::KillProcessByName("vtumaintest")) << "case is ignored";
  bool firstEnded = first.Wait(3000);
  bool secondEnded = second.Wait(300);
  EXPECT_NE(firstEnded, secondEnded) << "exactly one of the two was ended";
  second.Terminate();
  first.Terminate();
  EXPECT_TRUE(uMain::KillProcessByName("VANTREL-UMAIN-NONE")) << "true also when nothing matches";
}

TEST(ProcessHelpers, PresentationsAreKnownByTheirExtension) {
  for (const char *name : {"talk.PPT", "talk.pps", "a/b.c/talk.pot", "talk.pp"})
    EXPECT_TRUE(uMain::IsPresentationFile(name)) << name;
  for (const char *name : {"talk.pptx", "talk.mp4", "talk", "ppt/talk"})
    EXPECT_FALSE(uMain::IsPresentationFile(name)) << name;
}
