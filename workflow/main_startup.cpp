// Start and end of the main form: its design, creation, first show, settings and closing.
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <algorithm>
#include <cstdlib>

#include "Kestrune.h"
#include "dialogs.h"
#include "main.h"
#include "paths.h"

MainGlobals Main;
Tfm_main *fm_main = nullptr;

namespace {

template <class C>
C *Place(QWidget *parent, TComponent *owner, const char *name, int left, int top, int width, int height) {
  auto *control = new C(parent, owner);
  control->SetName(name);
  control->setGeometry(left, top, width, height);
  return control;
}

TTimer *MakeTimer(TComponent *owner, const char *name, int interval) {
  auto *timer = new TTimer(owner);
  timer->SetName(name);
  timer->SetInterval(interval);
  timer->SetEnabled(false);
  return timer;
}

// The three menus share one design; the colours are set after the style, so they are the ones in force.
void DesignSkinMenu(TskinPopupMenu *menu, TImageList *images) {
  menu->SetImages(images);
  menu->SetUIStyle(TskinUIStyle::DeepBlue);
  menu->SetMenuItemHeight(21);
  menu->SetSeparatorHeight(5);
  menu->SetBarWidth(26);
  menu->SetBarColor(clInactiveCaptionText);
  menu->SetColor(16710650);
  menu->SetSeparatorColor(8684164);
  menu->SetSelectedBorderColor(10504772);
  menu->SetSelectedColor(10504772);
  menu->SetSelectedFontColor(clWhite);
  menu->SetFontColor(clBlack);
  menu->SetBorderColor(clBlack);
  menu->SetFlatMenu(false);
  menu->SetFontName("MS Sans Serif");
  menu->SetFontSize(8);
  menu->SetFontCharset(1);
  menu->SetUseSystemFont(true);
}

// The six combo boxes share one design; the colours are set after the style, so they are the ones in force.
void DesignSkinCombo(TskinComboBox *combo) {
  combo->SetUIStyle(TskinUIStyle::DeepBlue);
  combo->SetBorderColor(15711374);
  combo->SetArrowColor(9191680);
  combo->SetButtonColor(16245200);
  combo->SetColor(16514810);
  combo->SetStyle(csDropDownList);
  combo->SetItemHeight(13);
}

// Both progress bars share one design; picture and colours are set after the style, so they are the
// ones in force.
void DesignSkinBar(TskinProgressBar *bar, int max) {
  bar->SetUIStyle(TskinUIStyle::MacOS);
  bar->SetCaptionColor(clBlack);
  bar->SetShowCaption(false);
  bar->SetSmartShowCaption(false);
  bar->SetMin(0);
  bar->SetMax(max);
  bar->SetPosition(0);
  bar->SetOrientation(skinHorizontal);
  bar->SetBorderColor(16760445);
  bar->SetColor(16245200);
  TBitmap picture;
  if (picture.LoadFromResourceName("MACOS_PROGRESSBAR")) bar->SetPicture(&picture);
}

// Report style, multi-select, whole rows; the column widths are the design's.
void DesignList(TListView *list, std::initializer_list<std::pair<const char *, int>> columns) {
  list->SetMultiSelect(true);
  for (const auto &[caption, width] : columns) list->Columns().Add(caption, width);
}

// Widens a list's last column until each of Texts shows whole, taking the room from the column
// before it, so that a row stays as wide as the design made it.
void FitLastColumn(TListView *list, std::initializer_list<const char *> texts) {
  const int count = list->Columns().Count();
  TListColumn *last = list->Columns()[count - 1], *before = list->Columns()[count - 2];
  // A cell as the list's style sizes it: the text and the margins around it.
  QStyleOptionViewItem cell;
  cell.initFrom(list);
  cell.features = QStyleOptionViewItem::HasDisplay;
  int needed = last->Width();
  for (const char *text : texts) {
    cell.text = QString::fromUtf8(text);
    needed = std::max(needed, list->style()->sizeFromContents(QStyle::CT_ItemViewItem, &cell, QSize(), list).width());
  }
  before->SetWidth(before->Width() - (needed - last->Width()));
  last->SetWidth(needed);
}

}  // namespace

