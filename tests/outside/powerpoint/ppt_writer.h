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

struct TSlide {
  std::optional<std::string> Info;  // SlideShowSlideInfoAtom body; none: no record
};

inline std::string SlideContainer(const TSlide &s) {
  std::string children = Record(0x03EF, std::string(24, '\0'), 0, 2);  // SlideAtom
  if (s.Info) children += Record(0x03F9, *s.Info);
  children += Container(0x040C, "");  // an empty drawing
  return Container(0x03EE, children);
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

inline TDeck Deck(const std::vector<TSlide> &slides, bool withSlideList = true) {
  TDeck d;
  d.Document = Record(0x0FF3, "header");  // something before the first persist object
  std::vector<std::pair<std::uint32_t, std::uint32_t>> dir;
  std::string list;
  for (std::size_t i = 0; i < slides.size(); ++i) list += SlidePersist(std::uint32_t(2 + i));
  std::string docChildren = Record(0x03E9, std::string(40, '\0'), 0, 1);  // DocumentAtom
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
