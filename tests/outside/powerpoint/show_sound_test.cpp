// Which sounds the show starts and stops as its slides appear, and where linked sounds are found.
#include "show_sound.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>


namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using TClock = ppt::TShowSoundtrack::TClock;

// Remembers what plays; sounds never end by themselves.
class TFakeOutput : public ppt::TSoundOutput {
public:
  int Play(const std::string &rawPath, bool loop) override {
    Playing_[++Last] = rawPath;
    Started.push_back(rawPath + (loop ? " loop" : ""));
    return Last;
  }
  void Stop(int sound) override { Playing_.erase(sound); }
  bool Playing(int sound) const override { return Playing_.count(sound) > 0; }
  std::vector<std::string> Now() const {
    std::vector<std::string> names;
    for (const auto &[number, path] : Playing_) names.push_back(path);
    return names;
  }
  std::vector<std::string> Started;

private:
  std::map<int, std::string> Playing_;
  int Last = 0;
};

ppt::TSoundCue Cue(std::size_t sound, bool loop = false, int slides = 1, int delayMs = 0, bool stopOthers = false) {
  return ppt::TSoundCue{sound, loop, stopOthers, delayMs, slides};
}

using Names = std::vector<std::string>;
const std::vector<std::string> Decoded = {"a.raw", "b.raw", "c.raw", "", "e.raw"};

}  // namespace

TEST(ShowSoundtrack, SlideSoundsEndWithTheirSlidesUnlessSetToPlayAcross) {
  std::vector<ppt::TSlideSounds> slides(4);
  slides[0].Transition = Cue(0);
  slides[0].Automatic = {Cue(1), Cue(2, true, 2)};
  TFakeOutput out;
  ppt::TShowSoundtrack track(slides, Decoded, out);
  const TClock::time_point t0 = TClock::now();
  track.SlideShown(1, t0);
  EXPECT_EQ(out.Now(), (Names{"a.raw", "b.raw", "c.raw"}));
  EXPECT_EQ(out.Started, (Names{"a.raw", "b.raw", "c.raw loop"}));
  track.SlideShown(2, t0 + 1s);
  EXPECT_EQ(out.Now(), (Names{"a.raw", "c.raw"}));  // the transition sound plays on
  track.SlideShown(3, t0 + 2s);
  EXPECT_EQ(out.Now(), (Names{"a.raw"}));
  track.Ended();
  EXPECT_TRUE(out.Now().empty());
}

TEST(ShowSoundtrack, LoopUntilNextSoundAndStopPreviousSilenceWhatPlays) {
  std::vector<ppt::TSlideSounds> slides(3);
  slides[0].Transition = Cue(0, true);
  slides[0].Automatic = {Cue(1, false, 1, 300)};
  slides[1].Transition = Cue(2);
  slides[2].StopPrevious = true;
  TFakeOutput out;
  ppt::TShowSoundtrack track(slides, Decoded, out);
  const TClock::time_point t0 = TClock::now();
  track.SlideShown(1, t0);
  EXPECT_EQ(out.Now(), (Names{"a.raw"}));
  EXPECT_EQ(track.Run(t0 + 299ms), t0 + 300ms);
  EXPECT_EQ(track.Run(t0 + 300ms), TClock::time_point::max());
  EXPECT_EQ(out.Now(), (Names{"b.raw"}));  // the loop ended as the next sound began
  track.SlideShown(2, t0 + 1s);
  EXPECT_EQ(out.Now(), (Names{"c.raw"}));
  track.SlideShown(3, t0 + 2s);
  EXPECT_TRUE(out.Now().empty());
}

TEST(ShowSoundtrack, WaitingSoundsOfASlideLeftEarlyNeverStartAndUndecodedOnesAreSkipped) {
  std::vector<ppt::TSlideSounds> slides(2);
  slides[0].Automatic = {Cue(3), Cue(0, false, 1, 2000)};
  slides[1].Automatic = {Cue(4, false, 1, 0, true)};
  TFakeOutput out;
  ppt::TShowSoundtrack track(slides, Decoded, out);
  const TClock::time_point t0 = TClock::now();
  track.SlideShown(1, t0);
  EXPECT_TRUE(out.Now().empty());  // sound 3 could not be decoded
  track.SlideShown(2, t0 + 1s);
  track.Run(t0 + 5s);
  EXPECT_EQ(out.Started, (Names{"e.raw"}));
  track.SlideShown(9, t0 + 6s);  // a slide the file does not list: nothing of its own
  EXPECT_TRUE(out.Now().empty());
}

TEST(LinkedSounds, AreFoundAsStoredOrBesideThePresentationInAnyCase) {
  std::string pattern = (fs::temp_directory_path() / "vantrel-test-XXXXXX").string();
  ASSERT_TRUE(mkdtemp(pattern.data()));
  const fs::path dir = pattern;
  const fs::path deck = dir / "talk.ppt";
  fs::create_directories(dir / "media");
  for (const char *name : {"Voice Over.wav", "media/intro.wav"}) std::ofstream(dir / name) << "x";
  const std::string voice = (dir / "Voice Over.wav").string();
  EXPECT_EQ(ppt::FindLinkedFile(voice, deck.string()), voice);
  EXPECT_EQ(ppt::FindLinkedFile("C:\\Users\\ann\\Talks\\VOICE OVER.WAV", deck.string()), voice);
  EXPECT_EQ(ppt::FindLinkedFile("media\\intro.wav", deck.string()), (dir / "media/intro.wav").string());
  EXPECT_EQ(ppt::FindLinkedFile("C:\\Talks\\missing.wav", deck.string()), "");
  EXPECT_EQ(ppt::FindLinkedFile("C:\\Talks\\", deck.string()), "");
  fs::remove_all(dir);
}
