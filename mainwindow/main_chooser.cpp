// The image-button profile chooser: a column of category pictures, one panel of picture buttons beside
// it, and the sub-panels that four buttons of the first video page open.
#include <QEvent>
#include <QMouseEvent>
#include <filesystem>
#include <functional>
#include <stdexcept>

#include "canvas.h"
#include "dialogs.h"
#include "main.h"
#include "paths.h"

namespace {

// ---- design tables

// A category picture of pl_main, its file word and the panel its hover opens (the video and audio
// categories open one of two pages).
struct TCategoryDesign {
  TImage *Tfm_main::*Picture;
  const char *Name;
  const char *Word;
  TPanel *Tfm_main::*Panel;
  TPanel *Tfm_main::*SecondPage;
};

const TCategoryDesign Categories[14] = {
    {},
    {&Tfm_main::img_gvideo1, "img_gvideo1", "video1", &Tfm_main::pl_video1, &Tfm_main::pl_video2},
    {&Tfm_main::img_audio1, "img_audio1", "audio1", &Tfm_main::pl_audio1, &Tfm_main::pl_audio2},
    {&Tfm_main::img_ipod, "img_ipod", "ipod", &Tfm_main::pl_ipod, nullptr},
    {&Tfm_main::img_iphone, "img_iphone", "iphone", &Tfm_main::pl_iphone, nullptr},
    {&Tfm_main::img_gphone, "img_gphone", "gphone", &Tfm_main::pl_gphone, nullptr},
    {&Tfm_main::img_appletv, "img_appletv", "appletv", &Tfm_main::pl_appletv, nullptr},
    {&Tfm_main::img_psp, "img_psp", "psp", &Tfm_main::pl_psp, nullptr},
    {&Tfm_main::img_xbox, "img_xbox", "xbox", &Tfm_main::pl_xbox, nullptr},
    {&Tfm_main::img_phone, "img_phone", "phone", &Tfm_main::pl_phone, nullptr},
    {&Tfm_main::img_win, "img_win", "win", &Tfm_main::pl_win, nullptr},
    {&Tfm_main::img_pmp, "img_pmp", "pmp", &Tfm_main::pl_pmp, nullptr},
    {&Tfm_main::img_hd, "img_hd", "hd", &Tfm_main::pl_hd, nullptr},
    {&Tfm_main::img_animation, "img_animation", "animation", &Tfm_main::pl_animation, nullptr},
};

bool IsCategory(int k) { return k >= 1 && k <= 13; }

// A profile panel: its buttons btim_First..btim_Last stacked from the top, the category it belongs to
// (0 for a sub-panel) and the profiles at which OpenChooser opens it.
struct TPanelDesign {
  TPanel *Tfm_main::*Panel;
  int First, Last;
  int Bottom;  // where the last button ends: the page strip or the panel's bottom edge
  int Width;
  int Category;
  int OpenFirst, OpenLast;
};

const TPanelDesign Panels[] = {
    {&Tfm_main::pl_video1, 1, 7, 341, 310, 1, 1, 7},
    {&Tfm_main::pl_video2, 8, 14, 341, 310, 1, 8, 14},
    {&Tfm_main::pl_audio1, 15, 21, 341, 310, 2, 15, 21},
    {&Tfm_main::pl_audio2, 22, 26, 341, 310, 2, 22, 26},
    {&Tfm_main::pl_ipod, 27, 33, 358, 310, 3, 27, 32},
    {&Tfm_main::pl_iphone, 34, 40, 358, 310, 4, 34, 39},
    {&Tfm_main::pl_gphone, 41, 45, 358, 310, 5, 41, 44},
    {&Tfm_main::pl_appletv, 46, 52, 358, 310, 6, 46, 51},
    {&Tfm_main::pl_psp, 53, 59, 358, 310, 7, 53, 58},
    {&Tfm_main::pl_xbox, 60, 67, 358, 310, 8, 60, 66},
    {&Tfm_main::pl_phone, 68, 74, 358, 310, 9, 68, 73},
    {&Tfm_main::pl_win, 75, 82, 358, 310, 10, 75, 81},
    {&Tfm_main::pl_pmp, 83, 90, 358, 310, 11, 83, 89},
    {&Tfm_main::pl_hd, 91, 98, 358, 310, 12, 91, 97},
    {&Tfm_main::pl_animation, 99, 101, 358, 310, 13, 99, 100},
    {&Tfm_main::pl_avi, 102, 109, 358, 311, 0, 102, 109},
    {&Tfm_main::pl_mpeg, 110, 117, 358, 311, 0, 110, 117},
    {&Tfm_main::pl_mp4, 118, 124, 358, 311, 0, 118, 124},
    {&Tfm_main::pl_mkv, 125, 132, 358, 311, 0, 125, 131},
};

// Where the form design departs from the regular stacking; -1 keeps the regular value.
struct TButtonDeparture {
  int N, Top, Width, Height;
};
const TButtonDeparture Departures[] = {
    {31, -1, -1, 51}, {67, -1, 312, 19}, {73, -1, -1, 50}, {100, -1, -1, 49}, {109, -1, 312, -1},
    // pl_hd's buttons sit one pixel lower down to btim_96, which is one pixel shorter.
    {91, 1, -1, -1},  {92, 54, -1, -1},  {93, 102, -1, -1}, {94, 150, -1, -1}, {95, 198, -1, -1},
    {96, 246, -1, 47},
};

// The group buttons of the first video page and the sub-panels they open.
struct TGroupDesign {
  int G;
  TPanel *Tfm_main::*Panel;
  int First, Last;
};
const TGroupDesign Groups[] = {
    {2, &Tfm_main::pl_avi, 102, 109},
    {3, &Tfm_main::pl_mpeg, 110, 117},
    {4, &Tfm_main::pl_mp4, 118, 124},
    {5, &Tfm_main::pl_mkv, 125, 131},
};

const TGroupDesign *GroupOfButton(int g) {
  for (const TGroupDesign &group : Groups)
    if (group.G == g) return &group;
  return nullptr;
}

const TGroupDesign *GroupOfProfile(int n) {
  for (const TGroupDesign &group : Groups)
    if (n >= group.First && n <= group.Last) return &group;
  return nullptr;
}

// Tops that the single-panel editions give their panel's buttons, one pixel above the design's.
constexpr int RestackedTops[] = {-1, 52, 100, 148, 196, 244, 292};

// ---- pictures

std::string Str(int n) { return std::to_string(n); }

// Loads a bitmap file into a picture; a missing or unreadable file raises the file error and leaves
// the picture as it was.
void LoadPicture(TImage *image, const std::string &path) {
  TBitmap bitmap;
  if (!bitmap.LoadFromFile(path)) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
      throw std::runtime_error("Cannot open file \"" + path + "\". File not found.");
    throw std::runtime_error("Bitmap image is not valid: \"" + path + "\"");
  }
  image->Picture()->Assign(bitmap.Image());
}

