#include "pptfile.h"

#include <gtest/gtest.h>

#include "ppt_writer.h"

using namespace ppttest;
using ppt::EFormatError;

namespace {

void ExpectTransition(const ppt::TSlideTransition &t, bool onClick, bool onTime, float seconds) {
  EXPECT_EQ(t.AdvanceOnClick, onClick);
  EXPECT_EQ(t.AdvanceOnTime, onTime);
  EXPECT_FLOAT_EQ(t.AdvanceTime(), seconds);
}

template <typename F>
void ExpectRefused(F read, const std::string &part) {
  try {
    read();
    ADD_FAILURE() << "accepted; expected an error with \"" << part << "\"";
  } catch (const EFormatError &e) {
    EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
  }
}

std::vector<TSlide> ThreeSlides() {
  std::vector<TSlide> slides(3);
  slides[1].Info = SlideInfo(3500, fManualAdvance | fAutoAdvance);
  slides[2].Info = SlideInfo(1500, fAutoAdvance);
  return slides;
}

}  // namespace

TEST(SlideTransitionFlags, FollowTheTransitionRecordBits) {
  ExpectTransition(ppt::ParseSlideShowSlideInfo(SlideInfo(2000, fManualAdvance)), true, false, 2);
  ExpectTransition(ppt::ParseSlideShowSlideInfo(SlideInfo(2000, fAutoAdvance)), false, true, 2);
  ExpectTransition(ppt::ParseSlideShowSlideInfo(SlideInfo(0, 0)), false, false, 0);
  EXPECT_TRUE(ppt::ParseSlideShowSlideInfo(SlideInfo(0, fHidden)).Hidden);
}

TEST(SlideTransitionFlags, SoundAndCursorBitsDoNotChangeTheAdvance) {
  auto t = ppt::ParseSlideShowSlideInfo(SlideInfo(700, fSound | fLoopSound | fStopSound | fCursorVisible | fHidden));
  ExpectTransition(t, false, false, 0.7f);
}

TEST(SlideTransitionFlags, TimeIsMillisecondsKeptWithinADay) {
  EXPECT_EQ(ppt::ParseSlideShowSlideInfo(SlideInfo(3500, fAutoAdvance)).SlideTimeMs, 3500);
  EXPECT_EQ(ppt::ParseSlideShowSlideInfo(SlideInfo(-5, fAutoAdvance)).SlideTimeMs, 0);
  EXPECT_EQ(ppt::ParseSlideShowSlideInfo(SlideInfo(0x7FFFFFFF, fAutoAdvance)).SlideTimeMs, 86399000);
  ExpectRefused([] { ppt::ParseSlideShowSlideInfo(std::string(10, '\0')); }, "too short");
}

TEST(SlideList, ReadsSlidesInListOrderWithTheirTransitions) {
  TDeck deck = Deck(ThreeSlides());
  auto slides = ppt::ReadSlides(deck.Document, deck.CurrentEdit);
  ASSERT_EQ(slides.size(), 3u);
  ExpectTransition(slides[0], true, false, 0);  // no transition record: click only
  ExpectTransition(slides[1], true, true, 3.5f);
  ExpectTransition(slides[2], false, true, 1.5f);
}

TEST(SlideList, FollowsPersistIdsNotFileOrder) {
  // Slides stored in reverse order; the list still names them first to last.
  std::vector<TSlide> slides = ThreeSlides();
  TDeck deck;
  deck.Document = Record(0x0FF3, "x");
  std::string list = SlidePersist(7) + SlidePersist(6) + SlidePersist(5);
  std::vector<std::pair<std::uint32_t, std::uint32_t>> dir;
  std::uint32_t doc = std::uint32_t(deck.Document.size());
  deck.Document += Container(0x03E8, Container(0x0FF0, list));
  dir.push_back({1, doc});
  for (std::uint32_t id : {5u, 6u, 7u}) {
    dir.push_back({id, std::uint32_t(deck.Document.size())});
    deck.Document += SlideContainer(slides[7 - id]);
  }
  std::uint32_t pd = std::uint32_t(deck.Document.size());
  deck.Document += PersistDirectory(dir);
  deck.CurrentEdit = std::uint32_t(deck.Document.size());
  deck.Document += UserEdit(0, pd, 1);
  auto read = ppt::ReadSlides(deck.Document, deck.CurrentEdit);
  ASSERT_EQ(read.size(), 3u);
  ExpectTransition(read[0], true, false, 0);
  ExpectTransition(read[1], true, true, 3.5f);
  ExpectTransition(read[2], false, true, 1.5f);
}

