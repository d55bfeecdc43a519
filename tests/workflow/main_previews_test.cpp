// The presentation preview in WB and the player preview in pl_play, with the player library and the
// skin elements replaced by recording stand-ins.
#include <QImage>
#include <fstream>
#include <map>

#include "canvas.h"
#include "keyboard.h"
#include "mainform_fixture.h"
#include "uMain.h"
#include "win.h"

namespace {

// A skin element that remembers what it was told.
class TFakeElement : public ISkinObject, public ISkinText, public ISkinSlider, public ISkinElement {
public:
  explicit TFakeElement(std::wstring name) : Name(std::move(name)) {}
  std::wstring GetName() const override { return Name; }
  std::shared_ptr<ISkinObject> FindElement(const std::wstring &) const override { return nullptr; }
  void SetText(const std::wstring &text) override { Texts.push_back(text); }
  int GetPosition() const override { return Position; }
  void SetPosition(int position) override {
    Position = position;
    Positions.push_back(position);
  }
  void SetState(int) override {}
  void Redraw() override { ++Redraws; }

  std::wstring Name;
  std::vector<std::wstring> Texts;
  std::vector<int> Positions;
  int Position = 0;
  int Redraws = 0;
};

// Preview.dll's stand-in: Play runs the scripted positions through the callback.
struct TFakePlayer {
  std::vector<std::string> Log;
  win::HWND Window = 0;
  int Width = 0, Height = 0;
  void (*Callback)(double) = nullptr;
  std::vector<int> Seeks;
  std::string Input;
  std::vector<double> Script;
  // Runs after each scripted position.
  std::function<void(double)> AfterPosition;
  bool Stopped = false;
};
TFakePlayer Player;

Tfm_main::TPreviewLibrary FakeLibrary() {
  Tfm_main::TPreviewLibrary lib;
  lib.InitPreviewWindow = [](win::HWND wnd, int w, int h) {
    Player.Log.push_back("InitPreviewWindow");
    Player.Window = wnd;
    Player.Width = w;
    Player.Height = h;
  };
  lib.SetEventFuntion = [](void (*callback)(double)) {
    Player.Log.push_back("SetEventFuntion");
    Player.Callback = callback;
  };
  lib.Play = [](const char *input) {
    Player.Log.push_back("Play");
    Player.Input = input;
    for (double position : Player.Script) {
      if (Player.Stopped) break;
      Player.Callback(position);
      if (Player.AfterPosition) Player.AfterPosition(position);
      // The real player serves the GUI between frames.
      win::WaitMessage(15);
    }
    return 0;
  };
  lib.Pause = [] { Player.Log.push_back("Pause"); };
  lib.Stop = [] {
    Player.Log.push_back("Stop");
    Player.Stopped = true;
  };
  lib.Seek = [](int seconds) {
    Player.Log.push_back("Seek");
    Player.Seeks.push_back(seconds);
  };
  lib.DestroyPreviewWindow = [] { Player.Log.push_back("DestroyPreviewWindow"); };
  return lib;
}

class PreviewTest : public MainFormTest {
protected:
  void SetUp() override {
    MainFormTest::SetUp();
    Player = TFakePlayer{};
    Tfm_main::PreviewLibrary = FakeLibrary();
    uMain::Globals = uMain::TGlobals{};
    CreateAndShow();
    Form->DesignPreviews();
    PlayTime = std::make_shared<TFakeElement>(L"play_time");
    PlayBar = std::make_shared<TFakeElement>(L"play_bar");
    Form->SkinElements.play_time = {PlayTime, PlayTime, nullptr, PlayTime};
    Form->SkinElements.play_bar = {PlayBar, nullptr, PlayBar, PlayBar};
  }
  void TearDown() override {
    Tfm_main::PreviewLibrary = {};
    uMain::Globals = uMain::TGlobals{};
    MainFormTest::TearDown();
  }

  // A row of lvPPT as the lists add it: file name, folder, status.
  TListItem *AddRow(const std::string &folder, const std::string &name, const std::string &status = "Ready") {
    TListItem *row = Form->lvPPT->Items().Add();
    row->SetCaption(name);
    row->SubItems().Add(folder);
    row->SubItems().Add(status);
    return row;
  }
  static std::string Status(TListItem *row) { return row->SubItems()[1]; }

