// Ifoinfo.dll read through its C operations, on the generated test DVD.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../../fixtures/dvd/damaged_ifos.h"
#include "ifoinfo.h"
#include "testsupport.h"

namespace fs = std::filesystem;

namespace {

const std::string Dvd = VANTREL_DVD_FIXTURE;
const std::string TitleSetIfo = Dvd + "/VIDEO_TS/VTS_01_0.IFO";

struct Cell {
  uint32_t First, Last;
  int Hours, Minutes, Seconds;
};

uint32_t LE32(const unsigned char *p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

std::vector<Cell> CellsOf(intptr_t h, int title, std::vector<unsigned char> *time = nullptr) {
  unsigned char t[4] = {9, 9, 9, 9};
  const int count = ifoGetPGCIInfo(h, title, t);
  if (time) time->assign(t, t + 4);
  std::vector<unsigned char> raw(static_cast<std::size_t>(count) * IFO_CELL_RECORD_SIZE + 1, 0xEE);
  EXPECT_EQ(ifoGetPGCICells(h, title, raw.data()), count);
  EXPECT_EQ(raw.back(), 0xEE) << "wrote past the cells it announced";
  std::vector<Cell> cells;
  for (int i = 0; i < count; ++i) {
    const unsigned char *r = raw.data() + i * IFO_CELL_RECORD_SIZE;
    cells.push_back({LE32(r), LE32(r + 4), r[13], r[14], r[15]});
  }
  return cells;
}

TEST(IfoTitles, ListsEachProgramChainWithItsCellsAndTimes) {
  const intptr_t h = ifoOpen(TitleSetIfo.c_str(), 0);
  ASSERT_NE(h, 0);
  ASSERT_EQ(ifoGetNumPGCI(h), 2);

  std::vector<unsigned char> time;
  const std::vector<Cell> first = CellsOf(h, 0, &time);
  EXPECT_EQ(time, (std::vector<unsigned char>{0, 0, 6, 0}));
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[0].Seconds, 3);
  EXPECT_EQ(first[1].Seconds, 3);

  const std::vector<Cell> second = CellsOf(h, 1, &time);
  EXPECT_EQ(time, (std::vector<unsigned char>{0, 0, 7, 0}));
  ASSERT_EQ(second.size(), 2u);
  EXPECT_EQ(second[0].Seconds, 4);
  EXPECT_EQ(second[1].Seconds, 3);
  for (const Cell &c : second) EXPECT_EQ(c.Hours * 60 + c.Minutes, 0);
}

TEST(IfoTitles, CellPositionsAreSectorsOfTheTitleVobsInPlayingOrder) {
  const intptr_t h = ifoOpen(TitleSetIfo.c_str(), 0);
  ASSERT_NE(h, 0);
  std::vector<Cell> all = CellsOf(h, 0);
  for (const Cell &c : CellsOf(h, 1)) all.push_back(c);
  const auto vobSectors = fs::file_size(Dvd + "/VIDEO_TS/VTS_01_1.VOB") / 2048;
  EXPECT_EQ(all.front().First, 0u);
  for (std::size_t i = 0; i < all.size(); ++i) {
    EXPECT_GT(all[i].Last, all[i].First + 1000) << "every chapter of the test DVD spans over 1000 sectors";
    if (i > 0) {
      EXPECT_EQ(all[i].First, all[i - 1].Last + 1);
    }
  }
  EXPECT_EQ(all.back().Last + 1, vobSectors);
}

TEST(IfoTracks, DescribesVideoAudioAndSubpictures) {
  const intptr_t h = ifoOpen(TitleSetIfo.c_str(), 0);
  ASSERT_NE(h, 0);
  EXPECT_STREQ(ifoGetVideoDesc(h), "MPEG-2 720x576 PAL 4:3");
  ASSERT_EQ(ifoGetNumAudio(h), 1);
  const std::string audio = ifoGetAudioDesc(h, 0);
  const std::size_t close = audio.find(')');
  ASSERT_NE(close, std::string::npos);
  ASSERT_GE(close, 4u);
  EXPECT_EQ(audio.substr(close - 4, 4), "0x80") << audio;
  EXPECT_NE(audio.find("English"), std::string::npos) << audio;
  EXPECT_EQ(ifoGetNumSubPic(h), 0);
}

TEST(IfoTracks, UnknownIndexesGiveNothing) {
  const intptr_t h = ifoOpen(TitleSetIfo.c_str(), 0);
  ASSERT_NE(h, 0);
  unsigned char time[4] = {1, 2, 3, 4};
  EXPECT_EQ(ifoGetPGCIInfo(h, 2, time), 0);
  EXPECT_EQ(ifoGetPGCIInfo(h, -1, time), 0);
  EXPECT_EQ(std::vector<unsigned char>(time, time + 4), (std::vector<unsigned char>{0, 0, 0, 0}));
  unsigned char cell[IFO_CELL_RECORD_SIZE];
  EXPECT_EQ(ifoGetPGCICells(h, 5, cell), 0);
  EXPECT_STREQ(ifoGetAudioDesc(h, 1), "");
  EXPECT_STREQ(ifoGetSubPicDesc(h, 0), "");
  EXPECT_EQ(ifoGetNumPGCI(0), 0);
  EXPECT_STREQ(ifoGetVideoDesc(0), "");
}

TEST(IfoOpen, ReadsLowerCaseNames) {
  testsupport::TempDir dir;
  fs::create_directories(dir / "video_ts");
  for (const char *name : {"VIDEO_TS.IFO", "VTS_01_0.IFO", "VTS_01_0.BUP"})
    fs::copy_file(Dvd + "/VIDEO_TS/" + name, dir / ("video_ts/" + std::string(name)));
  fs::rename(dir / "video_ts/VTS_01_0.IFO", dir / "video_ts/vts_01_0.ifo");
  const intptr_t h = ifoOpen((dir / "video_ts/vts_01_0.ifo").c_str(), 0);
  ASSERT_NE(h, 0);
  EXPECT_EQ(ifoGetNumPGCI(h), 2);
}

TEST(IfoOpen, TheMenuFileHoldsNoTitles) {
  const intptr_t h = ifoOpen((Dvd + "/VIDEO_TS/VIDEO_TS.IFO").c_str(), 0);
  ASSERT_NE(h, 0);
  EXPECT_EQ(ifoGetNumPGCI(h), 0);
}

TEST(IfoOpen, RefusesWhatItCannotRead) {
  testsupport::TempDir dir;
  fs::create_directories(dir / "VIDEO_TS");
  std::ofstream(dir / "VIDEO_TS/VTS_02_0.IFO") << "not an IFO file";
  fs::copy_file(TitleSetIfo, dir / "VIDEO_TS/title.ifo");
  EXPECT_EQ(ifoOpen((dir / "VIDEO_TS/VTS_02_0.IFO").c_str(), 0), 0);
  EXPECT_EQ(ifoOpen((dir / "VIDEO_TS/VTS_03_0.IFO").c_str(), 0), 0);
  EXPECT_EQ(ifoOpen((dir / "VIDEO_TS/title.ifo").c_str(), 0), 0) << "the title set is told by the name";
  EXPECT_EQ(ifoOpen(nullptr, 0), 0);
  EXPECT_EQ(ifoOpen("", 0), 0);
}

// The damaged copies of the test DVD's IFO file: none takes the process down; a file whose tables do
// not fit cannot be opened; a title whose program chain does not fit comes out without cells and the
// other keeps its own.
TEST(IfoOpen, DamagedFilesNeverTakeTheProcessDown) {
  const intptr_t intact = ifoOpen(TitleSetIfo.c_str(), 0);
  ASSERT_NE(intact, 0);
  for (const damagedifo::TCase &c : damagedifo::Cases()) {
    SCOPED_TRACE(std::string(c.Name) + ": " + c.Damage);
    ASSERT_TRUE(fs::exists(damagedifo::IfoOf(c)));
    const intptr_t h = ifoOpen(damagedifo::IfoOf(c).c_str(), 0);
    if (!c.Readable) {
      EXPECT_EQ(h, 0);
      continue;
    }
    ASSERT_NE(h, 0);
    ASSERT_EQ(ifoGetNumPGCI(h), 2);
    for (int t = 0; t < 2; ++t) {
      const std::vector<Cell> cells = CellsOf(h, t), expected = CellsOf(intact, t);
      if (t == c.EmptyTitle) {
        EXPECT_TRUE(cells.empty()) << "title " << t;
        continue;
      }
      ASSERT_EQ(cells.size(), expected.size()) << "title " << t;
      for (std::size_t i = 0; i < cells.size(); ++i) EXPECT_EQ(cells[i].Last, expected[i].Last);
    }
  }
}

}  // namespace
