#include "pptsounds.h"

#include <algorithm>
#include <climits>
#include <map>

#include "pptfile.h"

namespace ppt {
namespace {

// SlideShowSlideInfoAtom, 16-bit flags at offset 10.
constexpr std::uint16_t kTransitionSound = 0x0010, kTransitionLoop = 0x0040, kTransitionStopSound = 0x0100;
// AnimationInfoAtom, 32-bit flags at offset 4.
constexpr std::uint32_t kAutomatic = 0x0004, kAnimationSound = 0x0010, kAnimationStopSound = 0x0040, kPlay = 0x0100;
// ExMediaAtom, 16-bit flags at offset 4.
constexpr std::uint16_t kMediaLoop = 0x0001, kMediaNarration = 0x0004;

constexpr std::uint32_t kRecordHeaderSize = 8;
constexpr int kMaxShapeDepth = 32;
constexpr std::int32_t kMaxDelayMs = 86399000;

struct TRecord {
  TRecordHeader Header;
  std::string_view Body;
};

std::vector<TRecord> Children(std::string_view container) {
  std::vector<TRecord> children;
  std::uint64_t at = 0;
  while (at + kRecordHeaderSize <= container.size()) {
    TRecordHeader h = ReadRecordHeader(container, at);
    children.push_back({h, container.substr(std::size_t(at + kRecordHeaderSize), h.Length)});
    at += kRecordHeaderSize + h.Length;
  }
  return children;
}

const TRecord *FirstOf(const std::vector<TRecord> &records, std::uint16_t type, std::uint32_t minLength = 0) {
  for (const TRecord &r : records)
    if (r.Header.Type == type) {
      if (r.Body.size() < minLength) throw EFormatError("the presentation is damaged (sound record too short)");
      return &r;
    }
  return nullptr;
}
// The record found lives in the list: a list that is gone by the next statement cannot be searched.
const TRecord *FirstOf(std::vector<TRecord> &&, std::uint16_t, std::uint32_t = 0) = delete;

std::uint32_t Get32(std::string_view b, std::size_t at) {
  auto byte = [&](std::size_t i) { return std::uint32_t(std::uint8_t(b[at + i])); };
  return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

std::uint16_t Get16(std::string_view b, std::size_t at) {
  return std::uint16_t(std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8);
}

std::string CStringOf(const std::vector<TRecord> &records, std::uint16_t instance) {
  for (const TRecord &r : records)
    if (r.Header.Type == rtCString && r.Header.Instance == instance) {
      std::string text = Utf16ToUtf8(r.Body);
      return text.substr(0, text.find('\0'));
    }
  return {};
}

// A sound or movie of the document's list of outside objects.
struct TMedia {
  bool Embedded = false;
  std::uint32_t SoundId = 0;  // embedded: its sound in the sound collection
  std::string Path;           // linked: the file
  bool Loop = false;
  bool Narration = false;
};

// A shape's part in the slide's order of animations.
struct TShapeStart {
  int Order = 0;
  bool Automatic = false;
  std::vector<TSoundCue> Cues;
};

class TReader {
public:
  explicit TReader(std::string_view document) {
    for (const TRecord &r : Children(document)) {
      if (r.Header.Type == rtSoundCollection) ReadCollection(r.Body);
      if (r.Header.Type == rtExObjList) ReadObjects(r.Body);
    }
  }

  TSlideSounds ReadSlide(std::string_view slide) {
    TSlideSounds sounds;
    std::vector<TRecord> records = Children(slide);
    if (const TRecord *info = FirstOf(records, rtSlideShowSlideInfoAtom, 16)) {
      std::uint32_t soundId = Get32(info->Body, 4);
      std::uint16_t flags = Get16(info->Body, 10);
      sounds.StopPrevious = flags & kTransitionStopSound;
      std::optional<std::size_t> sound;
      if ((flags & kTransitionSound) && soundId != 0) sound = FromCollection(soundId);
      if (sound) sounds.Transition = TSoundCue{*sound, bool(flags & kTransitionLoop), false, 0, 1};
    }
    std::vector<TShapeStart> starts;
    for (const TRecord &r : records)
      if (r.Header.Type == rtPPDrawing) WalkShapes(r.Body, 0, starts);
    std::stable_sort(starts.begin(), starts.end(),
                     [](const TShapeStart &a, const TShapeStart &b) { return a.Order < b.Order; });
    for (const TShapeStart &start : starts) {
      // The show spends its clicks on advancing, so nothing after a build that waits for one starts.
      if (!start.Automatic) break;
      sounds.Automatic.insert(sounds.Automatic.end(), start.Cues.begin(), start.Cues.end());
    }
    return sounds;
  }

  std::vector<TSound> TakeSounds() { return std::move(FSounds); }

private:
  struct TStored {
    std::string Name, Extension;
    std::string_view Data;
  };

  void ReadCollection(std::string_view body) {
    for (const TRecord &r : Children(body)) {
      if (r.Header.Type != rtSound) continue;
      std::vector<TRecord> parts = Children(r.Body);
      std::string id = CStringOf(parts, 2);
      const TRecord *data = FirstOf(parts, rtSoundData);
      if (id.empty() || id.size() > 9 || !std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
          !data)
        continue;  // a sound nothing can refer to
      FStored[std::uint32_t(std::stoul(id))] = TStored{CStringOf(parts, 0), CStringOf(parts, 1), data->Body};
    }
  }

  void ReadObjects(std::string_view body) {
    for (const TRecord &r : Children(body)) {
      const std::uint16_t type = r.Header.Type;
      if (type != rtExWAVAudioEmbedded && type != rtExWAVAudioLink && type != rtExMIDIAudio &&
          type != rtExAviMovie && type != rtExMCIMovie)
        continue;
      std::vector<TRecord> parts = Children(r.Body);
      if (type == rtExAviMovie || type == rtExMCIMovie) {
        const TRecord *video = FirstOf(parts, rtExVideo);
        if (!video) continue;
        parts = Children(video->Body);
      }
      const TRecord *media = FirstOf(parts, rtExMediaAtom, 6);
      if (!media) continue;
      TMedia m;
      std::uint16_t flags = Get16(media->Body, 4);
      m.Loop = flags & kMediaLoop;
      m.Narration = flags & kMediaNarration;
      if (type == rtExWAVAudioEmbedded) {
        const TRecord *atom = FirstOf(parts, rtExWAVAudioEmbeddedAtom, 4);
        if (!atom) continue;
        m.Embedded = true;
        m.SoundId = Get32(atom->Body, 0);
      } else {
        m.Path = CStringOf(parts, 0);
        if (m.Path.empty()) continue;
      }
      FMedia[Get32(media->Body, 0)] = m;
    }
  }

  std::optional<std::size_t> FromCollection(std::uint32_t soundId) {
    if (auto known = FCollectionIndex.find(soundId); known != FCollectionIndex.end()) return known->second;
    auto stored = FStored.find(soundId);
    if (stored == FStored.end()) return std::nullopt;
    FSounds.push_back(TSound{stored->second.Name, stored->second.Extension, std::string(stored->second.Data), {}});
    return FCollectionIndex[soundId] = FSounds.size() - 1;
  }

  std::optional<std::size_t> FromMedia(std::uint32_t objectId) {
    auto media = FMedia.find(objectId);
    if (media == FMedia.end()) return std::nullopt;
    if (media->second.Embedded) return FromCollection(media->second.SoundId);
    if (auto known = FLinkIndex.find(objectId); known != FLinkIndex.end()) return known->second;
    const std::string &path = media->second.Path;
    std::string name = path.substr(path.find_last_of("\\/") + 1);
    std::size_t dot = name.rfind('.');
    FSounds.push_back(TSound{name, dot == std::string::npos ? std::string() : name.substr(dot), {}, path});
    return FLinkIndex[objectId] = FSounds.size() - 1;
  }

  void WalkShapes(std::string_view container, int depth, std::vector<TShapeStart> &starts) {
    if (depth > kMaxShapeDepth) throw EFormatError("the presentation is damaged (shapes nested too deeply)");
    for (const TRecord &r : Children(container)) {
      if (r.Header.Version != 0xF) continue;
      if (r.Header.Type == rtOfficeArtSpContainer) {
        ReadShape(r.Body, starts);
      } else {
        WalkShapes(r.Body, depth + 1, starts);
      }
    }
  }

  void ReadShape(std::string_view shape, std::vector<TShapeStart> &starts) {
    const std::vector<TRecord> records = Children(shape);
    const TRecord *clientData = FirstOf(records, rtOfficeArtClientData);
    if (!clientData) return;
    const std::vector<TRecord> client = Children(clientData->Body);
    std::optional<std::uint32_t> objectId;
    if (const TRecord *ref = FirstOf(client, rtExObjRefAtom, 4)) objectId = Get32(ref->Body, 0);
    const TRecord *animation = FirstOf(client, rtAnimationInfo);
    const std::vector<TRecord> animationRecords = animation ? Children(animation->Body) : std::vector<TRecord>();
    const TRecord *atom = FirstOf(animationRecords, rtAnimationInfoAtom, 28);

    if (!atom) {
      // Recorded narration plays as its slide appears, before anything else.
      auto media = objectId ? FMedia.find(*objectId) : FMedia.end();
      if (media == FMedia.end() || !media->second.Narration) return;
      if (std::optional<std::size_t> sound = FromMedia(*objectId))
        starts.push_back(TShapeStart{INT_MIN, true, {TSoundCue{*sound, media->second.Loop, false, 0, 1}}});
      return;
    }
    const std::string_view a = atom->Body;
    const std::uint32_t flags = Get32(a, 4);
    TShapeStart start;
    start.Automatic = flags & kAutomatic;
    start.Order = std::int16_t(Get16(a, 16));
    const std::int32_t delay = std::clamp(std::int32_t(Get32(a, 12)), 0, kMaxDelayMs);
    const bool stopOthers = flags & kAnimationStopSound;
    if ((flags & kAnimationSound) && Get32(a, 8) != 0)
      if (std::optional<std::size_t> sound = FromCollection(Get32(a, 8)))
        start.Cues.push_back(TSoundCue{*sound, false, stopOthers, delay, 1});
    if ((flags & kPlay) && objectId)
      if (std::optional<std::size_t> sound = FromMedia(*objectId)) {
        const std::uint16_t slides = Get16(a, 18);
        start.Cues.push_back(TSoundCue{*sound, FMedia[*objectId].Loop, stopOthers && start.Cues.empty(),
                                       start.Cues.empty() ? delay : 0, slides == 0 || slides == 0xFFFF ? 1 : slides});
      }
    starts.push_back(start);
  }

  std::map<std::uint32_t, TStored> FStored;  // sound collection by sound id
  std::map<std::uint32_t, TMedia> FMedia;    // outside objects by object id
  std::map<std::uint32_t, std::size_t> FCollectionIndex, FLinkIndex;
  std::vector<TSound> FSounds;
};

}  // namespace

TShowSounds ReadShowSounds(std::string_view document, std::uint32_t currentEdit) {
  TSlideRecords records = ReadSlideRecords(document, currentEdit);
  TReader reader(records.Document);
  TShowSounds show;
  show.Slides.reserve(records.Slides.size());
  for (std::string_view slide : records.Slides) show.Slides.push_back(reader.ReadSlide(slide));
  show.Sounds = reader.TakeSounds();
  return show;
}

TShowSounds ReadPresentationSounds(const TCompoundFile &file) {
  std::uint32_t currentEdit = 0;
  std::string document = ReadDocumentStream(file, currentEdit);
  return ReadShowSounds(document, currentEdit);
}

}  // namespace ppt
