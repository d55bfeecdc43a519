// The capture road as the batch driver takes it: the work window plays a deck in its browser through
// POWERPNT.EXE while the real capture library advances and captures the show, records the sound and
// assembles "FinalVideo.AVI", which ffprobe then reads.
//
// With VANTREL_ROAD_PICTURES naming a folder, the frames checked below are also saved there as PNG.
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Kestrune.h"
#include "files.h"
#include "main.h"
#include "testsupport.h"
#include "uCommFunctions.h"
#include "uMain.h"
#include "uPPTToVideo.h"
#include "wavfile.h"
#include "webbrowser.h"

// No main form here: the test's own window takes the library's messages in its place.
Tfm_main *fm_main = nullptr;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRoadTimeoutMs = 120000;

struct Message {
  win::UINT Msg;
  std::string Text;
  win::LPARAM LParam;
  int Slide;  // the library's current slide when the message came
};

// A capture as the library announced it: its number, the slide it was taken on, and when.
struct Capture {
  int Number;
  int Slide;
  int Counted;  // DocumentComplete events the work window had counted
  double Ms;
  int Frame;  // its frame number in the run: late ticks leave frames of the picture before
};

struct Inputs {
  int PageDowns = 0;
  int DoubleClicks = 0;
};

struct Stream {
  std::map<std::string, std::string> Fields;
  std::string operator[](const std::string &key) const {
    auto it = Fields.find(key);
    return it == Fields.end() ? std::string() : it->second;
  }
};

struct Probe {
  std::vector<Stream> Streams;
  int ExitCode = -1;
  std::string Errors;
};

