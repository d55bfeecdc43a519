#pragma once
// Process, folder and picture helpers of the capture library.
#include <QByteArray>
#include <QList>
#include <cstdint>
#include <string>

#include "win.h"

class TImage;
class TPicture;
namespace win {
struct TSearchRec;
}

// JPEG streams of the captures of the current run, written out when the capture phase ends.
extern QList<QByteArray> *CaptureList;
// Number of the last frame file written; never reset, so frame names keep rising across runs.
extern int FrameCounter;

// "<Program Files>/QueltFiles", the library's working folder.
std::string WorkingFolder();
// False (with the reason) for a working folder that deleting could harm: not absolute, a symbolic link,
// the file system root, the user's home or a folder above it.
bool IsSafeWorkingFolder(const std::string &folder, std::string &why);
// Removes the working folder's contents as DeleteFolderTree does; an unsafe folder is never touched.
void ClearWorkingFolder();
// Creates the working folder when missing and marks it hidden.
void EnsureWorkingFolder();

bool IsProcessRunning(const std::string &ExeName);
bool KillProcessById(int Pid);
bool KillProcessByName(const std::string &ExeName);
void DeleteFolderTree(const std::string &Folder);
void SetPowerPointEditFlags(std::uint32_t Value);

// A file counts as a presentation when its lower-cased extension with the dot occurs in
// "*.ppt;*.pps;*.pot".
bool IsPresentationFile(const std::string &FileName);

// Prints the window into a new 800 x 600 picture, shows it in `Image` (when given) and in `Picture`,
// and appends its JPEG stream (quality 100) to CaptureList.
void CaptureWindowToPicture(win::HWND Wnd, TImage *Image, TPicture *Picture);
// Writes the captured streams as numbered ".JPG" files into the working folder and empties the list,
// also when writing fails (then it throws afterwards).
void WriteCapturedJpegs();
// True when both pictures have equal colours at columns 0..Width-1 of rows 0..4; a missing or empty
// picture, or one too small for the strip, is never equal.
bool SameTopStrip(const TPicture *A, const TPicture *B, int Width);
// A frame file the video is made of: exactly the archive attribute, the extension ".JPG" in upper
// case, and a size of at least 8230 bytes other than 15428.
bool IsUsableFrame(const win::TSearchRec &Entry);
