// The skin of the main window: commands bound to its named objects, the hint line of each object, and
// the three popup menus that carry the same commands.
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sstream>
#include <utility>

#include "about.h"
#include "dialogs.h"
#include "dir.h"
#include "files.h"
#include "main.h"
#include "paths.h"
#include "settings.h"
#include "shell.h"

namespace {

std::wstring NameOf(const std::shared_ptr<ISkinObject> &Source) {
  return Source ? Source->GetName() : std::wstring();
}

void Warn(const char *text) { win::MessageDlg(text, win::TMsgDlgType::mtWarning, {win::mbOK}); }

using TCommand = void (*)(Tfm_main &);

// Names are compared exactly, case included.
const std::pair<const wchar_t *, TCommand> Commands[] = {
    {L"profiles", [](Tfm_main &f) { f.OpenChooser(Main.CurProfile); }},
    {L"openfiles", [](Tfm_main &f) { f.AddFilesDialog(); }},
    {L"openfolder", [](Tfm_main &f) { f.AddFolderFiles(); }},
    {L"remove", [](Tfm_main &f) { f.RemoveSelectedFiles(); }},
    {L"clear", [](Tfm_main &f) { f.ClearFileList(); }},
    {L"converter", [](Tfm_main &f) { f.StartConversion(); }},
    {L"stopconverter", [](Tfm_main &f) { f.StopConversion(); }},
    {L"dvdopen", [](Tfm_main &f) { f.OpenDvd(); }},
    {L"ifoopen", [](Tfm_main &f) { f.OpenIfoFile(); }},
    {L"chapter", [](Tfm_main &f) { f.ToggleTitleChapterMode(Main.TitleMode); }},
    {L"play",
     [](Tfm_main &f) {
       if (f.IsVideoEdition())
         f.StartPresentationPreview();
       else
         f.PreviewDvdTitle();
     }},
    {L"stopplay", [](Tfm_main &f) { f.StopPresentationPreview(); }},
    {L"pause", [](Tfm_main &f) { f.TogglePause(); }},
    {L"browse",
     [](Tfm_main &f) {
       fm_dir->ShowModal();
       if (SelectedFolder.empty()) return;
       Main.OutputDir = SelectedFolder;
       f.ed_output->SetText(Main.OutputDir);
     }},
    {L"open", [](Tfm_main &) { win::ShellExecute("", Main.OutputDir, "", ""); }},
    {L"settings", [](Tfm_main &) { fm_set->ShowModal(); }},
    {L"help",
     [](Tfm_main &f) {
       bool brand = f.IsMakerEdition();
       f.pop_help->Popup(f.x() + (brand ? 366 : 302), f.y() + (brand ? 64 : 54));
     }},
    {L"file",
     [](Tfm_main &f) {
       bool brand = f.IsMakerEdition();
       f.pop_file->Popup(f.x() + (brand ? 85 : 14), f.y() + (brand ? 64 : 54));
     }},
    {L"dvdfile",
     [](Tfm_main &f) {
       bool brand = f.IsMakerEdition();
       f.pop_dvd->Popup(f.x() + (brand ? 85 : 76), f.y() + (brand ? 64 : 54));
     }},
    {L"cutter",
     [](Tfm_main &) {
       if (Main.Playing)
         Warn("Please first stop play!");
       else if (Main.Converting)
         Warn("Please first stop convert!");
       else if (!Main.TitleMode)
         Warn("Please change title mode!");
     }},
};

const std::pair<const wchar_t *, int> HintLines[] = {
    {L"dvdopen", 1},        {L"ifoopen", 2},       {L"profiles", 3},      {L"profilestext", 3},
    {L"audio", 4},          {L"subtitle", 5},      {L"video_size", 6},    {L"video_quality", 7},
    {L"audio_quality", 8},  {L"channels", 9},      {L"play", 10},         {L"pause", 11},
    {L"stopplay", 12},      {L"play_bar", 13},     {L"play_time", 14},    {L"chapter", 15},
    {L"cutter", 16},        {L"converter", 17},    {L"stopconverter", 18}, {L"browse", 19},
    {L"open", 20},          {L"openfolder", 21},   {L"openfiles", 22},    {L"remove", 23},
    {L"clear", 24},
};

// The menu pictures, in ImageList1's order: add files, remove, convert, about, help, add DVD, select all.
QImage MenuPicture(int index) {
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor blue(0x2a, 0x5c, 0xaa), green(0x2e, 0x9a, 0x3c), red(0xc8, 0x32, 0x28);
  auto page = [&p] {
    p.setPen(QColor(0x60, 0x60, 0x60));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5, 1.5, 9, 12));
  };
  switch (index) {
    case 0:  // a page with a green plus
      page();
      p.fillRect(QRectF(9, 7, 6, 2), green);
      p.fillRect(QRectF(11, 5, 2, 6), green);
      break;
    case 1:  // a page with a red cross
      page();
      p.setPen(QPen(red, 2));
      p.drawLine(QPointF(8, 8), QPointF(14, 14));
      p.drawLine(QPointF(14, 8), QPointF(8, 14));
      break;
    case 2: {  // a green arrow to the right
      QPainterPath arrow;
      arrow.moveTo(2, 6);
      arrow.lineTo(8, 6);
      arrow.lineTo(8, 2);
      arrow.lineTo(14, 8);
      arrow.lineTo(8, 14);
      arrow.lineTo(8, 10);
      arrow.lineTo(2, 10);
      arrow.closeSubpath();
      p.fillPath(arrow, green);
      break;
    }
    case 3:  // a blue disc with "i"
    case 4:  // a blue disc with "?"
      p.setPen(Qt::NoPen);
      p.setBrush(blue);
      p.drawEllipse(QRectF(1, 1, 14, 14));
      p.setPen(Qt::white);
      p.setFont(QFont("Sans", 8, QFont::Bold));
      p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, index == 3 ? "i" : "?");
      break;
    case 5:  // a disc
      p.setPen(QColor(0x70, 0x70, 0x70));
      p.setBrush(QColor(0xd8, 0xd8, 0xe8));
      p.drawEllipse(QRectF(1, 1, 14, 14));
      p.setBrush(Qt::white);
      p.drawEllipse(QRectF(6, 6, 4, 4));
      break;
    case 6:  // a green tick
      p.setPen(QPen(green, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.drawPolyline(QPolygonF({QPointF(3, 8), QPointF(7, 12), QPointF(13, 3)}));
      break;
  }
  return image;
}

}  // namespace

