// The profile chooser: its design, hover pictures, sub-panels, opening at the current profile, the
// single-format editions and the page switches.
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <unistd.h>

#include "canvas.h"
#include "mainform_fixture.h"
#include "paths.h"

namespace {

std::string ReadAll(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// Showing the form selects a profile from "profiles.qev" in the program folder; programs running side
// by side must never see half a file.
void InstallProfileFile() {
  const std::string source = ReadAll(std::string(VANTREL_SOURCE_DIR) + "/data/profiles.qev");
  ASSERT_FALSE(source.empty());
  const std::string target = win::ProgramFolder() + "profiles.qev";
  if (ReadAll(target) == source) return;
  const std::string temp = target + "." + std::to_string(getpid());
  std::ofstream(temp, std::ios::binary) << source;
  std::filesystem::rename(temp, target);
}

QImage Bitmap(const std::string &path) {
  TBitmap bitmap;
  EXPECT_TRUE(bitmap.LoadFromFile(path)) << path;
  return bitmap.Image();
}

QImage Images(const std::string &name) { return Bitmap(win::ProgramFolder() + "images/" + name); }
QImage Normal(int n) { return Images("sub/general/" + std::to_string(n) + ".bmp"); }
QImage Highlighted(int n) { return Images("sub/move/" + std::to_string(n) + ".bmp"); }

// A picture that no file holds, to see whether a handler loaded anything.
QImage Marker() {
  QImage image(4, 4, QImage::Format_RGB32);
  image.fill(Qt::magenta);
  return image;
}

void SendMouse(QWidget *widget, QEvent::Type type, Qt::MouseButton button) {
  const QPointF local(widget->width() / 2.0, widget->height() / 2.0);
  QMouseEvent event(type, local, widget->mapToGlobal(local), button,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button), Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &event);
}
void Hover(QWidget *widget) { SendMouse(widget, QEvent::MouseMove, Qt::NoButton); }
void Click(QWidget *widget) {
  SendMouse(widget, QEvent::MouseButtonPress, Qt::LeftButton);
  SendMouse(widget, QEvent::MouseButtonRelease, Qt::LeftButton);
}

class ChooserTest : public MainFormTest {
protected:
  void SetUp() override {
    MainFormTest::SetUp();
    ASSERT_TRUE(std::filesystem::exists(win::ProgramFolder() + "images/sub/move/132.bmp"))
        << "the chooser's pictures are missing: build the target vantrel-images";
    InstallProfileFile();
  }

  // Names of the chooser's panels that are open.
  std::set<std::string> Open() {
    std::set<std::string> open;
    if (Form->pl_main->Visible()) open.insert("pl_main");
    for (TPanel *panel : Form->ProfilePanels())
      if (panel->Visible()) open.insert(panel->Name());
    return open;
  }
  using Names = std::set<std::string>;

  // The stacking order among the form's children: later is in front.
  int StackIndex(QWidget *widget) { return static_cast<int>(Form->children().indexOf(widget)); }
};

}  // namespace

// ---- design