  // The Page Down keys that reach WB's slide-show pane.
  int WatchPageDowns() {
    win::HWND pane = Form->WB->PaneHandle();
    auto previous = win::GetWindowProc(pane);
    win::SetWindowProc(pane, [this, previous](win::HWND wnd, win::UINT msg, win::WPARAM w, win::LPARAM l) {
      if (msg == win::WM_KEYDOWN && w == win::VK_NEXT) ++PageDowns;
      return previous ? previous(wnd, msg, w, l) : win::DefWindowProc(wnd, msg, w, l);
    });
    return 0;
  }
  static std::vector<uMain::TSlideTiming> Table(std::initializer_list<const char *> onTime) {
    std::vector<uMain::TSlideTiming> table;
    int n = 0;
    for (const char *t : onTime)
      table.push_back({std::to_string(++n), "T", t, std::string(t) == "T" ? "3" : "2"});
    return table;
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) Form->TimerAutoPlayTimer();
  }

  std::shared_ptr<TFakeElement> PlayTime, PlayBar;
  int PageDowns = 0;
};

}  // namespace

// ---- "play" in the video edition ----

TEST_F(PreviewTest, PlayWithoutASelectedRowDoesNothing) {
  TListItem *row = AddRow("/tmp/", "a.ppt");
  Form->lvPPT->SetItemIndex(-1);
  Form->StartPresentationPreview();
  EXPECT_FALSE(Main.Playing);
  EXPECT_EQ(Status(row), "Ready");
  EXPECT_TRUE(Messages.empty());
}

TEST_F(PreviewTest, PlayDuringAConversionAsksToStopItFirst) {
  TListItem *row = AddRow("/tmp/", "a.ppt");
  Form->lvPPT->SetItemIndex(0);
  Main.Converting = true;
  Form->StartPresentationPreview();
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Text, "Please first stop convert!");
  EXPECT_EQ(Messages[0].Type, win::TMsgDlgType::mtWarning);
  EXPECT_FALSE(Main.Playing);
  EXPECT_EQ(Status(row), "Ready");
  EXPECT_FALSE(Form->pnlWB->Visible());
}

TEST_F(PreviewTest, PlayWhilePlayingChangesNothingAndTheRunningRowKeepsItsEnd) {
  testsupport::TempDir folder;
  TListItem *first = AddRow(folder.Path + "/", "a.ppsx");
  TListItem *second = AddRow(folder.Path + "/", "b.ppsx");
  Form->lvPPT->SetItemIndex(0);
  Form->StartPresentationPreview();
  ASSERT_TRUE(Main.Playing);
  Form->lvPPT->SetItemIndex(1);
  Form->StartPresentationPreview();
  EXPECT_TRUE(Messages.empty());
  EXPECT_EQ(Status(second), "Ready");
  // The running preview still ends on its own row.
  Form->PreviewStartTime -= std::chrono::seconds(10);
  Form->TimerPPTTimer();
  EXPECT_EQ(Status(first), "Play Finished");
  EXPECT_EQ(Status(second), "Ready");
}

TEST_F(PreviewTest, ANonPresentationGetsTheTenSecondPreviewAndTheBarEmptiesAtTheEnd) {
  testsupport::TempDir folder;
  // No such file: WB starts nothing to draw it, and the preview only counts its seconds.
  TListItem *row = AddRow(folder.Path + "/", "show.ppsx");
  Form->lvPPT->SetItemIndex(0);
  Form->StartPresentationPreview();

  EXPECT_TRUE(Main.Playing);
  EXPECT_EQ(Status(row), "Play Start...");
  EXPECT_TRUE(Form->TimerPPT->Enabled());
  EXPECT_FALSE(Form->TimerAutoPlay->Enabled());
  EXPECT_EQ(Form->pbPPT->Max(), 10);
  EXPECT_TRUE(Form->pnlWB->Visible());
  EXPECT_FALSE(Form->pnlStopPlay->Visible());
  // The probe is never asked about it.
  EXPECT_EQ(uMain::Globals.RetryCount, 0);

  for (int second = 1; second <= 9; ++second) {
    Form->PreviewStartTime = std::chrono::steady_clock::now() - std::chrono::seconds(second);
    Form->TimerPPTTimer();
    ASSERT_TRUE(Main.Playing) << second;
    EXPECT_EQ(Form->pbPPT->Position(), second);
  }
  Form->PreviewStartTime = std::chrono::steady_clock::now() - std::chrono::seconds(10);
  Form->TimerPPTTimer();
  EXPECT_FALSE(Main.Playing);
  EXPECT_FALSE(Form->TimerPPT->Enabled());
  EXPECT_EQ(Form->pbPPT->Position(), 0);
  EXPECT_EQ(Status(row), "Play Finished");
}

