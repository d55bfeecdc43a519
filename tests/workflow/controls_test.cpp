// The framework-shaped controls the main window is built from.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QTreeWidget>

#include "controls.h"
#include "testsupport.h"

namespace {

struct ControlsTest : ::testing::Test {
  QApplication &App = testsupport::App();
  QWidget Parent;
  TComponent Owner;
};

}  // namespace

TEST_F(ControlsTest, PanelIsAWindowOfClassTPanelWhoseTextIsItsCaption) {
  auto *panel = new TPanel(&Parent, &Owner);
  panel->SetCaption("WB");
  win::HWND parent = win::HandleOf(&Parent);
  EXPECT_EQ(win::GetClassName(panel->Handle()), "TPanel");
  EXPECT_EQ(win::FindWindowEx(parent, 0, "TPanel", "WB"), panel->Handle());
  EXPECT_EQ(panel->Owner(), &Owner);
}

TEST_F(ControlsTest, VisibleIsTheControlsOwnFlagWhileTheParentIsHidden) {
  auto *panel = new TPanel(&Parent, &Owner);
  EXPECT_TRUE(panel->Visible());
  panel->Hide();
  EXPECT_FALSE(panel->Visible());
  panel->Show();
  EXPECT_TRUE(panel->Visible());
  EXPECT_FALSE(panel->isVisible());  // the parent itself is not shown
}

TEST_F(ControlsTest, SetBoundsPlacesTheControlInItsParent) {
  auto *edit = new TEdit(&Parent, &Owner);
  edit->SetBounds(422, 66, 187, 14);
  EXPECT_EQ(edit->Left(), 422);
  EXPECT_EQ(edit->Top(), 66);
  EXPECT_EQ(edit->Width(), 187);
  EXPECT_EQ(edit->Height(), 14);
  edit->SetLeft(94);
  EXPECT_EQ(edit->Left(), 94);
  EXPECT_EQ(edit->Top(), 66);
}

TEST_F(ControlsTest, ComboItemIndexFollowsItsItems) {
  TComboBox combo(&Parent, &Owner);
  EXPECT_EQ(combo.ItemIndex(), -1);
  combo.Add("320x240");
  combo.Add("640x480");
  combo.SetItemIndex(1);
  EXPECT_EQ(combo.Text(), "640x480");
  combo.Add("original");
  EXPECT_EQ(combo.ItemIndex(), 1);
  combo.SetItemIndex(5);
  EXPECT_EQ(combo.ItemIndex(), -1);
  EXPECT_EQ(combo.Text(), "");
  combo.SetItemIndex(0);
  combo.Clear();
  EXPECT_EQ(combo.ItemIndex(), -1);
  EXPECT_EQ(combo.Items().Count(), 0);
}

TEST_F(ControlsTest, ComboOnChangeFiresForTheUsersChoiceOnly) {
  TComboBox combo(&Parent, &Owner);
  int changes = 0;
  combo.OnChange = [&] { ++changes; };
  combo.Add("a");
  combo.Add("b");
  combo.SetItemIndex(1);
  combo.Items().Delete(0);
  EXPECT_EQ(changes, 0);
  emit combo.activated(0);
  EXPECT_EQ(changes, 1);
}

TEST_F(ControlsTest, ListRowsCarryCaptionAndSubItemsInTheirColumns) {
  TListView list(&Parent, &Owner);
  list.Columns().Add("File Name", 150);
  list.Columns().Add("Path", 260);
  list.Columns().Add("Status", 98);
  TListItem *row = list.Items().Add();
  row->SetCaption("deck.ppt");
  row->SubItems().Add("/home/ana/");
  row->SubItems().Add("Ready");
  QTreeWidgetItem *item = list.topLevelItem(0);
  EXPECT_EQ(item->text(0), "deck.ppt");
  EXPECT_EQ(item->text(1), "/home/ana/");
  EXPECT_EQ(item->text(2), "Ready");
  row->SubItems().SetStrings(1, "Finished");
  EXPECT_EQ(item->text(2), "Finished");
  EXPECT_EQ(list.Columns()[1]->Caption(), "Path");
  EXPECT_EQ(list.Columns()[1]->Width(), 260);
}

TEST_F(ControlsTest, DeletingARowMovesTheLaterRowsUp) {
  TListView list(&Parent, &Owner);
  list.Columns().Add("File Name", 150);
  for (const char *name : {"a", "b", "c"}) list.Items().Add()->SetCaption(name);
  list.Items().Delete(1);
  ASSERT_EQ(list.Items().Count(), 2);
  EXPECT_EQ(list.Items()[1]->Caption(), "c");
  EXPECT_EQ(list.Items()[1]->Index(), 1);
  EXPECT_EQ(list.topLevelItemCount(), 2);
  EXPECT_THROW(list.Items().Delete(2), std::out_of_range);
}

