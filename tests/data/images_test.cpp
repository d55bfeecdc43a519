// The main window's pictures in the program folder: present, at their sizes, readable bitmaps,
// and the tables they are drawn from.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QtEndian>

#include <filesystem>
#include <set>

#include "imagetables.h"
#include "testsupport.h"

using namespace vantrelimages;

namespace {

const std::set<int> &Fillers() {
  static const std::set<int> fillers = {26, 33, 40, 45, 52, 59, 67, 74, 82, 90, 98, 101, 109, 117, 124, 132};
  return fillers;
}

QString ImagesFolder() {
  return QString::fromStdString((std::filesystem::canonical("/proc/self/exe").parent_path() / "images").string());
}

QImage Load(const QString &relative) { return QImage(ImagesFolder() + "/" + relative); }

QString ButtonFile(const char *look, int number) { return QString("sub/%1/%2.bmp").arg(look).arg(number); }

// Every picture file with the size it must have.
std::vector<std::pair<QString, QSize>> ExpectedPictures() {
  std::vector<std::pair<QString, QSize>> files;
  for (const Category &category : Categories()) {
    files.emplace_back("main/general/img_" + category.Word + ".bmp", category.Size);
    files.emplace_back("main/move/img_" + category.Word + ".bmp", category.Size);
  }
  for (int k = 1; k <= 14; ++k) files.emplace_back(QString("main/%1.bmp").arg(k), QSize(16, 16));
  for (int n = 1; n <= 132; ++n) {
    files.emplace_back(ButtonFile("general", n), ProfileButtonSize(n));
    files.emplace_back(ButtonFile("move", n), ProfileButtonSize(n));
  }
  for (const FormPicture &picture : FormPictures()) files.emplace_back("form/" + picture.Name + ".bmp", picture.Size);
  return files;
}

// True when every row of the picture is one colour: a plain gradient, nothing written on it.
bool RowsAreUniform(const QImage &image) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 1; x < image.width(); ++x)
      if (image.pixel(x, y) != image.pixel(0, y)) return false;
  return true;
}

}  // namespace

TEST(ImagesFiles, EveryPictureExistsAtItsSize) {
  testsupport::App();
  const auto files = ExpectedPictures();
  EXPECT_EQ(files.size(), 26u + 14u + 264u + 11u);
  for (const auto &[file, size] : files) {
    const QImage image = Load(file);
    ASSERT_FALSE(image.isNull()) << file.toStdString();
    EXPECT_EQ(image.size(), size) << file.toStdString();
  }
}

