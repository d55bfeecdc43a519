// Editions: keyword tests on the program name, the default profile, and the four form layouts.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "mainform_fixture.h"
#include "paths.h"

namespace {

std::string ReadAll(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// Showing the form selects a profile, which reads "profiles.qev" from the program folder; put the
// committed file there in one step so that test programs running side by side never see half a file.
void InstallProfileFile() {
  const std::string source = ReadAll(std::string(VANTREL_SOURCE_DIR) + "/data/profiles.qev");
  ASSERT_FALSE(source.empty());
  const std::string target = win::ProgramFolder() + "profiles.qev";
  if (ReadAll(target) == source) return;
  const std::string temp = target + "." + std::to_string(getpid());
  std::ofstream(temp, std::ios::binary) << source;
  std::filesystem::rename(temp, target);
}

class EditionsTest : public MainFormTest {
protected:
  Tfm_main &Edition(const std::string &name) {
    Main.EditionName = name;
    return *Form;
  }
  void SetUp() override {
    MainFormTest::SetUp();
    Create();
  }
};

QRect Rect(const QWidget *w) { return w->geometry(); }

}  // namespace

TEST_F(EditionsTest, TheShippedNameIsThePlainVideoEditionWithProfile1) {
  Edition("Vantrel.exe");
  EXPECT_TRUE(Form->IsVideoEdition());
  EXPECT_FALSE(Form->IsMakerEdition());
  EXPECT_EQ(Form->DefaultProfileForEdition(Main.EditionName), 1);
}

TEST_F(EditionsTest, KeywordsIgnoreCaseAndWordBoundaries) {
  EXPECT_FALSE(Edition("Vantrel DVD Ripper.exe").IsVideoEdition());
  EXPECT_FALSE(Edition("mydvdtool.exe").IsVideoEdition());
  Edition("VORMA AVI Converter.exe");
  EXPECT_TRUE(Form->IsVideoEdition());
  EXPECT_TRUE(Form->IsMakerEdition());
  EXPECT_EQ(Form->DefaultProfileForEdition(Main.EditionName), 102);
  EXPECT_TRUE(Edition("xVormax.exe").IsMakerEdition());
  EXPECT_TRUE(Form->EditionHolds("orm"));
  EXPECT_FALSE(Form->EditionHolds("dvd"));
}

TEST_F(EditionsTest, TheFirstDefaultProfileKeywordInTheTablesOrderDecides) {
  auto profile = [this](const char *name) { return Form->DefaultProfileForEdition(name); };
  EXPECT_EQ(profile("avi mp3 converter.exe"), 102);
  EXPECT_EQ(profile("MP3 Maker.exe"), 17);
  EXPECT_EQ(profile("Audio Studio.exe"), 17);
  EXPECT_EQ(profile("3gp psp mpeg mp4 mkv.exe"), 69);
  EXPECT_EQ(profile("psp mpeg mp4 mkv.exe"), 53);
  EXPECT_EQ(profile("mpeg mp4 mkv.exe"), 110);
  EXPECT_EQ(profile("mp4 mkv.exe"), 118);
  EXPECT_EQ(profile("mkv.exe"), 125);
  EXPECT_EQ(profile("iPod Tool.exe"), 27);
  EXPECT_EQ(profile("iPhone Tool.exe"), 36);
  EXPECT_EQ(profile("GPhone Tool.exe"), 41);
  EXPECT_EQ(profile("WMV Tool.exe"), 7);
  EXPECT_EQ(profile("Flv Tool.exe"), 11);
  // "rm" inside another word counts.
  EXPECT_EQ(profile("Transformer.exe"), 6);
  EXPECT_EQ(profile("Vantrel.exe"), 1);
  EXPECT_EQ(profile(""), 1);
}

TEST_F(EditionsTest, ThePlainVideoLayoutMovesOnlyThePreviewArea) {
  Edition("Vantrel.exe").ApplyEditionLayout();
  EXPECT_EQ(Main.SubPanelOffset, 220);
  EXPECT_EQ(Rect(Form->pl_play), QRect(559, 294, 100, 100));
  EXPECT_EQ(Rect(Form->ed_output), QRect(422, 66, 187, 14));
  EXPECT_EQ(Rect(Form->Panel1), QRect(62, 64, 16, 16));
  EXPECT_EQ(Rect(Form->pl_main), QRect(53, 81, 153, 358));
  EXPECT_EQ(Rect(Form->cb_size), QRect(576, 128, 149, 21));
  EXPECT_EQ(Form->cb_channel->pos(), QPoint(576, 251));
  EXPECT_EQ(Form->ProgressBar1->pos(), QPoint(15, 496));
  EXPECT_EQ(Rect(Form->lv), QRect(12, 89, 535, 341));
  for (TPanel *panel : Form->ProfilePanels()) EXPECT_EQ(panel->pos(), QPoint(206, 81)) << panel->Name();
  EXPECT_EQ(Form->lv->Columns()[0]->Caption(), "File Name");
  EXPECT_FALSE(Form->lv->Checkboxes());
  EXPECT_FALSE(Form->cb_audio->Visible());
}

TEST_F(EditionsTest, TheBrandVideoLayout) {
  Edition("Vorma PPT to Video.exe").ApplyEditionLayout();
  EXPECT_EQ(Main.SubPanelOffset, 180);
  EXPECT_EQ(Form->ed_output->pos(), QPoint(94, 483));
  EXPECT_EQ(Form->Panel1->pos(), QPoint(96, 451));
  EXPECT_EQ(Form->pl_main->pos(), QPoint(88, 90));
  for (TPanel *panel : Form->ProfilePanels()) EXPECT_EQ(panel->pos(), QPoint(241, 90)) << panel->Name();
  EXPECT_EQ(Rect(Form->cb_size), QRect(554, 121, 168, 21));
  EXPECT_EQ(Rect(Form->cb_channel), QRect(554, 244, 168, 21));
  EXPECT_EQ(Form->pl_play->pos(), QPoint(546, 296));
  EXPECT_EQ(Form->ProgressBar1->pos(), QPoint(15, 503));
  EXPECT_EQ(Rect(Form->lv), QRect(8, 121, 509, 316));
  EXPECT_FALSE(Form->lv->Checkboxes());
}

TEST_F(EditionsTest, TheDvdLayoutsShowTheTrackListsAndTickTitles) {
  Edition("Vantrel DVD.exe").ApplyEditionLayout();
  EXPECT_EQ(Main.SubPanelOffset, 220);
  EXPECT_EQ(Form->ed_output->pos(), QPoint(82, 470));
  for (TPanel *panel : Form->ProfilePanels()) EXPECT_EQ(panel->pos(), QPoint(206, 81)) << panel->Name();
  EXPECT_EQ(Rect(Form->lv), QRect(12, 89, 535, 333));
  EXPECT_EQ(Form->lv->Columns()[0]->Caption(), "Title");
  EXPECT_TRUE(Form->lv->Checkboxes());
  EXPECT_EQ(Rect(Form->cb_audio), QRect(400, 61, 148, Form->cb_audio->Height()));
  EXPECT_EQ(Rect(Form->cb_subtitle), QRect(596, 61, 144, Form->cb_subtitle->Height()));
  EXPECT_TRUE(Form->cb_audio->Visible() && Form->cb_subtitle->Visible());

  Edition("VORMA DVD Converter.exe").ApplyEditionLayout();
  EXPECT_EQ(Main.SubPanelOffset, 180);
  EXPECT_EQ(Form->Panel1->pos(), QPoint(96, 429));
  EXPECT_EQ(Form->pl_main->pos(), QPoint(90, 71));
  for (TPanel *panel : Form->ProfilePanels()) EXPECT_EQ(panel->pos(), QPoint(243, 71)) << panel->Name();
  EXPECT_EQ(Rect(Form->lv), QRect(8, 121, 509, 298));
  EXPECT_EQ(Rect(Form->cb_audio), QRect(90, 453, 177, Form->cb_audio->Height()));
  EXPECT_EQ(Rect(Form->cb_subtitle), QRect(336, 453, 177, Form->cb_subtitle->Height()));
}

TEST_F(EditionsTest, SubPanelOffsetPutsASubPanelBesideTheFirstVideoPage) {
  // Where the chooser places a sub-panel: 206 + 220 in the plain layout, 241 + 180 in the brand one.
  Edition("Vantrel.exe").ApplyEditionLayout();
  EXPECT_EQ(Form->pl_video1->Left() + Main.SubPanelOffset, 426);
  Edition("vorma.exe").ApplyEditionLayout();
  EXPECT_EQ(Form->pl_video1->Left() + Main.SubPanelOffset, 421);
}

TEST_F(EditionsTest, ShowingTheFormAppliesTheShippedLayout) {
  InstallProfileFile();
  Main.SubPanelOffset = 0;
  Form->Show();
  EXPECT_EQ(Main.EditionName, "Vantrel.exe");
  EXPECT_EQ(Main.SubPanelOffset, 220);
  EXPECT_EQ(Form->pl_play->pos(), QPoint(559, 294));
  EXPECT_EQ(Main.CurProfile, 1);
}
