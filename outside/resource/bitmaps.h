#pragma once
// The bitmaps of Resource.dll, as BMP files.
#include <cstddef>

struct TBitmapResource {
  unsigned Id;
  const unsigned char *Data;
  std::size_t Size;
};

extern const TBitmapResource BitmapResources[];
extern const int BitmapResourceCount;