TEST_F(PreviewTest, AFailedProbeMarksThePlayErrorAndLeavesThePanelsAlone) {
  testsupport::TempDir folder;
  // Not a presentation inside: the probe fails twice and raises.
  std::ofstream(folder / "broken.ppt") << "not a presentation";
  TListItem *row = AddRow(folder.Path + "/", "broken.ppt");
  Form->lvPPT->SetItemIndex(0);
  uMain::Globals.RetryCount = 2;  // the next attempt is the one that raises
  Form->StartPresentationPreview();
  EXPECT_FALSE(Main.Playing);
  EXPECT_EQ(Status(row), "Play Error");
  EXPECT_FALSE(Form->pnlWB->Visible());
  EXPECT_TRUE(Form->pnlStopPlay->Visible());
  EXPECT_FALSE(Form->TimerAutoPlay->Enabled());
}

// ---- The browser's documents ----

TEST_F(PreviewTest, EachDocumentOfAPresentationCountsAPageUntilTheSlideCount) {
  TListItem *row = AddRow("/decks/", "three.ppt");
  Form->lvPPT->SetItemIndex(0);
  Main.Playing = true;
  Form->PreviewRow = row;
  Form->PreviewSlideCount = 3;
  Form->pbPPT->SetMax(3);
  Form->WBDocumentComplete("/decks/three.ppt");
  Form->WBDocumentComplete("/decks/three.ppt");
  EXPECT_EQ(Form->PreviewPages, 2);
  EXPECT_EQ(Form->pbPPT->Position(), 2);
  EXPECT_TRUE(Main.Playing);
  Form->WBDocumentComplete("/decks/three.ppt");
  EXPECT_FALSE(Main.Playing);
  EXPECT_EQ(Form->pbPPT->Position(), 3);
  EXPECT_EQ(Status(row), "Play Finished");
}

TEST_F(PreviewTest, DocumentsOfOtherFilesOrWithoutASelectedRowAreNotCounted) {
  AddRow("/tmp/", "page.ppsx");
  Form->lvPPT->SetItemIndex(0);
  Main.Playing = true;
  Form->WBDocumentComplete("/tmp/page.ppsx");
  Form->lvPPT->SetItemIndex(-1);
  Form->WBDocumentComplete("/tmp/page.ppsx");
  EXPECT_EQ(Form->PreviewPages, 0);
  EXPECT_TRUE(Main.Playing);
}

// ---- Slide advance ----

TEST_F(PreviewTest, AFirstSlideWithoutTimingGetsPageDownOnEveryTickBeforeTheFirstDocument) {
  WatchPageDowns();
  uMain::Globals.SlideTable = Table({"F", "T"});
  Form->PreviewSlideCount = 2;
  Ticks(5);
  EXPECT_EQ(PageDowns, 5);
  EXPECT_EQ(Form->AutoPlayTicks, 0);
}

TEST_F(PreviewTest, AFirstSlideWithTimingIsLeftToItselfBeforeTheFirstDocument) {
  WatchPageDowns();
  uMain::Globals.SlideTable = Table({"T", "F"});
  Form->PreviewSlideCount = 2;
  Ticks(60);
  EXPECT_EQ(PageDowns, 0);
}

TEST_F(PreviewTest, ASlideWithTimingIsNeverAdvanced) {
  WatchPageDowns();
  uMain::Globals.SlideTable = Table({"T", "T", "F"});
  Form->PreviewSlideCount = 3;
  Form->PreviewPages = 1;
  Ticks(200);
  EXPECT_EQ(PageDowns, 0);
}

TEST_F(PreviewTest, ASlideWithoutTimingIsAdvancedAfterFortyTicks) {
  WatchPageDowns();
  uMain::Globals.SlideTable = Table({"F", "F", "T"});
  Form->PreviewSlideCount = 3;
  Form->PreviewPages = 1;
  Ticks(39);
  EXPECT_EQ(PageDowns, 0);
  Ticks(1);
  EXPECT_EQ(PageDowns, 1);
  EXPECT_EQ(Form->AutoPlayTicks, 0);
  Ticks(40);
  EXPECT_EQ(PageDowns, 2);
}