TEST_F(ChooserTest, EveryButtonSitsOnItsPanelAtItsDesignPlaceAndMatchesItsPicture) {
  CreateAndShow();
  const std::pair<TPanel *, std::pair<int, int>> panels[] = {
      {Form->pl_video1, {1, 7}},     {Form->pl_video2, {8, 14}},   {Form->pl_audio1, {15, 21}},
      {Form->pl_audio2, {22, 26}},   {Form->pl_ipod, {27, 33}},    {Form->pl_iphone, {34, 40}},
      {Form->pl_gphone, {41, 45}},   {Form->pl_appletv, {46, 52}}, {Form->pl_psp, {53, 59}},
      {Form->pl_xbox, {60, 67}},     {Form->pl_phone, {68, 74}},   {Form->pl_win, {75, 82}},
      {Form->pl_pmp, {83, 90}},      {Form->pl_hd, {91, 98}},      {Form->pl_animation, {99, 101}},
      {Form->pl_avi, {102, 109}},    {Form->pl_mpeg, {110, 117}},  {Form->pl_mp4, {118, 124}},
      {Form->pl_mkv, {125, 132}}};
  for (const auto &[panel, range] : panels) {
    for (int n = range.first; n <= range.second; ++n) {
      SCOPED_TRACE("btim_" + std::to_string(n));
      TImage *button = Form->btim[n];
      ASSERT_NE(button, nullptr);
      EXPECT_EQ(button->Name(), "btim_" + std::to_string(n));
      EXPECT_EQ(Form->FindComponent("btim_" + std::to_string(n)), button);
      EXPECT_EQ(button->parentWidget(), panel);
      EXPECT_EQ(button->x(), 0);
      // FormShow gave every button its normal picture, drawn at the button's size.
      EXPECT_EQ(button->Picture()->Image(), Normal(n));
      EXPECT_EQ(button->size(), Normal(n).size());
    }
  }
  // The regular stacking, the last button down to the page strip, and the design's departures.
  EXPECT_EQ(Form->btim[1]->geometry(), QRect(0, 0, 310, 53));
  EXPECT_EQ(Form->btim[2]->geometry(), QRect(0, 53, 310, 48));
  EXPECT_EQ(Form->btim[7]->geometry(), QRect(0, 293, 310, 48));
  EXPECT_EQ(Form->btim[26]->geometry(), QRect(0, 197, 310, 144));
  EXPECT_EQ(Form->btim[33]->geometry(), QRect(0, 293, 310, 65));
  EXPECT_EQ(Form->btim[31]->height(), 51);
  EXPECT_EQ(Form->btim[67]->geometry(), QRect(0, 341, 312, 19));
  EXPECT_EQ(Form->btim[101]->geometry(), QRect(0, 101, 310, 257));
  EXPECT_EQ(Form->btim[109]->geometry(), QRect(0, 341, 312, 17));
  EXPECT_EQ(Form->btim[124]->geometry(), QRect(0, 293, 311, 65));
  const int hdTops[] = {1, 54, 102, 150, 198, 246, 293, 341};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(Form->btim[91 + i]->y(), hdTops[i]) << "btim_" << 91 + i;
  EXPECT_EQ(Form->btim[96]->height(), 47);

  // The category column and the page strips.
  EXPECT_EQ(Form->img_gvideo1->geometry(), QRect(0, 0, 153, 27));
  EXPECT_EQ(Form->img_audio1->geometry(), QRect(0, 27, 153, 25));
  EXPECT_EQ(Form->img_animation->geometry(), QRect(0, 302, 153, 25));
  EXPECT_EQ(Form->Image3->geometry(), QRect(0, 327, 153, 31));
  EXPECT_EQ(Form->img_hd->Picture()->Image(), Images("main/general/img_hd.bmp"));
  EXPECT_EQ(Form->Image94->parentWidget(), Form->pl_video1);
  EXPECT_EQ(Form->Image94->geometry(), QRect(239, 341, 71, 17));
  EXPECT_EQ(Form->Image5->geometry(), QRect(239, 341, 71, 18));
  EXPECT_EQ(Form->btim_pre->geometry(), QRect(0, 341, 240, 17));
  EXPECT_EQ(Form->Image2->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(Form->Image5->cursor().shape(), Qt::PointingHandCursor);  // from pl_audio2
  EXPECT_EQ(Form->btim_next->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ChooserTest, HandlersAreWiredToTheButtonsTheDesignGivesThem) {
  int hover = 0, click = 0;
  for (int n = 1; n <= 132; ++n) {
    hover += Tfm_main::HasHoverHandler(n);
    click += Tfm_main::HasClickHandler(n);
  }
  EXPECT_EQ(hover, 126);
  EXPECT_EQ(click, 120);
  for (int n : {13, 14, 98, 101, 117, 132}) EXPECT_FALSE(Tfm_main::HasHoverHandler(n)) << n;
  for (int n : {2, 3, 4, 5, 13, 14, 98, 101, 109, 117, 124, 132}) EXPECT_FALSE(Tfm_main::HasClickHandler(n)) << n;
  EXPECT_TRUE(Tfm_main::HasHoverHandler(109));
  EXPECT_TRUE(Tfm_main::HasClickHandler(26));

  CreateAndShow();
  // The mouse itself: a move over btim_8 highlights it, a click applies profile 8 and closes.
  Form->OpenChooser(8);
  Hover(Form->btim[8]);
  EXPECT_EQ(Main.SelProfile, 8);
  EXPECT_EQ(Form->btim[8]->Picture()->Image(), Highlighted(8));
  Click(Form->btim[8]);
  EXPECT_EQ(Main.CurProfile, 8);
  EXPECT_EQ(Open(), Names{});

  // A button without handlers ignores the mouse.
  Form->OpenChooser(8);
  Hover(Form->btim[13]);
  Click(Form->btim[13]);
  EXPECT_EQ(Main.SelProfile, 8);
  EXPECT_EQ(Main.CurProfile, 8);
  EXPECT_EQ(Open(), (Names{"pl_main", "pl_video2"}));
  Form->btim_MouseMove(13);
  Form->btim_Click(14);
  EXPECT_EQ(Main.SelProfile, 8);
  EXPECT_EQ(Open(), (Names{"pl_main", "pl_video2"}));

  // A group button opens its sub-panel on hover but applies nothing on a click.
  Form->OpenChooser(1);
  Click(Form->btim[2]);
  EXPECT_EQ(Main.CurProfile, 8);
  EXPECT_TRUE(Form->pl_video1->Visible());

  // Category pictures and page switches answer the mouse too.
  Hover(Form->img_ipod);
  EXPECT_EQ(Main.SelCategory, 3);
  EXPECT_TRUE(Form->pl_ipod->Visible());
  Hover(Form->img_gvideo1);
  Click(Form->Image94);
  EXPECT_FALSE(Main.VideoFirstPage);
  EXPECT_TRUE(Form->pl_video2->Visible());
}

// ---- hover

TEST_F(ChooserTest, RepeatedHoverChangesNothingAfterTheFirst) {
  CreateAndShow();
  Form->OpenChooser(1);
  Form->img_MouseMove(3);
  ASSERT_TRUE(Form->pl_ipod->Visible());
  Form->pl_ipod->Hide();
  Form->img_ipod->Picture()->Assign(Marker());
  Hover(Form->img_ipod);
  EXPECT_FALSE(Form->pl_ipod->Visible());
  EXPECT_EQ(Form->img_ipod->Picture()->Image(), Marker());

  Form->img_MouseMove(1);
  Form->btim_MouseMove(9);
  Form->btim[9]->Picture()->Assign(Marker());
  Form->btim_MouseMove(9);
  Hover(Form->btim[9]);
  EXPECT_EQ(Form->btim[9]->Picture()->Image(), Marker());
  EXPECT_EQ(Main.SelProfile, 9);
}

TEST_F(ChooserTest, TheFirstHoverRestoresTheRememberedCategoryAndButton) {
  WriteWindowsFile("Vantrel.ini", "[profiles]\nselcetindex=3\nselcetsubindex=28\n");
  CreateAndShow();
  ASSERT_EQ(Main.SelCategory, 3);
  ASSERT_EQ(Main.SelProfile, 28);
  Form->pl_ipod->Show();
  Form->img_ipod->Picture()->Assign(Marker());
  Form->btim[28]->Picture()->Assign(Marker());

  Form->img_MouseMove(4);
  EXPECT_EQ(Form->img_ipod->Picture()->Image(), Images("main/general/img_ipod.bmp"));
  EXPECT_EQ(Form->img_iphone->Picture()->Image(), Images("main/move/img_iphone.bmp"));
  EXPECT_FALSE(Form->pl_ipod->Visible());
  EXPECT_TRUE(Form->pl_iphone->Visible());
  EXPECT_EQ(Main.SelCategory, 4);

  Form->btim_MouseMove(35);
  EXPECT_EQ(Form->btim[28]->Picture()->Image(), Normal(28));
  EXPECT_EQ(Form->btim[35]->Picture()->Image(), Highlighted(35));
  EXPECT_EQ(Main.SelProfile, 35);
}

TEST_F(ChooserTest, VideoAndAudioCategoriesOpenThePageTheirFlagsChoose) {
  CreateAndShow();
  Main.VideoFirstPage = false;
  Main.AudioFirstPage = false;
  Form->OpenChooser(0);
  // Category 1 is the remembered one; coming from another category opens it anew.
  Form->img_MouseMove(3);
  Form->img_MouseMove(1);
  EXPECT_EQ(Open(), (Names{"pl_main", "pl_video2"}));
  Form->img_MouseMove(2);
  EXPECT_EQ(Open(), (Names{"pl_main", "pl_audio2"}));
  // OpenChooser goes by the profile's range and leaves the flags alone.
  Form->OpenChooser(3);
  EXPECT_EQ(Open(), (Names{"pl_main", "pl_video1"}));
  EXPECT_FALSE(Main.VideoFirstPage);
}

// ---- groups and sub-panels

TEST_F(ChooserTest, GroupButtonsOpenTheirSubPanelBesideTheFirstVideoPage) {
  CreateAndShow();
  Form->OpenChooser(1);
  Form->btim_MouseMove(2);
  EXPECT_TRUE(Form->pl_avi->Visible());
  EXPECT_EQ(Form->pl_avi->pos(), QPoint(426, 81));
  EXPECT_GT(StackIndex(Form->pl_avi), StackIndex(Form->pl_video1));
  EXPECT_TRUE(Form->pl_play->Visible());
  EXPECT_EQ(Form->btim[2]->Picture()->Image(), Highlighted(2));
  EXPECT_EQ(Main.SelProfile, 2);

  Form->btim_MouseMove(3);
  EXPECT_FALSE(Form->pl_avi->Visible());
  EXPECT_TRUE(Form->pl_mpeg->Visible());
  EXPECT_EQ(Form->pl_mpeg->pos(), QPoint(426, 81));
  EXPECT_EQ(Form->btim[2]->Picture()->Image(), Normal(2));
  EXPECT_EQ(Form->btim[3]->Picture()->Image(), Highlighted(3));
  EXPECT_EQ(Open(), (Names{"pl_main", "pl_video1", "pl_mpeg"}));
}

TEST_F(ChooserTest, MovingIntoTheSubPanelKeepsItOpenAndItsGroupHighlighted) {
  CreateAndShow();
  Form->OpenChooser(1);
  Form->btim_MouseMove(2);
  Form->btim_MouseMove(103);
  EXPECT_TRUE(Form->pl_avi->Visible());
  EXPECT_EQ(Form->btim[2]->Picture()->Image(), Highlighted(2));
  EXPECT_EQ(Form->btim[103]->Picture()->Image(), Highlighted(103));
  EXPECT_EQ(Form->btim[102]->Picture()->Image(), Normal(102));
  EXPECT_EQ(Main.SelProfile, 103);

  Form->btim_MouseMove(109);
  EXPECT_TRUE(Form->pl_avi->Visible());
  EXPECT_EQ(Form->btim[103]->Picture()->Image(), Normal(103));
  EXPECT_EQ(Form->btim[2]->Picture()->Image(), Highlighted(2));

  // Back onto another button of the first page: the sub-panel closes, the group button is normal.
  Form->btim_MouseMove(7);
  EXPECT_FALSE(Form->pl_avi->Visible());
  EXPECT_EQ(Form->btim[2]->Picture()->Image(), Normal(2));
  EXPECT_EQ(Form->btim[7]->Picture()->Image(), Highlighted(7));
  EXPECT_EQ(Main.SelProfile, 7);
}

TEST_F(ChooserTest, TheBrandLayoutPutsSubPanelsCloser) {
  CreateAndShow();
  Form->ApplyMakerVideoLayout();
  Form->OpenChooser(1);
  Form->btim_MouseMove(5);
  EXPECT_EQ(Form->pl_mkv->pos(), QPoint(241 + 180, 90));
}

TEST_F(ChooserTest, MapSelProfileToGroupFoldsSubPanelProfilesIntoTheirGroup) {
  Create();
  const std::pair<int, int> cases[] = {{-1, -1}, {1, 1},   {101, 101}, {102, 2}, {109, 2}, {110, 3},
                                       {117, 3}, {118, 4}, {124, 4},   {125, 5}, {131, 5}, {132, 132}};
  for (const auto &[from, to] : cases) {
    Main.SelProfile = from;
    Form->MapSelProfileToGroup();
    EXPECT_EQ(Main.SelProfile, to) << from;
  }
}

TEST_F(ChooserTest, RestoringOnlyTouchesRealNumbers) {
  CreateAndShow();
  Form->OpenChooser(1);
  Form->btim_MouseMove(4);
  ASSERT_TRUE(Form->pl_mp4->Visible());
  for (int n : {-1, 0, 133}) Form->RestoreProfileButton(n);
  EXPECT_TRUE(Form->pl_mp4->Visible());
  Form->RestoreCategoryImage(-1);
  EXPECT_FALSE(Form->pl_mp4->Visible());
  EXPECT_TRUE(Form->pl_video1->Visible());
  Form->RestoreCategoryImage(1);
  EXPECT_EQ(Open(), Names{"pl_main"});
}

// ---- clicks and opening

TEST_F(ChooserTest, AClickClosesTheChooserAndAppliesTheButtonsProfile) {
  CreateAndShow();
  Form->OpenChooser(1);
  Form->btim_MouseMove(2);
  Form->btim_MouseMove(104);
  Form->btim_Click(104);
  EXPECT_EQ(Open(), Names{});
  EXPECT_EQ(Main.CurProfile, 104);
  EXPECT_EQ(Main.SelProfile, 104);
  EXPECT_EQ(Form->ProfileTokens.Description, L"AVI - XviD Movie(*.avi)");
}

TEST_F(ChooserTest, OpensAtThePanelOfTheCurrentProfile) {
  CreateAndShow();
  const struct {
    int profile;
    Names open;
    int category;
    TImage *Tfm_main::*picture;
    std::string word;
  } cases[] = {
      {8, {"pl_main", "pl_video2"}, 1, &Tfm_main::img_gvideo1, "video1"},
      {15, {"pl_main", "pl_audio1"}, 2, &Tfm_main::img_audio1, "audio1"},
      {22, {"pl_main", "pl_audio2"}, 2, &Tfm_main::img_audio1, "audio1"},
      {26, {"pl_main", "pl_audio2"}, 2, &Tfm_main::img_audio1, "audio1"},
      {27, {"pl_main", "pl_ipod"}, 3, &Tfm_main::img_ipod, "ipod"},
      {97, {"pl_main", "pl_hd"}, 12, &Tfm_main::img_hd, "hd"},
      {100, {"pl_main", "pl_animation"}, 13, &Tfm_main::img_animation, "animation"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.profile);
    Main.CurProfile = c.profile;
    Form->im_mainicoClick();
    EXPECT_EQ(Open(), c.open);
    EXPECT_EQ(Main.SelCategory, c.category);
    EXPECT_EQ((Form->*c.picture)->Picture()->Image(), Images("main/move/img_" + c.word + ".bmp"));
    Form->ShowChooserPanels(false);
  }
}

TEST_F(ChooserTest, FillersOutsideEveryRangeShowTheCategoryColumnAlone) {
  CreateAndShow();
  Form->OpenChooser(27);
  for (int profile : {33, 0, 132, 101}) {
    Form->OpenChooser(profile);
    EXPECT_EQ(Open(), Names{"pl_main"}) << profile;
  }
  // The category that was open has its normal picture back.
  EXPECT_EQ(Form->img_ipod->Picture()->Image(), Images("main/general/img_ipod.bmp"));
}

TEST_F(ChooserTest, ASubPanelProfileOpensTheFirstVideoPageWithItsSubPanel) {
  CreateAndShow();
  Main.VideoFirstPage = false;
  Main.CurProfile = 118;
  Form->im_mainicoClick();
  EXPECT_EQ(Open(), (Names{"pl_main", "pl_video1", "pl_mp4"}));
  EXPECT_EQ(Form->pl_mp4->pos(), QPoint(426, 81));
  EXPECT_GT(StackIndex(Form->pl_mp4), StackIndex(Form->pl_video1));
  EXPECT_EQ(Form->img_gvideo1->Picture()->Image(), Images("main/move/img_video1.bmp"));
  EXPECT_EQ(Main.SelCategory, 1);
  EXPECT_FALSE(Main.VideoFirstPage);
}

TEST_F(ChooserTest, ConvertingRefusesToOpen) {
  CreateAndShow();
  Main.Converting = true;
  Form->OpenChooser(8);
  EXPECT_EQ(Open(), Names{});
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Text, "Please first stop convert!");
  EXPECT_EQ(Messages[0].Type, win::TMsgDlgType::mtWarning);
}

TEST_F(ChooserTest, ListsAndTheSkinCloseTheChooser) {
  CreateAndShow();
  Form->OpenChooser(118);
  Form->lv->Show();
  SendMouse(Form->lv->viewport(), QEvent::MouseButtonPress, Qt::RightButton);
  EXPECT_EQ(Open(), Names{});
  Form->OpenChooser(8);
  Form->Skin1MouseDown(nullptr, 0, 0, 0);
  EXPECT_EQ(Open(), Names{});
}

// ---- single-format editions

TEST_F(ChooserTest, AnEditionHoldingRmOpensNoPanel) {
  CreateAndShow();
  Form->OpenChooser(1);
  Main.EditionName = "Vantrel Form Tool.exe";
  Form->OpenChooser(1);
  EXPECT_EQ(Open(), Names{});
}

TEST_F(ChooserTest, DeviceEditionsShowTheirPanelAloneRestacked) {
  CreateAndShow();
  Main.EditionName = "iPhone Maker.exe";
  Form->OpenChooser(1);
  EXPECT_EQ(Open(), Names{"pl_iphone"});
  EXPECT_EQ(Form->pl_iphone->pos(), QPoint(53, 81));
  EXPECT_EQ(Form->pl_iphone->frameStyle(), QFrame::Box | QFrame::Plain);
  const int tops[] = {-1, 52, 100, 148, 196, 244, 292};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(Form->btim[34 + i]->y(), tops[i]);

  Main.EditionName = "Vorma GPhone.exe";
  Form->OpenChooser(1);
  EXPECT_EQ(Open(), Names{"pl_gphone"});
  EXPECT_EQ(Form->pl_gphone->x(), 88);
  EXPECT_EQ(Form->btim[45]->y(), 196);
  EXPECT_FALSE(Form->pl_play->Visible());
}

TEST_F(ChooserTest, FormatEditionsShowTheirSubPanelAlone) {
  CreateAndShow();
  Main.EditionName = "mkv tool.exe";
  Form->OpenChooser(1);
  EXPECT_EQ(Open(), Names{"pl_mkv"});
  EXPECT_EQ(Form->pl_mkv->pos(), QPoint(53, 81));
  // "mp3" comes before "avi" in the chooser's order.
  Main.EditionName = "avi mp3.exe";
  Form->OpenChooser(1);
  EXPECT_EQ(Open(), Names{"pl_audio1"});
}

TEST_F(ChooserTest, AudioEditionPageSwitchesShowEachPageAlone) {
  CreateAndShow();
  Main.EditionName = "Audio Maker.exe";
  Form->OpenChooser(1);
  Click(Form->Image2);
  EXPECT_EQ(Open(), Names{"pl_audio2"});
  EXPECT_EQ(Form->pl_audio2->x(), 53);
  EXPECT_EQ(Form->btim[22]->y(), -1);
  EXPECT_EQ(Form->btim[26]->y(), 196);
  EXPECT_TRUE(Main.AudioFirstPage);
  Click(Form->Image5);
  EXPECT_EQ(Open(), Names{"pl_audio1"});
  EXPECT_EQ(Form->btim[21]->y(), 292);
  EXPECT_TRUE(Main.AudioFirstPage);
}

TEST_F(ChooserTest, PageSwitchesTurnThePagesAndRememberIt) {
  CreateAndShow();
  Form->OpenChooser(1);
  Form->Image94Click();
  EXPECT_EQ(Open(), (Names{"pl_main", "pl_video2"}));
  EXPECT_FALSE(Main.VideoFirstPage);
  Form->Image93Click();
  EXPECT_EQ(Open(), (Names{"pl_main", "pl_video1"}));
  EXPECT_TRUE(Main.VideoFirstPage);
  Form->img_MouseMove(2);
  Form->Image2Click();
  EXPECT_EQ(Open(), (Names{"pl_main", "pl_audio2"}));
  EXPECT_FALSE(Main.AudioFirstPage);
  Form->Image5Click();
  EXPECT_EQ(Open(), (Names{"pl_main", "pl_audio1"}));
  EXPECT_TRUE(Main.AudioFirstPage);
}

// ---- failures

TEST_F(ChooserTest, AMissingPictureStopsTheHandlerAtThatLoad) {
  CreateAndShow();
  Form->OpenChooser(1);
  testsupport::TempDir empty;
  Form->ChooserImages = empty.Path + "/";
  // The previous category is restored before the missing picture is met; nothing after it happens.
  EXPECT_THROW(Form->img_MouseMove(3), std::runtime_error);
  EXPECT_EQ(Main.SelCategory, 1);
  EXPECT_FALSE(Form->pl_ipod->Visible());
  std::filesystem::create_directories(empty.Path + "/sub/general");
  std::ofstream(empty.Path + "/sub/general/6.bmp") << "not a bitmap";
  Form->btim[6]->Picture()->Assign(Marker());
  try {
    Form->RestoreProfileButton(6);
    ADD_FAILURE() << "an unreadable picture loaded";
  } catch (const std::runtime_error &error) {
    EXPECT_NE(std::string(error.what()).find("6.bmp"), std::string::npos);
  }
  EXPECT_EQ(Form->btim[6]->Picture()->Image(), Marker());
}

// ---- what a person sees

TEST_F(ChooserTest, TheOpenChooserShowsItsPicturesOnTheForm) {
  CreateAndShow();
  Main.CurProfile = 121;
  Form->OpenChooser(Main.CurProfile);
  Form->btim_MouseMove(4);
  Form->btim_MouseMove(121);
  const QPixmap shot = Form->grab();
  if (const char *path = std::getenv("VANTREL_CHOOSER_SHOT")) shot.save(path);
  const QImage image = shot.toImage().convertToFormat(QImage::Format_RGB32);
  // A button picture appears where its button sits on the form.
  auto onForm = [](QWidget *w) { return w->mapTo(w->window(), QPoint(0, 0)); };
  const QPoint at = onForm(Form->btim[121]);
  EXPECT_EQ(at, QPoint(426, 81 + 149));
  const QImage button = image.copy(QRect(at, Form->btim[121]->size()));
  EXPECT_EQ(button, Highlighted(121));
  const QImage category = image.copy(QRect(onForm(Form->img_gvideo1), QSize(153, 27)));
  EXPECT_EQ(category, Images("main/move/img_video1.bmp"));
}