Tfm_main::Tfm_main(TComponent *owner) : TForm(owner) {
  SetName("fm_main");
  SetCaption("Vantrel");
  SetClientSize(781, 558);
  if (QScreen *screen = QGuiApplication::primaryScreen()) {
    QRect desktop = screen->availableGeometry();
    move(desktop.center() - QPoint(781 / 2, 558 / 2));
  }

  Skin1 = new TSkin(this);
  Skin1->SetName("Skin1");
  Skin1->OnClick = [this](const std::shared_ptr<ISkinObject> &source) { Skin1Click(source); };
  Skin1->OnMouseDown = [this](const std::shared_ptr<ISkinObject> &source, int button, int x, int y) {
    Skin1MouseDown(source, button, x, y);
  };
  Skin1->OnMouseMove = [this](const std::shared_ptr<ISkinObject> &source, int x, int y) {
    Skin1MouseMove(source, x, y);
  };
  ImageList1 = new TImageList(this);
  ImageList1->SetName("ImageList1");
  for (TskinPopupMenu **menu : {&pop_file, &pop_dvd, &pop_help}) {
    *menu = new TskinPopupMenu(this);
    DesignSkinMenu(*menu, ImageList1);
  }
  pop_file->SetName("pop_file");
  pop_dvd->SetName("pop_dvd");
  pop_help->SetName("pop_help");

  Timer1 = MakeTimer(this, "Timer1", 10);
  Timer2 = MakeTimer(this, "Timer2", 1000);
  Timer2->OnTimer = [this] { Timer2Timer(); };
  TimerPPT = MakeTimer(this, "TimerPPT", 1000);
  TimerAutoPlay = MakeTimer(this, "TimerAutoPlay", 50);

  lv = Place<TListView>(this, this, "lv", 12, 89, 535, 341);
  DesignList(lv, {{"File Name", 150}, {"Width * Height", 100}, {"Time", 80}, {"Output Size", 80}, {"Status", 98}});
  lvPPT = Place<TListView>(this, this, "lvPPT", 12, 89, 535, 341);
  DesignList(lvPPT, {{"File Name", 150}, {"Path", 260}, {"Status", 98}});
  // Every status the batch writes, "Convertor Stoped" the widest.
  FitLastColumn(lvPPT, {"Ready", "Processing...", "Finished", "Convertor Stoped", "Convert Error"});
  lvPPT->Hide();

  cb_size = Place<TskinComboBox>(this, this, "cb_size", 576, 128, 149, 21);
  cb_videobitrate = Place<TskinComboBox>(this, this, "cb_videobitrate", 576, 169, 149, 21);
  cb_audiobitrate = Place<TskinComboBox>(this, this, "cb_audiobitrate", 576, 210, 149, 21);
  cb_channel = Place<TskinComboBox>(this, this, "cb_channel", 576, 251, 149, 21);
  for (TComboBox *quality : {cb_videobitrate, cb_audiobitrate})
    for (const char *item : {"Higher Quality", "High Quality", "Normal", "Low Quality", "Lower Quality"})
      quality->Items().Add(item);
  cb_channel->Items().Add("Mono");
  cb_channel->Items().Add("Stereo");
  cb_channel->SetItemIndex(1);
  cb_size->OnChange = [this] { cb_sizeChange(); };
  cb_channel->OnChange = [this] { cb_sizeChange(); };
  cb_videobitrate->OnChange = [this] { cb_videobitrateChange(); };
  cb_audiobitrate->OnChange = [this] { cb_audiobitrateChange(); };
  cb_audio = Place<TskinComboBox>(this, this, "cb_audio", 128, 48, 145, 21);
  cb_audio->Hide();
  cb_subtitle = Place<TskinComboBox>(this, this, "cb_subtitle", 288, 48, 145, 21);
  cb_subtitle->Hide();
  for (TskinComboBox *combo : {cb_size, cb_videobitrate, cb_audiobitrate, cb_channel, cb_audio, cb_subtitle})
    DesignSkinCombo(combo);

  ed_output = Place<TEdit>(this, this, "ed_output", 422, 66, 187, 14);
  ed_output->setFrame(false);
  Panel1 = Place<TPanel>(this, this, "Panel1", 62, 64, 16, 16);
  im_mainico = Place<TImage>(Panel1, this, "im_mainico", 0, 0, 16, 16);

  pbOperation = Place<TskinProgressBar>(this, this, "pbOperation", 15, 496, 722, 12);
  DesignSkinBar(pbOperation, 200);
  pbOperation->Hide();
  ProgressBar1 = Place<TProgressBar>(this, this, "ProgressBar1", 15, 496, 722, 12);
  pbPPT = Place<TskinProgressBar>(this, this, "pbPPT", 562, 446, 171, 12);
  DesignSkinBar(pbPPT, 100);

  // The player's window lies under the browser panel and the idle picture, which share one place.
  pl_play = Place<TPanel>(this, this, "pl_play", 610, 310, 100, 100);
  pl_play->SetColor(0x000000);
  pnlWB = Place<TPanel>(this, this, "pnlWB", 559, 294, 178, 140);
  pnlWB->SetCaption("WB");
  pnlWB->Hide();
  WB = Place<TWebBrowser>(pnlWB, this, "WB", 0, 0, 178, 124);
  Panel2 = Place<TPanel>(pnlWB, this, "Panel2", 0, 124, 178, 16);
  // The mouse meets the glass, never the show beneath it, which a click would advance.
  Glass1 = Place<TGlass>(pnlWB, this, "Glass1", 0, 0, 178, 140);
  Glass1->SetAlign(TGlass::alClient);
  pnlStopPlay = Place<TPanel>(this, this, "pnlStopPlay", 559, 294, 178, 140);
  ImgStopPlay = Place<TImage>(pnlStopPlay, this, "ImgStopPlay", 0, 0, 178, 140);

  pl_main = Place<TPanel>(this, this, "pl_main", 53, 81, 153, 358);
  const std::pair<TPanel **, const char *> panels[] = {
      {&pl_video1, "pl_video1"}, {&pl_video2, "pl_video2"},   {&pl_audio1, "pl_audio1"},
      {&pl_audio2, "pl_audio2"}, {&pl_ipod, "pl_ipod"},       {&pl_iphone, "pl_iphone"},
      {&pl_psp, "pl_psp"},       {&pl_phone, "pl_phone"},     {&pl_pmp, "pl_pmp"},
      {&pl_appletv, "pl_appletv"}, {&pl_animation, "pl_animation"}, {&pl_gphone, "pl_gphone"},
      {&pl_win, "pl_win"},       {&pl_xbox, "pl_xbox"},       {&pl_hd, "pl_hd"},
      {&pl_avi, "pl_avi"},       {&pl_mpeg, "pl_mpeg"},       {&pl_mp4, "pl_mp4"},
      {&pl_mkv, "pl_mkv"}};
  for (const auto &[panel, name] : panels) {
    bool sub = panel == &pl_avi || panel == &pl_mpeg || panel == &pl_mp4 || panel == &pl_mkv;
    *panel = Place<TPanel>(this, this, name, 206, 81, sub ? 311 : 310, 358);
    (*panel)->setFrameStyle(QFrame::Panel | QFrame::Raised);
  }
  // The chooser is closed until it is opened; FormCreate confirms it.
  pl_main->Hide();
  for (TPanel *panel : ProfilePanels()) panel->Hide();

  DesignMenus();
  // The menus' items exist only now; as at the end of a form's reading, the menus take over their drawing.
  for (TskinPopupMenu *menu : {pop_file, pop_dvd, pop_help}) menu->Loaded();
  DesignChooser();
  DesignDvd();
  DesignPreviews();

  OnCreate = [this] { FormCreate(this); };
  OnShow = [this] { FormShow(this); };
  OnCloseQuery = [this](bool &canClose) { FormCloseQuery(this, canClose); };
  OnClose = [this](TCloseAction &action) { FormClose(this, action); };
}

