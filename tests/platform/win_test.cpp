#include "win.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <vector>

#include "testsupport.h"

namespace {

class TPanel : public QWidget {
public:
  using QWidget::QWidget;
};

struct Received {
  win::UINT Msg;
  win::WPARAM WParam;
  win::LPARAM LParam;
};

}  // namespace

TEST(WindowHandles, SameWidgetKeepsItsHandleAndDeadWindowsVanish) {
  testsupport::App();
  auto *widget = new QWidget;
  win::HWND first = win::HandleOf(widget);
  EXPECT_NE(first, 0u);
  EXPECT_EQ(win::HandleOf(widget), first);
  EXPECT_EQ(win::WidgetOf(first), widget);
  delete widget;
  EXPECT_FALSE(win::IsWindow(first));
  EXPECT_EQ(win::SendMessage(first, win::WM_USER, 1, 2), 0);
  EXPECT_FALSE(win::PostMessage(first, win::WM_USER, 1, 2));
  auto *other = new QWidget;
  EXPECT_NE(win::HandleOf(other), first) << "a handle is never given to another window";
  delete other;
}

TEST(WindowHandles, ClassNameIsTheWidgetsOwnClassAndCanBeSet) {
  testsupport::App();
  TPanel panel;
  win::HWND wnd = win::HandleOf(&panel);
  EXPECT_EQ(win::GetClassName(wnd), "TPanel");
  win::SetClassName(wnd, "Shell Embedding");
  EXPECT_EQ(win::GetClassName(wnd), "Shell Embedding");
}

TEST(WindowMessages, SendCallsTheProcedureAtOnceAndSubclassingChains) {
  testsupport::App();
  QWidget widget;
  win::HWND wnd = win::HandleOf(&widget);
  std::vector<Received> seen;
  win::SetWindowProc(wnd, [&](win::HWND, win::UINT msg, win::WPARAM w, win::LPARAM l) -> win::LRESULT {
    seen.push_back({msg, w, l});
    return 7;
  });
  EXPECT_EQ(win::SendMessage(wnd, win::WM_USER + 2, 0, 150), 7);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].LParam, 150);

  win::WindowProc previous;
  previous = win::SetWindowProc(wnd, [&](win::HWND h, win::UINT msg, win::WPARAM w, win::LPARAM l) -> win::LRESULT {
    return previous(h, msg, w, l) + 1;
  });
  EXPECT_EQ(win::SendMessage(wnd, win::WM_USER, 0, 0), 8);
  EXPECT_EQ(seen.size(), 2u);
}

TEST(WindowMessages, PostQueuesUntilTheLoopRuns) {
  testsupport::App();
  QWidget widget;
  win::HWND wnd = win::HandleOf(&widget);
  int calls = 0;
  win::SetWindowProc(wnd, [&](win::HWND, win::UINT, win::WPARAM, win::LPARAM) -> win::LRESULT { return ++calls; });
  EXPECT_TRUE(win::PostMessage(wnd, win::WM_USER, 0, 0));
  EXPECT_EQ(calls, 0);
  EXPECT_TRUE(win::PumpUntil([&] { return calls == 1; }, 2000));
}

TEST(WindowMessages, SysCloseReachesTheCloseMessage) {
  testsupport::App();
  QWidget widget;
  win::HWND wnd = win::HandleOf(&widget);
  std::vector<win::UINT> seen;
  win::SetWindowProc(wnd, [&](win::HWND h, win::UINT msg, win::WPARAM w, win::LPARAM l) -> win::LRESULT {
    seen.push_back(msg);
    return win::DefWindowProc(h, msg, w, l);
  });
  win::SendMessage(wnd, win::WM_SYSCOMMAND, win::SC_CLOSE, 0);
  EXPECT_EQ(seen, (std::vector<win::UINT>{win::WM_SYSCOMMAND, win::WM_CLOSE}));
}

TEST(FindWindows, SearchesTopLevelByCaptionAndChildrenByClassInCreationOrder) {
  testsupport::App();
  QWidget top;
  top.setWindowTitle("Vantrel test frame");
  win::HWND topWnd = win::HandleOf(&top);
  auto *first = new TPanel(&top);
  auto *second = new TPanel(&top);
  win::HWND a = win::HandleOf(first);
  win::HWND b = win::HandleOf(second);
  win::SetClassName(b, "childclass");
  win::SetClassName(a, "childclass");

  EXPECT_EQ(win::FindWindow("", "Vantrel test frame"), topWnd);
  EXPECT_EQ(win::FindWindow("", "No such caption"), 0u);
  EXPECT_EQ(win::FindWindowEx(topWnd, 0, "CHILDCLASS", ""), a) << "class names compare without case";
  EXPECT_EQ(win::FindWindowEx(topWnd, a, "childclass", ""), b);
  EXPECT_EQ(win::FindWindowEx(topWnd, b, "childclass", ""), 0u);
  EXPECT_EQ(win::FindWindow("childclass", ""), 0u) << "children are not top-level windows";
  EXPECT_EQ(win::GetParent(a), topWnd);
}