// A picture that the form design carries; the form shows it blank when its file is absent.
void LoadDesignPicture(TImage *image, const std::string &path) {
  TBitmap bitmap;
  if (bitmap.LoadFromFile(path)) image->Picture()->Assign(bitmap.Image());
}

// The mouse on a chooser picture as the form's design wires it: OnMouseMove on every move over it,
// with or without a button held, and OnClick when the left button goes down and up over it. Presses
// stop here, so that the window's skin never sees a press on the chooser.
class TPictureMouse : public QObject {
public:
  TPictureMouse(QWidget *target, std::function<void()> onMouseMove, std::function<void()> onClick)
      : QObject(target), FOnMouseMove(std::move(onMouseMove)), FOnClick(std::move(onClick)) {
    target->setMouseTracking(true);
    target->installEventFilter(this);
  }

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    auto *widget = static_cast<QWidget *>(watched);
    switch (event->type()) {
      case QEvent::MouseMove:
        if (FOnMouseMove) FOnMouseMove();
        return true;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
        return true;
      case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (FOnClick && mouse->button() == Qt::LeftButton && widget->rect().contains(mouse->position().toPoint()))
          FOnClick();
        return true;
      }
      default:
        return false;
    }
  }

private:
  std::function<void()> FOnMouseMove;
  std::function<void()> FOnClick;
};

TImage *PlacePicture(QWidget *parent, TComponent *owner, const std::string &name, int left, int top, int width,
                     int height) {
  auto *image = new TImage(parent, owner);
  image->SetName(name);
  image->setGeometry(left, top, width, height);
  return image;
}