TEST(SlideList, NewestEditWins) {
  TDeck deck = Deck(ThreeSlides());
  // A later save rewrote slide 1 (persist id 2) with a 4-second automatic advance.
  TSlide changed;
  changed.Info = SlideInfo(4000, fAutoAdvance);
  std::uint32_t newSlide = std::uint32_t(deck.Document.size());
  deck.Document += SlideContainer(changed);
  std::uint32_t pd = std::uint32_t(deck.Document.size());
  deck.Document += PersistDirectory({{2, newSlide}});
  std::uint32_t edit = std::uint32_t(deck.Document.size());
  deck.Document += UserEdit(deck.CurrentEdit, pd, 1);

  auto slides = ppt::ReadSlides(deck.Document, edit);
  ASSERT_EQ(slides.size(), 3u);
  ExpectTransition(slides[0], false, true, 4);
  ExpectTransition(slides[1], true, true, 3.5f);  // still from the first edit
  // The older edit alone still gives the old slide.
  ExpectTransition(ppt::ReadSlides(deck.Document, deck.CurrentEdit)[0], true, false, 0);
}

TEST(SlideList, SavesThatShareOneDirectoryReadLikeOne) {
  // A deck saved many times: most edits name the first directory, one in their midst and the one
  // after them a second directory (slide 3), the newest edit a third (slide 1).
  TDeck deck = Deck(ThreeSlides());
  const std::uint32_t firstDirectory = deck.CurrentEdit - 8 - 4 * 2 * 4;
  TSlide middle, newest;
  middle.Info = SlideInfo(2000, fAutoAdvance);
  newest.Info = SlideInfo(4000, fAutoAdvance);
  const std::uint32_t middleSlide = std::uint32_t(deck.Document.size());
  deck.Document += SlideContainer(middle);
  const std::uint32_t middleDirectory = std::uint32_t(deck.Document.size());
  deck.Document += PersistDirectory({{4, middleSlide}});
  std::uint32_t edit = deck.CurrentEdit;
  for (int i = 0; i <= 300; ++i) {
    const std::uint32_t next = std::uint32_t(deck.Document.size());
    deck.Document += UserEdit(edit, i == 150 || i == 300 ? middleDirectory : firstDirectory, 1);
    edit = next;
  }
  const std::uint32_t newestSlide = std::uint32_t(deck.Document.size());
  deck.Document += SlideContainer(newest);
  const std::uint32_t newestDirectory = std::uint32_t(deck.Document.size());
  deck.Document += PersistDirectory({{2, newestSlide}});
  const std::uint32_t current = std::uint32_t(deck.Document.size());
  deck.Document += UserEdit(edit, newestDirectory, 1);

  auto slides = ppt::ReadSlides(deck.Document, current);
  ASSERT_EQ(slides.size(), 3u);
  ExpectTransition(slides[0], false, true, 4);
  ExpectTransition(slides[1], true, true, 3.5f);
  ExpectTransition(slides[2], false, true, 2);
}

TEST(SlideList, EmptySlideListHasNoSlides) {
  TDeck deck = Deck({});
  EXPECT_TRUE(ppt::ReadSlides(deck.Document, deck.CurrentEdit).empty());
}

TEST(SlideList, RefusesDocumentWithoutSlideList) {
  TDeck deck = Deck(ThreeSlides(), false);
  ExpectRefused([&] { ppt::ReadSlides(deck.Document, deck.CurrentEdit); }, "no slide list");
}

TEST(SlideList, RefusesLoopInTheEditChain) {
  TDeck deck = Deck(ThreeSlides());
  std::uint32_t pd = deck.CurrentEdit - 8 - 4 * 2 * 4;  // the persist directory of 4 entries
  std::uint32_t edit = std::uint32_t(deck.Document.size());
  deck.Document += UserEdit(edit, pd, 1);  // names itself as the previous edit
  ExpectRefused([&] { ppt::ReadSlides(deck.Document, edit); }, "loop");
}