TEST_F(PreviewTest, MorePagesThanSlidesLookAtTheLastSlide) {
  WatchPageDowns();
  uMain::Globals.SlideTable = Table({"T", "F"});
  Form->PreviewSlideCount = 2;
  Form->PreviewPages = 5;
  // The end screen never matches a blank browser: the check runs but changes nothing.
  Form->PreviewReference = std::make_shared<TBitmap>();
  Ticks(40);
  EXPECT_EQ(PageDowns, 1);
  uMain::Globals.SlideTable.clear();
  Ticks(80);
  EXPECT_EQ(PageDowns, 1);
  EXPECT_TRUE(Messages.empty());
}

TEST_F(PreviewTest, TheTimerStopsOnceTheBrowserShowsTheEndScreen) {
  Form->TimerAutoPlay->SetEnabled(true);
  uMain::Globals.SlideTable = Table({"T"});
  Form->PreviewSlideCount = 1;
  Form->PreviewPages = 1;
  QImage reference(160, 100, QImage::Format_RGB32);
  reference.fill(Qt::black);
  for (int x = 0; x < 160; x += 3) reference.setPixel(x, 2, qRgb(255, 255, 255));
  Form->PreviewReference = std::make_shared<TBitmap>();
  Form->PreviewReference->SetImage(reference);

  static QImage shown;
  shown = QImage(160, 100, QImage::Format_RGB32);
  shown.fill(Qt::white);
  uMain::Globals.PrintWindowProc = [](win::HWND, QImage &target) {
    target = shown.copy();
    return true;
  };
  Form->TimerAutoPlayTimer();
  EXPECT_TRUE(Form->TimerAutoPlay->Enabled());
  ASSERT_TRUE(Form->PreviewCapture);
  EXPECT_EQ(Form->PreviewCapture->Width(), 160);

  // Only the top strip's 141 columns and 5 rows count.
  shown = reference.copy();
  shown.setPixel(150, 1, qRgb(10, 200, 30));
  shown.setPixel(5, 50, qRgb(10, 200, 30));
  Form->TimerAutoPlayTimer();
  EXPECT_FALSE(Form->TimerAutoPlay->Enabled());
}

TEST_F(PreviewTest, PageDownTravelsTheWindowTreeToTheSlideShowPane) {
  WatchPageDowns();
  Form->AdvancePreviewSlide(Form->Handle());
  EXPECT_EQ(PageDowns, 1);
  EXPECT_EQ(win::GetFocus(), Form->WB->PaneHandle());
  // Another window without that tree gets no key.
  TPanel other(nullptr);
  Form->AdvancePreviewSlide(win::HandleOf(&other));
  EXPECT_EQ(PageDowns, 1);
}

TEST_F(PreviewTest, TheGlassTakesTheMouseSoAClickNeverReachesTheShow) {
  // As a running preview shows it.
  Form->pnlStopPlay->Hide();
  Form->pnlWB->Show();
  ASSERT_NE(Form->Glass1, nullptr);
  EXPECT_EQ(Form->Glass1->parentWidget(), Form->pnlWB);
  EXPECT_EQ(Form->Glass1->geometry(), Form->pnlWB->rect());
  // The window gives the mouse to what lies on top at the pointer, wherever the show is.
  for (QPoint at : {QPoint(1, 1), QPoint(89, 62), QPoint(176, 122)}) {
    QWidget *hit = Form->childAt(Form->WB->mapTo(Form, at));
    EXPECT_TRUE(hit == Form->Glass1) << at.x() << "," << at.y();
  }
}

// ---- Stop ----

TEST_F(PreviewTest, StopWhileTheProbeRunsIsRefusedWithItsMessage) {
  Main.Playing = true;
  Form->pnlWB->Hide();
  Form->StopPresentationPreview();
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Text, "Play is being Prepared,Can not be stopped now,Wait a little! !");
  EXPECT_TRUE(Main.Playing);
}

TEST_F(PreviewTest, StopEndsTheShowAndShowsTheIdlePictureAgain) {
  testsupport::TempDir folder;
  TListItem *row = AddRow(folder.Path + "/", "show.ppsx");
  Form->lvPPT->SetItemIndex(0);
  Form->StartPresentationPreview();
  Form->TimerPPTTimer();
  Form->StopPresentationPreview();
  EXPECT_FALSE(Main.Playing);
  EXPECT_FALSE(Form->TimerPPT->Enabled());
  EXPECT_FALSE(Form->TimerAutoPlay->Enabled());
  EXPECT_EQ(Status(row), "Play Stoped");
  EXPECT_EQ(Form->pbPPT->Position(), 0);
  EXPECT_TRUE(Form->pnlStopPlay->Visible());
  EXPECT_FALSE(Form->pnlWB->Visible());
  // Not playing: nothing more happens.
  Form->StopPresentationPreview();
  EXPECT_TRUE(Messages.empty());
}