void Tfm_main::InitSkin() {
  Skin1->LoadSkinFile(QString::fromStdString(win::ProgramFolder() + "skn.skn").toStdWString());
  Skin1->AttachToWindow(Handle());
  Skin1->ApplySkinForm(Handle(), L"qevvideoconverter");
  auto hold = [this](TSkinElementRef &ref, const wchar_t *name, bool slider) {
    ref.Object = Skin1->GetWindowSkinObject(Handle())->FindElement(name);
    if (!ref.Object) return;
    if (slider)
      ref.Slider = ref.Object->Query<ISkinSlider>();
    else
      ref.Text = ref.Object->Query<ISkinText>();
    ref.Element = ref.Object->Query<ISkinElement>();
  };
  hold(SkinElements.profilestext, L"profilestext", false);
  hold(SkinElements.play_time, L"play_time", false);
  hold(SkinElements.hint, L"hint", false);
  hold(SkinElements.play_bar, L"play_bar", true);
}

void Tfm_main::Skin1Click(const std::shared_ptr<ISkinObject> &Source) {
  const std::wstring name = NameOf(Source);
  for (const auto &[object, command] : Commands)
    if (name == object) {
      command(*this);
      return;
    }
}

void Tfm_main::Skin1MouseDown(const std::shared_ptr<ISkinObject> &Source, int, int, int) {
  std::wstring name = NameOf(Source);
  ShowChooserPanels(false);
  // Holding the play bar stops the preview from moving it until the release.
  if (!Main.Converting && IsVideoEdition() && name == L"play_bar" && Main.Playing) Main.Seeking = true;
}

