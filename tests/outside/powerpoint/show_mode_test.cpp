// POWERPNT.EXE's show mode as the browser runs it, and the automation mode's background rendering.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <vector>

#include "paths.h"
#include "process.h"
#include "testsupport.h"
#include "show_sound.h"

namespace fs = std::filesystem;

namespace {

const std::string Decks = VANTREL_DECKS "/";
constexpr int RenderTimeoutMs = 180000;

struct TShow {
  win::TProcess Process;
  std::string Pending;
  explicit TShow(std::vector<std::string> args) : Process(Start(std::move(args))) {}
  static win::TProcessStart Start(std::vector<std::string> args) {
    win::TProcessStart start;
    start.Program = win::ProgramFolder() + "POWERPNT.EXE";
    start.Arguments = std::move(args);
    return start;
  }

  // The next line, or "<timeout>" / "<eof>".
  std::string Line(int timeoutMs) {
    for (;;) {
      if (auto end = Pending.find('\n'); end != std::string::npos) {
        std::string line = Pending.substr(0, end);
        Pending.erase(0, end + 1);
        return line;
      }
      char buffer[4096];
      long n = Process.Output()->ReadTimeout(buffer, sizeof buffer, timeoutMs);
      if (n == -2) return "<timeout>";
      if (n <= 0) return "<eof>";
      Pending.append(buffer, std::size_t(n));
    }
  }
};

}  // namespace

TEST(ShowMode, ServesEverySlideWithItsTransitionUntilInputEnds) {
  TShow show({"/show", Decks + "three.ppt"});
  const char *transitions[] = {"1 0 0", "1 1 3.5", "1 0 0"};
  std::vector<std::string> pictures;
  for (int i = 1; i <= 3; ++i) {
    std::string line = show.Line(RenderTimeoutMs);
    std::string expected = "slide " + std::to_string(i) + " " + transitions[i - 1] + " ";
    ASSERT_EQ(line.substr(0, expected.size()), expected) << line;
    pictures.push_back(line.substr(expected.size()));
    QImage picture(QString::fromStdString(pictures.back()));
    EXPECT_EQ(picture.size(), QSize(800, 600)) << pictures.back();
  }
  EXPECT_EQ(show.Line(5000), "show 3");
  // The show lasts as long as its input.
  EXPECT_FALSE(show.Process.Wait(300));
  show.Process.Input()->Close();
  ASSERT_TRUE(show.Process.Wait(5000));
  EXPECT_EQ(show.Process.ExitCode(), 0);
  for (const auto &picture : pictures) EXPECT_FALSE(fs::exists(picture)) << "left behind: " << picture;
  EXPECT_FALSE(fs::exists(fs::path(pictures[0]).parent_path()));
}

TEST(ShowMode, UnreadableFileEndsWithAnError) {
  for (const char *deck : {"notppt.ppt", "empty.ppt", "truncated.ppt", "missing.ppt"}) {
    TShow show({"/show", Decks + deck});
    std::string line = show.Line(10000);
    EXPECT_EQ(line.rfind("error cannot open " + Decks + deck + ": ", 0), 0u) << line;
    ASSERT_TRUE(show.Process.Wait(5000)) << deck;
    EXPECT_EQ(show.Process.ExitCode(), 1) << deck;
  }
}

TEST(ShowMode, NeedsExactlyOnePath) {
  for (const char *mode : {"/show", "/page"}) {
    TShow show({mode});
    ASSERT_TRUE(show.Process.Wait(5000)) << mode;
    EXPECT_EQ(show.Process.ExitCode(), 2) << mode;
  }
}