TEST_F(PreviewTest, PauseChangesNothing) {
  Main.Playing = true;
  Form->TogglePause();
  EXPECT_TRUE(Main.Playing);
  EXPECT_TRUE(Player.Log.empty());
}

// ---- Row colours ----

TEST_F(PreviewTest, RowsInProgressOrInErrorAreRed) {
  std::map<std::string, TColor> expected = {
      {"Processing...", 255}, {"Play Start...", 255}, {"Convert Error", 255}, {"Play Error", 255},
      {"Ready", 0},           {"Play Finished", 0},   {"start", 0},           {"error", 0}};
  for (const auto &[status, colour] : expected) {
    TListItem *row = AddRow("/tmp/", "a.ppt", status);
    TColor text = 12345;
    bool defaultDraw = false;
    Form->lvPPTCustomDrawItem(Form->lvPPT, row, text, defaultDraw);
    EXPECT_EQ(text, colour) << status;
    EXPECT_TRUE(defaultDraw);
  }
}

TEST_F(PreviewTest, TheListDrawsAConvertErrorRowInRed) {
  AddRow("/tmp/", "WWWWWWWW.ppt", "Ready");
  AddRow("/tmp/", "WWWWWWWW.ppt", "Convert Error");
  Form->lvPPT->Show();
  Form->lvPPT->SetItemIndex(-1);
  QImage picture = Form->lvPPT->viewport()->grab().toImage();
  auto redPixels = [&picture](int top, int bottom) {
    int count = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = 0; x < 150; ++x) {
        QColor c = picture.pixelColor(x, y);
        if (c.red() > 150 && c.green() < 90 && c.blue() < 90) ++count;
      }
    return count;
  };
  QRect first = Form->lvPPT->visualItemRect(Form->lvPPT->Items()[0]->Item());
  QRect second = Form->lvPPT->visualItemRect(Form->lvPPT->Items()[1]->Item());
  EXPECT_EQ(redPixels(first.top(), first.bottom()), 0);
  EXPECT_GT(redPixels(second.top(), second.bottom()), 0);
}

// ---- Times ----

TEST(SecondsToTimeText, JoinsHoursMinutesAndSecondsOfTwoDigitsAtLeast) {
  EXPECT_EQ(Tfm_main::SecondsToTimeText(0), "00:00:00");
  EXPECT_EQ(Tfm_main::SecondsToTimeText(59), "00:00:59");
  EXPECT_EQ(Tfm_main::SecondsToTimeText(3661), "01:01:01");
  EXPECT_EQ(Tfm_main::SecondsToTimeText(359999), "99:59:59");
  EXPECT_EQ(Tfm_main::SecondsToTimeText(360000), "100:00:00");
}

// ---- The player preview ----

TEST_F(PreviewTest, APlayerRunPlaysInPlPlayAndResetsTheBarAndTimeAfterwards) {
  Main.MediaInfo.resize(1);
  Main.MediaInfo[0].Duration = "00:00:10";
  Form->PreviewIndex = 0;
  Form->FirstPositionPending = true;
  Player.Script = {0.0, 0.5, 1.0, 1.5, 2.0};
  Form->PlayMediaPreview("vts://1*0*100*0x80*0*//media/disc");

  EXPECT_EQ(Player.Log, (std::vector<std::string>{"InitPreviewWindow", "SetEventFuntion", "Seek", "Play",
                                                  "DestroyPreviewWindow"}));
  EXPECT_EQ(Player.Window, Form->pl_play->Handle());
  EXPECT_EQ(Player.Width, 100);
  EXPECT_EQ(Player.Height, 100);
  EXPECT_EQ(Player.Seeks, std::vector<int>{0});
  EXPECT_EQ(Player.Input, "vts://1*0*100*0x80*0*//media/disc");
  EXPECT_EQ(Player.Callback, &Tfm_main::PreviewPositionChanged);
  EXPECT_EQ(Form->PreviewPosition, 2);
  // 1 and 2 seconds were shown, then the reset.
  EXPECT_EQ(PlayTime->Texts, (std::vector<std::wstring>{L"00:00:01", L"00:00:02", L"00:00:00"}));
  EXPECT_EQ(PlayBar->Positions, (std::vector<int>{1000, 2000, 0}));
  EXPECT_FALSE(Form->PlayerRunning);
}

