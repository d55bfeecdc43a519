#pragma once
// Reader of the presentation binary format: the slide list and each slide's show transition.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "compoundfile.h"

namespace ppt {

// Record types used here.
enum : std::uint16_t {
  rtDocument = 0x03E8,
  rtSlide = 0x03EE,
  rtSlidePersistAtom = 0x03F3,
  rtSlideShowSlideInfoAtom = 0x03F9,
  rtSlideListWithText = 0x0FF0,
  rtUserEditAtom = 0x0FF5,
  rtCurrentUserAtom = 0x0FF6,
  rtPersistDirectoryAtom = 0x1772,
  // The show's sounds.
  rtExObjList = 0x0409,
  rtPPDrawing = 0x040C,
  rtSoundCollection = 0x07E4,
  rtSound = 0x07E6,
  rtSoundData = 0x07E7,
  rtExObjRefAtom = 0x0BC1,
  rtCString = 0x0FBA,
  rtAnimationInfoAtom = 0x0FF1,
  rtExMediaAtom = 0x1004,
  rtExVideo = 0x1005,
  rtExAviMovie = 0x1006,
  rtExMCIMovie = 0x1007,
  rtExMIDIAudio = 0x100D,
  rtExWAVAudioEmbedded = 0x100F,
  rtExWAVAudioLink = 0x1010,
  rtExWAVAudioEmbeddedAtom = 0x1013,
  rtAnimationInfo = 0x1014,
  rtOfficeArtSpContainer = 0xF004,
  rtOfficeArtClientData = 0xF011,
};

struct TRecordHeader {
  std::uint16_t Version = 0;   // 0xF for containers
  std::uint16_t Instance = 0;
  std::uint16_t Type = 0;
  std::uint32_t Length = 0;    // bytes after the 8-byte header
};

// The header at `offset`; throws EFormatError when the record does not fit into `data`.
TRecordHeader ReadRecordHeader(std::string_view data, std::uint64_t offset);

// A slide's show transition, as the application's object model reports it.
struct TSlideTransition {
  bool AdvanceOnClick = true;
  bool AdvanceOnTime = false;
  std::int32_t SlideTimeMs = 0;
  bool Hidden = false;
  float AdvanceTime() const { return float(SlideTimeMs) / 1000.0f; }
};

// Transition from the 16 bytes of a SlideShowSlideInfoAtom's body.
TSlideTransition ParseSlideShowSlideInfo(std::string_view body);

// Offset of the current UserEditAtom in the document stream, from the "Current User" stream.
std::uint32_t ReadCurrentUser(std::string_view currentUser);

struct TPersistDirectory {
  std::map<std::uint32_t, std::uint32_t> Offsets;  // persist id -> offset in the document stream
  std::uint32_t DocPersistIdRef = 0;               // from the newest edit
};

// Follows the chain of edits from `currentEdit` back to the first; newer entries win.
TPersistDirectory ReadPersistDirectory(std::string_view document, std::uint32_t currentEdit);

// The bodies of the document record and of every slide record, slides in show order.
struct TSlideRecords {
  std::string_view Document;
  std::vector<std::string_view> Slides;
};
TSlideRecords ReadSlideRecords(std::string_view document, std::uint32_t currentEdit);

// The slides of the document stream, in show order.
std::vector<TSlideTransition> ReadSlides(std::string_view document, std::uint32_t currentEdit);

// The document stream of a presentation and, in `currentEdit`, the offset of its newest edit.
std::string ReadDocumentStream(const TCompoundFile &file, std::uint32_t &currentEdit);

// The slides of a .ppt, .pps or .pot file; throws EFormatError with a reason the user can read.
std::vector<TSlideTransition> ReadPresentation(const TCompoundFile &file);
std::vector<TSlideTransition> ReadPresentationFile(const std::string &path);

}  // namespace ppt
