// Slide rendering without LibreOffice: PDF pages to pictures, and the cache, the background
// rendering and the failure paths driven by a stand-in "soffice" script.
#include "slide_render.h"

#include "render_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace fs = std::filesystem;
using namespace render_test;

namespace {

const QColor Red(200, 30, 30);
const QColor Green(30, 170, 60);
const QColor Blue(30, 60, 200);

std::string RenderError(const std::function<void()> &call) {
  try {
    call();
  } catch (const ppt::ERenderError &e) {
    return e.what();
  }
  return "(no ERenderError)";
}

// A fresh cache and temporary folder per test, and the settings put back afterwards.
class RenderFixture : public ::testing::Test {
protected:
  RenderFixture()
      : FCacheEnv("XDG_CACHE_HOME", (FFolder.Path() / "cache").string()),
        FTmpEnv("TMPDIR", (FFolder.Path() / "tmp").string()) {
    fs::create_directories(FFolder.Path() / "tmp");
  }
  ~RenderFixture() override {
    ppt::SetOfficeProgram("");
    ppt::SetOfficeTimeoutMs(ppt::DefaultOfficeTimeoutMs);
  }

  fs::path Dir() const { return FFolder.Path(); }
  fs::path Log() const { return Dir() / "soffice-calls.log"; }

  // A stand-in soffice: logs its arguments, waits `delay`, and "converts" an input file whose
  // text names a PDF by copying that PDF to the output folder; otherwise it prints soffice's own
  // complaint and exits 0, as soffice does.
  void UseFakeOffice(const std::string &delay = "0") {
    fs::path script = Dir() / "fake-soffice";
    WriteFile(script, "#!/bin/sh\n"
                      "printf '%s\\n' \"$*\" >> '" + Log().string() + "'\n"
                      "sleep " + delay + "\n"
                      "out=; in=\n"
                      "while [ $# -gt 0 ]; do\n"
                      "  case \"$1\" in --outdir) out=$2; shift 2;; *) in=$1; shift;; esac\n"
                      "done\n"
                      "base=$(basename \"$in\"); base=${base%.*}\n"
                      "src=$(cat \"$in\")\n"
                      "if [ -f \"$src\" ]; then cp \"$src\" \"$out/$base.pdf\";\n"
                      "else echo 'Error: source file could not be loaded'; fi\n"
                      "exit 0\n");
    fs::permissions(script, fs::perms::owner_all);
    ppt::SetOfficeProgram(script.string());
  }

