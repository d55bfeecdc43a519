// Ifoinfo.dll over libdvdread. An open reads everything the operations give into memory and lets
// libdvdread go at once, so that a handle holds no file open however long it lives.
#include "ifoinfo.h"

#include <cstring>

#include "ifo_titleset.h"

namespace {

TIfo *Of(intptr_t handle) { return reinterpret_cast<TIfo *>(handle); }

const TTitle *TitleOf(intptr_t handle, int title) {
  TIfo *ifo = Of(handle);
  if (!ifo || title < 0 || title >= static_cast<int>(ifo->Titles.size())) return nullptr;
  return &ifo->Titles[static_cast<std::size_t>(title)];
}

const char *TextOf(const std::vector<std::string> &texts, int index) {
  if (index < 0 || index >= static_cast<int>(texts.size())) return "";
  return texts[static_cast<std::size_t>(index)].c_str();
}

void PutLE32(unsigned char *p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

}  // namespace

extern "C" {

intptr_t ifoOpen(const char *path, int) {
  if (!path) return 0;
  auto *ifo = new TIfo;
  try {
    if (ReadTitleSet(path, *ifo)) return reinterpret_cast<intptr_t>(ifo);
  } catch (...) {
  }
  delete ifo;
  return 0;
}

int ifoGetNumPGCI(intptr_t handle) { return Of(handle) ? static_cast<int>(Of(handle)->Titles.size()) : 0; }

int ifoGetPGCIInfo(intptr_t handle, int title, unsigned char *time) {
  const TTitle *t = TitleOf(handle, title);
  static const uint8_t none[4] = {};
  if (time) std::memcpy(time, t ? t->Time : none, 4);
  return t ? static_cast<int>(t->Cells.size()) : 0;
}

int ifoGetPGCICells(intptr_t handle, int title, unsigned char *cells) {
  const TTitle *t = TitleOf(handle, title);
  if (!t || !cells) return 0;
  unsigned char *p = cells;
  for (const TCell &c : t->Cells) {
    std::memset(p, 0, IFO_CELL_RECORD_SIZE);
    PutLE32(p, c.FirstSector);
    PutLE32(p + 4, c.LastSector);
    PutLE32(p + 8, c.LastVobuStart);
    p[12] = c.BlockMode;
    std::memcpy(p + 13, c.Time, 4);
    p += IFO_CELL_RECORD_SIZE;
  }
  return static_cast<int>(t->Cells.size());
}

const char *ifoGetVideoDesc(intptr_t handle) { return Of(handle) ? Of(handle)->VideoDesc.c_str() : ""; }
int ifoGetNumAudio(intptr_t handle) { return Of(handle) ? static_cast<int>(Of(handle)->Audio.size()) : 0; }
int ifoGetNumSubPic(intptr_t handle) {
  return Of(handle) ? static_cast<int>(Of(handle)->SubPictures.size()) : 0;
}
const char *ifoGetAudioDesc(intptr_t handle, int track) {
  return Of(handle) ? TextOf(Of(handle)->Audio, track) : "";
}
const char *ifoGetSubPicDesc(intptr_t handle, int track) {
  return Of(handle) ? TextOf(Of(handle)->SubPictures, track) : "";
}

}  // extern "C"
