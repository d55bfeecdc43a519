#include "pptfile.h"

#include <set>

namespace ppt {
namespace {

constexpr std::uint32_t HeaderTokenPlain = 0xE391C05F;
constexpr std::uint32_t HeaderTokenEncrypted = 0xF3D1C4DF;
constexpr std::uint32_t RecordHeaderSize = 8;
constexpr std::int32_t MaxSlideTimeMs = 86399000;  // just under a day

std::uint32_t Get32(std::string_view b, std::uint64_t at) {
  auto byte = [&](std::uint64_t i) { return std::uint32_t(std::uint8_t(b[std::size_t(at + i)])); };
  return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

std::uint16_t Get16(std::string_view b, std::uint64_t at) {
  return std::uint16_t(std::uint8_t(b[std::size_t(at)]) | std::uint8_t(b[std::size_t(at + 1)]) << 8);
}

// The body of the record at `offset`, checked to be of `type` and at least `minLength` long.
std::string_view Body(std::string_view data, std::uint64_t offset, std::uint16_t type, std::uint32_t minLength,
                      const char *what) {
  TRecordHeader h = ReadRecordHeader(data, offset);
  if (h.Type != type) throw EFormatError(std::string("the presentation is damaged (") + what + " not found)");
  if (h.Length < minLength) throw EFormatError(std::string("the presentation is damaged (") + what + " too short)");
  return data.substr(std::size_t(offset + RecordHeaderSize), h.Length);
}

// Child records of a container body: calls `visit(header, offsetOfChildInBody)` for each.
template <typename F>
void ForEachChild(std::string_view body, F visit) {
  std::uint64_t at = 0;
  while (at + RecordHeaderSize <= body.size()) {
    TRecordHeader h = ReadRecordHeader(body, at);
    if (!visit(h, at)) return;
    at += RecordHeaderSize + h.Length;
  }
}

}  // namespace

TRecordHeader ReadRecordHeader(std::string_view data, std::uint64_t offset) {
  if (offset > data.size() || data.size() - offset < RecordHeaderSize)
    throw EFormatError("the presentation is damaged (record past the end of the document stream)");
  TRecordHeader h;
  std::uint16_t verInst = Get16(data, offset);
  h.Version = verInst & 0xF;
  h.Instance = verInst >> 4;
  h.Type = Get16(data, offset + 2);
  h.Length = Get32(data, offset + 4);
  if (h.Length > data.size() - offset - RecordHeaderSize)
    throw EFormatError("the presentation is damaged or truncated (record longer than its stream)");
  return h;
}

TSlideTransition ParseSlideShowSlideInfo(std::string_view body) {
  if (body.size() < 16) throw EFormatError("the presentation is damaged (slide transition too short)");
  TSlideTransition t;
  std::int32_t ms = std::int32_t(Get32(body, 0));
  t.SlideTimeMs = ms < 0 ? 0 : ms > MaxSlideTimeMs ? MaxSlideTimeMs : ms;
  std::uint16_t flags = Get16(body, 10);
  t.AdvanceOnClick = flags & 0x0001;  // fManualAdvance
  t.Hidden = flags & 0x0004;          // fHidden
  t.AdvanceOnTime = flags & 0x0400;   // fAutoAdvance
  return t;
}

std::uint32_t ReadCurrentUser(std::string_view currentUser) {
  if (currentUser.size() < RecordHeaderSize + 12)
    throw EFormatError("not a presentation (its current-user record is missing or too short)");
  if (Get16(currentUser, 2) != rtCurrentUserAtom) throw EFormatError("not a presentation (no current-user record)");
  std::uint32_t token = Get32(currentUser, 12);
  if (token == HeaderTokenEncrypted) throw EFormatError("the presentation is encrypted with a password");
  if (token != HeaderTokenPlain) throw EFormatError("not a presentation of a supported version");
  return Get32(currentUser, 16);
}

namespace {
// The entries of one persist directory that no newer edit has given already.
void AddPersistEntries(std::string_view pd, TPersistDirectory &dir) {
  std::uint64_t at = 0;
  while (at + 4 <= pd.size()) {
    std::uint32_t entry = Get32(pd, at);
    std::uint32_t first = entry & 0xFFFFF, count = entry >> 20;
    at += 4;
    if (std::uint64_t(count) * 4 > pd.size() - at)
      throw EFormatError("the presentation is damaged (persist directory cut short)");
    for (std::uint32_t i = 0; i < count; ++i, at += 4) dir.Offsets.emplace(first + i, Get32(pd, at));  // newer kept
  }
}
}  // namespace

TPersistDirectory ReadPersistDirectory(std::string_view document, std::uint32_t currentEdit) {
  TPersistDirectory dir;
  std::set<std::uint32_t> seen;
  // Edits saved one after another often share one directory: it is read once, since the entries
  // of a newer edit win anyway.
  std::set<std::uint32_t> directoriesRead;
  std::uint32_t edit = currentEdit;
  bool newest = true;
  for (;;) {
    if (!seen.insert(edit).second) throw EFormatError("the presentation is damaged (loop in its list of edits)");
    std::string_view ue = Body(document, edit, rtUserEditAtom, 28, "edit record");
    if (newest) {
      dir.DocPersistIdRef = Get32(ue, 16);
      // An edit record with the session-key reference belongs to an encrypted document.
      if (ue.size() >= 32 && Get32(ue, 28) != 0) throw EFormatError("the presentation is encrypted with a password");
      newest = false;
    }
    const std::uint32_t directory = Get32(ue, 12);
    if (directoriesRead.insert(directory).second)
      AddPersistEntries(Body(document, directory, rtPersistDirectoryAtom, 0, "persist directory"), dir);
    std::uint32_t last = Get32(ue, 8);
    if (last == 0) break;
    edit = last;
  }
  return dir;
}

TSlideRecords ReadSlideRecords(std::string_view document, std::uint32_t currentEdit) {
  TPersistDirectory dir = ReadPersistDirectory(document, currentEdit);
  auto offsetOf = [&](std::uint32_t persistId, const char *what) {
    auto it = dir.Offsets.find(persistId);
    if (it == dir.Offsets.end())
      throw EFormatError(std::string("the presentation is damaged (") + what + " is missing)");
    return it->second;
  };
  TSlideRecords records;
  records.Document = Body(document, offsetOf(dir.DocPersistIdRef, "document record"), rtDocument, 0,
                          "document record");
  std::string_view doc = records.Document;

  std::string_view list;
  bool found = false;
  ForEachChild(doc, [&](const TRecordHeader &h, std::uint64_t at) {
    if (h.Type == rtSlideListWithText && h.Instance == 0) {
      list = doc.substr(std::size_t(at + RecordHeaderSize), h.Length);
      found = true;
      return false;
    }
    return true;
  });
  if (!found) throw EFormatError("the presentation has no slide list");

  std::vector<std::uint32_t> persistIds;
  ForEachChild(list, [&](const TRecordHeader &h, std::uint64_t at) {
    if (h.Type == rtSlidePersistAtom) {
      if (h.Length < 4) throw EFormatError("the presentation is damaged (slide reference too short)");
      persistIds.push_back(Get32(list, at + RecordHeaderSize));
    }
    return true;
  });

  records.Slides.reserve(persistIds.size());
  for (std::size_t i = 0; i < persistIds.size(); ++i) {
    std::string what = "slide " + std::to_string(i + 1);
    records.Slides.push_back(Body(document, offsetOf(persistIds[i], what.c_str()), rtSlide, 0, what.c_str()));
  }
  return records;
}

std::vector<TSlideTransition> ReadSlides(std::string_view document, std::uint32_t currentEdit) {
  TSlideRecords records = ReadSlideRecords(document, currentEdit);
  std::vector<TSlideTransition> slides;
  slides.reserve(records.Slides.size());
  for (std::string_view slide : records.Slides) {
    TSlideTransition t;  // no transition record: advances on a click only
    ForEachChild(slide, [&](const TRecordHeader &h, std::uint64_t at) {
      if (h.Type != rtSlideShowSlideInfoAtom) return true;
      t = ParseSlideShowSlideInfo(slide.substr(std::size_t(at + RecordHeaderSize), h.Length));
      return false;
    });
    slides.push_back(t);
  }
  return slides;
}

std::string ReadDocumentStream(const TCompoundFile &file, std::uint32_t &currentEdit) {
  std::uint32_t user = file.Find("Current User");
  std::uint32_t document = file.Find("PowerPoint Document");
  if (document == TCompoundFile::NoStream || file.Entries()[document].Type != TCompoundFile::etStream)
    throw EFormatError("not a presentation (no presentation document inside the file)");
  if (user == TCompoundFile::NoStream || file.Entries()[user].Type != TCompoundFile::etStream)
    throw EFormatError("not a presentation (no current-user record inside the file)");
  currentEdit = ReadCurrentUser(file.ReadStream(user));
  return file.ReadStream(document);
}

std::vector<TSlideTransition> ReadPresentation(const TCompoundFile &file) {
  std::uint32_t currentEdit = 0;
  std::string doc = ReadDocumentStream(file, currentEdit);
  return ReadSlides(doc, currentEdit);
}

std::vector<TSlideTransition> ReadPresentationFile(const std::string &path) {
  TCompoundFile file(FileSource(path));
  return ReadPresentation(file);
}

}  // namespace ppt