  std::vector<std::string> OfficeCalls() const {
    std::vector<std::string> lines;
    std::ifstream in(Log());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // A "presentation" for the stand-in: its text is the path of the PDF to deliver.
  fs::path MakePresentation(const std::string &name, const std::vector<TPdfPage> &pages) {
    fs::path pdf = Dir() / (name + ".pdf");
    WriteFile(pdf, MakePdf(pages));
    fs::path presentation = Dir() / (name + ".ppt");
    WriteFile(presentation, pdf.string());
    return presentation;
  }

  fs::path CacheRoot() const { return Dir() / "cache" / "vantrel" / "slides"; }

private:
  TTestFolder FFolder;
  TScopedEnv FCacheEnv;
  TScopedEnv FTmpEnv;
};

class SlideRenderPdf : public RenderFixture {};
class SlideRenderErrors : public RenderFixture {};
class SlideRenderCache : public RenderFixture {};
class SlideRenderBackground : public RenderFixture {};

const std::vector<TPdfPage> TwoSlides = {{720, 540, Red}, {720, 540, Blue}};

TEST_F(SlideRenderPdf, FourByThreePageFillsThePicture) {
  fs::path pdf = Dir() / "a.pdf";
  WriteFile(pdf, MakePdf({{720, 540, Red}}));
  auto slides = ppt::RenderPdfPages(pdf.string());
  ASSERT_EQ(slides.size(), 1u);
  EXPECT_EQ(slides[0].size(), QSize(800, 600));
  for (QPoint p : {QPoint(0, 0), QPoint(799, 0), QPoint(0, 599), QPoint(799, 599), QPoint(400, 300)})
    EXPECT_TRUE(Near(slides[0].pixel(p), Red)) << p.x() << "," << p.y() << " " << Describe(slides[0].pixel(p));
}

TEST_F(SlideRenderPdf, WidePageIsLetterboxedOnBlack) {
  fs::path pdf = Dir() / "wide.pdf";
  WriteFile(pdf, MakePdf({{960, 540, Green}}));  // 16:9 -> 800 x 450, 75 black rows above and below
  auto slides = ppt::RenderPdfPages(pdf.string());
  ASSERT_EQ(slides.size(), 1u);
  const QImage &s = slides[0];
  EXPECT_EQ(s.size(), QSize(800, 600));
  EXPECT_TRUE(Near(s.pixel(400, 0), Qt::black, 0));
  EXPECT_TRUE(Near(s.pixel(400, 73), Qt::black, 0));
  EXPECT_TRUE(Near(s.pixel(400, 77), Green)) << Describe(s.pixel(400, 77));
  EXPECT_TRUE(Near(s.pixel(0, 300), Green)) << Describe(s.pixel(0, 300));
  EXPECT_TRUE(Near(s.pixel(799, 300), Green));
  EXPECT_TRUE(Near(s.pixel(400, 522), Green));
  EXPECT_TRUE(Near(s.pixel(400, 526), Qt::black, 0));
  EXPECT_TRUE(Near(s.pixel(400, 599), Qt::black, 0));
}

TEST_F(SlideRenderPdf, TallPageIsPillarboxedAndPagesKeepTheirOrder) {
  fs::path pdf = Dir() / "mixed.pdf";
  // Portrait 3:4 -> 450 x 600, 175 black columns on each side.
  WriteFile(pdf, MakePdf({{540, 720, Blue}, {720, 540, Red}, {100, 75, Green}}));
  auto slides = ppt::RenderPdfPages(pdf.string());
  ASSERT_EQ(slides.size(), 3u);
  EXPECT_TRUE(Near(slides[0].pixel(172, 300), Qt::black, 0));
  EXPECT_TRUE(Near(slides[0].pixel(178, 300), Blue)) << Describe(slides[0].pixel(178, 300));
  EXPECT_TRUE(Near(slides[0].pixel(621, 300), Blue));
  EXPECT_TRUE(Near(slides[0].pixel(627, 300), Qt::black, 0));
  EXPECT_TRUE(Near(slides[1].pixel(400, 300), Red));
  // A small page is scaled up to the full picture.
  EXPECT_EQ(slides[2].size(), QSize(800, 600));
  EXPECT_TRUE(Near(slides[2].pixel(2, 2), Green)) << Describe(slides[2].pixel(2, 2));
}

TEST_F(SlideRenderPdf, NonPdfAndMissingFilesAreErrors) {
  WriteFile(Dir() / "junk.pdf", "this is no pdf at all");
  EXPECT_NE(RenderError([&] { ppt::RenderPdfPages((Dir() / "junk.pdf").string()); }), "(no ERenderError)");
  EXPECT_NE(RenderError([&] { ppt::RenderPdfPages((Dir() / "none.pdf").string()); }), "(no ERenderError)");
}

TEST_F(SlideRenderErrors, MissingAndNonRegularFilesNameThePathWithoutRunningOffice) {
  UseFakeOffice();
  std::string missing = (Dir() / "gone.ppt").string();
  std::string text = RenderError([&] { ppt::RenderSlides(missing); });
  EXPECT_NE(text.find(missing), std::string::npos) << text;
  EXPECT_NE(text.find("No such file"), std::string::npos) << text;

  fs::create_directory(Dir() / "folder.ppt");
  text = RenderError([&] { ppt::RenderSlides((Dir() / "folder.ppt").string()); });
  EXPECT_NE(text.find("Cannot read"), std::string::npos) << text;
  EXPECT_TRUE(OfficeCalls().empty());
}

TEST_F(SlideRenderErrors, MissingOfficeIsReported) {
  fs::path presentation = MakePresentation("deck", TwoSlides);
  ppt::SetOfficeProgram((Dir() / "no-such-soffice").string());
  std::string text = RenderError([&] { ppt::RenderSlides(presentation.string()); });
  EXPECT_NE(text.find("LibreOffice was not found"), std::string::npos) << text;

  // The default is "soffice" on PATH.
  fs::create_directory(Dir() / "empty-bin");
  TScopedEnv path("PATH", (Dir() / "empty-bin").string());
  ppt::SetOfficeProgram("");
  text = RenderError([&] { ppt::RenderSlides(presentation.string()); });
  EXPECT_NE(text.find("soffice"), std::string::npos) << text;
  EXPECT_NE(text.find("not found"), std::string::npos) << text;
}

bool ProcessGone(pid_t pid) {
  if (kill(pid, 0) != 0) return true;
  // A killed orphan may linger as a zombie until its new parent reaps it.
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  size_t close = line.rfind(')');
  return close == std::string::npos || line.substr(close + 2, 1) == "Z";
}

TEST_F(SlideRenderErrors, HungOfficeIsKilledWithItsChildrenAtTheTimeBox) {
  fs::path presentation = MakePresentation("deck", TwoSlides);
  // Like soffice, the script leaves the work to a child process of its own.
  fs::path script = Dir() / "hanging-soffice";
  fs::path pidFile = Dir() / "worker.pid";
  WriteFile(script, "#!/bin/sh\nsleep 300 &\necho $! > '" + pidFile.string() + "'\nwait\n");
  fs::permissions(script, fs::perms::owner_all);
  ppt::SetOfficeProgram(script.string());
  ppt::SetOfficeTimeoutMs(1500);

  auto start = std::chrono::steady_clock::now();
  std::string text = RenderError([&] { ppt::RenderSlides(presentation.string()); });
  EXPECT_NE(text.find("did not finish within 1500 ms"), std::string::npos) << text;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));

