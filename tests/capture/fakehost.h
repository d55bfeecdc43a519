#pragma once
// A stand-in for the program around the capture library: a work window with the browser's window tree
// down to a slide-show pane that shows known pictures and counts the advance input it gets, a window
// that keeps the library's messages, and a process carrying the presentation application's name.
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms.h"
#include "jpeg.h"
#include "process.h"
#include "testsupport.h"
#include "wavfile.h"
#include "win.h"

namespace fakehost {

// A fixture's first member, so that the application exists before its windows.
struct WithApp {
  WithApp() { testsupport::App(); }
};

// A slide-like picture, different for every number, whose JPEG at quality 100 is well above the
// smallest usable frame.
inline QImage SlidePicture(int number, int width = 800, int height = 600) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter p(&image);
  QLinearGradient gradient(0, 0, width, height);
  gradient.setColorAt(0, QColor(20 + number * 30 % 200, 40, 120));
  gradient.setColorAt(1, QColor(230, 230 - number * 20 % 100, 250));
  p.fillRect(image.rect(), gradient);
  p.setPen(Qt::white);
  for (int i = 0; i < 12; ++i) p.drawRect(40 + i * 55, 120 + ((i + number) % 4) * 100, 45, 80);
  p.drawEllipse(500, 50, 200, 120);
  QFont font = p.font();
  font.setPixelSize(36);
  p.setFont(font);
  p.drawText(60, 80, QString("Slide %1").arg(number));
  return image;
}

// The end-of-show screen: black with a striped top strip that no slide carries.
inline QImage EndPicture(int width = 800, int height = 600, QRgb below = qRgb(0, 0, 0)) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(below);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, (x / 7 + y) % 3 ? qRgb(255, 255, 255) : qRgb(200, 0, 40));
  return image;
}

// A frame file as the capture writes it: the picture's JPEG at quality 100.
inline void WriteJpeg(const std::string &path, const QImage &image) {
  std::vector<std::uint8_t> data = media::JpegCompress(image, 100);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(data.data()), std::streamsize(data.size()));
}

// A steady stereo signal, different on the two channels.
inline media::TSoundBlock Signal(int units, std::int16_t left, std::int16_t right) {
  media::TSoundBlock block(std::size_t(units) * 2);
  for (int i = 0; i < units; ++i) {
    block[2 * std::size_t(i)] = left;
    block[2 * std::size_t(i) + 1] = right;
  }
  return block;
}

// A recording of `units` sound units at 44100 Hz, as the recorder leaves it.
inline void WriteWav(const std::string &path, int units, std::int16_t left = 1000, std::int16_t right = -1000) {
  media::TWavWriter wav;
  wav.SetOutputFormat(44100, media::kPcm16, 2);
  wav.CreateFile(path, 0);
  wav.WriteBlock(Signal(units, left, right));
  wav.CloseFile();
}

// The slide-show pane: shows slide `Shown` (or the end screen after the last slide) and advances on a
// Page Down key-down or a double click, as the browser's viewer does.
class FakePane : public QWidget {
public:
  explicit FakePane(QWidget *parent) : QWidget(parent) {
    Wnd = win::HandleOf(this);
    win::SetClassName(Wnd, "paneClassDC");
    win::SetWindowProc(Wnd, [this](win::HWND, win::UINT msg, win::WPARAM w, win::LPARAM) -> win::LRESULT {
      if (msg == win::WM_KEYDOWN && w == win::VK_NEXT) {
        ++PageDowns;
        Advance();
      } else if (msg == win::WM_LBUTTONDBLCLK) {
        ++DoubleClicks;
        Advance();
      }
      return 0;
    });
  }

  // Shows the next slide, or the end screen after `Slides`; input on the end screen is ignored.
  void Advance() {
    if (Shown > Slides) return;
    ++Shown;
    update();
    if (Shown <= Slides && OnSlideShown) OnSlideShown(Shown);
  }

  QImage Picture() const {
    if (Shown != FDrawn) {
      FPicture = Shown > Slides ? EndPicture() : SlidePicture(Shown);
      FDrawn = Shown;
    }
    return FPicture;
  }

  win::HWND Wnd = 0;
  int Slides = 3;
  int Shown = 1;
  int PageDowns = 0;
  int DoubleClicks = 0;
  std::function<void(int)> OnSlideShown;

protected:
  void paintEvent(QPaintEvent *) override {
    QPainter p(this);
    p.drawImage(0, 0, Picture());
  }

private:
  mutable int FDrawn = -1;
  mutable QImage FPicture;
};

// TForm > TPanel "" > "Shell Embedding" (the browser, the captured window) > "Shell DocObject View" >
// "childclass" > "childclass" > "paneClassDC". A captioned panel before the right one must be passed
// over.
class FakeWorkWindow {
public:
  FakeWorkWindow() {
    Form.setAttribute(Qt::WA_DontShowOnScreen);
    Form.resize(800, 600);
    QWidget *captioned = Child(&Form, "TPanel");
    captioned->setWindowTitle("Status");
    QWidget *panel = Child(&Form, "TPanel");
    Browser = Child(panel, "Shell Embedding");
    QWidget *view = Child(Browser, "Shell DocObject View");
    QWidget *outer = Child(view, "childclass");
    QWidget *inner = Child(outer, "childclass");
    Pane = new FakePane(inner);
    Pane->setGeometry(0, 0, 800, 600);
    captioned->lower();
    Form.show();
  }

  win::HWND BrowserWnd() { return win::HandleOf(Browser); }

  TForm Form;
  QWidget *Browser = nullptr;
  FakePane *Pane = nullptr;

private:
  static QWidget *Child(QWidget *parent, const char *className) {
    auto *child = new QWidget(parent);
    child->setGeometry(0, 0, 800, 600);
    win::SetClassName(win::HandleOf(child), className);
    return child;
  }
};

struct Message {
  win::UINT Msg;
  std::string Text;
  win::LPARAM LParam;
};

// A window that keeps what the library sends it.
struct Receiver {
  Receiver() {
    Wnd = win::HandleOf(&Widget);
    win::SetWindowProc(Wnd, [this](win::HWND, win::UINT msg, win::WPARAM w, win::LPARAM l) -> win::LRESULT {
      Seen.push_back({msg, w ? reinterpret_cast<const char *>(w) : "", l});
      if (OnMessage) OnMessage(Seen.back());
      return 0;
    });
  }
  bool Finished() const {
    for (const Message &m : Seen)
      if ((m.Msg == win::WM_USER + 2 && m.LParam >= 150) || m.Msg == win::WM_USER + 1) return true;
    return false;
  }
  std::vector<Message> Errors() const {
    std::vector<Message> errors;
    for (const Message &m : Seen)
      if (m.Msg == win::WM_USER + 1) errors.push_back(m);
    return errors;
  }
  QWidget Widget;
  win::HWND Wnd = 0;
  std::vector<Message> Seen;
  std::function<void(const Message &)> OnMessage;
};

// A process named like the presentation application, so that the capture's watchdog sees it running.
class FakePowerPoint {
public:
  FakePowerPoint() {
    std::string program = Dir / "POWERPNT.EXE";
    std::filesystem::copy_file("/bin/sleep", program);
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    win::TProcessStart start;
    start.Program = program;
    start.Arguments = {"60"};
    Process = std::make_unique<win::TProcess>(start);
  }
  ~FakePowerPoint() {
    Process->Terminate();
    Process->Wait(3000);
  }
  testsupport::TempDir Dir;
  std::unique_ptr<win::TProcess> Process;
};

}  // namespace fakehost
