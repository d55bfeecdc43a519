#include "compoundfile.h"

#include <gtest/gtest.h>

#include <random>

#include "cfb_writer.h"
#include "pptfile.h"
#include "ppt_writer.h"

using ppt::EFormatError;
using ppt::MemorySource;
using ppt::TCompoundFile;

namespace {

std::string Pattern(std::size_t size, unsigned seed) {
  std::string s(size, '\0');
  std::mt19937 rng(seed);
  for (char &c : s) c = char(rng());
  return s;
}

std::vector<cfbtest::TStream> SampleStreams() {
  return {{"Current User", Pattern(62, 1)},
          {"PowerPoint Document", Pattern(10000, 2)},
          {"Pictures", Pattern(5000, 3)},
          {"\x05SummaryInformation", Pattern(300, 4)},
          {"Empty", ""}};
}

TCompoundFile Open(const std::string &bytes) { return TCompoundFile(MemorySource(bytes)); }

void ExpectAllStreamsRead(const std::string &bytes, const std::vector<cfbtest::TStream> &streams) {
  TCompoundFile file = Open(bytes);
  for (const auto &s : streams) {
    std::uint32_t entry = file.Find(s.Name);
    ASSERT_NE(entry, TCompoundFile::NoStream) << s.Name;
    EXPECT_TRUE(file.ReadStream(entry) == s.Data) << s.Name;
  }
}

// Expects the reader to refuse the bytes with a message that holds `part`.
void ExpectRefused(const std::string &bytes, const std::string &part, bool readStreams = true) {
  try {
    TCompoundFile file = Open(bytes);
    if (readStreams)
      for (std::uint32_t i : file.Children(0)) file.ReadStream(i);
    ADD_FAILURE() << "accepted; expected an error with \"" << part << "\"";
  } catch (const EFormatError &e) {
    EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
  }
}

}  // namespace

TEST(CompoundFileRead, ReadsMiniAndRegularStreamsWith512ByteSectors) {
  auto streams = SampleStreams();
  auto layout = cfbtest::Build(streams);
  ExpectAllStreamsRead(layout.Bytes, streams);
  EXPECT_EQ(Open(layout.Bytes).SectorSize(), 512u);
}

TEST(CompoundFileRead, ReadsMiniAndRegularStreamsWith4096ByteSectors) {
  auto streams = SampleStreams();
  cfbtest::TOptions o;
  o.SectorSize = 4096;
  auto layout = cfbtest::Build(streams, o);
  ExpectAllStreamsRead(layout.Bytes, streams);
  EXPECT_EQ(Open(layout.Bytes).SectorSize(), 4096u);
}

TEST(CompoundFileRead, FollowsAChainOfDifatSectors) {
  auto streams = SampleStreams();
  cfbtest::TOptions o;
  o.MinFatSectors = 300;  // 109 listed in the header, the rest in two DIFAT sectors of 127
  auto layout = cfbtest::Build(streams, o);
  ASSERT_EQ(layout.DifatSectors.size(), 2u);
  ExpectAllStreamsRead(layout.Bytes, streams);
}

TEST(CompoundFileRead, ReadsStreamsWhoseFatSectorsAreListedInDifatSectors) {
  // Over 109 * 128 sectors of padding first, so the last stream's chain lives in FAT sectors that
  // only a DIFAT sector lists.
  std::vector<cfbtest::TStream> streams = {{"Padding", std::string(7200 * 1024, 'p')}, {"Tail", Pattern(9000, 8)}};
  auto layout = cfbtest::Build(streams);
  ASSERT_FALSE(layout.DifatSectors.empty());
  ASSERT_GE(layout.StreamStart[1] / 128, 109u);
  ExpectAllStreamsRead(layout.Bytes, streams);
}

TEST(CompoundFileRead, ReadsStreamsBeyondTheFirstFatSectorsWith4096ByteSectors) {
  auto streams = SampleStreams();
  streams.push_back({"Big", Pattern(5 * 1024 * 1024, 5)});  // needs more than one FAT sector of 1024 entries
  cfbtest::TOptions o;
  o.SectorSize = 4096;
  auto layout = cfbtest::Build(streams, o);
  ASSERT_GT(layout.FatSectors.size(), 1u);
  ExpectAllStreamsRead(layout.Bytes, streams);
}