TEST(SlideList, RefusesBrokenReferences) {
  TDeck deck = Deck(ThreeSlides());
  ExpectRefused([&] { ppt::ReadSlides(deck.Document, deck.CurrentEdit + 1); }, "edit record");
  ExpectRefused([&] { ppt::ReadSlides(deck.Document, 0xFFFFFFF0); }, "past the end");

  // Slide 2 (persist id 3, the third directory entry) missing from the directory.
  TDeck missing = Deck(ThreeSlides());
  std::size_t pdBody = missing.CurrentEdit - 4 * 2 * 4;
  missing.Document[pdBody + 16] = char(99);
  ExpectRefused([&] { ppt::ReadSlides(missing.Document, missing.CurrentEdit); }, "slide 2 is missing");

  // A slide reference that lands on something that is not a slide.
  TDeck wrong = Deck(ThreeSlides());
  for (int k = 0; k < 4; ++k) wrong.Document[pdBody + 20 + k] = 0;
  ExpectRefused([&] { ppt::ReadSlides(wrong.Document, wrong.CurrentEdit); }, "slide 2 not found");
}

TEST(SlideList, RefusesRecordsLongerThanTheirStreamOrContainer) {
  TDeck deck = Deck(ThreeSlides());
  std::string longSlide = deck.Document;
  longSlide[deck.SlideOffsets[2] + 7] = 0x7F;  // slide 3's length
  ExpectRefused([&] { ppt::ReadSlides(longSlide, deck.CurrentEdit); }, "longer than");

  std::string longChild = deck.Document;
  longChild[deck.SlideOffsets[1] + 8 + 7] = 0x01;  // slide 2's first child reaches past the slide
  ExpectRefused([&] { ppt::ReadSlides(longChild, deck.CurrentEdit); }, "longer than");

  ExpectRefused([&] { ppt::ReadSlides(deck.Document.substr(0, deck.CurrentEdit + 20), deck.CurrentEdit); },
                "longer than");
}

TEST(CurrentUser, GivesTheOffsetOfTheCurrentEdit) {
  EXPECT_EQ(ppt::ReadCurrentUser(CurrentUser(0x1234)), 0x1234u);
}

TEST(CurrentUser, RefusesEncryptedAndForeignStreams) {
  ExpectRefused([] { ppt::ReadCurrentUser(CurrentUser(10, 0xF3D1C4DF)); }, "encrypted");
  ExpectRefused([] { ppt::ReadCurrentUser(CurrentUser(10, 0x12345678)); }, "version");
  ExpectRefused([] { ppt::ReadCurrentUser(Record(0x0FF5, std::string(20, '\0'))); }, "current-user");
  ExpectRefused([] { ppt::ReadCurrentUser("abc"); }, "current-user");
}

TEST(CurrentUser, EditWithSessionKeyMeansEncrypted) {
  TDeck deck = Deck(ThreeSlides());
  std::uint32_t pd = deck.CurrentEdit - 8 - 4 * 2 * 4;
  std::uint32_t edit = std::uint32_t(deck.Document.size());
  deck.Document += UserEdit(0, pd, 1, 9);
  ExpectRefused([&] { ppt::ReadSlides(deck.Document, edit); }, "encrypted");
}

TEST(PresentationFile, ReadsADeckFromACompoundFileWithEitherSectorSize) {
  TDeck deck = Deck(ThreeSlides());
  for (std::uint32_t sectorSize : {512u, 4096u}) {
    ppt::TCompoundFile file(ppt::MemorySource(DeckFile(deck, sectorSize)));
    auto slides = ppt::ReadPresentation(file);
    ASSERT_EQ(slides.size(), 3u);
    ExpectTransition(slides[1], true, true, 3.5f);
  }
  deck.Document += Record(0x0FFF, std::string(9000, 'z'));  // document outside the mini stream
  ppt::TCompoundFile big(ppt::MemorySource(DeckFile(deck)));
  EXPECT_EQ(ppt::ReadPresentation(big).size(), 3u);
}

TEST(PresentationFile, RefusesCompoundFilesWithoutPresentationStreams) {
  auto other = cfbtest::Build({{"WordDocument", std::string(5000, 'w')}, {"Current User", CurrentUser(0)}});
  ExpectRefused([&] { ppt::ReadPresentation(ppt::TCompoundFile(ppt::MemorySource(other.Bytes))); },
                "no presentation document");
  TDeck deck = Deck(ThreeSlides());
  auto noUser = cfbtest::Build({{"PowerPoint Document", deck.Document}});
  ExpectRefused([&] { ppt::ReadPresentation(ppt::TCompoundFile(ppt::MemorySource(noUser.Bytes))); }, "current-user");
}