Probe RunFfprobe(const std::string &path) {
  QProcess p;
  p.start("ffprobe", {"-v", "error", "-count_frames", "-show_entries",
                      "stream=codec_type,codec_name,width,height,avg_frame_rate,nb_read_frames,sample_rate,"
                      "channels",
                      "-of", "default=noprint_wrappers=0", QString::fromStdString(path)});
  p.waitForFinished(120000);
  Probe probe;
  probe.ExitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  probe.Errors = p.readAllStandardError().trimmed().toStdString();
  for (const QByteArray &raw : p.readAllStandardOutput().split('\n')) {
    const std::string line = raw.trimmed().toStdString();
    if (line == "[STREAM]") probe.Streams.emplace_back();
    const auto eq = line.find('=');
    if (eq != std::string::npos && !probe.Streams.empty())
      probe.Streams.back().Fields[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return probe;
}

// Seconds of sound in the file's audio stream, as ffmpeg decodes it (44100 Hz stereo 16-bit); -1 on
// a decoding error.
double DecodedSoundSeconds(const std::string &path) {
  QProcess p;
  p.start("ffmpeg", {"-v", "error", "-i", QString::fromStdString(path), "-map", "0:a", "-f", "s16le", "-ac", "2",
                     "-ar", "44100", "-"});
  qint64 bytes = 0;
  while (p.state() != QProcess::NotRunning || p.bytesAvailable() > 0) {
    p.waitForReadyRead(1000);
    bytes += p.readAllStandardOutput().size();
  }
  p.waitForFinished(60000);
  if (p.exitCode() != 0 || !p.readAllStandardError().trimmed().isEmpty()) return -1;
  return double(bytes) / 4.0 / 44100.0;
}

// Frame `index` (0-based) of the video, or a null picture.
QImage VideoFrame(const std::string &video, int index, const std::string &png) {
  QProcess p;
  p.start("ffmpeg", {"-v", "error", "-y", "-i", QString::fromStdString(video), "-vf",
                     QString("select=eq(n\\,%1)").arg(index), "-frames:v", "1", QString::fromStdString(png)});
  p.waitForFinished(60000);
  return QImage(QString::fromStdString(png));
}

// Share of the picture's pixels within `tolerance` of `colour` on every channel.
double ShareOf(const QImage &picture, QRgb colour, int tolerance = 40) {
  if (picture.isNull()) return 0;
  long near = 0, all = 0;
  for (int y = 0; y < picture.height(); y += 4)
    for (int x = 0; x < picture.width(); x += 4, ++all) {
      QRgb p = picture.pixel(x, y);
      if (std::abs(qRed(p) - qRed(colour)) <= tolerance && std::abs(qGreen(p) - qGreen(colour)) <= tolerance &&
          std::abs(qBlue(p) - qBlue(colour)) <= tolerance)
        ++near;
    }
  return all ? double(near) / double(all) : 0;
}

// The background of slide i of the committed decks.
QRgb SlideColour(int slide) {
  static const QRgb colours[] = {qRgb(0xc0, 0x00, 0x00), qRgb(0x00, 0x50, 0xc0), qRgb(0x00, 0xa0, 0x40)};
  return colours[(slide - 1) % 3];
}

// A decimal number, or -1 for text that is none (ffprobe writes "N/A").
double Number(const std::string &text) {
  char *end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  return !text.empty() && end == text.c_str() + text.size() ? value : -1;
}

std::string FrameName(int number) {
  char name[32];
  std::snprintf(name, sizeof name, "%.6d.JPG", number);
  return name;
}

class CaptureRoad : public ::testing::Test {
protected:
  void SetUp() override {
    testsupport::App();
    uMain::Globals = {};
    Window = std::make_unique<QWidget>();
    Wnd = win::HandleOf(Window.get());
    win::SetWindowProc(Wnd, [this](win::HWND, win::UINT msg, win::WPARAM w, win::LPARAM l) -> win::LRESULT {
      const int slide = Convertor ? Convertor->FCurrentSlide : 0;
      Seen.push_back({msg, w ? reinterpret_cast<const char *>(w) : "", l, slide});
      const std::string &text = Seen.back().Text;
      if (msg == WM_CONVERT_PROGRESS && text.rfind("Capture No.", 0) == 0)
        Captures.push_back({std::atoi(text.c_str() + 11), slide, uMain::Globals.CurrentSlide, Elapsed(),
                            int(CaptureList ? CaptureList->size() : 0) + 1});
      return 0;
    });
  }

  void TearDown() override {
    if (Form) {
      Form->WB->Navigate("");
      Form->Close();
      delete Form;
    }
    uMain::Globals = {};
  }

  double Elapsed() const { return std::chrono::duration<double, std::milli>(Clock::now() - Started).count(); }

  // The batch driver's steps for one presentation, then the message loop until the library's 150
  // (or an error, or the time limit).
  bool Drive(const std::string &deckName) {
    Deck = Decks / deckName;
    fs::copy_file(testsupport::FixturesFolder() + "decks/" + deckName, Deck);
    return DriveFile(3);
  }

  // The same for `Deck`, whose slide count the library answers with `slideCount`.
  bool DriveFile(int slideCount) {
    Form = CreateForm<TfrmPPTToVideo>(nullptr);
    PassMainFrmHandlesToDLL(Wnd, Form->WB->Handle());
    Form->Show();
    Form->LoadPresentation(Deck);
    if (uMain::Globals.SlideCount != slideCount || !Seen.empty()) {
      ADD_FAILURE() << "slide count " << uMain::Globals.SlideCount << ", " << Seen.size() << " messages";
      return false;
    }

    // Advance input the pane gets, by the slide the work window has counted when it comes.
    win::HWND pane = Form->WB->PaneHandle();
    win::WindowProc inner = win::GetWindowProc(pane);
    win::SetWindowProc(pane, [this, inner](win::HWND wnd, win::UINT msg, win::WPARAM w, win::LPARAM l) {
      Inputs &counted = InputsBySlide[uMain::Globals.CurrentSlide];
      if (msg == win::WM_KEYDOWN && w == win::VK_NEXT) ++counted.PageDowns;
      if (msg == win::WM_LBUTTONDBLCLK) ++counted.DoubleClicks;
      return inner(wnd, msg, w, l);
    });

    Form->WB->Navigate("");
    Form->WB->Navigate(Deck);
    FirstFrame = FrameCounter;
    Started = Clock::now();
    StartConvert();
    return win::PumpUntil([this] { return Ended(); }, kRoadTimeoutMs);
  }

  bool Ended() const {
    for (const Message &m : Seen)
      if (m.Msg == WM_CONVERT_ERROR || (m.Msg == WM_CONVERT_PROGRESS && m.LParam >= 150)) return true;
    return false;
  }

  std::vector<std::string> Errors() const {
    std::vector<std::string> errors;
    for (const Message &m : Seen)
      if (m.Msg == WM_CONVERT_ERROR) errors.push_back(m.Text);
    return errors;
  }

  // The slide numbers the library was given in this run, in order, without repeats (until the first
  // DocumentComplete it still holds the last number of the run before).
  std::vector<int> SlidesPassed() const {
    std::vector<int> slides;
    for (const Capture &c : Captures)
      if (c.Counted > 0 && (slides.empty() || slides.back() != c.Slide)) slides.push_back(c.Slide);
    return slides;
  }

  // Milliseconds from the first capture on `slide` to the first capture after it.
  double SlideLength(int slide) const {
    double from = -1;
    for (const Capture &c : Captures) {
      if (c.Counted > 0 && c.Slide == slide && from < 0) from = c.Ms;
      if (from >= 0 && c.Slide != slide) return c.Ms - from;
    }
    return -1;
  }

  // A capture in the middle of those taken on `slide`; 0 when none.
  int MiddleCaptureOf(int slide) const {
    std::vector<int> numbers;
    for (const Capture &c : Captures)
      if (c.Counted > 0 && c.Slide == slide) numbers.push_back(c.Frame);
    return numbers.empty() ? 0 : numbers[numbers.size() / 2];
  }

  std::vector<win::TSearchRec> FrameFiles() const {
    std::vector<win::TSearchRec> entries, frames;
    win::ListFolder(WorkingFolder(), "*.*", entries);
    for (const win::TSearchRec &entry : entries)
      if (entry.Name.size() == 10 && entry.Name.substr(6) == ".JPG") frames.push_back(entry);
    return frames;
  }

  std::vector<std::string> UsableFrames() const {
    std::vector<std::string> usable;
    for (const win::TSearchRec &entry : FrameFiles())
      if (IsUsableFrame(entry)) usable.push_back(entry.Name);
    return usable;
  }

  // The messages' kinds come in the order of the library's table, and their progress runs from 1 to
  // 150 without falling back.
  void ExpectProgressInTableOrder(int usableFrames) const {
    const std::string frameFolder = WorkingFolder() + "/";
    auto phase = [&](const Message &m) {
      if (m.Msg != WM_CONVERT_PROGRESS) return -1;
      if (m.Text == "Creating Picture Files...... ") return 0;
      if (m.Text.empty() || m.Text.rfind("Capture No.", 0) == 0) return 1;
      if (m.Text.rfind(frameFolder, 0) == 0) return 2;
      if (m.Text == "Create Final Video File......") return 3;
      if (m.Text.rfind("File is Being Created", 0) == 0) return 4;
      if (m.Text == "FinalVideo File Is Created,Now Creating Users File !") return 5;
      return -2;
    };
    ASSERT_FALSE(Seen.empty());
    EXPECT_EQ(phase(Seen.front()), 0);
    EXPECT_EQ(Seen.front().LParam, 1);
    int lastPhase = 0, lastProgress = 0, captures = 0, frame = 0;
    std::vector<std::string> usable = UsableFrames();
    for (const Message &m : Seen) {
      const int p = phase(m);
      ASSERT_GE(p, lastPhase) << "\"" << m.Text << "\" " << m.LParam;
      lastPhase = p;
      if (m.Text.rfind("Capture No.", 0) == 0) {
        EXPECT_EQ(m.Text, "Capture No." + std::to_string(++captures) + "......");
        EXPECT_EQ(m.LParam, 0);
        continue;
      }
      if (p == 1) {
        // The every-15th-tick report of the slide reached so far.
        EXPECT_EQ(m.LParam, win::MulDiv(std::min(m.Slide, 3), 50, 3));
      } else if (p == 2) {
        ++frame;
        ASSERT_LE(frame, usableFrames);
        EXPECT_EQ(m.Text, frameFolder + usable[std::size_t(frame - 1)]);
        EXPECT_EQ(m.LParam, 50 + win::MulDiv(frame, 50, usableFrames));
      } else if (p == 3) {
        EXPECT_EQ(m.LParam, 100);
      } else if (p == 4) {
        EXPECT_GE(m.LParam, 100);
        EXPECT_LE(m.LParam, 150);
        std::string dots = m.Text.substr(21);
        EXPECT_LE(dots.size(), 5u);
        EXPECT_EQ(dots.find_first_not_of('.'), std::string::npos) << m.Text;
      }
      if (m.LParam != 0) {
        EXPECT_GE(m.LParam, lastProgress) << m.Text;
        lastProgress = int(m.LParam);
      }
    }
    EXPECT_EQ(captures, Convertor->FCaptureCount);
    EXPECT_EQ(frame, usableFrames);
    EXPECT_EQ(Seen.back().LParam, 150);
    EXPECT_EQ(phase(Seen.back()), 5);
  }

  // The final video, as ffprobe reads it, against the frames and the recording it was made of.
  void ExpectFinalVideoReadable(int usableFrames) const {
    const std::string video = WorkingFolder() + "/FinalVideo.AVI";
    ASSERT_TRUE(win::FileExists(video));
    Probe probe = RunFfprobe(video);
    EXPECT_EQ(probe.ExitCode, 0);
    EXPECT_EQ(probe.Errors, "") << "ffprobe reads the file without complaint";
    ASSERT_EQ(probe.Streams.size(), 2u);
    const Stream &v = probe.Streams[0]["codec_type"] == "video" ? probe.Streams[0] : probe.Streams[1];
    const Stream &a = probe.Streams[0]["codec_type"] == "video" ? probe.Streams[1] : probe.Streams[0];
    EXPECT_EQ(v["codec_name"], "mjpeg");
    EXPECT_EQ(v["width"], "640");
    EXPECT_EQ(v["height"], "480");
    EXPECT_EQ(v["nb_read_frames"], std::to_string(usableFrames));

    // The frames last exactly as long as the recording: frames x 1000 / length in ms.
    const double expectedRate = usableFrames * 1000.0 / double(Convertor->FTotalTime);
    const std::string rate = v["avg_frame_rate"];
    const auto slash = rate.find('/');
    ASSERT_NE(slash, std::string::npos) << rate;
    const double probedRate = Number(rate.substr(0, slash)) / Number(rate.substr(slash + 1));
    EXPECT_NEAR(probedRate, expectedRate, expectedRate * 1e-6) << rate;

    EXPECT_EQ(a["codec_name"], "pcm_s16le");
    EXPECT_EQ(a["sample_rate"], "44100");
    EXPECT_EQ(a["channels"], "2");
    // The sound is the whole recording: as long as "OutAudio.WAV" and as the library measured it.
    media::TWavReader wav;
    wav.OpenFile(WorkingFolder() + "/OutAudio.WAV", 0, 1);
    const double wavSeconds = double(wav.TotalLength()) / 44100.0;
    wav.CloseFile();
    EXPECT_NEAR(DecodedSoundSeconds(video), wavSeconds, 0.001);
    EXPECT_NEAR(wavSeconds * 1000.0, Convertor->FTotalTime, 30.0);
    EXPECT_GT(wavSeconds, 1.0);
  }

  // Keeps `picture` as "road-<name>.png" in the folder VANTREL_ROAD_PICTURES names, if it names one.
  static void SavePicture(const QImage &picture, const std::string &name) {
    const char *keep = std::getenv("VANTREL_ROAD_PICTURES");
    if (keep && *keep) picture.save(QString::fromStdString(std::string(keep) + "/road-" + name + ".png"));
  }

  // The captures taken on each slide show that slide, in the frame files and in the video; the last
  // capture shows the end-of-show screen. Each picture is saved when asked for.
  void ExpectSlidesVisible(const std::string &tag) const {
    auto save = [&](const QImage &picture, const std::string &name) { SavePicture(picture, tag + "-" + name); };
    std::vector<std::string> usable = UsableFrames();
    testsupport::TempDir scratch;
    for (int slide = 1; slide <= 3; ++slide) {
      const int capture = MiddleCaptureOf(slide);
      ASSERT_GT(capture, 0) << "no capture on slide " << slide;
      const std::string name = FrameName(FirstFrame + capture);
      QImage frame(QString::fromStdString(WorkingFolder() + "/" + name));
      save(frame, "slide" + std::to_string(slide));
      EXPECT_GT(ShareOf(frame, SlideColour(slide)), 0.3) << name << " does not show slide " << slide;
      EXPECT_LT(ShareOf(frame, qRgb(255, 255, 255)), 0.3) << name;
      // The capture begins at the slide's left edge: no strip of the pane beside the slide.
      EXPECT_GT(ShareOf(frame.copy(0, 100, 4, 400), SlideColour(slide)), 0.9) << name << ": its left edge is not slide";

      auto at = std::find(usable.begin(), usable.end(), name);
      ASSERT_NE(at, usable.end()) << name << " is not in the video";
      QImage inVideo = VideoFrame(WorkingFolder() + "/FinalVideo.AVI", int(at - usable.begin()),
                                  scratch / ("slide" + std::to_string(slide) + ".png"));
      ASSERT_EQ(inVideo.size(), QSize(640, 480));
      save(inVideo, "video-slide" + std::to_string(slide));
      EXPECT_GT(ShareOf(inVideo, SlideColour(slide)), 0.3) << "video frame of slide " << slide;
      EXPECT_GT(ShareOf(inVideo.copy(0, 80, 4, 320), SlideColour(slide)), 0.9)
          << "the left edge of the video frame of slide " << slide << " is not slide";
    }
    QImage last(QString::fromStdString(WorkingFolder() + "/" + FrameName(FirstFrame + Captures.back().Frame)));
    save(last, "end");
    EXPECT_GT(ShareOf(last, qRgb(0, 0, 0), 24), 0.9) << "the last capture is the black end-of-show screen";
  }

  // The capture ended because a capture matched the end-of-show screen: no error, the show's
  // process still runs, and the library's last capture is that screen.
  void ExpectEndFoundByTheEndScreen() const {
    // The library's watchdog and probe end POWERPNT.EXE by name, machine-wide: a test of another
    // build folder running at the same time ends this show too.
    EXPECT_TRUE(Errors().empty()) << Errors().front() << "\nshow: " << Form->WB->ShowError()
                                  << "\n(was POWERPNT.EXE ended from outside, by a test running beside this one?)";
    EXPECT_NE(Form->WB->ShowProcessId(), 0) << "the watchdog would have seen the show gone";
    EXPECT_TRUE(Convertor->IsEndScreenReached());
    EXPECT_GE(Convertor->FCurrentSlide, 3);
    EXPECT_FALSE(Convertor->FTimer->Enabled());
  }

  testsupport::FreshPlaces Places;
  testsupport::TempDir Decks;
  std::unique_ptr<QWidget> Window;
  win::HWND Wnd = 0;
  TfrmPPTToVideo *Form = nullptr;
  std::string Deck;
  int FirstFrame = 0;
  Clock::time_point Started = Clock::now();
  std::vector<Message> Seen;
  std::vector<Capture> Captures;
  std::map<int, Inputs> InputsBySlide;
};

// Slide 1 advances on a click, slide 2 after 3.5 s by itself, slide 3 on a click.
TEST_F(CaptureRoad, ThreeSlidesWithOneTimedBecomeTheFinalVideo) {
  if (QStandardPaths::findExecutable("ffprobe").isEmpty()) GTEST_SKIP() << "ffprobe is not installed";
  ASSERT_TRUE(Drive("three.ppt")) << "no end within the time limit; show: " << Form->WB->ShowError();
  ExpectEndFoundByTheEndScreen();

  EXPECT_EQ(SlidesPassed(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(uMain::Globals.CurrentSlide, 3) << "one DocumentComplete per slide";
  EXPECT_EQ(InputsBySlide[2].PageDowns + InputsBySlide[2].DoubleClicks, 0) << "slide 2 advances by itself";
  EXPECT_GT(SlideLength(2), 3300) << "slide 2 shows for its 3.5 s";
  EXPECT_LT(SlideLength(2), 5000);
  for (int slide : {1, 3}) {
    EXPECT_GE(InputsBySlide[slide].DoubleClicks, 1) << "slide " << slide << " advances on a click";
    EXPECT_EQ(InputsBySlide[slide].PageDowns, 0) << "slide " << slide;
  }

  const std::vector<win::TSearchRec> frames = FrameFiles();
  // A frame file per capture, and the picture before again for each tick that came late.
  ASSERT_GE(int(frames.size()), Convertor->FCaptureCount);
  EXPECT_NEAR(frames.size() * 50.0, Convertor->FTotalTime, 150);
  EXPECT_EQ(frames.front().Name, FrameName(FirstFrame + 1));
  EXPECT_EQ(frames.back().Name, FrameName(FirstFrame + int(frames.size())));
  const int usable = int(UsableFrames().size());
  ASSERT_GT(usable, 0);

  ExpectProgressInTableOrder(usable);
  ExpectFinalVideoReadable(usable);
  ExpectSlidesVisible("three");

  Form->Close();
  EXPECT_FALSE(win::DirectoryExists(WorkingFolder())) << "closing the work window ends the conversion";
}

// Every slide advances by itself: the library never advances one.
TEST_F(CaptureRoad, ATimedShowIsNeverAdvancedByTheLibrary) {
  if (QStandardPaths::findExecutable("ffprobe").isEmpty()) GTEST_SKIP() << "ffprobe is not installed";
  ASSERT_TRUE(Drive("timed.ppt")) << "no end within the time limit; show: " << Form->WB->ShowError();
  ExpectEndFoundByTheEndScreen();

  EXPECT_EQ(SlidesPassed(), (std::vector<int>{1, 2, 3}));
  for (int slide = 1; slide <= 3; ++slide) {
    EXPECT_EQ(InputsBySlide[slide].PageDowns + InputsBySlide[slide].DoubleClicks, 0) << "slide " << slide;
    if (slide < 3) {
      EXPECT_GT(SlideLength(slide), 1300) << "slide " << slide << " shows for its 1.5 s";
      EXPECT_LT(SlideLength(slide), 3000) << "slide " << slide;
    }
  }
  const int usable = int(UsableFrames().size());
  ASSERT_GT(usable, 0);
  ExpectProgressInTableOrder(usable);
  ExpectFinalVideoReadable(usable);
  ExpectSlidesVisible("timed");
}

// Any other file is captured as the browser shows it: its first page, 100 times.
TEST_F(CaptureRoad, ADocumentIsCapturedAsItsFirstPage) {
  if (QStandardPaths::findExecutable("ffprobe").isEmpty()) GTEST_SKIP() << "ffprobe is not installed";
  Deck = Decks / "outline.txt";
  testsupport::WriteFile(Deck, "Quarterly review\n\tSales\n\tOutlook\n\tQuestions\n");
  ASSERT_TRUE(DriveFile(100)) << "no end within the time limit; show: " << Form->WB->ShowError();
  EXPECT_TRUE(Errors().empty()) << Errors().front() << "\nshow: " << Form->WB->ShowError();
  EXPECT_EQ(Convertor->FCaptureCount, 100);
  EXPECT_EQ(Seen.back().LParam, 150);

  // From the first capture on: the page, white paper pillarboxed on black; never a blank pane.
  const std::vector<std::string> usable = UsableFrames();
  // A late tick repeats the picture before it, so there may be more frames than captures, never fewer.
  ASSERT_GE(int(usable.size()), 100) << "captures of the page were dropped as blank";
  for (int capture : {1, 100}) {
    QImage frame(QString::fromStdString(WorkingFolder() + "/" + FrameName(FirstFrame + capture)));
    SavePicture(frame, "outline-capture" + std::to_string(capture));
    EXPECT_GT(ShareOf(frame, qRgb(255, 255, 255)), 0.3) << "capture " << capture;
    EXPECT_GT(ShareOf(frame, qRgb(0, 0, 0), 24), 0.3) << "capture " << capture;
  }
  ExpectFinalVideoReadable(int(usable.size()));
}

}  // namespace
