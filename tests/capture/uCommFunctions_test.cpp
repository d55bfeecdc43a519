#include "uCommFunctions.h"

#include <gtest/gtest.h>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

#include "endscreen.h"
#include "fakehost.h"
#include "files.h"
#include "image.h"
#include "jpeg.h"
#include "process.h"
#include "testsupport.h"

namespace fs = std::filesystem;

namespace {

void Touch(const std::string &path) { std::ofstream(path) << "x"; }

// A copy of `sleep` under a name no other process on the machine carries.
std::string UniqueSleeper(const testsupport::TempDir &dir, const std::string &name) {
  std::string path = dir / name;
  fs::copy_file("/bin/sleep", path);
  fs::permissions(path, fs::perms::owner_all);
  return path;
}

}  // namespace

TEST(DeleteFolderTree, RemovesPlainFilesAndFoldersButKeepsReadOnlyAndHiddenOnes) {
  testsupport::TempDir dir;
  std::string root = dir / "work";
  fs::create_directories(root + "/sub/deeper");
  Touch(root + "/000001.JPG");
  Touch(root + "/sub/deeper/OutAudio.WAV");
  Touch(root + "/keep-readonly.txt");
  win::SetFileAttributes(root + "/keep-readonly.txt", win::FILE_ATTRIBUTE_READONLY);
  fs::create_directories(root + "/held");
  Touch(root + "/held/.hidden");

  DeleteFolderTree(root);

  EXPECT_FALSE(fs::exists(root + "/000001.JPG"));
  EXPECT_FALSE(fs::exists(root + "/sub"));
  EXPECT_TRUE(fs::exists(root + "/keep-readonly.txt"));
  EXPECT_TRUE(fs::exists(root + "/held/.hidden"));
  EXPECT_TRUE(fs::exists(root + "/held")) << "a folder that still holds a file stays";
  EXPECT_TRUE(fs::exists(root));
}

TEST(DeleteFolderTree, NeverFollowsSymbolicLinks) {
  testsupport::TempDir dir;
  std::string outside = dir / "precious";
  fs::create_directories(outside);
  Touch(outside + "/thesis.doc");
  std::string root = dir / "work";
  fs::create_directories(root);
  fs::create_directory_symlink(outside, root + "/link");
  fs::create_directory_symlink(outside, dir / "linkroot");

  DeleteFolderTree(root);
  DeleteFolderTree(dir / "linkroot");

  EXPECT_FALSE(fs::exists(root));
  EXPECT_FALSE(fs::is_symlink(dir / "linkroot"));
  EXPECT_TRUE(fs::exists(outside + "/thesis.doc"));
}

TEST(DeleteFolderTree, LeavesAFolderThatCannotBeListedAlone) {
  testsupport::TempDir dir;
  DeleteFolderTree(dir / "missing");
  EXPECT_TRUE(fs::exists(dir.Path));
}

TEST(WorkingFolderSafety, RefusesRootHomeAncestorsLinksAndRelativePaths) {
  testsupport::TempDir dir;
  std::string why;
  EXPECT_FALSE(IsSafeWorkingFolder("/", why));
  EXPECT_FALSE(IsSafeWorkingFolder("", why));
  EXPECT_FALSE(IsSafeWorkingFolder("relative/QueltFiles", why));
  std::string home = getenv("HOME") ? getenv("HOME") : "/root";
  EXPECT_FALSE(IsSafeWorkingFolder(home, why));
  EXPECT_FALSE(IsSafeWorkingFolder(home + "/", why));
  EXPECT_FALSE(IsSafeWorkingFolder(fs::path(home).parent_path().string(), why));
  EXPECT_FALSE(IsSafeWorkingFolder(home + "/sub/..", why));
  fs::create_directory_symlink(home, dir / "QueltFiles");
  EXPECT_FALSE(IsSafeWorkingFolder(dir / "QueltFiles", why));
  EXPECT_NE(why.find("symbolic link"), std::string::npos);
  EXPECT_TRUE(IsSafeWorkingFolder(dir / "other/QueltFiles", why));
}

