#pragma once
// Ifoinfo.dll: the titles, cells and tracks of a DVD title set's IFO file. Plain C operations; the
// caller owns every buffer it passes, the library owns every text it returns. A handle lives until
// the process ends: there is no close operation.
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define IFOINFO_EXPORT __attribute__((visibility("default")))

// Size of one cell record of ifoGetPGCICells: bytes 0-3 first sector, 4-7 last sector (32-bit
// little-endian, sectors of 2048 bytes counted from the start of the title set's first title VOB,
// VTS_nn_1.VOB, with the VOB files taken as one), 8-11 first sector of the cell's last VOBU,
// 12 block mode, 13-15 hours, minutes, seconds and 16 frames of the cell's playback time as plain
// byte values.
#define IFO_CELL_RECORD_SIZE 17

// Opens "VTS_nn_0.IFO" (or "VIDEO_TS.IFO", which holds no titles) inside a VIDEO_TS folder.
// Flags are reserved (0). Returns 0 when the file cannot be read.
IFOINFO_EXPORT intptr_t ifoOpen(const char *path, int flags);

// Number of titles (the title set's program chains).
IFOINFO_EXPORT int ifoGetNumPGCI(intptr_t handle);
// Fills time[0..3] with the title's playback time (hours, minutes, seconds, frames as plain
// values) and returns its number of cells; 0 for an unknown title.
IFOINFO_EXPORT int ifoGetPGCIInfo(intptr_t handle, int title, unsigned char *time);
// Writes IFO_CELL_RECORD_SIZE bytes per cell of the title into cells (room for the count that
// ifoGetPGCIInfo gave) and returns the number written.
IFOINFO_EXPORT int ifoGetPGCICells(intptr_t handle, int title, unsigned char *cells);

// "MPEG-2 720x576 PAL 4:3": the second word is the frame size.
IFOINFO_EXPORT const char *ifoGetVideoDesc(intptr_t handle);
IFOINFO_EXPORT int ifoGetNumAudio(intptr_t handle);
IFOINFO_EXPORT int ifoGetNumSubPic(intptr_t handle);
// "English AC3 2ch 48kHz (0x80)", "Deutsch (0x21)": the stream code (the stream's id in the VOB
// files) is the four characters before the first ")". Empty for an unknown track.
IFOINFO_EXPORT const char *ifoGetAudioDesc(intptr_t handle, int track);
IFOINFO_EXPORT const char *ifoGetSubPicDesc(intptr_t handle, int track);

#ifdef __cplusplus
}
#endif