  pid_t worker = std::stoi(ReadFile(pidFile));
  bool gone = false;
  for (int i = 0; i < 100 && !gone; ++i) {
    gone = ProcessGone(worker);
    if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(gone) << "the converter's child " << worker << " was left running";
  EXPECT_EQ(CountFiles(Dir() / "tmp"), 0) << "the conversion's temporary files were left behind";
}

TEST_F(SlideRenderErrors, ConversionWithoutOutputIsAFailureWithOfficesReason) {
  UseFakeOffice();
  fs::path presentation = Dir() / "broken.ppt";
  WriteFile(presentation, "not a path to any pdf");
  std::string text = RenderError([&] { ppt::RenderSlides(presentation.string()); });
  EXPECT_NE(text.find("could not convert"), std::string::npos) << text;
  EXPECT_NE(text.find("source file could not be loaded"), std::string::npos) << text;
  EXPECT_EQ(OfficeCalls().size(), 1u);
  // Nothing is cached for a failure: the next call tries again.
  EXPECT_EQ(CountFiles(CacheRoot()) - 1, 0) << "only the lock file may be there";
  RenderError([&] { ppt::RenderSlides(presentation.string()); });
  EXPECT_EQ(OfficeCalls().size(), 2u);
}

TEST_F(SlideRenderErrors, PdfWithoutPagesIsAFailure) {
  UseFakeOffice();
  fs::path pdf = Dir() / "empty.pdf";
  WriteFile(pdf, MakePdf({}));
  fs::path presentation = Dir() / "empty.ppt";
  WriteFile(presentation, pdf.string());
  std::string text = RenderError([&] { ppt::RenderSlides(presentation.string()); });
  EXPECT_NE(text.find("no pages"), std::string::npos) << text;
}

TEST_F(SlideRenderCache, SecondRenderComesFromTheCacheWithTheSamePixels) {
  UseFakeOffice();
  fs::path presentation = MakePresentation("deck", TwoSlides);
  auto first = ppt::RenderSlides(presentation.string());
  ASSERT_EQ(first.size(), 2u);
  EXPECT_TRUE(Near(first[0].pixel(400, 300), Red));
  EXPECT_TRUE(Near(first[1].pixel(400, 300), Blue));
  ASSERT_EQ(OfficeCalls().size(), 1u);
  EXPECT_EQ(CountFiles(Dir() / "tmp"), 0) << "the conversion's temporary files were left behind";

  auto second = ppt::RenderSlides(presentation.string());
  EXPECT_EQ(OfficeCalls().size(), 1u) << "LibreOffice ran again for an unchanged file";
  ASSERT_EQ(second.size(), 2u);
  for (size_t i = 0; i < 2; ++i)
    EXPECT_EQ(second[i].convertToFormat(QImage::Format_RGB32), first[i].convertToFormat(QImage::Format_RGB32));
}

TEST_F(SlideRenderCache, OfficeGetsACopyAndAFreshProfileNeverThePresentation) {
  UseFakeOffice();
  fs::path presentation = MakePresentation("-deck name", TwoSlides);
  fs::path other = MakePresentation("other", TwoSlides);
  std::string before = ReadFile(presentation);
  struct stat st {};
  stat(presentation.c_str(), &st);

  ppt::RenderSlides(presentation.string());
  ppt::RenderSlides(other.string());

  auto calls = OfficeCalls();
  ASSERT_EQ(calls.size(), 2u);
  std::vector<std::string> profiles;
  for (const auto &call : calls) {
    EXPECT_EQ(call.find(Dir().string() + "/-deck"), std::string::npos) << call;
    EXPECT_NE(call.find("--headless --norestore --nolockcheck"), std::string::npos) << call;
    EXPECT_NE(call.find("--convert-to pdf"), std::string::npos) << call;
    size_t at = call.find("-env:UserInstallation=file://");
    ASSERT_NE(at, std::string::npos) << call;
    profiles.push_back(call.substr(at, call.find(' ', at) - at));
  }
  EXPECT_NE(profiles[0], profiles[1]);
  EXPECT_EQ(ReadFile(presentation), before);
  struct stat after {};
  stat(presentation.c_str(), &after);
  EXPECT_EQ(after.st_mtim.tv_sec, st.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, st.st_mtim.tv_nsec);
}

TEST_F(SlideRenderCache, ChangedFileOfTheSameSizeIsRenderedAnewAndTheOldEntryDropped) {
  UseFakeOffice();
  fs::path presentation = MakePresentation("deck", TwoSlides);
  // Same path length, so that the file keeps its size.
  fs::path otherPdf = Dir() / "dec2.pdf";
  WriteFile(otherPdf, MakePdf({{720, 540, Green}, {720, 540, Red}, {720, 540, Blue}}));
  ppt::RenderSlides(presentation.string());

  auto oldSize = fs::file_size(presentation);
  WriteFile(presentation, otherPdf.string());
  ASSERT_EQ(fs::file_size(presentation), oldSize);
  // A distinct modification time even on coarse file-system clocks.
  fs::last_write_time(presentation, fs::last_write_time(presentation) + std::chrono::seconds(5));

  auto slides = ppt::RenderSlides(presentation.string());
  EXPECT_EQ(OfficeCalls().size(), 2u);
  ASSERT_EQ(slides.size(), 3u);
  EXPECT_TRUE(Near(slides[0].pixel(400, 300), Green));

  int versions = 0;
  for (const auto &file : fs::directory_iterator(CacheRoot()))
    for (const auto &entry : fs::directory_iterator(file.path()))
      if (entry.is_directory()) ++versions;
  EXPECT_EQ(versions, 1);
}

// A document's first page comes through the export of whatever application opened it, one page
// only, and is cached apart from the slides of the same file.
TEST_F(SlideRenderCache, FirstPageIsRenderedAndCachedApartFromTheSlides) {
  UseFakeOffice();
  fs::path file = MakePresentation("outline", {{720, 540, Green}, {720, 540, Red}, {720, 540, Blue}});

  auto page = ppt::RenderSlides(file.string(), ppt::TPages::FirstPage);
  ASSERT_EQ(page.size(), 1u);
  EXPECT_TRUE(Near(page[0].pixel(400, 300), Green)) << Describe(page[0].pixel(400, 300));
  auto calls = OfficeCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_NE(calls[0].find("--convert-to pdf --outdir"), std::string::npos) << calls[0];

  auto slides = ppt::RenderSlides(file.string());
  EXPECT_EQ(slides.size(), 3u) << "the cached first page stood in for the slides";
  calls = OfficeCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_NE(calls[1].find("--infilter=MS PowerPoint 97 --convert-to pdf:impress_pdf_Export"), std::string::npos)
      << calls[1];

  // Each is kept: neither rendering removed the other's cache entry.
  EXPECT_EQ(ppt::RenderSlides(file.string(), ppt::TPages::FirstPage).size(), 1u);
  EXPECT_EQ(ppt::WaitSlides(file.string(), 60000)->size(), 3u);
  EXPECT_EQ(OfficeCalls().size(), 2u);
}

TEST_F(SlideRenderCache, DamagedEntryIsRenderedAnew) {
  UseFakeOffice();
  fs::path presentation = MakePresentation("deck", TwoSlides);
  ppt::RenderSlides(presentation.string());
  for (const auto &entry : fs::recursive_directory_iterator(CacheRoot()))
    if (entry.path().filename() == "0002.png") WriteFile(entry.path(), "truncated");

  auto slides = ppt::RenderSlides(presentation.string());
  EXPECT_EQ(OfficeCalls().size(), 2u);
  ASSERT_EQ(slides.size(), 2u);
  EXPECT_TRUE(Near(slides[1].pixel(400, 300), Blue));
  ppt::RenderSlides(presentation.string());
  EXPECT_EQ(OfficeCalls().size(), 2u) << "the repaired entry was not used";
}

TEST_F(SlideRenderCache, ConcurrentCallersShareOneConversion) {
  UseFakeOffice("0.5");
  fs::path presentation = MakePresentation("deck", TwoSlides);
  std::vector<std::vector<QImage>> results(4);
  std::vector<std::thread> callers;
  for (auto &result : results)
    callers.emplace_back([&result, &presentation] { result = ppt::RenderSlides(presentation.string()); });
  for (auto &caller : callers) caller.join();
  EXPECT_EQ(OfficeCalls().size(), 1u);
  for (const auto &result : results) {
    ASSERT_EQ(result.size(), 2u);
    EXPECT_TRUE(Near(result[1].pixel(400, 300), Blue));
  }
}

TEST_F(SlideRenderCache, FolderFollowsXdgCacheHomeElseHome) {
  {
    TScopedEnv xdg("XDG_CACHE_HOME", "/some/cache");
    EXPECT_EQ(ppt::SlideCacheFolder(), "/some/cache/vantrel/slides");
  }
  TScopedEnv home("HOME", "/home/someone");
  {
    TScopedEnv xdg("XDG_CACHE_HOME", "relative/cache");  // not valid for XDG
    EXPECT_EQ(ppt::SlideCacheFolder(), "/home/someone/.cache/vantrel/slides");
  }
  unsetenv("XDG_CACHE_HOME");
  EXPECT_EQ(ppt::SlideCacheFolder(), "/home/someone/.cache/vantrel/slides");
}

TEST_F(SlideRenderBackground, WaitCollectsWhatStartBegan) {
  UseFakeOffice("0.5");
  fs::path presentation = MakePresentation("deck", TwoSlides);
  ppt::StartRendering(presentation.string());
  ppt::StartRendering(presentation.string());  // already under way: kept
  EXPECT_FALSE(ppt::WaitSlides(presentation.string(), 0).has_value());
  auto slides = ppt::WaitSlides(presentation.string(), -1);
  ASSERT_TRUE(slides.has_value());
  ASSERT_EQ(slides->size(), 2u);
  EXPECT_TRUE(Near((*slides)[0].pixel(400, 300), Red));
  EXPECT_EQ(OfficeCalls().size(), 1u);

  // Collected: a later wait renders anew, from the cache.
  auto again = ppt::WaitSlides(presentation.string(), 60000);
  ASSERT_TRUE(again.has_value());
  EXPECT_EQ(again->size(), 2u);
  EXPECT_EQ(OfficeCalls().size(), 1u);
}

TEST_F(SlideRenderBackground, HostExitStopsTheConversionAndRemovesItsFolder) {
  fs::path presentation = MakePresentation("deck", TwoSlides);
  fs::path script = Dir() / "slow-soffice";
  fs::path pidFile = Dir() / "worker.pid";
  WriteFile(script, "#!/bin/sh\nsleep 300 &\necho $! > '" + pidFile.string() + ".new'\nmv '" + pidFile.string() +
                        ".new' '" + pidFile.string() + "'\nwait\n");
  fs::permissions(script, fs::perms::owner_all);

  pid_t host = fork();
  ASSERT_GE(host, 0);
  if (host == 0) {
    ppt::SetOfficeProgram(script.string());
    ppt::StartRendering(presentation.string());
    for (int i = 0; i < 500 && !fs::exists(pidFile); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(host, &status, 0), host);
  ASSERT_TRUE(fs::exists(pidFile));
  pid_t worker = std::stoi(ReadFile(pidFile));
  bool gone = false;
  for (int i = 0; i < 100 && !gone; ++i) {
    gone = ProcessGone(worker);
    if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(gone) << "the conversion outlived its host";
  EXPECT_TRUE(fs::is_empty(Dir() / "tmp")) << "the conversion's folder was left behind";
}

TEST_F(SlideRenderBackground, FailureReachesTheWaiter) {
  UseFakeOffice();
  std::string missing = (Dir() / "gone.ppt").string();
  ppt::StartRendering(missing);
  std::string text = RenderError([&] { ppt::WaitSlides(missing, 60000); });
  EXPECT_NE(text.find(missing), std::string::npos) << text;
}

}  // namespace