TEST(CompoundFileRead, ListsChildrenInTreeOrderAndFindsNamesIgnoringCase) {
  auto streams = SampleStreams();
  TCompoundFile file = Open(cfbtest::Build(streams).Bytes);
  auto children = file.Children(0);
  ASSERT_EQ(children.size(), streams.size());
  for (std::size_t i = 0; i < streams.size(); ++i) EXPECT_EQ(file.Entries()[children[i]].Name, streams[i].Name);
  EXPECT_EQ(file.Find("powerpoint DOCUMENT"), file.Find("PowerPoint Document"));
  EXPECT_EQ(file.Find("PowerPoint Document2"), TCompoundFile::NoStream);
}

TEST(CompoundFileRead, IgnoresHighSizeWordOfVersion3Entries) {
  auto streams = SampleStreams();
  auto layout = cfbtest::Build(streams);
  layout.Put32(layout.DirEntryOffset(2) + 0x7C, 0xDEADBEEF);  // "PowerPoint Document"
  ExpectAllStreamsRead(layout.Bytes, streams);
}

TEST(CompoundFileRead, AcceptsAShortLastSector) {
  std::vector<cfbtest::TStream> streams = {{"A", Pattern(4500, 6)}};
  auto layout = cfbtest::Build(streams);
  std::string cut = layout.Bytes.substr(0, layout.Bytes.size() - 100);  // 404 bytes used of the last sector
  ExpectAllStreamsRead(cut, streams);
}

TEST(CompoundFileRefuses, FilesThatAreNotCompoundFiles) {
  ExpectRefused("", "empty");
  ExpectRefused("This is plain text and not a presentation at all.\n", "not a compound file");
  ExpectRefused(std::string(4096, 'x'), "not a compound file");
}

TEST(CompoundFileRefuses, TruncatedFiles) {
  auto layout = cfbtest::Build(SampleStreams());
  ExpectRefused(layout.Bytes.substr(0, 300), "truncated");
  ExpectRefused(layout.Bytes.substr(0, 512), "truncated");
  // Cut inside the big stream: the header and directory are there, the stream is not.
  ExpectRefused(layout.Bytes.substr(0, layout.SectorOffset(layout.StreamStart[1]) + 1024), "truncated");
}

TEST(CompoundFileRefuses, LoopsInSectorChains) {
  auto layout = cfbtest::Build(SampleStreams());
  std::uint32_t first = layout.StreamStart[1];
  layout.SetFat(first + 3, first + 1);
  ExpectRefused(layout.Bytes, "loop");

  auto dirLoop = cfbtest::Build(SampleStreams());
  dirLoop.SetFat(dirLoop.FirstDirSector, dirLoop.FirstDirSector);
  ExpectRefused(dirLoop.Bytes, "loop");

  auto miniLoop = cfbtest::Build(SampleStreams());
  // "\x05SummaryInformation" lives in the mini stream over several mini sectors.
  std::size_t miniFatEntry = miniLoop.SectorOffset(miniLoop.Get32(0x3C)) + 4 * (miniLoop.StreamStart[3] + 1);
  miniLoop.Put32(miniFatEntry, miniLoop.StreamStart[3]);
  ExpectRefused(miniLoop.Bytes, "loop");
}

TEST(CompoundFileRefuses, SectorNumbersPastTheEnd) {
  auto layout = cfbtest::Build(SampleStreams());
  layout.SetFat(layout.StreamStart[1] + 2, 0x00FFFFFF);
  ExpectRefused(layout.Bytes, "past the end");

  auto dir = cfbtest::Build(SampleStreams());
  dir.Put32(0x30, 0x7FFFFFFF);  // first directory sector
  ExpectRefused(dir.Bytes, "past the end");

  auto fat = cfbtest::Build(SampleStreams());
  fat.Put32(0x4C, 0x0000FFFF);  // first FAT sector
  ExpectRefused(fat.Bytes, "past the end");
}

TEST(CompoundFileRefuses, AbsurdSizesAndCounts) {
  auto size = cfbtest::Build(SampleStreams());
  size.Put32(size.DirEntryOffset(2) + 0x78, 0xFFFFFFF0);
  ExpectRefused(size.Bytes, "larger than the file");

  cfbtest::TOptions v4;
  v4.SectorSize = 4096;
  auto size64 = cfbtest::Build(SampleStreams(), v4);
  size64.Put32(size64.DirEntryOffset(2) + 0x7C, 0x7FFFFFFF);
  ExpectRefused(size64.Bytes, "larger than the file");

  auto fats = cfbtest::Build(SampleStreams());
  fats.Put32(0x2C, 0x7FFFFFFF);  // FAT sector count
  ExpectRefused(fats.Bytes, "truncated");

  auto root = cfbtest::Build(SampleStreams());
  root.Put32(root.DirEntryOffset(0) + 0x78, 0xFFFFFFFF);  // mini stream size
  ExpectRefused(root.Bytes, "larger than the file");

  auto shift = cfbtest::Build(SampleStreams());
  cfbtest::Put16(shift.Bytes, 0x1E, 30);
  ExpectRefused(shift.Bytes, "sector size");
}

