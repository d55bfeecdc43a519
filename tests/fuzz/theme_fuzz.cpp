// A theme file as a skin control reads it: every one of the 42 items, pictures decoded.
#include "SkinThemeFile.h"
#include "SkinThemes.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  testsupport::App();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  TskinFileThemeMgr theme;
  FUZZ_CHECK(theme.LoadFromFile(fuzz::WriteInput("theme.skn", fuzz::Text(data, size))));
  for (int item = 1; item <= ThemeItemCount; ++item) {
    switch (ThemeItemKind[item]) {
      case tikBitmap: {
        TBitmap picture;
        theme.GetBitmap(item, &picture);
        // A second read gets the same picture: the stream was put back to its start.
        TBitmap again;
        theme.GetBitmap(item, &again);
        FUZZ_CHECK(picture.Width() == again.Width() && picture.Height() == again.Height());
        break;
      }
      case tikBoolean: theme.GetBool(item); break;
      case tikColor: theme.GetColor(item); break;
      default: theme.GetInt(item); break;
    }
  }
  return 0;
}
