// The two previews of the main window: a presentation played in the small browser WB, and a player run
// of Preview.dll in pl_play with its position shown on "play_time" and "play_bar".
#include <QColor>
#include <QPalette>
#include <QStyleOptionViewItem>
#include <QString>
#include <QStyledItemDelegate>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <thread>

#include "canvas.h"
#include "convertTh.h"
#include "dialogs.h"
#include "files.h"
#include "keyboard.h"
#include "library.h"
#include "main.h"
#include "uMain.h"

Tfm_main::TPreviewLibrary Tfm_main::PreviewLibrary;

namespace {

constexpr const char *kStopConvertFirst = "Please first stop convert!";
constexpr const char *kPlayBeingPrepared = "Play is being Prepared,Can not be stopped now,Wait a little! !";
constexpr const char *kPreviewLibraryMissing = "Preview.dll could not be loaded; reinstall the program.";

void Warn(const char *text) { win::MessageDlg(text, win::TMsgDlgType::mtWarning, {win::mbOK}); }

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The path sub-item followed by the caption (file name).
std::string RowPath(TListItem *row) {
  const TStringList &sub = row->SubItems();
  return (sub.Count() > 0 ? sub[0] : std::string()) + row->Caption();
}

void SetRowStatus(TListItem *row, const std::string &status) {
  if (!row) return;
  TStringList &sub = row->SubItems();
  while (sub.Count() < 2) sub.Add("");
  sub.SetStrings(1, status);
}

// Lets lvPPTCustomDrawItem choose each row's text colour.
class TRowColourDelegate : public QStyledItemDelegate {
public:
  TRowColourDelegate(Tfm_main *form, TListView *list) : QStyledItemDelegate(list), FForm(form), FList(list) {}

protected:
  void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.parent().isValid() || index.row() < 0 || index.row() >= FList->Items().Count()) return;
    TColor colour = 0;
    bool defaultDraw = true;
    FForm->lvPPTCustomDrawItem(FList, FList->Items()[index.row()], colour, defaultDraw);
    QColor text(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    option->palette.setColor(QPalette::Text, text);
  }

private:
  Tfm_main *FForm;
  TListView *FList;
};

}  // namespace

void Tfm_main::DesignPreviews() {
  Timer1->OnTimer = [this] { Timer1Timer(); };
  TimerPPT->OnTimer = [this] { TimerPPTTimer(); };
  TimerAutoPlay->OnTimer = [this] { TimerAutoPlayTimer(); };
  WB->OnDocumentComplete = [this](const std::string &url) { WBDocumentComplete(url); };
  Skin1->OnMouseUp = [this](const std::shared_ptr<ISkinObject> &source, int button, int x, int y) {
    Skin1MouseUp(source, button, x, y);
  };
  if (!dynamic_cast<TRowColourDelegate *>(lvPPT->itemDelegate()))
    lvPPT->setItemDelegate(new TRowColourDelegate(this, lvPPT));
}

// ---- Presentation preview ----

void Tfm_main::StartPresentationPreview() {
  TListItem *selected = lvPPT->Selected();
  if (!selected) return;
  if (Main.Converting) {
    Warn(kStopConvertFirst);
    return;
  }
  if (Main.Playing) return;
  // Taken only once the preview really starts, so a running preview keeps its own row.
  PreviewRow = selected;

  Main.Playing = true;
  SetRowStatus(PreviewRow, "Play Start...");
  lvPPT->Repaint();
  AutoPlayTicks = 0;
  PreviewSlideCount = 0;
  PreviewPages = 0;
  pbPPT->SetPosition(0);
  pbPPT->Update();

  const std::string path = RowPath(PreviewRow);
  const bool presentation = uMain::IsPresentationFile(path);
  if (!presentation) {
    pbPPT->SetMax(10);
  } else {
    repaint();
    try {
      PreviewSlideCount = uMain::ReadSlideTimings(path);
    } catch (const std::exception &) {
      SetRowStatus(PreviewRow, "Play Error");
      lvPPT->Repaint();
      Main.Playing = false;
      return;
    }
    pbPPT->SetMax(PreviewSlideCount < 0 ? 0 : PreviewSlideCount);
  }

  pnlWB->Hide();
  WB->Navigate(path);
  if (presentation) {
    TimerAutoPlay->SetEnabled(true);
  } else {
    // Another file takes LibreOffice a while to draw the first time: its ten seconds begin once
    // WB shows it.
    PreviewStartTime = std::chrono::steady_clock::now();
    TimerPPT->SetEnabled(true);
  }
  pnlStopPlay->Hide();
  pnlWB->Show();
}

void Tfm_main::WBDocumentComplete(const std::string &) {
  TListItem *selected = lvPPT->Selected();
  if (!selected || !uMain::IsPresentationFile(RowPath(selected))) return;
  PreviewPages = PreviewPages + 1;
  pbPPT->SetPosition(pbPPT->Position() + 1);
  if (pbPPT->Position() >= PreviewSlideCount) {
    TimerPPT->SetEnabled(false);
    Main.Playing = false;
    pbPPT->SetPosition(PreviewSlideCount);
    SetRowStatus(PreviewRow, "Play Finished");
    lvPPT->Repaint();
  }
}

