// Puts the shipped skins on windows of their size, with plain stand-ins where the main window's own
// controls go, and saves what a person would see.
//   skincontrol_screenshot <main.png> [<show.png>]
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QProgressBar>
#include <QTreeWidget>

#include <cstdio>
#include <exception>

#include "forms.h"
#include "skincontrol.h"

namespace {

std::wstring SkinPath(const char *name) { return QString(VANTREL_BIN "/%1").arg(name).toStdWString(); }

void AddStandIns(TForm &form) {
  auto *list = new QTreeWidget(&form);
  list->setGeometry(12, 89, 535, 341);
  list->setHeaderLabels({"File Name", "Path", "Status"});
  list->setColumnWidth(0, 180);
  list->setColumnWidth(1, 250);
  new QTreeWidgetItem(list, {"Quarterly review.ppt", "/home/ana/Documents", "Ready"});
  new QTreeWidgetItem(list, {"Product tour.pps", "/home/ana/Documents", "Ready"});

  const char *items[] = {"320x240", "Normal quality", "128 kbps", "Stereo"};
  int top = 128;
  for (const char *item : items) {
    auto *combo = new QComboBox(&form);
    combo->addItem(item);
    combo->setGeometry(576, top, 149, 21);
    top += 41;
  }
  auto *folder = new QLineEdit("/home/ana/My Video/", &form);
  folder->setFrame(false);
  folder->setGeometry(422, 66, 187, 14);

  auto *icon = new QFrame(&form);
  icon->setStyleSheet("background: #3f6fa3");
  icon->setGeometry(62, 64, 16, 16);

  auto *preview = new QFrame(&form);
  preview->setStyleSheet("background: black");
  preview->setGeometry(559, 294, 178, 140);

  auto *progress = new QProgressBar(&form);
  progress->setTextVisible(false);
  progress->setValue(40);
  progress->setGeometry(562, 446, 171, 12);
}

void Say(TSkin &skin, win::HWND wnd, const wchar_t *name, const wchar_t *text) {
  auto element = skin.GetWindowSkinObject(wnd)->FindElement(name);
  element->Query<ISkinText>()->SetText(text);
  element->Query<ISkinElement>()->Redraw();
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <main.png> [<show.png>]\n", argv[0]);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  try {
    TForm main;
    main.SetClientSize(781, 558);
    AddStandIns(main);
    auto &skin = *new TSkin(&main);
    skin.LoadSkinFile(SkinPath("skn.skn"));
    skin.AttachToWindow(main.Handle());
    skin.ApplySkinForm(main.Handle(), L"qevvideoconverter");
    Say(skin, main.Handle(), L"profilestext", L"MP4-MPEG-4 Video(*.mp4)");
    Say(skin, main.Handle(), L"hint", L"Add the presentations you want to turn into videos.");
    auto bar = skin.GetWindowSkinObject(main.Handle())->FindElement(L"play_bar");
    bar->Query<ISkinSlider>()->SetPosition(3500);
    bar->Query<ISkinElement>()->Redraw();
    main.show();
    QApplication::processEvents();
    if (!main.grab().save(argv[1], "PNG")) throw std::runtime_error("cannot write the main picture");

    if (argc > 2) {
      TForm show;
      show.setWindowFlag(Qt::FramelessWindowHint);
      auto &showSkin = *new TSkin(&show);
      showSkin.LoadSkinFile(SkinPath("Orvenc.skn"));
      showSkin.AttachToWindow(show.Handle());
      showSkin.ApplySkinForm(show.Handle(), L"show");
      show.show();
      QApplication::processEvents();
      if (!show.grab().save(argv[2], "PNG")) throw std::runtime_error("cannot write the show picture");
    }
  } catch (const std::exception &error) {
    std::fprintf(stderr, "skincontrol_screenshot: %s\n", error.what());
    return 1;
  }
  return 0;
}