// Moves buttons btim_First..btim_Last to the single-panel tops.
void Restack(TImage *const *btim, int first, int last) {
  for (int n = first; n <= last; ++n) btim[n]->move(btim[n]->x(), RestackedTops[n - first]);
}

// Flat look with a single border, as the single-panel editions show their panel.
void MakeFlatWithBorder(TPanel *panel) {
  panel->setFrameStyle(QFrame::Box | QFrame::Plain);
  panel->setLineWidth(1);
}

}  // namespace

// ---- design

void Tfm_main::DesignChooser() {
  ChooserImages = win::ProgramFolder() + "images/";

  for (int k = 1; k <= 13; ++k) {
    const TCategoryDesign &category = Categories[k];
    const int top = k == 1 ? 0 : 27 + 25 * (k - 2);
    TImage *picture = PlacePicture(pl_main, this, category.Name, 0, top, 153, k == 1 ? 27 : 25);
    this->*category.Picture = picture;
    LoadDesignPicture(picture, ChooserImages + "main/general/img_" + category.Word + ".bmp");
    new TPictureMouse(picture, [this, k] { img_MouseMove(k); }, nullptr);
  }
  Image3 = PlacePicture(pl_main, this, "Image3", 0, 327, 153, 31);
  LoadDesignPicture(Image3, ChooserImages + "form/Image3.bmp");

  for (const TPanelDesign &design : Panels) {
    TPanel *panel = this->*design.Panel;
    // Presses on a panel belong to the panel, not to the skin beneath it.
    new TPictureMouse(panel, nullptr, nullptr);
    for (int n = design.First; n <= design.Last; ++n) {
      const int index = n - design.First;
      int top = index == 0 ? 0 : 53 + 48 * (index - 1);
      int width = design.Width;
      int height = n == design.Last ? design.Bottom - top : index == 0 ? 53 : 48;
      for (const TButtonDeparture &departure : Departures) {
        if (departure.N != n) continue;
        if (departure.Top >= 0) top = departure.Top;
        if (departure.Width >= 0) width = departure.Width;
        if (departure.Height >= 0) height = departure.Height;
      }
      btim[n] = PlacePicture(panel, this, "btim_" + Str(n), 0, top, width, height);
      std::function<void()> onMouseMove, onClick;
      if (HasHoverHandler(n)) onMouseMove = [this, n] { btim_MouseMove(n); };
      if (HasClickHandler(n)) onClick = [this, n] { btim_Click(n); };
      new TPictureMouse(btim[n], std::move(onMouseMove), std::move(onClick));
    }
  }

  // The bottom strips of the video and audio pages.
  struct TStripDesign {
    TPanel *panel;
    TImage **fixed;
    const char *fixedName;
    TImage **page;
    const char *pageName;
    int pageHeight;
    void (Tfm_main::*onClick)();
    bool handPoint;
  };
  const TStripDesign strips[] = {
      {pl_video1, &btim_next, "btim_next", &Image94, "Image94", 17, &Tfm_main::Image94Click, true},
      {pl_video2, &btim_pre, "btim_pre", &Image93, "Image93", 17, &Tfm_main::Image93Click, true},
      {pl_audio1, &Image1, "Image1", &Image2, "Image2", 18, &Tfm_main::Image2Click, true},
      {pl_audio2, &Image4, "Image4", &Image5, "Image5", 18, &Tfm_main::Image5Click, false},
  };
  for (const TStripDesign &strip : strips) {
    *strip.fixed = PlacePicture(strip.panel, this, strip.fixedName, 0, 341, 240, 17);
    LoadDesignPicture(*strip.fixed, ChooserImages + "form/" + strip.fixedName + ".bmp");
    new TPictureMouse(*strip.fixed, nullptr, nullptr);
    *strip.page = PlacePicture(strip.panel, this, strip.pageName, 239, 341, 71, strip.pageHeight);
    LoadDesignPicture(*strip.page, ChooserImages + "form/" + strip.pageName + ".bmp");
    new TPictureMouse(*strip.page, nullptr, [this, onClick = strip.onClick] { (this->*onClick)(); });
    if (strip.handPoint) (*strip.page)->setCursor(Qt::PointingHandCursor);
  }
  pl_audio2->setCursor(Qt::PointingHandCursor);

  new TPictureMouse(im_mainico, nullptr, [this] { im_mainicoClick(); });
  lvPPT->OnMouseDown = [this](int, int, int) { lvMouseDown(); };
  lv->OnMouseDown = [this](int, int, int) { lvMouseDown(); };
}

