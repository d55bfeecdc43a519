#include "Preview.h"

#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "decoderinput.h"
#include "process.h"
#include "win.h"

namespace {

using Clock = std::chrono::steady_clock;

// Frames are decoded at this rate, so that frame k lies k / kFrameRate seconds after the start.
constexpr int kFrameRate = 25;
constexpr auto kFrameTime = std::chrono::microseconds(1000000 / kFrameRate);

class TVideoWindow : public QWidget {
public:
  explicit TVideoWindow(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The panel's mouse stays the panel's.
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  void ShowFrame(const QImage &frame) {
    Frame = frame;
    repaint();
  }

protected:
  void paintEvent(QPaintEvent *) override {
    QPainter painter(this);
    if (Frame.isNull())
      painter.fillRect(rect(), Qt::black);
    else
      painter.drawImage(rect(), Frame);
  }

private:
  QImage Frame;
};

struct TPlayer {
  QPointer<TVideoWindow> Window;
  int Width = 0;
  int Height = 0;
  void (*Callback)(double) = nullptr;
  bool Playing = false;
  bool StopRequested = false;
  bool SeekRequested = false;
  bool Paused = false;
  int StartSeconds = 0;
};
TPlayer Player;

bool Interrupted() { return Player.StopRequested || Player.SeekRequested; }

std::vector<std::string> DecoderArguments(const std::string &input, int startSeconds) {
  std::vector<std::string> args = {"-nostdin", "-hide_banner", "-v", "quiet", "-nostats"};
  if (startSeconds > 0) {
    args.push_back("-ss");
    args.push_back(std::to_string(startSeconds));
  }
  for (std::string &arg : decoderinput::FfmpegInputArguments(input)) args.push_back(std::move(arg));
  const std::string size = std::to_string(Player.Width) + "x" + std::to_string(Player.Height);
  for (const char *arg : {"-map", "0:v:0", "-an", "-sn", "-r"}) args.push_back(arg);
  args.push_back(std::to_string(kFrameRate));
  for (const char *arg : {"-s"}) args.push_back(arg);
  args.push_back(size);
  for (const char *arg : {"-pix_fmt", "rgb32", "-f", "rawvideo", "-"}) args.push_back(arg);
  return args;
}

// Fills `frame` from the decoder, serving the GUI meanwhile; false at the end of the stream or when
// interrupted.
bool ReadFrame(win::TPipe &pipe, std::vector<char> &frame) {
  std::size_t got = 0;
  while (got < frame.size()) {
    if (Interrupted()) return false;
    long n = pipe.ReadTimeout(frame.data() + got, frame.size() - got, 5);
    if (n == -2) {
      win::ProcessMessages();
      continue;
    }
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

// Waits until `due` (longer while paused), serving the GUI; false when interrupted.
bool WaitUntil(Clock::time_point &due) {
  while (!Interrupted()) {
    if (Player.Paused) {
      win::WaitMessage(50);
      // The pause does not count as played time.
      due = Clock::now();
      continue;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count();
    if (left <= 0) {
      // Late frames still let the GUI in once, or a slow callback would starve its timers.
      win::ProcessMessages();
      return !Interrupted();
    }
    win::WaitMessage(static_cast<int>(std::min<long long>(left, 50)));
  }
  return false;
}

// One decoder run from Player.StartSeconds; true when it ended for a seek.
bool PlayFrom(const std::string &input) {
  Player.SeekRequested = false;
  const int start = Player.StartSeconds;
  win::TProcessStart spawn;
  spawn.Program = "ffmpeg";
  spawn.Arguments = DecoderArguments(input, start);
  spawn.RedirectInput = true;
  win::TProcess decoder(spawn);
  std::shared_ptr<win::TPipe> output = decoder.Output();

  QImage image(Player.Width, Player.Height, QImage::Format_RGB32);
  std::vector<char> frame(static_cast<std::size_t>(image.sizeInBytes()));
  Clock::time_point due = Clock::now();
  for (long long shown = 0;; ++shown) {
    if (!ReadFrame(*output, frame)) break;
    if (shown == 0) due = Clock::now();
    if (!WaitUntil(due)) break;
    if (!Player.Window) break;
    // rgb32 is the native-endian 0xAARRGGBB of QImage's RGB32, row after row without padding.
    for (int y = 0; y < Player.Height; ++y)
      std::memcpy(image.scanLine(y), frame.data() + static_cast<std::size_t>(y) * Player.Width * 4,
                  static_cast<std::size_t>(Player.Width) * 4);
    Player.Window->ShowFrame(image);
    if (Player.Callback) Player.Callback(start + static_cast<double>(shown) / kFrameRate);
    due += kFrameTime;
  }
  output->Close();
  decoder.Terminate();
  return Player.SeekRequested && !Player.StopRequested;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void InitPreviewWindow(std::uintptr_t window, int width, int height) {
  QWidget *parent = win::WidgetOf(window);
  if (!parent || width <= 0 || height <= 0) return;
  delete Player.Window.data();
  Player.Window = new TVideoWindow(parent);
  Player.Window->setGeometry(0, 0, width, height);
  win::SetClassName(win::HandleOf(Player.Window.data()), "PreviewWindow");
  Player.Window->show();
  Player.Width = width;
  Player.Height = height;
}

__attribute__((visibility("default"))) void SetEventFuntion(void (*callback)(double position)) {
  Player.Callback = callback;
}

__attribute__((visibility("default"))) int Play(const char *input) {
  // One run at a time: a Play from inside the running one's message loop is refused.
  if (Player.Playing || !input || !Player.Window) return -1;
  Player.Playing = true;
  Player.StopRequested = false;
  Player.Paused = false;
  int result = 0;
  try {
    while (PlayFrom(input)) {
    }
  } catch (const std::exception &) {
    result = -1;
  }
  Player.Playing = false;
  Player.StopRequested = Player.SeekRequested = Player.Paused = false;
  Player.StartSeconds = 0;
  return result;
}

__attribute__((visibility("default"))) void Pause() {
  if (Player.Playing) Player.Paused = !Player.Paused;
}

__attribute__((visibility("default"))) void Stop() {
  if (Player.Playing) Player.StopRequested = true;
}

__attribute__((visibility("default"))) void Seek(int seconds) {
  Player.StartSeconds = seconds > 0 ? seconds : 0;
  if (Player.Playing) Player.SeekRequested = true;
}

__attribute__((visibility("default"))) void DestroyPreviewWindow() {
  delete Player.Window.data();
  Player.Window = nullptr;
}
}