// Any other document: its first page, through LibreOffice, kept until input ends.
TEST(PageMode, ServesTheFirstPageOfADocumentUntilInputEnds) {
  testsupport::TempDir dir;
  std::string outline = dir / "outline.txt";
  testsupport::WriteFile(outline, "Quarterly review\n\tSales\n\tOutlook\n");
  TShow page({"/page", outline});
  std::string line = page.Line(RenderTimeoutMs);
  ASSERT_EQ(line.rfind("page ", 0), 0u) << line;
  std::string picture = line.substr(5);
  QImage shown(QString::fromStdString(picture));
  ASSERT_EQ(shown.size(), QSize(800, 600)) << picture;
  // A portrait page, pillarboxed on black: white paper in the middle.
  EXPECT_EQ(shown.pixel(400, 30) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(shown.pixel(5, 300) & 0xFFFFFF, 0u);
  EXPECT_EQ(page.Line(300), "<timeout>") << "one page, nothing more";
  page.Process.Input()->Close();
  ASSERT_TRUE(page.Process.Wait(5000));
  EXPECT_EQ(page.Process.ExitCode(), 0);
  EXPECT_FALSE(fs::exists(picture)) << "left behind: " << picture;
}

// A file offered as a presentation loads as one: its slide fills the width, where a page of text
// would stand pillarboxed.
TEST(PageMode, AFileOfferedAsAPresentationShowsAsASlide) {
  testsupport::TempDir dir;
  std::string deck = dir / "deck.fodp";
  testsupport::WriteFile(deck, R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" office:version="1.2"
 office:mimetype="application/vnd.oasis.opendocument.presentation">
 <office:body><office:presentation><draw:page draw:name="one">
  <draw:frame svg:x="2cm" svg:y="2cm" svg:width="20cm" svg:height="3cm"><draw:text-box>
   <text:p>Quarterly review</text:p></draw:text-box></draw:frame>
 </draw:page></office:presentation></office:body>
</office:document>
)");
  TShow page({"/page", deck});
  std::string line = page.Line(RenderTimeoutMs);
  ASSERT_EQ(line.rfind("page ", 0), 0u) << line;
  QImage shown(QString::fromStdString(line.substr(5)));
  ASSERT_EQ(shown.size(), QSize(800, 600)) << line;
  EXPECT_EQ(shown.pixel(5, 300) & 0xFFFFFF, 0xFFFFFFu) << "a wide white slide, letterboxed";
  EXPECT_EQ(shown.pixel(400, 5) & 0xFFFFFF, 0u);
}

TEST(PageMode, FileThatCannotBeShownEndsWithAnError) {
  testsupport::TempDir dir;
  std::string addin = dir / "addin.ppam";
  testsupport::WriteFile(addin, std::string("\0\1binary", 8));
  // LibreOffice would open these as text or as a new, blank document.
  std::string garbage = dir / "y.pptx";
  testsupport::WriteFile(garbage, std::string(4000, '\x93') + "text among the bytes");
  std::string empty = dir / "x.pptx";
  testsupport::WriteFile(empty, "");
  std::string emptyText = dir / "note.txt";
  testsupport::WriteFile(emptyText, "");
  for (const std::string &file : {addin, dir / "missing.docx", garbage, empty, emptyText}) {
    TShow page({"/page", file});
    std::string line = page.Line(RenderTimeoutMs);
    EXPECT_EQ(line.rfind("error ", 0), 0u) << line;
    EXPECT_NE(line.find(file), std::string::npos) << line;
    ASSERT_TRUE(page.Process.Wait(5000)) << file;
    EXPECT_EQ(page.Process.ExitCode(), 1) << file;
  }
}

TEST(AutomationMode, BackgroundRenderingDoesNotHoldTheCallersPipe) {
  TShow app({"/automation"});
  ASSERT_EQ(app.Line(5000), "ok ready") << "exit code " << (app.Process.Wait(1000) ? app.Process.ExitCode() : -1);
  app.Process.Input()->Write("open 0 0 1 " + Decks + "three.ppt\nquit\n");
  EXPECT_EQ(app.Line(5000), "ok 3");
  EXPECT_EQ(app.Line(5000), "ok");
  // The renderer runs on in a process of its own; our output ends with us.
  EXPECT_EQ(app.Line(5000), "<eof>");
  ASSERT_TRUE(app.Process.Wait(5000));
  EXPECT_EQ(app.Process.ExitCode(), 0);
}

TEST(ShowSounds, OneThatCannotBeDecodedIsLeftOutWithALineAndTheOthersPlay) {
  std::string folder = (fs::temp_directory_path() / "vantrel-test-XXXXXX").string();
  ASSERT_TRUE(mkdtemp(folder.data()));
  // A tenth of a second of 16-bit mono at 44100 Hz, to be played as stereo.
  const std::uint32_t frames = 4410;
  auto le = [](std::uint32_t v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i) s += char(v >> (8 * i) & 0xFF);
    return s;
  };
  std::string wav = "RIFF" + le(36 + frames * 2, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(44100, 4) +
                    le(88200, 4) + le(2, 2) + le(16, 2) + "data" + le(frames * 2, 4) + std::string(frames * 2, '\x10');
  std::vector<ppt::TSound> sounds = {{"noise.wav", ".wav", "this is no sound at all", ""},
                                     {"tone.wav", ".wav", wav, ""},
                                     {"gone.wav", ".wav", "", "C:\\Talks\\gone.wav"}};
  testing::internal::CaptureStderr();
  std::vector<std::string> decoded = ppt::DecodeSounds(sounds, folder + "/talk.ppt", folder);
  const std::string said = testing::internal::GetCapturedStderr();
  ASSERT_EQ(decoded.size(), 3u);
  EXPECT_TRUE(decoded[0].empty());
  ASSERT_FALSE(decoded[1].empty());
  EXPECT_EQ(fs::file_size(decoded[1]), frames * 4);
  EXPECT_TRUE(decoded[2].empty());
  EXPECT_NE(said.find("POWERPNT.EXE: the sound \"noise.wav\" is left out: "), std::string::npos) << said;
  EXPECT_NE(said.find("\"gone.wav\" is left out: the linked file C:\\Talks\\gone.wav is not beside the presentation"),
            std::string::npos)
      << said;
  EXPECT_EQ(said.find("tone.wav"), std::string::npos) << said;
  fs::remove_all(folder);
}
