// Reading a title set's IFO file through libdvdread into plain records.
#include "ifo_titleset.h"

#include "ifo_layout.h"

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

int FromBcd(uint8_t v) { return (v >> 4) * 10 + (v & 0x0f); }

// Hours, minutes and seconds are BCD; the frames are BCD in the low six bits.
void PlainTime(const dvd_time_t &t, uint8_t out[4]) {
  out[0] = static_cast<uint8_t>(FromBcd(t.hour));
  out[1] = static_cast<uint8_t>(FromBcd(t.minute));
  out[2] = static_cast<uint8_t>(FromBcd(t.second));
  out[3] = static_cast<uint8_t>(FromBcd(t.frame_u & 0x3f));
}

std::string Lower(std::string s) {
  for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

int TitleSetOf(const std::string &name) {
  const std::string n = Lower(name);
  if (n == "video_ts.ifo") return 0;
  if (n.size() != 12 || n.compare(0, 4, "vts_") != 0 || n.compare(6, 6, "_0.ifo") != 0) return -1;
  if (!std::isdigit(static_cast<unsigned char>(n[4])) || !std::isdigit(static_cast<unsigned char>(n[5])))
    return -1;
  const int set = (n[4] - '0') * 10 + (n[5] - '0');
  return set >= 1 && set <= 99 ? set : -1;
}

namespace {

std::string LanguageName(uint16_t code) {
  if (code == 0 || code == 0xffff) return "Unknown";
  const char id[3] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xff), 0};
  static const struct {
    const char *Code, *Name;
  } names[] = {{"en", "English"}, {"de", "Deutsch"},    {"fr", "Francais"}, {"es", "Espanol"},
               {"it", "Italiano"}, {"nl", "Nederlands"}, {"pt", "Portugues"}, {"sv", "Svenska"},
               {"da", "Dansk"},    {"no", "Norsk"},      {"fi", "Suomi"},     {"pl", "Polski"},
               {"ru", "Russian"},  {"ja", "Japanese"},   {"zh", "Chinese"},   {"ko", "Korean"}};
  for (const auto &n : names)
    if (std::strcmp(n.Code, id) == 0) return n.Name;
  if (!std::isalpha(static_cast<unsigned char>(id[0])) || !std::isalpha(static_cast<unsigned char>(id[1])))
    return "Unknown";
  return id;
}

std::string Hex(int code) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02x", code & 0xff);
  return text;
}

// The audio track's stream id in the VOB files: the first title's audio control gives its stream
// number, else the track's own index.
std::string AudioDesc(const audio_attr_t &a, int streamNumber) {
  const char *format = "AC3";
  int base = 0x80;
  switch (a.audio_format) {
    case 0: format = "AC3"; base = 0x80; break;
    case 2: format = "MPEG1"; base = 0xc0; break;
    case 3: format = "MPEG2"; base = 0xc0; break;
    case 4: format = "LPCM"; base = 0xa0; break;
    case 6: format = "DTS"; base = 0x88; break;
    default: format = "Unknown"; break;
  }
  const int frequency = a.sample_frequency == 1 ? 96 : 48;
  return LanguageName(a.lang_code) + " " + format + " " + std::to_string(a.channels + 1) + "ch " +
         std::to_string(frequency) + "kHz (" + Hex(base + streamNumber) + ")";
}

std::string SubPictureDesc(const subp_attr_t &s, int streamNumber) {
  return LanguageName(s.lang_code) + " (" + Hex(0x20 + streamNumber) + ")";
}

std::string VideoDesc(const video_attr_t &v) {
  const bool pal = v.video_format == 1;
  const int height = pal ? 576 : 480;
  int width = 720, h = height;
  switch (v.picture_size) {
    case 1: width = 704; break;
    case 2: width = 352; break;
    case 3: width = 352; h = height / 2; break;
    default: break;
  }
  const char *aspect = v.display_aspect_ratio == 3 ? "16:9" : "4:3";
  return std::string(v.mpeg_version == 0 ? "MPEG-1" : "MPEG-2") + " " + std::to_string(width) + "x" +
         std::to_string(h) + " " + (pal ? "PAL" : "NTSC") + " " + aspect;
}

