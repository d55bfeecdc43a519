#include "skinfile.h"

#include <gtest/gtest.h>

#include <QImage>

#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "paths.h"
#include "testsupport.h"

namespace {

const char *Header = "vantrel-skin 1\n";

std::string ErrorOf(const std::string &text) {
  try {
    ParseSkinText(text, "test.skn");
  } catch (const std::runtime_error &error) {
    return error.what();
  }
  return "";
}

void WriteFile(const std::string &path, const std::string &text) { std::ofstream(path, std::ios::binary) << text; }

void WritePicture(const std::string &path, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::gray);
  ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
}

std::string MinimalSkin(const std::string &objectLines) {
  return std::string(Header) + "form main\n  size 100 50\n  face face.png\n" + objectLines + "end\n";
}

}  // namespace

TEST(SkinFileParse, ReadsFormsObjectsAndTheirEntries) {
  TSkinFileData data = ParseSkinText(
      "# a comment\r\n"
      "vantrel-skin 1\r\n"
      "\n"
      "form main\n"
      "  size 200 100\n"
      "  face pics/face.png\n"
      "  object go\n"
      "    kind button\n"
      "    rect 10 20 30 40\n"
      "    normal pics/go.png\n"
      "    pressed pics/go_down.png\n"
      "  end\n"
      "  object caption\n"
      "    kind text\n"
      "    rect 0 0 200 20\n"
      "    text \"say \\\"hi\\\" \\\\ \xc3\xa9t\xc3\xa9\"\n"
      "    font 14 bold\n"
      "    color #10a0ff\n"
      "    align right\n"
      "  end\n"
      "end\n"
      "form other\n  size 5 5\n  face o.png\nend\n",
      "test.skn");
  ASSERT_EQ(data.Forms.size(), 2u);
  const TSkinFormDef *main = data.FindForm(L"main");
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->Size, QSize(200, 100));
  EXPECT_EQ(main->FacePicture, "pics/face.png");
  ASSERT_EQ(main->Objects.size(), 2u);

  const TSkinObjectDef *go = main->FindObject(L"go");
  ASSERT_NE(go, nullptr);
  EXPECT_EQ(go->Kind, TSkinObjectKind::Button);
  EXPECT_EQ(go->Rect, QRect(10, 20, 30, 40));
  EXPECT_EQ(go->Pictures[slNormal], "pics/go.png");
  EXPECT_EQ(go->Pictures[slHover], "");
  EXPECT_EQ(go->Pictures[slPressed], "pics/go_down.png");

  const TSkinObjectDef *caption = main->FindObject(L"caption");
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->Text, L"say \"hi\" \\ \u00e9t\u00e9");
  EXPECT_EQ(caption->FontSize, 14);
  EXPECT_TRUE(caption->Bold);
  EXPECT_EQ(caption->Color, QColor(0x10, 0xa0, 0xff));
  EXPECT_EQ(caption->Align, Qt::AlignRight);

  EXPECT_NE(data.FindForm(L"other"), nullptr);
  EXPECT_EQ(data.FindForm(L"Main"), nullptr);
  EXPECT_EQ(main->FindObject(L"Go"), nullptr);
}

TEST(SkinFileParse, EmptyTextIsAllowedButOtherEmptyValuesAreNot) {
  TSkinFileData data =
      ParseSkinText(MinimalSkin("object t\n kind text\n rect 0 0 10 10\n text \"\"\nend\n"), "test.skn");
  EXPECT_EQ(data.Forms[0].Objects[0].Text, L"");
  EXPECT_NE(ErrorOf(MinimalSkin("object \"\"\n kind text\n rect 0 0 10 10\nend\n")), "");
}