Tfm_main::~Tfm_main() = default;

std::vector<TPanel *> Tfm_main::ProfilePanels() const {
  return {pl_video1, pl_video2, pl_audio1, pl_audio2, pl_ipod,      pl_iphone, pl_psp,
          pl_phone,  pl_pmp,    pl_appletv, pl_animation, pl_gphone, pl_win,   pl_xbox,
          pl_hd,     pl_avi,    pl_mpeg,   pl_mp4,    pl_mkv};
}

void Tfm_main::FormCreate(TComponent *) {
  Main.SelCategory = -1;
  Main.SelProfile = -1;
  Main.TitleMode = true;
  Main.Playing = Main.Converting = Main.Seeking = Main.Paused = false;
  Main.EncoderJob.EncoderPath = win::ProgramFolder() + "register.dat";
  Main.EncoderJob.WorkDir = win::ProgramFolder();
  InitSkin();
  ShowChooserPanels(false);
}

void Tfm_main::FormShow(TComponent *) {
  Main.EditionName = ShippedEditionName;
  ApplyEditionLayout();
  for (int n = 1; n <= 132; ++n) RestoreProfileButton(n);
  LoadSettings();
  lv->Hide();
  ProgressBar1->Hide();
}

std::string Tfm_main::SettingsFileName(const std::string &editionName) {
  std::string base = editionName.size() > 4 ? editionName.substr(0, editionName.size() - 4) : std::string();
  // The extension starts at the last dot of the file name part.
  std::size_t dot = base.find_last_of(".\\/");
  if (dot != std::string::npos && base[dot] == '.') base.erase(dot);
  return base + ".ini";
}

