// The main window's progress bars, combo boxes and menus as the skin library draws them.
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <string>

#include "mainform_fixture.h"

namespace {

// The colour of one pixel of a picture, as a colour value with red in the lowest byte.
TColor PixelOf(const QImage &image, int x, int y) { return QRgbToColor(image.pixel(x, y) & 0xFFFFFF); }

QImage Grab(QWidget *control) { return control->grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Runs `act` on the menu's open window, then closes it; a window left open is closed after two
// seconds so that a failure cannot hang the test. The timers go with the menu.
void WhileOpen(TskinPopupMenu *menu, int x, int y, const std::function<void(TskinPopupMenuWindow *)> &act) {
  QTimer::singleShot(0, menu, [menu, act] {
    if (TskinPopupMenuWindow *window = menu->MenuWindow()) {
      act(window);
      window->close();
    }
  });
  QTimer::singleShot(2000, menu, [menu] {
    if (menu->MenuWindow()) menu->MenuWindow()->close();
  });
  menu->Popup(x, y);
}

// Screenshots go to VANTREL_SHOT_DIR when it is set.
void SaveShot(const QImage &image, const std::string &name) {
  const char *folder = std::getenv("VANTREL_SHOT_DIR");
  if (folder && *folder) image.save(QString::fromStdString(std::string(folder) + "/" + name));
}

}  // namespace

class SkinnedControlsTest : public MainFormTest {
protected:
  std::vector<TskinComboBox *> Combos() const {
    return {Form->cb_size, Form->cb_videobitrate, Form->cb_audiobitrate,
            Form->cb_channel, Form->cb_audio, Form->cb_subtitle};
  }
};

TEST_F(SkinnedControlsTest, MenusKeepTheFormDesignOverTheStyle) {
  Create();
  for (TskinPopupMenu *menu : {Form->pop_file, Form->pop_dvd, Form->pop_help}) {
    SCOPED_TRACE(menu->Name());
    EXPECT_EQ(menu->UIStyle(), TskinUIStyle::DeepBlue);
    EXPECT_TRUE(menu->OwnerDraw());
    EXPECT_EQ(menu->Images(), Form->ImageList1);
    EXPECT_EQ(menu->MenuItemHeight(), 21);
    EXPECT_EQ(menu->SeparatorHeight(), 5);
    EXPECT_EQ(menu->BarWidth(), 26);
    // The style would give other bar, background and font colours.
    EXPECT_EQ(menu->BarColor(), clInactiveCaptionText);
    EXPECT_EQ(menu->Color(), 0xFEFBFAu);
    EXPECT_EQ(menu->SeparatorColor(), 0x848284u);
    EXPECT_EQ(menu->SelectedBorderColor(), 0xA04A44u);
    EXPECT_EQ(menu->SelectedColor(), 0xA04A44u);
    EXPECT_EQ(menu->SelectedFontColor(), clWhite);
    EXPECT_EQ(menu->FontColor(), clBlack);
    EXPECT_EQ(menu->BorderColor(), clBlack);
    EXPECT_FALSE(menu->FlatMenu());
    EXPECT_EQ(menu->FontName(), "MS Sans Serif");
    EXPECT_EQ(menu->FontSize(), 8);
    EXPECT_EQ(menu->FontCharset(), 1);
    EXPECT_TRUE(menu->UseSystemFont());
  }
}

TEST_F(SkinnedControlsTest, EveryMenuItemIsMeasuredAndDrawnByItsMenu) {
  Create();
  for (TskinPopupMenu *menu : {Form->pop_file, Form->pop_dvd, Form->pop_help}) {
    SCOPED_TRACE(menu->Name());
    ASSERT_GT(menu->Count(), 0);
    for (int i = 0; i < menu->Count(); ++i) {
      TskinMenuItem *item = menu->SkinItem(i);
      ASSERT_NE(item, nullptr) << menu->Items(i)->Caption();
      EXPECT_TRUE(item->OnMeasureItem && item->OnDrawItem) << item->Caption();
    }
  }
}

TEST_F(SkinnedControlsTest, OpenFileMenuShowsTheDesignLook) {
  CreateAndShow();
  TskinPopupMenu *menu = Form->pop_file;
  bool opened = false;
  WhileOpen(menu, Form->x() + 14, Form->y() + 54, [&](TskinPopupMenuWindow *window) {
    opened = true;
    ASSERT_EQ(window->Count(), menu->Count());
    ASSERT_TRUE(window->Item(2)->IsSeparator());
    // The menu's own heights, not the platform's.
    EXPECT_EQ(window->ItemRect(0).Height(), 21);
    EXPECT_EQ(window->ItemRect(2).Height(), 5);
    window->Select(3);
    QImage look = window->Render();
    const TRect plain = window->ItemRect(1), chosen = window->ItemRect(3);
    const int mid = (plain.Top + plain.Bottom) / 2;
    EXPECT_EQ(PixelOf(look, plain.Left + 2, mid), ColorToRGB(clInactiveCaptionText));
    EXPECT_EQ(PixelOf(look, plain.Right - 4, mid), 0xFEFBFAu);
    EXPECT_EQ(PixelOf(look, chosen.Right - 4, (chosen.Top + chosen.Bottom) / 2), 0xA04A44u);
    // The separator's line runs two rows below its top, from just past the bar.
    const TRect line = window->ItemRect(2);
    EXPECT_EQ(PixelOf(look, line.Left + 40, line.Top + 2), 0x848284u);
  });
  EXPECT_TRUE(opened);
  EXPECT_EQ(menu->MenuWindow(), nullptr);
}

TEST_F(SkinnedControlsTest, ComboBoxesKeepTheFormDesignOverTheStyle) {
  Create();
  for (TskinComboBox *combo : Combos()) {
    SCOPED_TRACE(combo->Name());
    EXPECT_EQ(combo->UIStyle(), TskinUIStyle::DeepBlue);
    EXPECT_EQ(combo->BorderColor(), 0xEFBC8Eu);
    EXPECT_EQ(combo->ArrowColor(), 0x8C4100u);
    EXPECT_EQ(combo->ButtonColor(), 0xF7E1D0u);
    EXPECT_EQ(combo->Color(), 0xFBFEFAu);
    EXPECT_EQ(combo->Style(), csDropDownList);
    EXPECT_FALSE(combo->isEditable());
    EXPECT_EQ(combo->ItemHeight(), 13);
    EXPECT_EQ(combo->height(), 21);
  }
  EXPECT_EQ(Form->cb_size->geometry(), QRect(576, 128, 149, 21));
  EXPECT_EQ(Form->cb_videobitrate->geometry(), QRect(576, 169, 149, 21));
  EXPECT_EQ(Form->cb_audiobitrate->geometry(), QRect(576, 210, 149, 21));
  EXPECT_EQ(Form->cb_channel->geometry(), QRect(576, 251, 149, 21));
  EXPECT_EQ(Form->cb_audio->geometry(), QRect(128, 48, 145, 21));
  EXPECT_EQ(Form->cb_subtitle->geometry(), QRect(288, 48, 145, 21));
  EXPECT_TRUE(Form->cb_audio->isHidden());
  EXPECT_TRUE(Form->cb_subtitle->isHidden());
  EXPECT_FALSE(Form->cb_size->isHidden());
}

TEST_F(SkinnedControlsTest, ComboBoxPaintsTheDesignFrameAndButton) {
  CreateAndShow();
  TskinComboBox *combo = Form->cb_videobitrate;
  QImage look = Grab(combo);
  TComboBoxInfo info = combo->GetComboBoxInfo();
  EXPECT_EQ(PixelOf(look, 0, 10), 0xEFBC8Eu);
  EXPECT_EQ(PixelOf(look, 1, 10), 0xFBFEFAu);
  EXPECT_EQ(PixelOf(look, info.rcButton.Left, 10), 0xEFBC8Eu);
  EXPECT_EQ(PixelOf(look, info.rcButton.Right - 2, info.rcButton.Top + 1), 0xF7E1D0u);
  // The arrow's tip, drawn from the middle of the button at half the control's height.
  const int x = info.rcButton.Left + (info.rcButton.Right - info.rcButton.Left) / 2 - 3;
  const int y = (info.rcButton.Bottom - info.rcButton.Top) / 2;
  EXPECT_EQ(PixelOf(look, x + 3, y + 2), 0x8C4100u);
}

TEST_F(SkinnedControlsTest, ProfileCodeStillFillsSelectsAndDisablesTheComboBoxes) {
  CreateAndShow();
  // The video edition starts on profile 1: frame sizes and the quality lists are filled and chosen.
  EXPECT_GT(Form->cb_size->Items().Count(), 0);
  EXPECT_GE(Form->cb_size->ItemIndex(), 0);
  EXPECT_EQ(Form->cb_videobitrate->Items()[0], "Higher Quality");
  EXPECT_GE(Form->cb_videobitrate->ItemIndex(), 0);
  EXPECT_EQ(Form->cb_channel->Text(), "Stereo");

  // A disc target disables the channel list; its arrow turns grey.
  Main.SelProfile = 112;
  Form->SelectProfile(112);
  EXPECT_FALSE(Form->cb_channel->Enabled());
  TComboBoxInfo info = Form->cb_channel->GetComboBoxInfo();
  QImage look = Grab(Form->cb_channel);
  const int x = info.rcButton.Left + (info.rcButton.Right - info.rcButton.Left) / 2 - 3;
  const int y = (info.rcButton.Bottom - info.rcButton.Top) / 2;
  EXPECT_EQ(PixelOf(look, x + 3, y + 2), clGray);
  EXPECT_EQ(PixelOf(look, x + 4, y + 4), clWhite);
}

TEST_F(SkinnedControlsTest, ProgressBarsKeepTheFormDesignOverTheStyle) {
  Create();
  TBitmap macPicture;
  ASSERT_TRUE(macPicture.LoadFromResourceName("MACOS_PROGRESSBAR"));
  for (TskinProgressBar *bar : {Form->pbOperation, Form->pbPPT}) {
    SCOPED_TRACE(bar->Name());
    EXPECT_EQ(bar->UIStyle(), TskinUIStyle::MacOS);
    EXPECT_EQ(bar->CaptionColor(), clBlack);
    EXPECT_FALSE(bar->ShowCaption());
    EXPECT_FALSE(bar->SmartShowCaption());
    EXPECT_EQ(bar->Min(), 0);
    EXPECT_EQ(bar->Position(), 0);
    EXPECT_EQ(bar->Caption(), "0%");
    EXPECT_EQ(bar->Orientation(), skinHorizontal);
    EXPECT_EQ(bar->BorderColor(), 0xFFBE7Du);
    EXPECT_EQ(bar->Color(), 0xF7E1D0u);
    EXPECT_EQ(bar->Picture()->Image(), macPicture.Image());
    EXPECT_EQ(bar->height(), 12);
  }
  EXPECT_EQ(Form->pbOperation->geometry(), QRect(15, 496, 722, 12));
  EXPECT_EQ(Form->pbOperation->Max(), 200);
  EXPECT_TRUE(Form->pbOperation->isHidden());
  EXPECT_EQ(Form->pbPPT->geometry(), QRect(562, 446, 171, 12));
  EXPECT_EQ(Form->pbPPT->Max(), 100);
  EXPECT_FALSE(Form->pbPPT->isHidden());
}

TEST_F(SkinnedControlsTest, EncoderProgressFillsTheOperationBar) {
  CreateAndShow();
  Main.ProgressBase = 150;
  Form->pbOperation->Show();
  Form->SetOperationProgress(0);
  EXPECT_EQ(Form->pbOperation->Caption(), "75%");
  QImage look = Grab(Form->pbOperation);
  // 721 * 150 div 200 = 540 columns carry the picture, the rest the bar's colour, in the border.
  EXPECT_NE(PixelOf(look, 539, 6), 0xF7E1D0u);
  EXPECT_EQ(PixelOf(look, 540, 6), 0xF7E1D0u);
  EXPECT_EQ(PixelOf(look, 720, 6), 0xF7E1D0u);
  EXPECT_EQ(PixelOf(look, 0, 6), 0xFFBE7Du);
  EXPECT_EQ(PixelOf(look, 721, 6), 0xFFBE7Du);
  // Past the end the bar stays full and the caption goes beyond 100.
  Form->SetOperationProgress(100);
  EXPECT_EQ(Form->pbOperation->Caption(), "125%");
  EXPECT_NE(PixelOf(Grab(Form->pbOperation), 720, 6), 0xF7E1D0u);
}

TEST_F(SkinnedControlsTest, ShownWindowShowsTheSkinnedControls) {
  CreateAndShow();
  Form->pbOperation->Show();
  Form->pbOperation->SetPosition(120);
  Form->pbPPT->SetPosition(40);
  QCoreApplication::processEvents();
  QImage window = Grab(Form);
  SaveShot(window, "main-skinned.png");
  // The bars and the combo boxes draw their design colours in the window itself.
  EXPECT_EQ(PixelOf(window, 15, 496 + 6), 0xFFBE7Du);
  EXPECT_EQ(PixelOf(window, 15 + 700, 496 + 6), 0xF7E1D0u);
  EXPECT_EQ(PixelOf(window, 562 + 160, 446 + 6), 0xF7E1D0u);
  EXPECT_EQ(PixelOf(window, 576, 128 + 10), 0xEFBC8Eu);

  TskinPopupMenu *menu = Form->pop_file;
  WhileOpen(menu, Form->x() + 14, Form->y() + 54, [&](TskinPopupMenuWindow *window_) {
    window_->Select(0);
    QImage shot = window;
    QPainter painter(&shot);
    painter.drawImage(window_->pos() - Form->pos(), window_->Render());
    painter.end();
    SaveShot(shot, "main-skinned-menu.png");
  });
}
