#pragma once
// A small compound-file writer for tests: streams in one root storage, with the layout reported
// so that tests can damage chosen structures.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace cfbtest {

constexpr std::uint32_t EndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t FreeSect = 0xFFFFFFFF;
constexpr std::uint32_t FatSect = 0xFFFFFFFD;
constexpr std::uint32_t DifSect = 0xFFFFFFFC;

struct TStream {
  std::string Name;
  std::string Data;
};

struct TOptions {
  std::uint32_t SectorSize = 512;
  std::uint32_t MinFatSectors = 0;  // more than 109 forces extra DIFAT sectors
};

struct TLayout {
  std::string Bytes;
  std::uint32_t SectorSize = 512;
  std::vector<std::uint32_t> FatSectors, DifatSectors;
  std::uint32_t FirstDirSector = 0;
  std::vector<std::uint32_t> StreamStart;  // per stream, in the FAT or the mini FAT
  std::vector<bool> InMini;

  std::size_t SectorOffset(std::uint32_t sector) const { return (std::size_t(sector) + 1) * SectorSize; }
  std::size_t FatEntryOffset(std::uint32_t sector) const {
    std::uint32_t per = SectorSize / 4;
    return SectorOffset(FatSectors[sector / per]) + 4 * (sector % per);
  }
  // Directory entry i (0 is the root).
  std::size_t DirEntryOffset(std::uint32_t i) const {
    std::uint32_t per = SectorSize / 128;
    return SectorOffset(FirstDirSector + i / per) + 128 * (i % per);
  }
  std::uint32_t Get32(std::size_t at) const {
    std::uint32_t v;
    std::memcpy(&v, Bytes.data() + at, 4);
    return v;
  }
  void Put32(std::size_t at, std::uint32_t v) { std::memcpy(Bytes.data() + at, &v, 4); }
  void SetFat(std::uint32_t sector, std::uint32_t next) { Put32(FatEntryOffset(sector), next); }
  std::uint32_t Fat(std::uint32_t sector) const { return Get32(FatEntryOffset(sector)); }
};

inline void Put16(std::string &b, std::size_t at, std::uint16_t v) { std::memcpy(b.data() + at, &v, 2); }
inline void Put32(std::string &b, std::size_t at, std::uint32_t v) { std::memcpy(b.data() + at, &v, 4); }

inline std::uint32_t CeilDiv(std::size_t a, std::size_t b) { return std::uint32_t((a + b - 1) / b); }