TEST_F(PreviewTest, TheFirstPositivePositionIsTheOffsetOfTheTimeShown) {
  Main.MediaInfo.resize(1);
  Main.MediaInfo[0].Duration = "00:01:00";
  Form->PreviewIndex = 0;
  Form->FirstPositionPending = true;
  Player.Script = {0.0, 7.6, 8.0, 8.4, 9.4, 12.5};
  Form->PlayMediaPreview("title");
  EXPECT_EQ(Form->PreviewStartOffset, 8);
  // 7.6 rounds to the offset itself; 12.5 rounds to even (12).
  EXPECT_EQ(PlayTime->Texts, (std::vector<std::wstring>{L"00:00:01", L"00:00:04", L"00:00:00"}));
}

TEST_F(PreviewTest, Timer1StopsThePlayerOnlyOnceThePositionReachedTheDuration) {
  Main.MediaInfo.resize(1);
  Main.MediaInfo[0].Duration = "00:00:03";
  Form->PreviewIndex = 0;
  std::vector<bool> timerOn;
  Player.Script = {0.0, 1.0, 2.0, 3.0, 3.2, 3.4, 3.6, 3.8, 4.0, 4.2};
  Player.AfterPosition = [this, &timerOn](double) { timerOn.push_back(Form->Timer1->Enabled()); };
  Form->PlayMediaPreview("title");
  // The check comes before the new position is taken: 3 seconds are shown first, then it starts.
  ASSERT_GE(timerOn.size(), 5u);
  EXPECT_EQ(std::vector<bool>(timerOn.begin(), timerOn.begin() + 4), (std::vector<bool>{false, false, false, false}));
  EXPECT_TRUE(timerOn[4]);
  EXPECT_LT(timerOn.size(), Player.Script.size());
  // Its tick called Stop, which ended the run before the script did.
  EXPECT_NE(std::find(Player.Log.begin(), Player.Log.end(), "Stop"), Player.Log.end());
  EXPECT_TRUE(Player.Stopped);
  EXPECT_FALSE(Form->Timer1->Enabled());
}

TEST_F(PreviewTest, HoldingThePlayBarStopsItFromMoving) {
  Main.MediaInfo.resize(1);
  Main.MediaInfo[0].Duration = "00:00:10";
  Form->PreviewIndex = 0;
  Main.Seeking = true;
  Player.Script = {0.0, 1.0, 2.0};
  Form->PlayMediaPreview("title");
  EXPECT_EQ(PlayBar->Positions, std::vector<int>{0});
  EXPECT_EQ(PlayTime->Texts.size(), 3u);
}

TEST_F(PreviewTest, ReleasingThePlayBarSeeksToItsPlaceInTheTitle) {
  Main.Playing = true;
  Main.MediaInfo.resize(1);
  Main.MediaInfo[0].Duration = "00:01:40";
  Form->PreviewIndex = 0;
  Form->FirstPositionPending = true;
  Player.Script = {0.0, 4.0};
  auto bar = std::make_shared<TFakeElement>(L"play_bar");
  Player.AfterPosition = [this, bar](double position) {
    if (position < 4.0) return;
    Main.Seeking = true;
    PlayBar->Position = 2500;
    Form->Skin1MouseUp(bar, TSkin::mbLeft, 0, 0);
  };
  Form->PlayMediaPreview("title");
  // A quarter of 100 seconds, plus the offset of 4.
  EXPECT_EQ(Player.Seeks, (std::vector<int>{0, 29}));
  EXPECT_FALSE(Main.Seeking);
}

TEST_F(PreviewTest, ReleasingThePlayBarWithoutAPlayerRunOnlyEndsTheHold) {
  Main.Playing = true;  // the presentation preview
  Main.Seeking = true;
  Main.MediaInfo.clear();
  Form->Skin1MouseUp(std::make_shared<TFakeElement>(L"play_bar"), TSkin::mbLeft, 0, 0);
  EXPECT_TRUE(Player.Seeks.empty());
  EXPECT_FALSE(Main.Seeking);
  // Another object, or while converting: nothing at all.
  Main.Seeking = true;
  Form->Skin1MouseUp(std::make_shared<TFakeElement>(L"play"), TSkin::mbLeft, 0, 0);
  Main.Converting = true;
  Form->Skin1MouseUp(std::make_shared<TFakeElement>(L"play_bar"), TSkin::mbLeft, 0, 0);
  EXPECT_TRUE(Main.Seeking);
}
