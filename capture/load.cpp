// The library's load and unload work, run by the loader.
#include "uPPTToVideo.h"

__attribute__((constructor)) static void LibraryLoaded() { KestruneLoad(); }
__attribute__((destructor)) static void LibraryUnloaded() { KestruneUnload(); }