void Quiet(void *, dvd_logger_level_t, const char *, va_list) {}

// Larger than any title set's information file.
constexpr long MaxIfoBytes = 64L << 20;

bool ReadWholeFile(const std::string &path, std::vector<unsigned char> &bytes) {
  FILE *file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  bool ok = std::fseek(file, 0, SEEK_END) == 0;
  const long size = ok ? std::ftell(file) : -1;
  ok = ok && size >= 0 && size <= MaxIfoBytes && std::fseek(file, 0, SEEK_SET) == 0;
  if (ok) {
    bytes.resize(static_cast<std::size_t>(size));
    ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
  }
  std::fclose(file);
  return ok;
}

}  // namespace

bool ReadTitleSet(const std::string &path, TIfo &ifo) {
  const std::size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const int set = TitleSetOf(slash == std::string::npos ? path : path.substr(slash + 1));
  if (set < 0) return false;
  // A title set's tables are checked against the file before libdvdread, which trusts them, reads it.
  std::vector<unsigned char> bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  TTitleSetLayout layout;
  if (set != 0) {
    layout = CheckTitleSetLayout(bytes.data(), bytes.size());
    if (!layout.Readable) return false;
  }

  dvd_logger_cb logger{Quiet};
  dvd_reader_t *dvd = DVDOpen2(nullptr, &logger, folder.c_str());
  if (!dvd) return false;
  // Only the parts the operations give are read: the title set's attributes and its program chains.
  ifo_handle_t *handle = set == 0 ? ifoOpenVMGI(dvd) : ifoOpenVTSI(dvd, set);
  if (handle && set != 0 && !ifoRead_PGCIT(handle)) {
    ifoClose(handle);
    handle = nullptr;
  }
  if (!handle) {
    DVDClose(dvd);
    return false;
  }

  if (set == 0) {
    if (handle->vmgi_mat) ifo.VideoDesc = VideoDesc(handle->vmgi_mat->vmgm_video_attr);
  } else if (handle->vtsi_mat) {
    const vtsi_mat_t &mat = *handle->vtsi_mat;
    ifo.VideoDesc = VideoDesc(mat.vts_video_attr);
    const pgcit_t *pgcit = handle->vts_pgcit;
    const pgc_t *first = pgcit && pgcit->nr_of_pgci_srp > 0 ? pgcit->pgci_srp[0].pgc : nullptr;
    const int audioCount = std::min<int>(mat.nr_of_vts_audio_streams, 8);
    for (int i = 0; i < audioCount; ++i) {
      int stream = i;
      if (first && (first->audio_control[i] & 0x8000)) stream = (first->audio_control[i] >> 8) & 0x07;
      ifo.Audio.push_back(AudioDesc(mat.vts_audio_attr[i], stream));
    }
    const int subCount = std::min<int>(mat.nr_of_vts_subp_streams, 32);
    for (int i = 0; i < subCount; ++i) {
      int stream = i;
      if (first && (first->subp_control[i] & 0x80000000u)) stream = (first->subp_control[i] >> 24) & 0x1f;
      ifo.SubPictures.push_back(SubPictureDesc(mat.vts_subp_attr[i], stream));
    }
    for (int t = 0; pgcit && t < pgcit->nr_of_pgci_srp; ++t) {
      const pgc_t *pgc = pgcit->pgci_srp[t].pgc;
      const bool fits = static_cast<std::size_t>(t) < layout.ChainFits.size() && layout.ChainFits[t];
      TTitle title;
      if (pgc && fits) {
        PlainTime(pgc->playback_time, title.Time);
        for (int c = 0; pgc->cell_playback && c < pgc->nr_of_cells; ++c) {
          const cell_playback_t &cp = pgc->cell_playback[c];
          TCell cell;
          cell.FirstSector = cp.first_sector;
          cell.LastSector = cp.last_sector;
          cell.LastVobuStart = cp.last_vobu_start_sector;
          cell.BlockMode = static_cast<uint8_t>(cp.block_mode);
          PlainTime(cp.playback_time, cell.Time);
          title.Cells.push_back(cell);
        }
      }
      ifo.Titles.push_back(std::move(title));
    }
  }
  ifoClose(handle);
  DVDClose(dvd);
  return true;
}