TEST(ImagesFiles, AreUncompressedBottomUpWindowsBitmaps) {
  // The program's own bitmap reader expects the plain form: "BM", 24 bits, no compression, rows bottom-up.
  for (const auto &[file, size] : ExpectedPictures()) {
    QFile f(ImagesFolder() + "/" + file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
    const QByteArray bytes = f.readAll();
    ASSERT_GE(bytes.size(), 54) << file.toStdString();
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    EXPECT_EQ(bytes.left(2), QByteArray("BM")) << file.toStdString();
    EXPECT_EQ(qFromLittleEndian<quint32>(data + 2), quint32(bytes.size())) << file.toStdString();
    EXPECT_EQ(qFromLittleEndian<qint32>(data + 18), size.width()) << file.toStdString();
    EXPECT_EQ(qFromLittleEndian<qint32>(data + 22), size.height()) << file.toStdString();
    EXPECT_EQ(qFromLittleEndian<quint16>(data + 28), 24) << file.toStdString();
    EXPECT_EQ(qFromLittleEndian<quint32>(data + 30), 0u) << file.toStdString();
  }
}

TEST(ImagesFiles, HighlightedPicturesDifferFromNormal) {
  testsupport::App();
  for (const Category &category : Categories())
    EXPECT_TRUE(Load("main/general/img_" + category.Word + ".bmp") != Load("main/move/img_" + category.Word + ".bmp"))
        << category.Word.toStdString();
  for (int n = 1; n <= 132; ++n) EXPECT_TRUE(Load(ButtonFile("general", n)) != Load(ButtonFile("move", n))) << n;
}

TEST(ImagesFiles, ButtonsShowTheirDescription) {
  testsupport::App();
  const auto &descriptions = ProfileDescriptions();
  std::map<int, QImage> normal;
  for (const auto &[number, text] : descriptions) normal[number] = Load(ButtonFile("general", number));
  // Buttons of one size with different descriptions must not look alike.
  for (auto a = descriptions.begin(); a != descriptions.end(); ++a) {
    for (auto b = std::next(a); b != descriptions.end(); ++b) {
      if (a->second == b->second || ProfileButtonSize(a->first) != ProfileButtonSize(b->first)) continue;
      EXPECT_TRUE(normal[a->first] != normal[b->first])
          << a->first << " and " << b->first;
    }
  }
  // Fillers are plain; described buttons carry writing.
  for (int n = 1; n <= 132; ++n) {
    for (const char *look : {"general", "move"}) {
      const QImage image = Load(ButtonFile(look, n));
      EXPECT_EQ(RowsAreUniform(image), Fillers().count(n) == 1) << look << " " << n;
    }
  }
}

TEST(ImagesFiles, CategoryIconsAreDistinct) {
  testsupport::App();
  for (int a = 1; a <= 14; ++a)
    for (int b = a + 1; b <= 14; ++b)
      EXPECT_TRUE(Load(QString("main/%1.bmp").arg(a)) != Load(QString("main/%1.bmp").arg(b))) << a << " " << b;
}

TEST(ImagesFiles, GeneratorReportsAPlaceItCannotWrite) {
  testsupport::App();
  testsupport::TempDir dir;
  // A file where the program folder should be: nothing can be written below it, even as root.
  const std::string blocked = dir / "blocked";
  QFile file(QString::fromStdString(blocked));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  QProcess generator;
  generator.start(VANTREL_IMAGES_GEN, {QString::fromStdString(blocked)});
  ASSERT_TRUE(generator.waitForFinished(60000));
  EXPECT_NE(generator.exitCode(), 0);

  generator.start(VANTREL_IMAGES_GEN, {});
  ASSERT_TRUE(generator.waitForFinished(60000));
  EXPECT_NE(generator.exitCode(), 0);
}

TEST(ImagesFiles, GeneratorDrawsTheSamePicturesAgain) {
  testsupport::App();
  testsupport::TempDir dir;
  QProcess generator;
  generator.start(VANTREL_IMAGES_GEN, {QString::fromStdString(dir.Path)});
  ASSERT_TRUE(generator.waitForFinished(60000));
  ASSERT_EQ(generator.exitCode(), 0) << generator.readAllStandardError().toStdString();
  for (const auto &[file, size] : ExpectedPictures()) {
    QFile fresh(QString::fromStdString(dir / ("images/" + file.toStdString())));
    QFile built(ImagesFolder() + "/" + file);
    ASSERT_TRUE(fresh.open(QIODevice::ReadOnly)) << file.toStdString();
    ASSERT_TRUE(built.open(QIODevice::ReadOnly)) << file.toStdString();
    EXPECT_EQ(fresh.readAll(), built.readAll()) << file.toStdString();
  }
}

TEST(ProfileButtons, SizesFollowThePanels) {
  // The first button of a panel, the regular ones, the last one down to the strip or the panel's edge,
  // and the departures of the form design.
  const std::pair<int, QSize> cases[] = {
      {1, {310, 53}},   {2, {310, 48}},   {7, {310, 48}},   {14, {310, 48}},  {21, {310, 48}},
      {26, {310, 144}}, {31, {310, 51}},  {33, {310, 65}},  {45, {310, 161}}, {67, {312, 19}},
      {73, {310, 50}},  {82, {310, 17}},  {90, {310, 17}},  {91, {310, 53}},  {96, {310, 47}},
      {97, {310, 48}},  {98, {310, 17}},  {100, {310, 49}}, {101, {310, 257}}, {102, {311, 53}},
      {108, {311, 48}}, {109, {312, 17}}, {117, {311, 17}}, {124, {311, 65}}, {131, {311, 48}},
      {132, {311, 17}},
  };
  for (const auto &[number, size] : cases) EXPECT_EQ(ProfileButtonSize(number), size) << number;
  for (int n = 1; n <= 132; ++n) {
    const QSize size = ProfileButtonSize(n);
    EXPECT_TRUE(size.width() >= 310 && size.width() <= 312) << n;
    EXPECT_TRUE(size.height() >= 17 && size.height() <= 257) << n;
  }
  EXPECT_FALSE(ProfileButtonSize(0).isValid());
  EXPECT_FALSE(ProfileButtonSize(133).isValid());
}

TEST(ProfileButtons, OnlyTheFourGroupButtonsOpenASubPanel) {
  for (int n = 0; n <= 133; ++n) EXPECT_EQ(OpensSubPanel(n), n >= 2 && n <= 5) << n;
}

TEST(ProfileButtons, ProfileButtonsReadTheirOwnDescription) {
  const auto asf = TextsOfButton(1);
  ASSERT_TRUE(asf.has_value());
  EXPECT_EQ(asf->Badge, "ASF");
  EXPECT_EQ(asf->Name, "ASF-Advanced Streaming Format");
  EXPECT_EQ(asf->Detail, "Output: *.asf");
  EXPECT_EQ(TextsOfButton(123)->Badge, "MP4");
  for (int filler : Fillers()) EXPECT_FALSE(TextsOfButton(filler).has_value()) << filler;
}

TEST(ProfileButtons, GroupButtonsNameTheColumnTheyOpen) {
  // The sub-panels the chooser opens beside the first video page, with the types their profiles write.
  const std::tuple<int, int, QString, QString> columns[] = {
      {2, 102, "AVI", "7 formats: AVI"},
      {3, 110, "MPG", "7 formats: MPG VOB MPEG TS"},
      {4, 118, "MP4", "6 formats: MP4"},  // one written "*.MP4" is the same type
      {5, 125, "MKV", "7 formats: MKV"},
  };
  const auto &d = ProfileDescriptions();
  for (const auto &[button, first, badge, detail] : columns) {
    const ProfileGroup *group = GroupOfButton(button);
    ASSERT_NE(group, nullptr) << button;
    EXPECT_EQ(group->First, first);
    const auto texts = TextsOfButton(button);
    ASSERT_TRUE(texts.has_value()) << button;
    EXPECT_EQ(texts->Badge, badge);
    EXPECT_EQ(texts->Detail, detail);
    // Not the profile that shares the button's number: that one is on no button of the column.
    EXPECT_NE(texts->Name, SplitDescription(d.at(button)).Name) << button;
    // The family the title names is in every profile of the column.
    const QString family = texts->Name.section(QRegularExpression("[ ,]"), 0, 0);
    for (int n = group->First; n <= group->Last; ++n) {
      if (!d.count(n)) continue;
      EXPECT_TRUE(d.at(n).contains(family)) << button << " " << n;
    }
  }
  // Every column is named on the first page, MKV and DVD included.
  QStringList page;
  for (int n = 1; n <= 7; ++n) page << TextsOfButton(n)->Name;
  EXPECT_TRUE(page.join(' ').contains("MKV"));
  EXPECT_TRUE(page.join(' ').contains("DVD"));
}

TEST(Descriptions, NumbersAreExactlyTheProfiles) {
  std::set<int> expected;
  for (int n = 1; n <= 131; ++n)
    if (!Fillers().count(n)) expected.insert(n);
  std::set<int> numbers;
  for (const auto &[number, text] : ProfileDescriptions()) numbers.insert(number);
  EXPECT_EQ(numbers, expected);
  EXPECT_EQ(numbers.size(), 116u);
}

TEST(Descriptions, KeepTheProgramsOwnSpelling) {
  const auto &d = ProfileDescriptions();
  const QString times(QChar(0x00D7));
  EXPECT_EQ(d.at(1), "ASF-Advanced Streaming Format(*.asf)");
  EXPECT_EQ(d.at(16), "AC3-Dolby Dingtal AC-3(*.ac3)");
  EXPECT_EQ(d.at(17), "MP3-MPEG Layer-3Audio(*.mp3)");
  EXPECT_EQ(d.at(19), "RA-Real Auido(*.ra)");
  EXPECT_EQ(d.at(23), "M4A-MPEG-4 Auido(*.m4a)");
  EXPECT_EQ(d.at(27), "iPod(320" + times + "240)MPEG-4 Codec(*.mp4)");
  EXPECT_EQ(d.at(47), "Apple TV MPEG-4 720P(1280" + times + "720)(*.mp4)");
  EXPECT_EQ(d.at(53), "PS3 Video(1080P)MPEG-4(*.MP4)");
  EXPECT_EQ(d.at(78), "HP iPAQ hx2000/rx3000/rx1900 series Video(*.wmv)");
  EXPECT_EQ(d.at(123), "MP4 - H.264 Video Excellent(*.MP4)");
  EXPECT_EQ(d.at(131), "MKV - WMV Movie(*.mkv)");
  // Two menus list the same profile, with the same text.
  EXPECT_EQ(d.at(6), d.at(13));
  EXPECT_EQ(d.at(8), d.at(68));
  EXPECT_EQ(d.at(21), d.at(80));
}

TEST(Descriptions, SplitIntoNameAndOutputPattern) {
  const QString times(QChar(0x00D7));
  auto parts = SplitDescription("MP4 - H.264 Video Excellent(*.MP4)");
  EXPECT_EQ(parts.Name, "MP4 - H.264 Video Excellent");
  EXPECT_EQ(parts.Pattern, "*.MP4");
  parts = SplitDescription("Apple TV h264 480P(640" + times + "480)(*.mp4)");
  EXPECT_EQ(parts.Name, "Apple TV h264 480P(640" + times + "480)");
  EXPECT_EQ(parts.Pattern, "*.mp4");
  parts = SplitDescription("No pattern here");
  EXPECT_EQ(parts.Name, "No pattern here");
  EXPECT_TRUE(parts.Pattern.isEmpty());
  // Every profile has a pattern, so its button can name its output.
  for (const auto &[number, text] : ProfileDescriptions()) {
    parts = SplitDescription(text);
    EXPECT_TRUE(parts.Pattern.startsWith("*.")) << number;
    EXPECT_FALSE(parts.Name.isEmpty()) << number;
  }
}

TEST(Categories, ThirteenStackedAboveTheFooter) {
  const QStringList words = {"video1", "audio1", "ipod", "iphone", "gphone", "appletv", "psp",
                             "xbox",   "phone",  "win",  "pmp",    "hd",     "animation"};
  ASSERT_EQ(Categories().size(), 13u);
  int top = 0;
  for (int i = 0; i < 13; ++i) {
    const Category &category = Categories()[i];
    EXPECT_EQ(category.Number, i + 1);
    EXPECT_EQ(category.Word, words[i]);
    EXPECT_EQ(category.Size, QSize(153, i == 0 ? 27 : 25)) << category.Word.toStdString();
    top += category.Size.height();
  }
  EXPECT_EQ(top, 327);  // where the column's fixed footer picture begins
}
