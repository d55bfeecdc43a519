#pragma once
// Shared libraries loaded by bare name (program folder first), and the resources they carry.
#include <string>

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

}  // namespace win