inline TLayout Build(const std::vector<TStream> &streams, TOptions o = {}) {
  const std::uint32_t ss = o.SectorSize, per = ss / 4;
  TLayout L;
  L.SectorSize = ss;
  // Small streams go into the mini stream, 64-byte pieces.
  std::string mini;
  std::vector<std::uint32_t> miniFat;
  L.StreamStart.assign(streams.size(), EndOfChain);
  L.InMini.assign(streams.size(), false);
  for (std::size_t i = 0; i < streams.size(); ++i) {
    const std::string &d = streams[i].Data;
    if (d.empty() || d.size() >= 4096) continue;
    L.InMini[i] = true;
    std::uint32_t first = std::uint32_t(miniFat.size()), n = CeilDiv(d.size(), 64);
    L.StreamStart[i] = first;
    for (std::uint32_t k = 0; k < n; ++k) miniFat.push_back(k + 1 < n ? first + k + 1 : EndOfChain);
    std::string padded = d;
    padded.resize(std::size_t(n) * 64, '\0');
    mini += padded;
  }
  std::uint32_t dirSectors = CeilDiv((streams.size() + 1) * 128, ss);
  std::uint32_t miniFatSectors = CeilDiv(miniFat.size() * 4, ss);
  std::uint32_t miniSectors = CeilDiv(mini.size(), ss);
  std::uint32_t dataSectors = dirSectors + miniFatSectors + miniSectors;
  for (std::size_t i = 0; i < streams.size(); ++i)
    if (!L.InMini[i]) dataSectors += CeilDiv(streams[i].Data.size(), ss);
  std::uint32_t fat = std::max<std::uint32_t>(o.MinFatSectors, 1), difat = 0;
  for (;;) {
    std::uint32_t total = dataSectors + fat + difat;
    std::uint32_t needFat = std::max(o.MinFatSectors, CeilDiv(total, per));
    std::uint32_t needDifat = needFat > 109 ? CeilDiv(needFat - 109, per - 1) : 0;
    if (needFat == fat && needDifat == difat) break;
    fat = needFat;
    difat = needDifat;
  }
  std::uint32_t total = dataSectors + fat + difat;
  std::vector<std::uint32_t> table(std::size_t(fat) * per, FreeSect);
  std::uint32_t next = 0;
  for (std::uint32_t k = 0; k < fat; ++k) {
    L.FatSectors.push_back(next);
    table[next++] = FatSect;
  }
  for (std::uint32_t k = 0; k < difat; ++k) {
    L.DifatSectors.push_back(next);
    table[next++] = DifSect;
  }
  auto chain = [&](std::uint32_t count) {
    if (count == 0) return EndOfChain;
    std::uint32_t first = next;
    for (std::uint32_t k = 0; k < count; ++k, ++next) table[next] = k + 1 < count ? next + 1 : EndOfChain;
    return first;
  };
  L.FirstDirSector = chain(dirSectors);
  std::uint32_t miniFatStart = chain(miniFatSectors);
  std::uint32_t miniStart = chain(miniSectors);
  for (std::size_t i = 0; i < streams.size(); ++i)
    if (!L.InMini[i]) L.StreamStart[i] = chain(CeilDiv(streams[i].Data.size(), ss));

  std::string &b = L.Bytes;
  b.assign((std::size_t(total) + 1) * ss, '\0');
  const unsigned char sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::memcpy(b.data(), sig, 8);
  Put16(b, 0x18, 0x3E);
  Put16(b, 0x1A, ss == 4096 ? 4 : 3);
  Put16(b, 0x1C, 0xFFFE);
  Put16(b, 0x1E, ss == 4096 ? 12 : 9);
  Put16(b, 0x20, 6);
  Put32(b, 0x28, ss == 4096 ? dirSectors : 0);
  Put32(b, 0x2C, fat);
  Put32(b, 0x30, L.FirstDirSector);
  Put32(b, 0x38, 4096);
  Put32(b, 0x3C, miniFatSectors ? miniFatStart : EndOfChain);
  Put32(b, 0x40, miniFatSectors);
  Put32(b, 0x44, difat ? L.DifatSectors[0] : EndOfChain);
  Put32(b, 0x48, difat);
  for (std::uint32_t k = 0; k < 109; ++k) Put32(b, 0x4C + 4 * k, k < fat ? L.FatSectors[k] : FreeSect);
  for (std::uint32_t d = 0; d < difat; ++d) {
    std::size_t at = L.SectorOffset(L.DifatSectors[d]);
    for (std::uint32_t k = 0; k < per - 1; ++k) {
      std::uint32_t index = 109 + d * (per - 1) + k;
      Put32(b, at + 4 * k, index < fat ? L.FatSectors[index] : FreeSect);
    }
    Put32(b, at + 4 * (per - 1), d + 1 < difat ? L.DifatSectors[d + 1] : EndOfChain);
  }
  for (std::size_t k = 0; k < table.size(); ++k)
    Put32(b, L.SectorOffset(L.FatSectors[k / per]) + 4 * (k % per), table[k]);

  // Directory: a balanced tree of siblings so that left and right links are both used.
  auto writeEntry = [&](std::uint32_t i, const std::string &name, std::uint8_t type, std::uint32_t start,
                        std::uint64_t size) {
    std::size_t at = L.DirEntryOffset(i);
    for (std::size_t k = 0; k < name.size() && k < 31; ++k) Put16(b, at + 2 * k, std::uint8_t(name[k]));
    Put16(b, at + 0x40, std::uint16_t((std::min<std::size_t>(name.size(), 31) + 1) * 2));
    b[at + 0x42] = char(type);
    b[at + 0x43] = 1;  // black
    Put32(b, at + 0x44, FreeSect);
    Put32(b, at + 0x48, FreeSect);
    Put32(b, at + 0x4C, FreeSect);
    Put32(b, at + 0x74, start);
    Put32(b, at + 0x78, std::uint32_t(size));
    Put32(b, at + 0x7C, std::uint32_t(size >> 32));
  };
  writeEntry(0, "Root Entry", 5, miniSectors ? miniStart : EndOfChain, mini.size());
  for (std::size_t i = 0; i < streams.size(); ++i)
    writeEntry(std::uint32_t(i + 1), streams[i].Name, 2, L.StreamStart[i], streams[i].Data.size());
  struct Tree {
    static std::uint32_t Make(TLayout &l, std::uint32_t lo, std::uint32_t hi) {  // entries lo..hi-1
      if (lo >= hi) return FreeSect;
      std::uint32_t mid = lo + (hi - lo) / 2;
      l.Put32(l.DirEntryOffset(mid) + 0x44, Make(l, lo, mid));
      l.Put32(l.DirEntryOffset(mid) + 0x48, Make(l, mid + 1, hi));
      return mid;
    }
  };
  Put32(b, L.DirEntryOffset(0) + 0x4C, Tree::Make(L, 1, std::uint32_t(streams.size() + 1)));

  for (std::size_t k = 0; k < miniFat.size(); ++k)
    Put32(b, L.SectorOffset(miniFatStart + std::uint32_t(k * 4 / ss)) + (k * 4) % ss, miniFat[k]);
  for (std::size_t k = 0; k < mini.size(); ++k) b[L.SectorOffset(miniStart + std::uint32_t(k / ss)) + k % ss] = mini[k];
  for (std::size_t i = 0; i < streams.size(); ++i) {
    if (L.InMini[i]) continue;
    const std::string &d = streams[i].Data;
    for (std::size_t k = 0; k < d.size(); ++k) b[L.SectorOffset(L.StreamStart[i] + std::uint32_t(k / ss)) + k % ss] = d[k];
  }
  return L;
}

}  // namespace cfbtest