bool Tfm_main::HasHoverHandler(int N) {
  return N >= 1 && N <= 131 && N != 13 && N != 14 && N != 98 && N != 101 && N != 117;
}

bool Tfm_main::HasClickHandler(int N) {
  // Group buttons only open their sub-panel; the last buttons of some panels are fillers.
  if (N < 1 || N > 131 || (N >= 2 && N <= 5)) return false;
  for (int none : {13, 14, 98, 101, 109, 117, 124})
    if (N == none) return false;
  return true;
}

// ---- showing and restoring

void Tfm_main::ShowChooserPanels(bool Visible) {
  pl_main->SetVisible(Visible);
  for (TPanel *panel : ProfilePanels()) panel->SetVisible(Visible);
}

void Tfm_main::RestoreCategoryImage(int Category) {
  if (IsCategory(Category)) {
    const TCategoryDesign &category = Categories[Category];
    LoadPicture(this->*category.Picture, ChooserImages + "main/general/img_" + category.Word + ".bmp");
    (this->*category.Panel)->Hide();
    if (category.SecondPage) (this->*category.SecondPage)->Hide();
  }
  for (TPanel *sub : {pl_avi, pl_mpeg, pl_mkv, pl_mp4})
    if (sub->Visible()) sub->Hide();
}

void Tfm_main::RestoreProfileButton(int N) {
  if (const TGroupDesign *group = GroupOfButton(N)) (this->*group->Panel)->Hide();
  if (N >= 1 && N <= 132) LoadPicture(btim[N], ChooserImages + "sub/general/" + Str(N) + ".bmp");
}

void Tfm_main::MapSelProfileToGroup() {
  // Each test sees the value the one before it left.
  for (const TGroupDesign &group : Groups)
    if (Main.SelProfile >= group.First && Main.SelProfile <= group.Last) Main.SelProfile = group.G;
}

// ---- hover and click

void Tfm_main::img_MouseMove(int Category) {
  if (!IsCategory(Category) || Main.SelCategory == Category) return;
  RestoreCategoryImage(Main.SelCategory);
  const TCategoryDesign &category = Categories[Category];
  LoadPicture(this->*category.Picture, ChooserImages + "main/move/img_" + category.Word + ".bmp");
  Main.SelCategory = Category;
  if (Category == 1)
    (Main.VideoFirstPage ? pl_video1 : pl_video2)->Show();
  else if (Category == 2)
    (Main.AudioFirstPage ? pl_audio1 : pl_audio2)->Show();
  else
    (this->*category.Panel)->Show();
}

void Tfm_main::btim_MouseMove(int N) {
  if (!HasHoverHandler(N) || Main.SelProfile == N) return;
  const std::string highlighted = ChooserImages + "sub/move/" + Str(N) + ".bmp";

  if (const TGroupDesign *group = GroupOfButton(N)) {
    MapSelProfileToGroup();
    // The sub-panel covers the preview area; it is taken away while the sub-panel comes up.
    pl_play->Hide();
    TPanel *sub = this->*group->Panel;
    sub->SetLeft(pl_video1->Left() + Main.SubPanelOffset);
    sub->SetTop(pl_video1->Top());
    sub->Show();
    sub->raise();
    RestoreProfileButton(Main.SelProfile);
    LoadPicture(btim[N], highlighted);
    Main.SelProfile = N;
    pl_play->Show();
    return;
  }

  if (N == 1 || N == 6 || N == 7) {
    MapSelProfileToGroup();
  } else if (const TGroupDesign *group = GroupOfProfile(N)) {
    // Coming from the group button: it keeps its highlight and its sub-panel stays open.
    if (Main.SelProfile == group->G) Main.SelProfile = group->First;
  }
  RestoreProfileButton(Main.SelProfile);
  LoadPicture(btim[N], highlighted);
  Main.SelProfile = N;
}

void Tfm_main::btim_Click(int N) {
  if (!HasClickHandler(N)) return;
  // Closed first, so that a failing selection still leaves the chooser closed.
  ShowChooserPanels(false);
  SelectProfile(N);
}

// ---- opening