TEST(MulDiv, RoundsHalfAwayFromZeroAndAnswersMinusOneForZeroDivisor) {
  EXPECT_EQ(win::MulDiv(1, 50, 3), 17);   // 16.67
  EXPECT_EQ(win::MulDiv(1, 50, 4), 13);   // 12.5 rounds up
  EXPECT_EQ(win::MulDiv(-1, 50, 4), -13); // and away from zero below it
  EXPECT_EQ(win::MulDiv(3, 50, 3), 50);
  EXPECT_EQ(win::MulDiv(5, 50, 0), -1);
  EXPECT_EQ(win::MulDiv(0, 50, 7), 0);
  EXPECT_EQ(win::MulDiv(2000000000, 2, 1), -1) << "an overflowing result";
  EXPECT_EQ(win::MulDiv(2000000000, 3, 4), 1500000000) << "the product is kept in 64 bits";
}

TEST(MessagePump, PumpUntilGivesUpAfterItsTimeout) {
  testsupport::App();
  EXPECT_FALSE(win::PumpUntil([] { return false; }, 120));
  EXPECT_TRUE(win::PumpUntil([] { return true; }, 0));
}

#include "dialogs.h"
#include "forms.h"

TEST(Forms, CloseQueryCanRefuseAndCloseRunsOnlyWhenAllowed) {
  testsupport::App();
  auto *form = CreateForm<TForm>(nullptr);
  bool allow = false;
  int closes = 0;
  form->OnCloseQuery = [&](bool &canClose) { canClose = allow; };
  form->OnClose = [&](TCloseAction &) { ++closes; };
  form->Show();
  form->Close();
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(closes, 0);
  allow = true;
  win::SendMessage(form->Handle(), win::WM_SYSCOMMAND, win::SC_CLOSE, 0);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(closes, 1);
  delete form;
}

TEST(Forms, CreateRunsOnCreateOnceAndShowRunsOnShowEachTime) {
  testsupport::App();
  struct Probe : TForm {
    explicit Probe(TComponent *owner) : TForm(owner) {
      OnCreate = [this] { ++Created; };
      OnShow = [this] { ++Shown; };
    }
    int Created = 0, Shown = 0;
  };
  TComponent application;
  Probe *form = CreateForm<Probe>(&application);
  EXPECT_EQ(form->Created, 1);
  EXPECT_EQ(form->Shown, 0) << "forms are created hidden";
  form->Show();
  form->Hide();
  form->Show();
  EXPECT_EQ(form->Shown, 2);
  EXPECT_EQ(application.ComponentCount(), 1);
}

TEST(Dialogs, FiltersKeepTheirDescriptionsAndMatchTheirPatternLists) {
  auto filters = win::ParseFilter("Presentations（*.ppt;*.pps）|*.ppt;*.pps;*.pot|All  files|*.*");
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[0].first, "Presentations（*.ppt;*.pps）");
  EXPECT_EQ(filters[0].second, (std::vector<std::string>{"*.ppt", "*.pps", "*.pot"}));
  EXPECT_EQ(filters[1].first, "All  files");
  EXPECT_TRUE(win::MatchesPattern("talk.PPT", filters[0].second));
  EXPECT_FALSE(win::MatchesPattern("talk.pptx", filters[0].second));
  EXPECT_TRUE(win::MatchesPattern("README", filters[1].second)) << "*.* takes names without extension";
}

TEST(Dialogs, ATestCanAnswerThem) {
  auto previous = win::SetMessageDialogHandler([](const win::TMessageRequest &request) {
    return request.Text == "Please first stop play!" ? win::idOK : win::idCancel;
  });
  EXPECT_EQ(win::MessageDlg("Please first stop play!", win::TMsgDlgType::mtInformation), win::idOK);
  win::SetMessageDialogHandler(previous);
}

TEST(Dialogs, AnOpenDialogStartsAtHomeThenWhereFilesWereLastChosen) {
  testsupport::TempDir home, talks;
  const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("HOME", home.Path.c_str(), 1);
  std::vector<std::string> startedIn;
  std::vector<std::string> answer;
  auto previous = win::SetOpenDialogHandler([&](const win::TOpenRequest &request) {
    startedIn.push_back(request.InitialDir);
    return answer;
  });
  win::OpenFileDialog({});
  answer = {talks / "a.ppt", talks / "b.ppt"};
  win::OpenFileDialog({});
  answer.clear();
  win::OpenFileDialog({});  // cancelled: the last folder stays
  win::OpenFileDialog({});
  win::TOpenRequest own;
  own.InitialDir = "/media/disc/";
  win::OpenFileDialog(own);
  std::filesystem::remove_all(talks.Path);
  win::OpenFileDialog({});
  win::SetOpenDialogHandler(previous);
  setenv("HOME", savedHome.c_str(), 1);

  const std::string atHome = home.Path + "/", atTalks = talks.Path + "/";
  EXPECT_EQ(startedIn, (std::vector<std::string>{atHome, atHome, atTalks, atTalks, "/media/disc/", atHome}))
      << "never the working directory, and home again once the last folder is gone";
}