TEST(CompoundFileRefuses, DifatChainsThatLoopOrEndEarly) {
  cfbtest::TOptions o;
  o.MinFatSectors = 300;
  auto loop = cfbtest::Build(SampleStreams(), o);
  std::size_t lastWord = loop.SectorOffset(loop.DifatSectors[0]) + loop.SectorSize - 4;
  loop.Put32(lastWord, loop.DifatSectors[0]);
  ExpectRefused(loop.Bytes, "loop");

  auto early = cfbtest::Build(SampleStreams(), o);
  early.Put32(early.SectorOffset(early.DifatSectors[0]) + early.SectorSize - 4, cfbtest::EndOfChain);
  ExpectRefused(early.Bytes, "ends early");
}

TEST(CompoundFileRefuses, MissingRootEntry) {
  auto layout = cfbtest::Build(SampleStreams());
  layout.Bytes[layout.DirEntryOffset(0) + 0x42] = 1;  // a storage, not the root
  ExpectRefused(layout.Bytes, "root");
}

TEST(CompoundFileRead, SiblingTreeWithCyclesEndsWithEachEntryOnce) {
  auto layout = cfbtest::Build(SampleStreams());
  // Point a leaf's right link back at the top of the tree, and a left link at itself.
  std::uint32_t top = layout.Get32(layout.DirEntryOffset(0) + 0x4C);
  for (std::uint32_t i = 1; i <= 5; ++i) {
    if (i == top) continue;
    layout.Put32(layout.DirEntryOffset(i) + 0x48, top);
    layout.Put32(layout.DirEntryOffset(i) + 0x44, i);
  }
  TCompoundFile file = Open(layout.Bytes);
  auto children = file.Children(0);
  std::sort(children.begin(), children.end());
  EXPECT_TRUE(std::adjacent_find(children.begin(), children.end()) == children.end());
  EXPECT_LE(children.size(), 5u);
}

// Random damage to a valid presentation must end in a clean error or a clean result, never
// a crash or a hang.
TEST(CompoundFileRobustness, RandomMutationsOfAValidPresentation) {
  using namespace ppttest;
  std::vector<TSlide> slides(4);
  slides[1].Info = SlideInfo(3500, fManualAdvance | fAutoAdvance);
  TDeck deck = Deck(slides);
  deck.Document += Record(0x0FFF, Pattern(6000, 7));  // push the document out of the mini stream
  const std::string valid = DeckFile(deck);
  ASSERT_EQ(ppt::ReadPresentation(Open(valid)).size(), 4u);

  std::mt19937 rng(20240611);
  int refused = 0, accepted = 0;
  for (int iteration = 0; iteration < 3000; ++iteration) {
    std::string bytes = valid;
    int edits = 1 + int(rng() % 8);
    for (int e = 0; e < edits; ++e) {
      // Mostly header, allocation tables and directory, where damage matters most.
      std::size_t at = rng() % 4 ? rng() % std::min<std::size_t>(bytes.size(), 3072) : rng() % bytes.size();
      switch (rng() % 3) {
        case 0: bytes[at] = char(rng()); break;
        case 1: bytes[at] ^= char(1u << (rng() % 8)); break;
        default: {
          std::uint32_t word = rng() % 2 ? 0xFFFFFFFF - rng() % 8 : rng() % 64;
          if (at + 4 <= bytes.size()) std::memcpy(bytes.data() + at, &word, 4);
        }
      }
    }
    if (rng() % 10 == 0) bytes.resize(rng() % bytes.size());
    try {
      TCompoundFile file = Open(bytes);
      for (std::uint32_t i : file.Children(0)) file.ReadStream(i);
      ppt::ReadPresentation(file);
      ++accepted;
    } catch (const EFormatError &) {
      ++refused;
    }
  }
  EXPECT_GT(refused, 0);
  EXPECT_GT(accepted, 0);
}
