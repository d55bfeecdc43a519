// The bitmaps of Resource.dll: 1 is the 800 x 600 end-of-show screen, 2 its 160 x 100 counterpart.
#include <climits>
#include <cstring>

#include "bitmaps.h"

extern "C" __attribute__((visibility("default"))) int VantrelLoadBitmap(unsigned id, unsigned char *buffer, int size) {
  for (int i = 0; i < BitmapResourceCount; ++i) {
    const TBitmapResource &bitmap = BitmapResources[i];
    if (bitmap.Id != id) continue;
    if (bitmap.Size > std::size_t(INT_MAX)) return 0;
    int length = int(bitmap.Size);
    if (buffer && size >= length) std::memcpy(buffer, bitmap.Data, bitmap.Size);
    return length;
  }
  return 0;
}