TEST(WorkingFolderSafety, EnsureCreatesItHiddenUnderProgramFiles) {
  testsupport::FreshPlaces places;
  EnsureWorkingFolder();
  EXPECT_EQ(WorkingFolder(), places.WorkDir / "QueltFiles");
  std::uint32_t attributes = win::GetFileAttributes(WorkingFolder());
  ASSERT_NE(attributes, win::INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & win::FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(attributes & win::FILE_ATTRIBUTE_HIDDEN);
}

TEST(ProcessHelpers, KillByNameIsTrueWithoutAMatchAndEndsOnlyTheFirst) {
  testsupport::TempDir dir;
  std::string name = "vtsleep" + std::to_string(getpid());
  std::string sleeper = UniqueSleeper(dir, name);
  EXPECT_FALSE(IsProcessRunning(name));
  EXPECT_TRUE(KillProcessByName(name));

  win::TProcessStart start;
  start.Program = sleeper;
  start.Arguments = {"30"};
  win::TProcess one(start), two(start);
  ASSERT_TRUE(IsProcessRunning(name));
  EXPECT_TRUE(IsProcessRunning("VTSLEEP" + std::to_string(getpid()))) << "names compare without case";

  EXPECT_TRUE(KillProcessByName(name));
  bool oneEnded = one.Wait(3000);
  bool twoEnded = two.Wait(300);
  EXPECT_NE(oneEnded, twoEnded) << "exactly one of the two ends";
  EXPECT_TRUE(IsProcessRunning(name));
}

TEST(ProcessHelpers, AProcessFoundBeforeIsDroppedOnceItEnds) {
  testsupport::TempDir dir;
  std::string name = "vtwatch" + std::to_string(getpid());
  win::TProcessStart start;
  start.Program = UniqueSleeper(dir, name);
  start.Arguments = {"30"};
  win::TProcess first(start);
  ASSERT_TRUE(IsProcessRunning(name));
  ASSERT_TRUE(IsProcessRunning(name)) << "asked again while it runs";

  // Ended but not yet reaped: a zombie runs no more.
  ASSERT_EQ(kill(first.Pid(), SIGKILL), 0);
  siginfo_t info{};
  ASSERT_EQ(waitid(P_PID, id_t(first.Pid()), &info, WEXITED | WNOWAIT), 0);
  EXPECT_FALSE(IsProcessRunning(name));

  win::TProcess second(start);
  EXPECT_TRUE(IsProcessRunning(name)) << "a later process of that name is found again";
  first.Wait(3000);
}

TEST(ProcessHelpers, KillByIdEndsTheProcess) {
  win::TProcessStart start;
  start.Program = "/bin/sleep";
  start.Arguments = {"30"};
  win::TProcess sleeper(start);
  EXPECT_TRUE(KillProcessById(sleeper.Pid()));
  EXPECT_TRUE(sleeper.Wait(3000));
}

TEST(PresentationTest, ExtensionsThatOccurInThePatternCount) {
  EXPECT_TRUE(IsPresentationFile("/x/talk.PPT"));
  EXPECT_TRUE(IsPresentationFile("talk.pps"));
  EXPECT_TRUE(IsPresentationFile("talk.pot"));
  EXPECT_TRUE(IsPresentationFile("talk.pp")) << "a piece of an extension counts";
  EXPECT_TRUE(IsPresentationFile("q1.review.ppt"));
  EXPECT_FALSE(IsPresentationFile("talk.pptx"));
  EXPECT_FALSE(IsPresentationFile("talk.mp4"));
  EXPECT_FALSE(IsPresentationFile("talk"));
  EXPECT_FALSE(IsPresentationFile("/folder.ppt/talk"));
}

// ---- Capture and picture helpers ----

namespace {

class CaptureHelpers : public ::testing::Test {
protected:
  void SetUp() override {
    testsupport::App();
    if (!CaptureList) CaptureList = new QList<QByteArray>;
    CaptureList->clear();
  }
  void TearDown() override { CaptureList->clear(); }
  testsupport::FreshPlaces Places;
};

std::shared_ptr<TPicture> PictureOf(const QImage &image) {
  auto picture = std::make_shared<TPicture>();
  picture->Assign(image);
  return picture;
}

QImage Decoded(const QByteArray &stream) {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb = media::JpegDecompress(reinterpret_cast<const std::uint8_t *>(stream.constData()),
                                                        std::size_t(stream.size()), width, height);
  return QImage(rgb.data(), width, height, width * 3, QImage::Format_RGB888).copy();
}

}  // namespace

TEST_F(CaptureHelpers, CaptureIsAnUnscaled800x600PictureAndOneJpegStream) {
  fakehost::FakeWorkWindow work;
  TPicture picture;
  TImage image;
  CaptureWindowToPicture(work.BrowserWnd(), &image, &picture);
  ASSERT_EQ(CaptureList->size(), 1);
  EXPECT_EQ(picture.Image().size(), QSize(800, 600));
  QImage slide = fakehost::SlidePicture(1);
  for (QPoint at : {QPoint(0, 0), QPoint(60, 80), QPoint(799, 599), QPoint(400, 300)})
    EXPECT_EQ(picture.Image().pixel(at) & 0xFFFFFF, slide.pixel(at) & 0xFFFFFF) << at.x() << "," << at.y();
  EXPECT_EQ(image.size(), QSize(800, 600));
  EXPECT_EQ(image.Picture()->Image(), picture.Image());
  QImage jpeg = Decoded(CaptureList->front());
  ASSERT_EQ(jpeg.size(), QSize(800, 600));
  QColor got = jpeg.pixelColor(400, 300), want = slide.pixelColor(400, 300);
  EXPECT_NEAR(got.red(), want.red(), 3) << "quality 100";
  EXPECT_NEAR(got.blue(), want.blue(), 3);
  EXPECT_GE(CaptureList->front().size(), 8230) << "a slide capture is a usable frame";
}

namespace {

struct PlainWindow : QWidget {
  PlainWindow(int width, int height) {
    setAttribute(Qt::WA_DontShowOnScreen);
    setAutoFillBackground(true);
    setPalette(QPalette(QColor(10, 200, 30)));
    setGeometry(0, 0, width, height);
    show();
  }
  static QRgb Colour() { return qRgb(10, 200, 30) & 0xFFFFFF; }
};

}  // namespace

TEST_F(CaptureHelpers, LargerWindowsAreCutAndAFailedPrintKeepsTheBlackBitmap) {
  PlainWindow large(1200, 900);
  TPicture picture;
  CaptureWindowToPicture(win::HandleOf(&large), nullptr, &picture);
  EXPECT_EQ(picture.Image().size(), QSize(800, 600));
  EXPECT_EQ(picture.Image().pixel(799, 599) & 0xFFFFFF, PlainWindow::Colour());

  CaptureWindowToPicture(0, nullptr, &picture);
  EXPECT_EQ(picture.Image().pixel(10, 10) & 0xFFFFFF, 0u);
  EXPECT_EQ(CaptureList->size(), 2) << "that capture is kept too";
}

// Waits for the platform's PrintWindow to clip its painting to the window.
TEST_F(CaptureHelpers, SmallerWindowsLeaveTheRestBlack) {
  PlainWindow small(300, 200);
  TPicture picture;
  CaptureWindowToPicture(win::HandleOf(&small), nullptr, &picture);
  EXPECT_EQ(picture.Image().pixel(299, 199) & 0xFFFFFF, PlainWindow::Colour());
  EXPECT_EQ(picture.Image().pixel(300, 199) & 0xFFFFFF, 0u);
  EXPECT_EQ(picture.Image().pixel(799, 599) & 0xFFFFFF, 0u);
}

TEST_F(CaptureHelpers, CaptureMakesTheMissingWorkingFolderHidden) {
  ASSERT_FALSE(win::DirectoryExists(WorkingFolder()));
  fakehost::FakeWorkWindow work;
  TPicture picture;
  CaptureWindowToPicture(work.BrowserWnd(), nullptr, &picture);
  EXPECT_TRUE(win::GetFileAttributes(WorkingFolder()) & win::FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(CaptureHelpers, FramesAreNumberedOnAcrossRunsAndWrittenUnchanged) {
  FrameCounter = 120;
  CaptureList->append(QByteArray("first stream"));
  CaptureList->append(QByteArray("second"));
  WriteCapturedJpegs();
  EXPECT_TRUE(CaptureList->isEmpty());
  EXPECT_EQ(FrameCounter, 122);
  std::string content;
  ASSERT_TRUE(win::ReadWholeFile(WorkingFolder() + "/000121.JPG", content));
  EXPECT_EQ(content, "first stream");
  ASSERT_TRUE(win::ReadWholeFile(WorkingFolder() + "/000122.JPG", content));
  EXPECT_EQ(content, "second");
  EXPECT_EQ(win::GetFileAttributes(WorkingFolder() + "/000121.JPG"), win::FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_TRUE(win::GetFileAttributes(WorkingFolder()) & win::FILE_ATTRIBUTE_HIDDEN) << "made hidden when missing";

  FrameCounter = 999999;
  CaptureList->append(QByteArray("x"));
  WriteCapturedJpegs();
  EXPECT_TRUE(win::FileExists(WorkingFolder() + "/1000000.JPG"));
}

TEST_F(CaptureHelpers, NothingToWriteTouchesNothing) {
  FrameCounter = 5;
  WriteCapturedJpegs();
  EXPECT_EQ(FrameCounter, 5);
  EXPECT_FALSE(win::DirectoryExists(WorkingFolder()));
}

TEST_F(CaptureHelpers, AFailedWriteEmptiesTheListAndIsReported) {
  fs::create_directories(fs::path(WorkingFolder()).parent_path());
  std::ofstream(WorkingFolder()) << "a file where the folder belongs";
  CaptureList->append(QByteArray("frame"));
  EXPECT_THROW(WriteCapturedJpegs(), std::runtime_error);
  EXPECT_TRUE(CaptureList->isEmpty());
}

TEST(SameTopStrip, ComparesTheTopFiveRowsOverTheWidth) {
  QImage base = fakehost::EndPicture();
  auto reference = PictureOf(base);
  QImage other = fakehost::EndPicture(800, 600, qRgb(255, 255, 255));
  EXPECT_TRUE(SameTopStrip(reference.get(), PictureOf(other).get(), 800)) << "only the strip counts";

  QImage row4 = base.copy();
  row4.setPixel(799, 4, qRgb(1, 2, 3));
  EXPECT_FALSE(SameTopStrip(reference.get(), PictureOf(row4).get(), 800));
  QImage row5 = base.copy();
  row5.setPixel(0, 5, qRgb(1, 2, 3));
  EXPECT_TRUE(SameTopStrip(reference.get(), PictureOf(row5).get(), 800));

  QImage wide = fakehost::EndPicture(900, 600);
  wide.setPixel(850, 0, qRgb(1, 2, 3));
  EXPECT_TRUE(SameTopStrip(reference.get(), PictureOf(wide).get(), 800)) << "columns past the width do not count";
  EXPECT_TRUE(SameTopStrip(reference.get(), PictureOf(base.convertToFormat(QImage::Format_RGB888)).get(), 800))
      << "the same colours in another pixel format";
}

TEST(SameTopStrip, TheEndScreenMatchesAt16BitsAndNoDarkPageDoes) {
  testsupport::App();
  QImage screen = endscreen::EndOfShowScreen(800, 600);
  auto reference = PictureOf(screen);
  QImage sixteen = screen.convertToFormat(QImage::Format_RGB16);
  EXPECT_TRUE(SameTopStrip(reference.get(), PictureOf(sixteen.convertToFormat(QImage::Format_RGB32)).get(), 800));
  EXPECT_TRUE(SameTopStrip(reference.get(), PictureOf(sixteen.convertToFormat(QImage::Format_RGB888)).get(), 800));
  for (int level : {0, 4, 8, 16, 24}) {
    QImage dark(800, 600, QImage::Format_RGB32);
    dark.fill(qRgb(level, level, level));
    EXPECT_FALSE(SameTopStrip(reference.get(), PictureOf(dark).get(), 800)) << level;
  }
}

TEST(SameTopStrip, MissingEmptyOrTooSmallPicturesNeverMatch) {
  auto reference = PictureOf(fakehost::EndPicture());
  TPicture empty;
  EXPECT_FALSE(SameTopStrip(reference.get(), nullptr, 800));
  EXPECT_FALSE(SameTopStrip(nullptr, reference.get(), 800));
  EXPECT_FALSE(SameTopStrip(reference.get(), &empty, 800));
  EXPECT_FALSE(SameTopStrip(&empty, &empty, 800));
  EXPECT_FALSE(SameTopStrip(reference.get(), PictureOf(fakehost::EndPicture(160, 100)).get(), 800));
  EXPECT_TRUE(SameTopStrip(reference.get(), PictureOf(fakehost::EndPicture(160, 100)).get(), 160));
}
