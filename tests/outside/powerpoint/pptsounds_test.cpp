#include "pptsounds.h"

#include <gtest/gtest.h>

#include "pptfile.h"
#include "ppt_writer.h"

using namespace ppttest;

namespace {

const std::string Chime = "RIFF-chime", Voice = "RIFF-voice";

ppt::TShowSounds Read(const std::vector<TSlide> &slides, const std::string &documentExtras) {
  TDeck deck = Deck(slides, true, documentExtras);
  return ppt::ReadShowSounds(deck.Document, deck.CurrentEdit);
}

std::string Collection() { return SoundCollection({{"1", "chime.wav", Chime}, {"2", "voice.wav", Voice}}); }

}  // namespace

TEST(TransitionSounds, FollowTheFlagsAndTheSoundCollection) {
  std::vector<TSlide> slides(5);
  slides[0].Info = SlideInfoWithSound(1, fSound | fLoopSound);
  slides[1].Info = SlideInfoWithSound(0, fSound);          // the flag without a sound, as LibreOffice writes it
  slides[2].Info = SlideInfoWithSound(0, fStopSound);      // "stop previous sound"
  slides[3].Info = SlideInfoWithSound(7, fSound);          // a sound the collection lacks
  slides[4].Info = SlideInfoWithSound(1, fManualAdvance);  // a reference without the flag
  ppt::TShowSounds show = Read(slides, Collection());
  ASSERT_EQ(show.Slides.size(), 5u);
  ASSERT_TRUE(show.Slides[0].Transition);
  EXPECT_TRUE(show.Slides[0].Transition->Loop);
  EXPECT_EQ(show.Sounds.at(show.Slides[0].Transition->Sound).Data, Chime);
  EXPECT_EQ(show.Sounds[0].Name, "chime.wav");
  EXPECT_EQ(show.Sounds[0].Extension, ".wav");
  for (int i : {1, 2, 3, 4}) EXPECT_FALSE(show.Slides[std::size_t(i)].Transition) << "slide " << i + 1;
  EXPECT_FALSE(show.Slides[0].StopPrevious);
  EXPECT_TRUE(show.Slides[2].StopPrevious);
}

TEST(SlideSounds, AutomaticOnesPlayInTheSlidesOrderUntilOneWaitsForAClick) {
  std::vector<TSlide> slides(1);
  slides[0].Shapes = Shape(2, AnimationInfo(fAutomatic | fPlay, 0, 500, 2)) +
                     Shape(1, AnimationInfo(fAutomatic | fPlay | fAnimStopSound, 0, 0, 1, 3)) +
                     Shape(std::nullopt, AnimationInfo(fPlay, 0, 0, 3)) +  // starts on a click
                     Shape(3, AnimationInfo(fAutomatic | fPlay, 0, 0, 4)) +
                     Shape(std::nullopt, AnimationInfo(fAutomatic | fAnimSound, 0, 0, 0));  // no sound at all
  std::string objects = ObjectList(LinkedWav(1, "C:\\Talks\\Intro.WAV", fMediaLoop) + EmbeddedWav(2, 2) +
                                   EmbeddedWav(3, 1));
  ppt::TShowSounds show = Read(slides, Collection() + objects);
  const auto &cues = show.Slides[0].Automatic;
  ASSERT_EQ(cues.size(), 2u);
  const ppt::TSound &linked = show.Sounds.at(cues[0].Sound);
  EXPECT_EQ(linked.LinkPath, "C:\\Talks\\Intro.WAV");
  EXPECT_EQ(linked.Name, "Intro.WAV");
  EXPECT_TRUE(linked.Data.empty());
  EXPECT_TRUE(cues[0].Loop);
  EXPECT_TRUE(cues[0].StopOthers);
  EXPECT_EQ(cues[0].SlideCount, 3);
  EXPECT_EQ(show.Sounds.at(cues[1].Sound).Data, Voice);
  EXPECT_EQ(cues[1].DelayMs, 500);
  EXPECT_FALSE(cues[1].Loop);
  EXPECT_EQ(cues[1].SlideCount, 1);
}

TEST(SlideSounds, NarrationAndAnimationSoundsPlayAndASharedSoundIsReadOnce) {
  std::vector<TSlide> slides(2);
  slides[0].Info = SlideInfoWithSound(1, fSound);
  slides[0].Shapes = Shape(std::nullopt, AnimationInfo(fAutomatic | fAnimSound, 1, 0, 1)) +
                     Shape(5, "");  // narration, no animation of its own
  slides[1].Shapes = Shape(6, "");   // an ordinary sound object: waits for a click
  ppt::TShowSounds show =
      Read(slides, Collection() + ObjectList(EmbeddedWav(5, 2, fMediaNarration) + EmbeddedWav(6, 1)));
  const auto &cues = show.Slides[0].Automatic;
  ASSERT_EQ(cues.size(), 2u);
  EXPECT_EQ(show.Sounds.at(cues[0].Sound).Data, Voice);  // narration first
  EXPECT_EQ(cues[1].Sound, show.Slides[0].Transition->Sound);
  EXPECT_EQ(show.Sounds.size(), 2u);
  EXPECT_TRUE(show.Slides[1].Automatic.empty());
}

TEST(SlideSounds, DamagedRecordsAreRefusedAndUnusableSoundsIgnored) {
  std::vector<TSlide> slides(1);
  // A sound whose id is no number cannot be referred to.
  slides[0].Info = SlideInfoWithSound(1, fSound);
  EXPECT_FALSE(Read(slides, SoundCollection({{"one", "x.wav", Chime}})).Slides[0].Transition);

  slides[0].Shapes = Shape(1, Container(0x1014, Record(0x0FF1, std::string(20, '\0'), 0, 1)));
  TDeck shortAtom = Deck(slides, true, Collection());
  EXPECT_THROW(ppt::ReadShowSounds(shortAtom.Document, shortAtom.CurrentEdit), ppt::EFormatError);

  std::string nested = Shape(1, AnimationInfo(fAutomatic | fPlay, 0, 0, 1));
  for (int i = 0; i < 40; ++i) nested = Container(0xF003, nested);
  slides[0].Shapes = nested;
  TDeck deep = Deck(slides, true, Collection());
  EXPECT_THROW(ppt::ReadShowSounds(deep.Document, deep.CurrentEdit), ppt::EFormatError);

  // A sound record running past its container.
  std::string collection = Collection();
  collection[collection.size() - Voice.size() - 4] = char(0x7F);
  TDeck overlong = Deck({TSlide{}}, true, collection);
  EXPECT_THROW(ppt::ReadShowSounds(overlong.Document, overlong.CurrentEdit), ppt::EFormatError);
}