void Tfm_main::TimerPPTTimer() {
  auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() -
                                                                   PreviewStartTime)
                     .count();
  if (elapsed < 0) elapsed = 0;
  const std::string text = SecondsToTimeText(static_cast<int>(elapsed % 86400));
  pbPPT->SetPosition(pbPPT->Position() + 1);
  int seconds = 0;
  TryStrToInt(text.substr(6, 2), seconds);
  if (seconds >= 10) {
    TimerPPT->SetEnabled(false);
    Main.Playing = false;
    pbPPT->SetPosition(PreviewSlideCount);
    SetRowStatus(PreviewRow, "Play Finished");
    lvPPT->Repaint();
  }
}

void Tfm_main::TimerAutoPlayTimer() {
  const std::vector<uMain::TSlideTiming> &table = uMain::Globals.SlideTable;
  if (PreviewPages == 0) {
    // The first slide shows only after a key when it does not advance by itself.
    if (!table.empty() && table[0].AdvanceOnTime == "F") AdvancePreviewSlide(Handle());
    return;
  }

  AutoPlayTicks = AutoPlayTicks + 1;
  if (!table.empty()) {
    // More documents than slides (the end screen) keep looking at the last slide.
    std::size_t row = std::min<std::size_t>(static_cast<std::size_t>(PreviewPages - 1), table.size() - 1);
    if (table[row].AdvanceOnTime != "T" && AutoPlayTicks >= 40) {
      AdvancePreviewSlide(Handle());
      AutoPlayTicks = 0;
    }
  }

  if (PreviewPages >= PreviewSlideCount) {
    if (!PreviewReference) {
      PreviewReference = std::make_shared<TBitmap>();
      try {
        PreviewReference = std::shared_ptr<TBitmap>(LoadPreviewReferenceBitmap());
      } catch (const std::exception &error) {
        // The empty reference never matches, so the timer goes on.
        win::MessageDlg(error.what(), win::TMsgDlgType::mtError, {win::mbOK});
        return;
      }
    }
    PreviewCapture = std::shared_ptr<TBitmap>(uMain::CaptureWindowThumb(WB->Handle()));
    if (uMain::SameTopStrip(PreviewReference.get(), PreviewCapture.get(), 141)) TimerAutoPlay->SetEnabled(false);
  }
}

void Tfm_main::AdvancePreviewSlide(win::HWND Window) {
  win::HWND wnd = win::FindWindowEx(Window, 0, "TPanel", "WB");
  for (const char *className : {"Shell Embedding", "Shell DocObject View", "childclass", "childclass", "paneClassDC"}) {
    // Without the pane the key would go to whatever window holds the focus.
    if (!wnd) return;
    wnd = win::FindWindowEx(wnd, 0, className, "");
  }
  if (!wnd) return;
  win::SetForegroundWindow(wnd);
  win::SetFocus(wnd);
  win::keybd_event(static_cast<win::BYTE>(win::VK_NEXT), 0, 0, 0);
}

void Tfm_main::StopPresentationPreview() {
  if (!Main.Playing) return;
  if (!pnlWB->Visible()) {
    Warn(kPlayBeingPrepared);
    return;
  }
  Main.Playing = false;
  TimerPPT->SetEnabled(false);
  TimerAutoPlay->SetEnabled(false);
  WB->Stop();
  WB->Navigate("");
  SetRowStatus(PreviewRow, "Play Stoped");
  lvPPT->Repaint();
  pbPPT->SetPosition(0);
  pnlStopPlay->Show();
  pnlStopPlay->Repaint();
  pnlWB->Hide();
}

void Tfm_main::TogglePause() {}

void Tfm_main::lvPPTCustomDrawItem(TListView *, TListItem *Item, TColor &TextColor, bool &DefaultDraw) {
  const TStringList &sub = Item->SubItems();
  const std::string status = sub.Count() > 1 ? sub[1] : std::string();
  bool red = status.find("Processing") != std::string::npos || status.find("Star") != std::string::npos ||
             status.find("Error") != std::string::npos;
  TextColor = red ? 255 : 0;
  DefaultDraw = true;
}

std::unique_ptr<TBitmap> Tfm_main::LoadPreviewReferenceBitmap() {
  win::HMODULE module = win::LoadLibrary("Resource.dll");
  if (!module) throw std::runtime_error("Resource.dll could not be loaded; reinstall the program.");
  QImage image;
  bool loaded = win::LoadBitmap(module, 2, image);
  win::FreeLibrary(module);
  if (!loaded) throw std::runtime_error("Resource.dll holds no end-of-show picture; reinstall the program.");
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetImage(image);
  return bitmap;
}

std::string Tfm_main::SecondsToTimeText(int Seconds) {
  char text[48];
  std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", Seconds / 3600, (Seconds % 3600) / 60, Seconds % 60);
  return text;
}

// ---- Player preview ----