void Tfm_main::OpenChooser(int Profile) {
  if (Main.Converting) {
    win::MessageDlg("Please first stop convert!", win::TMsgDlgType::mtWarning, {win::mbOK});
    return;
  }
  if (!Main.Playing && IsMakerEdition()) pl_play->Hide();

  // Single-format editions show one panel alone, at the column's place.
  const int singleLeft = IsMakerEdition() ? 88 : 53;
  auto showAlone = [&](TPanel *panel, int first, int last) {
    panel->SetLeft(singleLeft);
    MakeFlatWithBorder(panel);
    Restack(btim, first, last);
    ShowChooserPanels(false);
    panel->Show();
  };
  const struct {
    const char *keyword;
    TPanel *panel;
    int first, last;
  } singlePanels[] = {
      {"ipod", pl_ipod, 27, 33}, {"psp", pl_psp, 53, 59},         {"iphone", pl_iphone, 34, 40},
      {"3gp", pl_phone, 68, 74}, {"gphone", pl_gphone, 41, 45},
  };
  for (const auto &single : singlePanels) {
    if (!EditionHolds(single.keyword)) continue;
    showAlone(single.panel, single.first, single.last);
    return;
  }
  if (EditionHolds("mp3") || EditionHolds("audio")) {
    showAlone(pl_audio1, 15, 21);
    pl_audio2->Hide();
    return;
  }
  const std::pair<const char *, TPanel *> subPanels[] = {
      {"avi", pl_avi}, {"mpeg", pl_mpeg}, {"mp4", pl_mp4}, {"mkv", pl_mkv}};
  for (const auto &[keyword, sub] : subPanels) {
    if (!EditionHolds(keyword)) continue;
    ShowChooserPanels(false);
    sub->SetLeft(singleLeft);
    sub->Show();
    return;
  }
  for (const char *keyword : {"wmv", "rm", "flv"}) {
    if (!EditionHolds(keyword)) continue;
    ShowChooserPanels(false);
    return;
  }

  RestoreCategoryImage(Main.SelCategory);
  pl_main->Show();
  for (const TPanelDesign &design : Panels) {
    if (Profile < design.OpenFirst || Profile > design.OpenLast) continue;
    int category = design.Category;
    if (category != 0) {
      // The page comes from the profile; the page flags stay as they are.
      (this->*design.Panel)->Show();
    } else {
      pl_video1->Show();
      TPanel *sub = this->*design.Panel;
      sub->SetTop(pl_video1->Top());
      sub->SetLeft(pl_video1->Left() + Main.SubPanelOffset);
      sub->Show();
      sub->raise();
      category = 1;
    }
    LoadPicture(this->*Categories[category].Picture,
                ChooserImages + "main/move/img_" + Categories[category].Word + ".bmp");
    Main.SelCategory = category;
    return;
  }
}

// ---- page switches

void Tfm_main::Image94Click() {
  Main.VideoFirstPage = false;
  pl_video2->Show();
  pl_video1->Hide();
}

void Tfm_main::Image93Click() {
  pl_video2->Hide();
  pl_video1->Show();
  Main.VideoFirstPage = true;
}

void Tfm_main::Image2Click() {
  if (!EditionHolds("mp3") && !EditionHolds("audio")) {
    pl_audio1->Hide();
    pl_audio2->Show();
    Main.AudioFirstPage = false;
    return;
  }
  // The audio edition shows each page alone at the column's place.
  pl_audio2->SetLeft(IsMakerEdition() ? 88 : 53);
  MakeFlatWithBorder(pl_audio2);
  Restack(btim, 22, 26);
  ShowChooserPanels(false);
  pl_audio2->Show();
  pl_audio1->Hide();
}

void Tfm_main::Image5Click() {
  if (!EditionHolds("mp3") && !EditionHolds("audio")) {
    pl_audio1->Show();
    pl_audio2->Hide();
    Main.AudioFirstPage = true;
    return;
  }
  pl_audio1->SetLeft(IsMakerEdition() ? 88 : 53);
  MakeFlatWithBorder(pl_audio1);
  Restack(btim, 15, 21);
  ShowChooserPanels(false);
  pl_audio1->Show();
  pl_audio2->Hide();
}

// ---- other handlers

void Tfm_main::im_mainicoClick() { OpenChooser(Main.CurProfile); }

void Tfm_main::lvMouseDown() { ShowChooserPanels(false); }
