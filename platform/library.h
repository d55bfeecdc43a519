#pragma once
// Shared libraries loaded by bare name (program folder first), and the resources they carry.
#include <string>

class QImage;

namespace win {

using HMODULE = void *;

HMODULE LoadLibrary(const std::string &name);  // nullptr when it cannot be loaded
void *GetProcAddress(HMODULE module, const std::string &name);
void FreeLibrary(HMODULE module);

// A resource library exports its string table as
//   extern "C" int VantrelLoadString(unsigned id, char *buffer, int size);
// which copies at most size-1 bytes and a NUL and returns the length copied (0: no such string).
constexpr const char *kLoadStringExport = "VantrelLoadString";
int LoadString(HMODULE module, unsigned id, char *buffer, int size);

// A resource library exports its bitmaps as
//   extern "C" int VantrelLoadBitmap(unsigned id, unsigned char *buffer, int size);
// which returns the size of bitmap `id` as a BMP file (0: no such bitmap) and copies the file into
// `buffer` when `size` is at least that.
constexpr const char *kLoadBitmapExport = "VantrelLoadBitmap";
// Bitmap `id` of the module as a 32-bit RGB image; false (image left alone) when there is none.
bool LoadBitmap(HMODULE module, unsigned id, QImage &image);

}  // namespace win