namespace {

bool BindPreviewLibrary(Tfm_main::TPreviewLibrary &lib) {
  auto bound = [&lib] {
    return lib.InitPreviewWindow && lib.SetEventFuntion && lib.Play && lib.Pause && lib.Stop && lib.Seek &&
           lib.DestroyPreviewWindow;
  };
  if (bound()) return true;
  win::HMODULE module = win::LoadLibrary("Preview.dll");
  if (!module) return false;
  auto bind = [module](auto &fn, const char *name) {
    fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(win::GetProcAddress(module, name));
  };
  Tfm_main::TPreviewLibrary found;
  bind(found.InitPreviewWindow, "InitPreviewWindow");
  bind(found.SetEventFuntion, "SetEventFuntion");
  bind(found.Play, "Play");
  bind(found.Pause, "Pause");
  bind(found.Stop, "Stop");
  bind(found.Seek, "Seek");
  bind(found.DestroyPreviewWindow, "DestroyPreviewWindow");
  lib = found;
  // The library stays loaded for the rest of the run.
  return bound();
}

}  // namespace

// Seconds of the Duration of the played row's record; 0 when there is no such record.
static int PreviewTotalSeconds(const Tfm_main &form) {
  if (form.PreviewIndex < 0 || static_cast<std::size_t>(form.PreviewIndex) >= Main.MediaInfo.size()) return 0;
  return TimeTextToSeconds(Main.MediaInfo[static_cast<std::size_t>(form.PreviewIndex)].Duration);
}

void Tfm_main::PlayMediaPreview(const std::string &InputName) {
  std::string failure;
  if (!BindPreviewLibrary(PreviewLibrary)) {
    failure = kPreviewLibraryMissing;
  } else {
    const TPreviewLibrary &lib = PreviewLibrary;
    PlayerRunning = true;
    try {
      lib.InitPreviewWindow(pl_play->Handle(), pl_play->Width(), pl_play->Height());
      lib.SetEventFuntion(&Tfm_main::PreviewPositionChanged);
      PreviewPosition = 0;
      lib.Seek(0);
      lib.Play(InputName.c_str());
    } catch (const std::exception &error) {
      failure = error.what();
    }
    PlayerRunning = false;
    lib.DestroyPreviewWindow();
  }
  // A Timer1 left running must not stop a later run.
  Timer1->SetEnabled(false);
  if (ISkinSlider *bar = SkinElements.play_bar.Slider.get()) bar->SetPosition(0);
  if (ISkinElement *bar = SkinElements.play_bar.Element.get()) bar->Redraw();
  if (ISkinText *time = SkinElements.play_time.Text.get()) time->SetText(L"00:00:00");
  if (ISkinElement *time = SkinElements.play_time.Element.get()) time->Redraw();
  if (!failure.empty()) win::MessageDlg(failure, win::TMsgDlgType::mtError, {win::mbOK});
}

void Tfm_main::PreviewPositionChanged(double Position) {
  Tfm_main *form = fm_main;
  if (!form) return;
  if (form->FirstPositionPending && Position > 0) {
    form->FirstPositionPending = false;
    form->PreviewStartOffset = static_cast<int>(std::nearbyint(Position));
  }
  const int total = PreviewTotalSeconds(*form);
  if (form->PreviewPosition >= total) {
    form->Timer1->SetEnabled(true);
    SleepMs(500);
  }
  const std::int64_t elapsed = static_cast<std::int64_t>(std::llrint(Position)) - form->PreviewStartOffset;
  if (elapsed != form->PreviewPosition) {
    form->PreviewPosition = static_cast<int>(elapsed);
    TSkinElementRef &time = form->SkinElements.play_time;
    if (time.Text) time.Text->SetText(QString::fromStdString(SecondsToTimeText(form->PreviewPosition)).toStdWString());
    if (time.Element) time.Element->Redraw();
    SleepMs(10);
    if (!Main.Seeking) {
      TSkinElementRef &bar = form->SkinElements.play_bar;
      if (bar.Slider) bar.Slider->SetPosition(win::MulDiv(form->PreviewPosition, 10000, total));
      if (bar.Element) bar.Element->Redraw();
      SleepMs(10);
    }
  }
}

void Tfm_main::Timer1Timer() {
  Timer1->SetEnabled(false);
  if (PreviewLibrary.Stop) PreviewLibrary.Stop();
}

void Tfm_main::Skin1MouseUp(const std::shared_ptr<ISkinObject> &Source, int, int, int) {
  if (Main.Converting || !IsVideoEdition() || !Source || Source->GetName() != L"play_bar" || !Main.Playing) return;
  // Without a player run there is no title to move in.
  if (PlayerRunning && PreviewLibrary.Seek && PreviewIndex >= 0 &&
      static_cast<std::size_t>(PreviewIndex) < Main.MediaInfo.size()) {
    int position = SkinElements.play_bar.Slider ? SkinElements.play_bar.Slider->GetPosition() : 0;
    PreviewLibrary.Seek(win::MulDiv(position, PreviewTotalSeconds(*this), 10000) + PreviewStartOffset);
    SleepMs(300);
  }
  Main.Seeking = false;
}
