#include "ifo_layout.h"

#include <dvdread/ifo_types.h>

#include <cstdint>
#include <cstring>
#include <map>

namespace {

constexpr std::uint64_t SectorSize = 2048;

// The file as libdvdread sees it: whole sectors only, every read bounds-checked here.
class TFileBytes {
public:
  TFileBytes(const unsigned char *data, std::size_t size) : FData(data), FSize(size / SectorSize * SectorSize) {}
  std::uint64_t Size() const { return FSize; }
  bool Holds(std::uint64_t at, std::uint64_t length, std::uint64_t end) const {
    return at <= end && length <= end - at && end <= FSize;
  }
  unsigned U8(std::uint64_t at) const { return FData[at]; }
  unsigned U16(std::uint64_t at) const { return FData[at] << 8 | FData[at + 1]; }
  std::uint32_t U32(std::uint64_t at) const {
    return static_cast<std::uint32_t>(FData[at]) << 24 | FData[at + 1] << 16 | FData[at + 2] << 8 | FData[at + 3];
  }
  bool StartsWith(const char *text) const {
    return FSize >= std::strlen(text) && std::memcmp(FData, text, std::strlen(text)) == 0;
  }

private:
  const unsigned char *FData;
  std::uint64_t FSize;
};

// The program chain at `chain` and every table libdvdread reads for it end at or before `end`.
bool ChainFits(const TFileBytes &file, std::uint64_t chain, std::uint64_t end) {
  if (!file.Holds(chain, PGC_SIZE, end)) return false;
  const unsigned programs = file.U8(chain + offsetof(pgc_t, nr_of_programs));
  const unsigned cells = file.U8(chain + offsetof(pgc_t, nr_of_cells));
  const unsigned commands = file.U16(chain + offsetof(pgc_t, command_tbl_offset));
  const unsigned programMap = file.U16(chain + offsetof(pgc_t, program_map_offset));
  const unsigned cellPlayback = file.U16(chain + offsetof(pgc_t, cell_playback_offset));
  const unsigned cellPosition = file.U16(chain + offsetof(pgc_t, cell_position_offset));
  if (commands != 0) {
    const std::uint64_t table = chain + commands;
    if (!file.Holds(table, PGC_COMMAND_TBL_SIZE, end)) return false;
    const std::uint64_t count = std::uint64_t(file.U16(table)) + file.U16(table + 2) + file.U16(table + 4);
    if (!file.Holds(table, PGC_COMMAND_TBL_SIZE + count * COMMAND_DATA_SIZE, end)) return false;
  }
  if (programMap != 0 && programs > 0 && !file.Holds(chain + programMap, programs * sizeof(pgc_program_map_t), end))
    return false;
  if (cellPlayback != 0 && cells > 0 && !file.Holds(chain + cellPlayback, cells * sizeof(cell_playback_t), end))
    return false;
  if (cellPosition != 0 && cells > 0 && !file.Holds(chain + cellPosition, cells * sizeof(cell_position_t), end))
    return false;
  return true;
}

}  // namespace

TTitleSetLayout CheckTitleSetLayout(const unsigned char *data, std::size_t size) {
  TTitleSetLayout layout;
  const TFileBytes file(data, data ? size : 0);
  if (file.Size() < sizeof(vtsi_mat_t) || !file.StartsWith("DVDVIDEO-VTS")) return layout;

  const std::uint64_t table = file.U32(offsetof(vtsi_mat_t, vts_pgcit)) * SectorSize;
  if (table == 0 || !file.Holds(table, PGCIT_SIZE, file.Size())) return layout;
  const unsigned titles = file.U16(table);
  const std::uint64_t tableEnd = table + std::uint64_t(file.U32(table + 4)) + 1;
  if (!file.Holds(table, PGCIT_SIZE + std::uint64_t(titles) * PGCI_SRP_SIZE, tableEnd)) return layout;

  // libdvdread reads a chain once and hands it to every title that points at it.
  std::vector<std::uint32_t> starts;
  std::map<std::uint32_t, int> pointedAt;
  for (unsigned t = 0; t < titles; ++t) {
    starts.push_back(file.U32(table + PGCIT_SIZE + t * PGCI_SRP_SIZE + 4));
    ++pointedAt[starts.back()];
    layout.ChainFits.push_back(ChainFits(file, table + starts.back(), tableEnd));
  }
  for (unsigned t = 0; t < titles; ++t)
    if (!layout.ChainFits[t] && pointedAt[starts[t]] > 1) {
      layout.ChainFits.clear();
      return layout;
    }
  layout.Readable = true;
  return layout;
}