std::string Tfm_main::ProfileFileName(const std::string &editionName) {
  return "pro " + SettingsFileName(editionName);
}

void Tfm_main::LoadSettings() {
  // Bare names: the INI layer keeps them in the Windows folder.
  Main.ProfileIni = std::make_shared<TIniFile>(ProfileFileName(Main.EditionName));
  Main.SettingsIni = std::make_shared<TIniFile>(SettingsFileName(Main.EditionName));
  const TIniFile &ini = *Main.SettingsIni;
  Main.VideoFirstPage = ini.ReadBool("plane", "video", true);
  Main.AudioFirstPage = ini.ReadBool("plane", "audio", true);
  Main.OutputDir = ini.ReadString("output", "path", win::HomeFolder() + "My Video/");
  ed_output->SetText(Main.OutputDir);
  Main.SelCategory = ini.ReadInteger("profiles", "selcetindex", 1);
  Main.SelProfile = ini.ReadInteger("profiles", "selcetsubindex", DefaultProfileForEdition(Main.EditionName));
  SelectProfile(Main.SelProfile);
  Main.FinishAction = ini.ReadInteger("profiles", "FinishSelcet", 0);
}

void Tfm_main::FormCloseQuery(TComponent *, bool &CanClose) {
  if (Main.Playing) {
    win::MessageDlg("Please first stop play!", win::TMsgDlgType::mtInformation, {win::mbOK});
    CanClose = false;
  } else if (Main.Converting) {
    win::MessageDlg("Please first stop converting!", win::TMsgDlgType::mtInformation, {win::mbOK});
    CanClose = false;
  } else {
    CanClose = true;
  }
}

void Tfm_main::FormClose(TComponent *, TCloseAction &) {
  EndConvert();
  std::exit(0);
}

win::LRESULT Tfm_main::WndProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
  if (msg == win::WM_SYSCOMMAND && WMSysCommand(wParam)) return 0;
  const win::LRESULT result = TForm::WndProc(msg, wParam, lParam);
  HandleLibraryMessage(msg, wParam, lParam);
  return result;
}

bool Tfm_main::WMSysCommand(win::WPARAM command) {
  // While a batch prepares a presentation the window must stay where the capture expects it.
  return !Main.AllowMinimize && command == win::SC_MINIMIZE;
}