TEST_F(ControlsTest, ListSelectionGivesSelectedAndItemIndex) {
  TListView list(&Parent, &Owner);
  list.Columns().Add("File Name", 150);
  list.SetMultiSelect(true);
  for (const char *name : {"a", "b", "c"}) list.Items().Add()->SetCaption(name);
  EXPECT_EQ(list.Selected(), nullptr);
  EXPECT_EQ(list.ItemIndex(), -1);
  list.Items()[2]->SetSelected(true);
  list.Items()[1]->SetSelected(true);
  EXPECT_EQ(list.ItemIndex(), 1);
  EXPECT_EQ(list.SelCount(), 2);
  list.SetItemIndex(0);
  EXPECT_EQ(list.SelCount(), 1);
  EXPECT_EQ(list.Selected()->Caption(), "a");
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Selected(), nullptr);
}

TEST_F(ControlsTest, ListCheckBoxesComeAndGoWithCheckboxes) {
  TListView list(&Parent, &Owner);
  list.Columns().Add("Title", 150);
  TListItem *before = list.Items().Add();
  list.SetCheckboxes(true);
  TListItem *after = list.Items().Add();
  before->SetChecked(true);
  EXPECT_TRUE(before->Checked());
  EXPECT_FALSE(after->Checked());
  EXPECT_TRUE(after->Item()->flags() & Qt::ItemIsUserCheckable);
  list.SetCheckboxes(false);
  EXPECT_FALSE(before->Item()->flags() & Qt::ItemIsUserCheckable);
}

TEST_F(ControlsTest, ListMouseDownReportsButtonAndClientPoint) {
  TListView list(&Parent, &Owner);
  list.SetBounds(0, 0, 300, 200);
  int button = -1, x = -1, y = -1;
  list.OnMouseDown = [&](int b, int px, int py) { button = b, x = px, y = py; };
  QPoint inViewport(20, 30);
  QMouseEvent press(QEvent::MouseButtonPress, inViewport, list.viewport()->mapToGlobal(inViewport),
                    Qt::RightButton, Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(list.viewport(), &press);
  EXPECT_EQ(button, 1);
  QPoint client = list.viewport()->mapTo(&list, inViewport);
  EXPECT_EQ(QPoint(x, y), client);
}

TEST_F(ControlsTest, ProgressPositionIsKeptAsGivenAndShownWithinRange) {
  TProgressBar bar(&Parent, &Owner);
  bar.SetMax(200);
  bar.SetPosition(250);
  EXPECT_EQ(bar.Position(), 250);
  EXPECT_EQ(bar.value(), 200);
  bar.SetPosition(-5);
  EXPECT_EQ(bar.Position(), -5);
  EXPECT_EQ(bar.value(), 0);
}

TEST_F(ControlsTest, RadioGroupItemIndexSelectsOneItemOrNone) {
  TRadioGroup group(&Parent, &Owner);
  group.Items().Add("Do nothing after converting finished");
  group.Items().Add("Open the target folder after converting finished");
  group.Items().Add("Automatically shutdown after converting finished");
  EXPECT_EQ(group.ItemIndex(), -1);
  group.SetItemIndex(2);
  EXPECT_EQ(group.ItemIndex(), 2);
  group.SetItemIndex(0);
  EXPECT_EQ(group.ItemIndex(), 0);
  group.SetItemIndex(-1);
  EXPECT_EQ(group.ItemIndex(), -1);
}

TEST_F(ControlsTest, PopupMenuForgetsAnItemFreedBeforeIt) {
  TPopupMenu menu(&Owner);
  int clicks = 0;
  TMenuItem *add = menu.Add("Add Files", [&] { ++clicks; }, 0);
  menu.Add("-");
  TMenuItem *exitItem = menu.Add("Exit");
  EXPECT_TRUE(menu.Items(1)->IsSeparator());
  add->Click();
  EXPECT_EQ(clicks, 1);
  delete exitItem;
  EXPECT_EQ(menu.Count(), 2);
}

TEST(StringList, IndexOfIsExactAndChangesAreReported) {
  TStringList list;
  int changes = 0;
  list.OnChange = [&] { ++changes; };
  list.Add("MP4");
  list.Add("mp4");
  EXPECT_EQ(list.IndexOf("mp4"), 1);
  EXPECT_EQ(list.IndexOf("Mp4"), -1);
  list.Clear();
  list.Clear();  // already empty: nothing changed
  EXPECT_EQ(changes, 3);
  EXPECT_THROW(list.Delete(0), std::out_of_range);
}