int Tfm_main::HintLine(const std::wstring &Name) {
  for (const auto &[object, line] : HintLines)
    if (Name == object) return line;
  return 0;
}

void Tfm_main::Skin1MouseMove(const std::shared_ptr<ISkinObject> &Source, int, int) {
  ShowLanguageText(HintLine(NameOf(Source)));
}

void Tfm_main::ShowLanguageText(int N) {
  // The capture must not be slowed by file reads while a show is recorded.
  if (Main.Converting) return;
  const std::string path = win::ProgramFolder() + "language.info";
  // Hint texts only: a file far larger than that is refused rather than read at every hover.
  constexpr std::size_t MaxLanguageFileSize = 1u << 20;
  std::string content;
  if (!win::ReadWholeFile(path, content, MaxLanguageFileSize))
    throw std::runtime_error("Cannot open file \"" + path + "\". " + std::strerror(errno));
  std::string line;
  int read = 0;
  std::istringstream lines(content);
  while (read < N && std::getline(lines, line)) ++read;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  // Objects without a line of their own (and numbers past the end) clear the hint rather than leave
  // another object's text under the pointer.
  if (read != N || N < 1) line.clear();
  if (SkinElements.hint.Text) SkinElements.hint.Text->SetText(QString::fromUtf8(line.c_str()).toStdWString());
  if (SkinElements.hint.Element) SkinElements.hint.Element->Redraw();
}

// ---- the popup menus

void Tfm_main::DesignMenus() {
  ImageList1->Clear();
  for (int i = 0; i < 7; ++i) ImageList1->Add(MenuPicture(i));

  pop_file->Add("Add Files", [this] { AddFiles1Click(); }, 0);
  pop_file->Add("Add Folder", [this] { AddFolder1Click(); });
  pop_file->Add("-");
  pop_file->Add("Remove", [this] { Rmove1Click(); }, 1);
  pop_file->Add("Clear", [this] { Clear1Click(); });
  pop_file->Add("-");
  pop_file->Add("Convert", [this] { Convert1Click(); }, 2);
  pop_file->Add("Stop", [this] { Stop1Click(); });
  pop_file->Add("-");
  pop_file->Add("Exit", [this] { Exit1Click(); });

  pop_dvd->Add("Add DVD", [this] { MenuItem3Click(); }, 5);
  pop_dvd->Add("Add IFO", [this] { MenuItem8Click(); });
  pop_dvd->Add("-");
  pop_dvd->Add("Select All", [this] { MenuItem10Click(); }, 6);
  pop_dvd->Add("Unselect ALL", [this] { MenuItem11Click(); });
  pop_dvd->Add("-");
  pop_dvd->Add("Convert", [this] { Convert1Click(); }, 2);
  pop_dvd->Add("Stop", [this] { Stop1Click(); });
  pop_dvd->Add("-");
  pop_dvd->Add("Exit", [this] { Exit1Click(); });

  pop_help->Add("Help", [this] { MenuItem1Click(); }, 4);
  pop_help->Add("Support", [this] { MenuItem2Click(); });
  pop_help->Add("Our Website", [this] { MenuItem4Click(); });
  pop_help->Add("Contact us", [this] { MenuItem5Click(); });
  pop_help->Add("-");
  pop_help->Add("About", [this] { MenuItem7Click(); }, 3);
}

void Tfm_main::AddFiles1Click() { AddFilesDialog(); }
void Tfm_main::AddFolder1Click() { AddFolderFiles(); }
void Tfm_main::Rmove1Click() { RemoveSelectedFiles(); }
void Tfm_main::Clear1Click() { ClearFileList(); }
void Tfm_main::Convert1Click() { StartConversion(); }
void Tfm_main::Stop1Click() { StopConversion(); }
void Tfm_main::Exit1Click() { Close(); }
void Tfm_main::MenuItem7Click() { fm_about->ShowModal(); }