TEST(SkinFileParse, MalformedFilesFailNamingTheLine) {
  struct Case {
    std::string Text;
    std::string Expected;  // part of the message
  };
  const std::vector<Case> cases = {
      {"", "empty"},
      {"form main\n", "line 1: the file must begin"},
      {"vantrel-skin 2\n", "unsupported skin format version"},
      {std::string(Header), "defines no skin form"},
      {std::string(Header) + "widget x\n", "line 2: unknown entry \"widget\""},
      {std::string(Header) + "form main\n  size 10 10\n  face f.png\n", "line 2: skin form \"main\" has no \"end\""},
      {std::string(Header) + "form main\n  face f.png\nend\n", "has no \"size\""},
      {std::string(Header) + "form main\n  size 10 10\nend\n", "has no \"face\""},
      {std::string(Header) + "form main\n  size 10\n", "line 3: \"size\" needs 2 value(s)"},
      {std::string(Header) + "form main\n  size 10 10 10\n", "too many values"},
      {std::string(Header) + "form main\n  size ten 10\n", "\"ten\" is not a whole number"},
      {std::string(Header) + "form main\n  size 0 10\n", "out of range"},
      {std::string(Header) + "form main\n  size 99999999999 10\n", "not a whole number"},
      {std::string(Header) + "form a\n size 1 1\n face f.png\nend\nform a\n", "line 6: skin form \"a\" is defined twice"},
      {MinimalSkin("object b\n kind buton\n"), "line 6: unknown kind \"buton\""},
      {MinimalSkin("object b\n kind button\n kind text\n"), "\"kind\" is given twice"},
      {MinimalSkin("object b\n kind button\n rect 0 0 10 10\n colour #000000\nend\n"), "unknown object entry"},
      {MinimalSkin("object b\n rect 0 0 10 10\nend\n"), "line 5: object \"b\" has no \"kind\""},
      {MinimalSkin("object b\n kind button\nend\n"), "has no \"rect\""},
      {MinimalSkin("object b\n kind button\n rect -1 0 10 10\nend\n"), "out of range"},
      {MinimalSkin("object b\n kind button\n rect 95 0 10 10\nend\n"), "lies outside"},
      {MinimalSkin("object b\n kind button\n rect 0 0 10 10\nend\nobject b\n"), "named twice"},
      {MinimalSkin("object b\n kind slider\n rect 0 0 10 10\nend\n"), "slider without a \"thumb\""},
      {MinimalSkin("object b\n kind button\n rect 0 0 10 10\n text \"x\"\nend\n"),
       "\"text\" belongs to text objects, not to button objects"},
      {MinimalSkin("object b\n text \"x\"\n"), "\"kind\" must come before \"text\""},
      {MinimalSkin("object b\n kind text\n rect 0 0 10 10\n text \"open\nend\n"), "quoted text is not closed"},
      {MinimalSkin("object b\n kind text\n rect 0 0 10 10\n text \"a\"b\nend\n"), "blank must follow"},
      {MinimalSkin("object b\n kind text\n rect 0 0 10 10\n text \"a\\n\"\nend\n"), "unknown escape"},
      {MinimalSkin("object b\n kind text\n rect 0 0 10 10\n color red\nend\n"), "#rrggbb"},
      {MinimalSkin("object b\n kind text\n rect 0 0 10 10\n color #12345g\nend\n"), "not hexadecimal"},
      {MinimalSkin("object b\n kind text\n rect 0 0 10 10\n font 12 italic\nend\n"), "\"bold\""},
      {MinimalSkin("object b\n kind text\n rect 0 0 10 10\n align middle\nend\n"), "align must be"},
      {MinimalSkin("object b\n kind button\n rect 0 0 10 10\n normal /etc/passwd\nend\n"), "relative path"},
      {MinimalSkin("object b\n kind button\n rect 0 0 10 10\n normal ../up.png\nend\n"), "inside the skin's folder"},
      {MinimalSkin("object b\n kind button\n rect 0 0 10 10\n normal a\\b.png\nend\n"), "relative path"},
      {std::string(Header) + "form main\n size 100 50\n face f.png\nobject b\n kind button\n",
       "line 5: object \"b\" has no \"end\""},
      {std::string(Header) + "form m\n size 10 10\n face f.png\n" + std::string("x\0y\n", 4), "NUL"},
  };
  for (const Case &c : cases) {
    std::string error = ErrorOf(c.Text);
    EXPECT_NE(error.find(c.Expected), std::string::npos) << "text:\n" << c.Text << "\nerror: " << error;
    EXPECT_NE(error.find("test.skn"), std::string::npos) << error;
  }
}

TEST(SkinFileLoad, LoadsEveryPictureAndChecksTheFace) {
  testsupport::App();
  testsupport::TempDir dir;
  std::filesystem::create_directories(dir / "pics");
  WritePicture(dir / "face.png", 100, 50);
  WritePicture(dir / "pics/b.png", 10, 10);
  WritePicture(dir / "pics/t.png", 4, 10);
  WriteFile(dir / "ok.skn", MinimalSkin("object b\n kind slider\n rect 0 0 10 10\n normal pics/b.png\n"
                                        " thumb pics/t.png\nend\n"));
  TSkinFileData data = LoadSkinFileData(dir / "ok.skn");
  EXPECT_EQ(data.Folder, dir.Path + "/");
  EXPECT_EQ(data.Forms[0].Face.size(), QSize(100, 50));
  EXPECT_EQ(data.Forms[0].Objects[0].Images[slNormal].size(), QSize(10, 10));
  EXPECT_TRUE(data.Forms[0].Objects[0].Images[slHover].isNull());
  EXPECT_EQ(data.Forms[0].Objects[0].ThumbImage.size(), QSize(4, 10));
}

