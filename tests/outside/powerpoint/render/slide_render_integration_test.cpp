// Slide rendering with the real LibreOffice. Each soffice run takes seconds, so each test does
// several checks on one run.
#include "slide_render.h"

#include "render_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

namespace fs = std::filesystem;
using namespace render_test;

namespace {

// A flat ODF presentation of 4:3 slides, each a plain background of the given colour. Impress
// applies the page layout only when the document has a styles section, even an empty one.
std::string FlatPresentation(const std::vector<QColor> &backgrounds) {
  std::string styles, pages;
  for (size_t i = 0; i < backgrounds.size(); ++i) {
    std::string name = "dp" + std::to_string(i + 1);
    styles += "<style:style style:name=\"" + name + "\" style:family=\"drawing-page\">"
              "<style:drawing-page-properties presentation:background-visible=\"true\" "
              "draw:background-size=\"full\" draw:fill=\"solid\" draw:fill-color=\"" +
              backgrounds[i].name().toStdString() + "\"/></style:style>\n";
    pages += "<draw:page draw:name=\"slide" + std::to_string(i + 1) + "\" draw:style-name=\"" + name +
             "\" draw:master-page-name=\"Default\"/>\n";
  }
  return R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.presentation">
<office:styles/>
<office:automatic-styles>
<style:page-layout style:name="PM1"><style:page-layout-properties fo:margin-top="0cm" fo:margin-bottom="0cm"
 fo:margin-left="0cm" fo:margin-right="0cm" fo:page-width="25.4cm" fo:page-height="19.05cm"
 style:print-orientation="landscape"/></style:page-layout>
)" + styles + R"(</office:automatic-styles>
<office:master-styles><style:master-page style:name="Default" style:page-layout-name="PM1"/></office:master-styles>
<office:body><office:presentation>
)" + pages + R"(</office:presentation></office:body>
</office:document>
)";
}

std::string Quoted(const std::string &text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Turns the flat presentations into .ppt files with one soffice run.
void ConvertToPpt(const fs::path &folder, const std::vector<fs::path> &inputs) {
  std::string command = "soffice --headless --norestore --nolockcheck -env:UserInstallation=file://" +
                        (folder / "test-profile").string() + " --convert-to ppt --outdir " +
                        Quoted(folder.string());
  for (const auto &input : inputs) command += " " + Quoted(input.string());
  command += " >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

class SlideRenderOffice : public ::testing::Test {
protected:
  SlideRenderOffice()
      : FCacheEnv("XDG_CACHE_HOME", (FFolder.Path() / "cache").string()),
        FTmpEnv("TMPDIR", (FFolder.Path() / "tmp").string()) {
    fs::create_directories(FFolder.Path() / "tmp");
  }
  fs::path Dir() const { return FFolder.Path(); }

private:
  TTestFolder FFolder;
  TScopedEnv FCacheEnv;
  TScopedEnv FTmpEnv;
};

const QColor Red(192, 32, 32);
const QColor Blue(32, 64, 192);
const QColor Green(32, 160, 64);

TEST_F(SlideRenderOffice, RendersAPresentationOnceAndAgainWhenItChanges) {
  WriteFile(Dir() / "deck.fodp", FlatPresentation({Red, Blue}));
  WriteFile(Dir() / "changed.fodp", FlatPresentation({Green, Red}));
  ConvertToPpt(Dir(), {Dir() / "deck.fodp", Dir() / "changed.fodp"});
  fs::path deck = Dir() / "deck.ppt";
  ASSERT_TRUE(fs::exists(deck));
  std::string original = ReadFile(deck);
  int runs = ppt::OfficeRunCount();

  // A show asks for the slides while the rendering begun at Open still runs.
  ppt::StartRendering(deck.string());
  std::vector<QImage> meanwhile;
  std::thread show([&] { meanwhile = ppt::RenderSlides(deck.string()); });
  auto slides = ppt::WaitSlides(deck.string(), 180000);
  show.join();
  ASSERT_TRUE(slides.has_value());
  ASSERT_EQ(slides->size(), 2u);
  EXPECT_EQ(ppt::OfficeRunCount(), runs + 1) << "both callers should share one conversion";
  const QColor expected[] = {Red, Blue};
  for (size_t i = 0; i < 2; ++i) {
    const QImage &slide = (*slides)[i];
    EXPECT_EQ(slide.size(), QSize(800, 600));
    EXPECT_TRUE(Near(slide.pixel(400, 300), expected[i])) << i << ": " << Describe(slide.pixel(400, 300));
    // A 4:3 slide fills the picture: no black bars.
    EXPECT_TRUE(Near(slide.pixel(2, 2), expected[i])) << i << ": " << Describe(slide.pixel(2, 2));
  }
  ASSERT_EQ(meanwhile.size(), 2u);
  EXPECT_EQ(meanwhile[1], (*slides)[1]);
  EXPECT_EQ(ReadFile(deck), original) << "the presentation was written";
  EXPECT_FALSE(fs::exists(Dir() / ".~lock.deck.ppt#"));

  auto cached = ppt::RenderSlides(deck.string());
  EXPECT_EQ(ppt::OfficeRunCount(), runs + 1) << "LibreOffice ran again for an unchanged file";
  ASSERT_EQ(cached.size(), 2u);
  EXPECT_EQ(cached[0], (*slides)[0]);
  EXPECT_EQ(cached[1], (*slides)[1]);

  fs::copy_file(Dir() / "changed.ppt", deck, fs::copy_options::overwrite_existing);
  fs::last_write_time(deck, fs::last_write_time(deck) + std::chrono::seconds(5));
  auto changed = ppt::RenderSlides(deck.string());
  EXPECT_EQ(ppt::OfficeRunCount(), runs + 2);
  ASSERT_EQ(changed.size(), 2u);
  EXPECT_TRUE(Near(changed[0].pixel(400, 300), Green)) << Describe(changed[0].pixel(400, 300));
  EXPECT_TRUE(Near(changed[1].pixel(400, 300), Red)) << Describe(changed[1].pixel(400, 300));
  EXPECT_EQ(CountFiles(Dir() / "tmp"), 0) << "conversion files or profiles were left behind";
}

TEST_F(SlideRenderOffice, CorruptFileFailsWithAReasonAndLeavesNothingCached) {
  fs::path corrupt = Dir() / "corrupt.ppt";
  std::mt19937 random(7);
  std::string bytes = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";  // an OLE2 signature, then noise
  for (int i = 0; i < 4096; ++i) bytes += static_cast<char>(random());
  WriteFile(corrupt, bytes);
  int runs = ppt::OfficeRunCount();

  std::string text;
  try {
    ppt::RenderSlides(corrupt.string());
  } catch (const ppt::ERenderError &e) {
    text = e.what();
  }
  EXPECT_NE(text.find("could not convert"), std::string::npos) << text;
  EXPECT_NE(text.find(corrupt.string()), std::string::npos) << text;
  EXPECT_EQ(ppt::OfficeRunCount(), runs + 1);
  EXPECT_EQ(ReadFile(corrupt), bytes);
  EXPECT_EQ(CountFiles(Dir() / "tmp"), 0);
}

}  // namespace
