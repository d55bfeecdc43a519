#pragma once
// Builds presentation record streams for tests: a document with a slide list, slides with or
// without a transition record, and one or more edits.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cfb_writer.h"

namespace ppttest {

inline std::string U16(std::uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }
inline std::string U32(std::uint32_t v) { return U16(std::uint16_t(v)) + U16(std::uint16_t(v >> 16)); }

inline std::string Record(std::uint16_t type, const std::string &body, std::uint16_t instance = 0,
                          std::uint16_t version = 0) {
  return U16(std::uint16_t(version | instance << 4)) + U16(type) + U32(std::uint32_t(body.size())) + body;
}
inline std::string Container(std::uint16_t type, const std::string &children, std::uint16_t instance = 0) {
  return Record(type, children, instance, 0xF);
}

// Body of a SlideShowSlideInfoAtom.
inline std::string SlideInfo(std::int32_t slideTimeMs, std::uint16_t flags) {
  return U32(std::uint32_t(slideTimeMs)) + U32(0) + std::string(1, '\0') + std::string(1, '\0') + U16(flags) +
         std::string(4, '\0');
}
constexpr std::uint16_t fManualAdvance = 0x0001, fHidden = 0x0004, fSound = 0x0010, fLoopSound = 0x0040,
                        fStopSound = 0x0100, fAutoAdvance = 0x0400, fCursorVisible = 0x1000;

// Body of a SlideShowSlideInfoAtom with a transition sound.
inline std::string SlideInfoWithSound(std::uint32_t soundIdRef, std::uint16_t flags) {
  std::string info = SlideInfo(0, flags);
  return info.replace(4, 4, U32(soundIdRef));
}

struct TSlide {
  std::optional<std::string> Info;  // SlideShowSlideInfoAtom body; none: no record
  std::string Shapes;               // shape records of the slide's drawing
};

inline std::string SlideContainer(const TSlide &s) {
  std::string children = Record(0x03EF, std::string(24, '\0'), 0, 2);  // SlideAtom
  if (s.Info) children += Record(0x03F9, *s.Info);
  // The drawing: its group holds the shapes.
  children += Container(0x040C, Container(0xF002, Container(0xF003, s.Shapes)));
  return Container(0x03EE, children);
}

// ---- Sounds ----

inline std::string CString(const std::string &ascii, std::uint16_t instance) {
  std::string utf16;
  for (char c : ascii) utf16 += std::string{c, '\0'};
  return Record(0x0FBA, utf16, instance);
}

struct TSoundEntry {
  std::string Id;  // decimal, as stored
  std::string Name;
  std::string Data;
};

inline std::string SoundCollection(const std::vector<TSoundEntry> &sounds) {
  std::string children = Record(0x07E5, U32(std::uint32_t(sounds.size())));
  for (const TSoundEntry &s : sounds)
    children += Container(0x07E6, CString(s.Name, 0) + CString(".wav", 1) + CString(s.Id, 2) + Record(0x07E7, s.Data));
  return Container(0x07E4, children, 5);
}

constexpr std::uint16_t fMediaLoop = 0x0001, fMediaNarration = 0x0004;

inline std::string MediaAtom(std::uint32_t objectId, std::uint16_t flags) {
  return Record(0x1004, U32(objectId) + U16(flags) + U16(0));
}
inline std::string EmbeddedWav(std::uint32_t objectId, std::uint32_t soundId, std::uint16_t flags = 0) {
  return Container(0x100F, MediaAtom(objectId, flags) + Record(0x1013, U32(soundId) + U32(1000)));
}
inline std::string LinkedWav(std::uint32_t objectId, const std::string &path, std::uint16_t flags = 0) {
  return Container(0x1010, MediaAtom(objectId, flags) + CString(path, 0));
}
inline std::string ObjectList(const std::string &objects) {
  return Container(0x0409, Record(0x040A, U32(9)) + objects);
}

constexpr std::uint32_t fAutomatic = 0x0004, fAnimSound = 0x0010, fAnimStopSound = 0x0040, fPlay = 0x0100;

inline std::string AnimationInfo(std::uint32_t flags, std::uint32_t soundIdRef, std::int32_t delayMs,
                                 std::int16_t order, std::uint16_t slideCount = 1) {
  std::string atom = U32(0) + U32(flags) + U32(soundIdRef) + U32(std::uint32_t(delayMs)) +
                     U16(std::uint16_t(order)) + U16(slideCount) + std::string(8, '\0');
  return Container(0x1014, Record(0x0FF1, atom, 0, 1));
}

// A shape whose client data refers to an outside object and carries an animation.
inline std::string Shape(std::optional<std::uint32_t> objectId, const std::string &animation) {
  std::string client;
  if (objectId) client += Record(0x0BC1, U32(*objectId));
  client += animation;
  return Container(0xF004, Record(0xF00A, U32(1025) + U32(0xA00), 0, 2) + Container(0xF011, client));
}

inline std::string SlidePersist(std::uint32_t persistId) {
  return Record(0x03F3, U32(persistId) + U32(0) + U32(0) + U32(256 + persistId) + U32(0));
}

inline std::string PersistDirectory(const std::vector<std::pair<std::uint32_t, std::uint32_t>> &entries) {
  std::string body;  // one entry per id, each with one offset
  for (auto [id, offset] : entries) body += U32(id | 1u << 20) + U32(offset);
  return Record(0x1772, body);
}

inline std::string UserEdit(std::uint32_t lastEdit, std::uint32_t persistDir, std::uint32_t docPersistId,
                            std::optional<std::uint32_t> encryptSession = std::nullopt) {
  std::string body = U32(0) + U16(0) + std::string(1, '\0') + std::string(1, '\3') + U32(lastEdit) + U32(persistDir) +
                     U32(docPersistId) + U32(100) + U16(1) + U16(0);
  if (encryptSession) body += U32(*encryptSession);
  return Record(0x0FF5, body);
}

inline std::string CurrentUser(std::uint32_t offsetToCurrentEdit, std::uint32_t token = 0xE391C05F) {
  std::string body = U32(0x14) + U32(token) + U32(offsetToCurrentEdit) + U16(4) + U16(0x03F4) +
                     std::string(1, '\3') + std::string(1, '\0') + U16(0) + "user" + U32(8);
  return Record(0x0FF6, body);
}

// A whole document stream with one edit; `currentEdit` receives the offset of its edit record.
struct TDeck {
  std::string Document;
  std::uint32_t CurrentEdit = 0;
  std::vector<std::uint32_t> SlideOffsets;
};

inline TDeck Deck(const std::vector<TSlide> &slides, bool withSlideList = true, const std::string &documentExtras = "") {
  TDeck d;
  d.Document = Record(0x0FF3, "header");  // something before the first persist object
  std::vector<std::pair<std::uint32_t, std::uint32_t>> dir;
  std::string list;
  for (std::size_t i = 0; i < slides.size(); ++i) list += SlidePersist(std::uint32_t(2 + i));
  std::string docChildren = Record(0x03E9, std::string(40, '\0'), 0, 1);  // DocumentAtom
  docChildren += documentExtras;
  docChildren += Container(0x0FF0, SlidePersist(50), 1);                  // masters come first
  if (withSlideList) docChildren += Container(0x0FF0, list, 0);
  docChildren += Container(0x0FF0, "", 2);  // notes
  dir.push_back({1, std::uint32_t(d.Document.size())});
  d.Document += Container(0x03E8, docChildren);
  for (std::size_t i = 0; i < slides.size(); ++i) {
    d.SlideOffsets.push_back(std::uint32_t(d.Document.size()));
    dir.push_back({std::uint32_t(2 + i), std::uint32_t(d.Document.size())});
    d.Document += SlideContainer(slides[i]);
  }
  std::uint32_t pd = std::uint32_t(d.Document.size());
  d.Document += PersistDirectory(dir);
  d.CurrentEdit = std::uint32_t(d.Document.size());
  d.Document += UserEdit(0, pd, 1);
  return d;
}

// The deck as a compound file, as a presentation application saves it.
inline std::string DeckFile(const TDeck &d, std::uint32_t sectorSize = 512) {
  cfbtest::TOptions o;
  o.SectorSize = sectorSize;
  return cfbtest::Build({{"Current User", CurrentUser(d.CurrentEdit)}, {"PowerPoint Document", d.Document}}, o).Bytes;
}

}  // namespace ppttest