TEST(SkinFileLoad, MissingOrBrokenPicturesAndFilesFail) {
  testsupport::App();
  testsupport::TempDir dir;
  auto errorOf = [](const std::string &path) -> std::string {
    try {
      LoadSkinFileData(path);
    } catch (const std::runtime_error &error) {
      return error.what();
    }
    return "";
  };
  EXPECT_NE(errorOf(dir / "none.skn").find("Skin file not found"), std::string::npos);
  EXPECT_NE(errorOf(dir.Path).find("Skin file not found"), std::string::npos);

  WriteFile(dir / "noface.skn", MinimalSkin(""));
  EXPECT_NE(errorOf(dir / "noface.skn").find("picture \"face.png\" cannot be loaded"), std::string::npos);

  WriteFile(dir / "face.png", "not a picture at all");
  EXPECT_NE(errorOf(dir / "noface.skn").find("cannot be loaded"), std::string::npos);

  WritePicture(dir / "face.png", 90, 50);
  EXPECT_NE(errorOf(dir / "noface.skn").find("is 90x50, the form is 100x50"), std::string::npos);

  WritePicture(dir / "face.png", 100, 50);
  WriteFile(dir / "nobutton.skn", MinimalSkin("object b\n kind button\n rect 0 0 10 10\n hover b.png\nend\n"));
  EXPECT_NE(errorOf(dir / "nobutton.skn").find("picture \"b.png\""), std::string::npos);

  // Something that is far too large to be a skin is not read into memory.
  std::string big(2 << 20, '#');
  WriteFile(dir / "big.skn", big);
  EXPECT_NE(errorOf(dir / "big.skn").find("too large"), std::string::npos);
}

namespace {

const TSkinFormDef &ShippedForm(const std::string &file, const std::wstring &id, TSkinFileData &holder) {
  holder = LoadSkinFileData(win::ProgramFolder() + file);
  const TSkinFormDef *form = holder.FindForm(id);
  if (!form) throw std::runtime_error("no form");
  return *form;
}

}  // namespace

TEST(ShippedSkins, MainSkinCarriesEveryObjectTheWindowUses) {
  testsupport::App();
  TSkinFileData data;
  const TSkinFormDef &form = ShippedForm("skn.skn", L"qevvideoconverter", data);
  EXPECT_EQ(form.Size, QSize(781, 558));
  const wchar_t *names[] = {
      L"profiles", L"openfiles", L"openfolder", L"remove", L"clear", L"converter", L"stopconverter",
      L"dvdopen", L"ifoopen", L"chapter", L"play", L"stopplay", L"pause", L"browse", L"open",
      L"settings", L"help", L"file", L"dvdfile", L"cutter", L"profilestext", L"audio", L"subtitle",
      L"video_size", L"video_quality", L"audio_quality", L"channels", L"play_bar", L"play_time", L"hint"};
  for (const wchar_t *name : names) EXPECT_NE(form.FindObject(name), nullptr) << QString::fromWCharArray(name).toStdString();
  EXPECT_EQ(form.FindObject(L"profilestext")->Kind, TSkinObjectKind::Text);
  EXPECT_EQ(form.FindObject(L"play_time")->Kind, TSkinObjectKind::Text);
  EXPECT_EQ(form.FindObject(L"hint")->Kind, TSkinObjectKind::Text);
  EXPECT_EQ(form.FindObject(L"play_bar")->Kind, TSkinObjectKind::Slider);

  int minimize = 0, close = 0;
  for (const TSkinObjectDef &object : form.Objects) {
    minimize += object.Kind == TSkinObjectKind::Minimize;
    close += object.Kind == TSkinObjectKind::Close;
  }
  EXPECT_EQ(minimize, 1);
  EXPECT_EQ(close, 1);
}

TEST(ShippedSkins, MainSkinLeavesRoomForTheWindowsOwnControls) {
  testsupport::App();
  TSkinFileData data;
  const TSkinFormDef &form = ShippedForm("skn.skn", L"qevvideoconverter", data);
  // Where the plain layout puts the lists, the option boxes, the folder edit, the icon, the preview and
  // the progress bars.
  const QRect controls[] = {QRect(12, 89, 535, 341),  QRect(576, 128, 149, 21), QRect(576, 169, 149, 21),
                            QRect(576, 210, 149, 21), QRect(576, 251, 149, 21), QRect(422, 66, 187, 14),
                            QRect(62, 64, 16, 16),    QRect(559, 294, 178, 140), QRect(562, 446, 171, 12),
                            QRect(15, 496, 722, 12)};
  for (const TSkinObjectDef &object : form.Objects) {
    // The DVD track boxes' places only hold hints beneath those boxes.
    if (object.Name == L"audio" || object.Name == L"subtitle") continue;
    for (const QRect &control : controls)
      EXPECT_FALSE(object.Rect.intersects(control))
          << QString::fromStdWString(object.Name).toStdString() << " covers a control";
    for (const TSkinObjectDef &other : form.Objects) {
      if (&other == &object || other.Name == L"audio" || other.Name == L"subtitle") continue;
      EXPECT_FALSE(object.Rect.intersects(other.Rect))
          << QString::fromStdWString(object.Name).toStdString() << " overlaps "
          << QString::fromStdWString(other.Name).toStdString();
    }
  }
}

TEST(ShippedSkins, ShowSkinHasItsStaticText) {
  testsupport::App();
  TSkinFileData data;
  const TSkinFormDef &form = ShippedForm("Orvenc.skn", L"show", data);
  EXPECT_EQ(form.Size, QSize(349, 196));
  ASSERT_NE(form.FindObject(L"showstatic"), nullptr);
  EXPECT_EQ(form.FindObject(L"showstatic")->Kind, TSkinObjectKind::Text);
}
