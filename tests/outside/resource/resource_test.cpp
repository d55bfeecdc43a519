// Resource.dll loaded by bare name: its reference pictures and its string table.
#include <gtest/gtest.h>

#include <QImage>
#include <vector>

#include "endscreen.h"
#include "library.h"
#include "testsupport.h"

namespace {

struct TModule {
  win::HMODULE Handle = win::LoadLibrary("Resource.dll");
  ~TModule() { win::FreeLibrary(Handle); }
};

}  // namespace

TEST(ResourceBitmaps, ReferencePicturesAreTheEndScreenAtTheirSizes) {
  testsupport::App();
  TModule module;
  ASSERT_NE(module.Handle, nullptr);
  QImage large, thumb;
  ASSERT_TRUE(win::LoadBitmap(module.Handle, 1, large));
  ASSERT_TRUE(win::LoadBitmap(module.Handle, 2, thumb));
  EXPECT_EQ(large.size(), QSize(800, 600));
  EXPECT_EQ(thumb.size(), QSize(160, 100));
  // The pictures were drawn when the library was built; the strip must match today's drawing.
  QImage drawnLarge = endscreen::EndOfShowScreen(800, 600);
  QImage drawnThumb = endscreen::EndOfShowScreen(160, 100);
  for (int y = 0; y < endscreen::StripRows; ++y) {
    for (int x = 0; x < 800; ++x) ASSERT_EQ(large.pixel(x, y), drawnLarge.pixel(x, y)) << x << "," << y;
    for (int x = 0; x < 160; ++x) ASSERT_EQ(thumb.pixel(x, y), drawnThumb.pixel(x, y)) << x << "," << y;
  }
  EXPECT_EQ(large.pixel(400, 550), qRgb(0, 0, 0));
}

TEST(ResourceBitmaps, UnknownIdLeavesThePictureAlone) {
  testsupport::App();
  TModule module;
  QImage image(3, 3, QImage::Format_RGB32);
  image.fill(Qt::red);
  EXPECT_FALSE(win::LoadBitmap(module.Handle, 3, image));
  EXPECT_FALSE(win::LoadBitmap(module.Handle, 0, image));
  EXPECT_FALSE(win::LoadBitmap(nullptr, 1, image));
  EXPECT_EQ(image.size(), QSize(3, 3));
  EXPECT_EQ(image.pixel(1, 1), qRgb(255, 0, 0));
}

TEST(ResourceBitmaps, ExportCopiesOnlyIntoABufferLargeEnough) {
  TModule module;
  using LoadBitmapFn = int (*)(unsigned, unsigned char *, int);
  auto load = reinterpret_cast<LoadBitmapFn>(win::GetProcAddress(module.Handle, win::kLoadBitmapExport));
  ASSERT_NE(load, nullptr);
  int size = load(2, nullptr, 0);
  ASSERT_GT(size, 160 * 100 * 3);
  std::vector<unsigned char> small(16, 0xAB);
  EXPECT_EQ(load(2, small.data(), int(small.size())), size);
  EXPECT_EQ(small[0], 0xAB) << "a short buffer is left untouched";
  std::vector<unsigned char> whole(std::size_t(size), 0);
  EXPECT_EQ(load(2, whole.data(), size), size);
  EXPECT_EQ(whole[0], 'B');
  EXPECT_EQ(whole[1], 'M');
}

TEST(ResourceStrings, StringTableStillAnswers) {
  TModule module;
  char buffer[256];
  EXPECT_GT(win::LoadString(module.Handle, 1, buffer, sizeof buffer), 0);
  EXPECT_EQ(win::LoadString(module.Handle, 999, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
}
