// Sound recording with the stereo-mix line, frame selection, and the assembly of the two videos.
#include <QTime>
#include <gtest/gtest.h>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "Kestrune.h"
#include "arecord2.h"
#include "avireader.h"
#include "aviwriter.h"
#include "fakehost.h"
#include "files.h"
#include "jpeg.h"
#include "timer.h"
#include "uCommFunctions.h"
#include "uPPTToVideo.h"
#include "wavfile.h"

namespace fs = std::filesystem;
using fakehost::Message;

namespace {

void WriteBytes(const std::string &path, std::size_t size) { std::ofstream(path, std::ios::binary) << std::string(size, 'x'); }

void WriteJpeg(const std::string &path, const QImage &image) {
  std::vector<std::uint8_t> data = media::JpegCompress(image, 100);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(data.data()), std::streamsize(data.size()));
}

// A steady stereo signal, different on the two channels.
media::TSoundBlock Signal(int units, std::int16_t left, std::int16_t right) {
  media::TSoundBlock block(std::size_t(units) * 2);
  for (int i = 0; i < units; ++i) {
    block[2 * std::size_t(i)] = left;
    block[2 * std::size_t(i) + 1] = right;
  }
  return block;
}

void WriteWav(const std::string &path, int units, std::int16_t left = 1000, std::int16_t right = -1000) {
  media::TWavWriter wav;
  wav.SetOutputFormat(44100, media::kPcm16, 2);
  wav.CreateFile(path, 0);
  wav.WriteBlock(Signal(units, left, right));
  wav.CloseFile();
}

class Recording : public ::testing::Test {
protected:
  void SetUp() override { testsupport::App(); }
  void TearDown() override {
    delete Convertor;
    ChosenRecordLine = -1;
    media::TARecord2::ResetSystemLines();
  }
  // A convertor whose recorder offers these lines, the one at `source` recording.
  media::TARecord2 &MakeConvertor(const std::vector<std::string> &lines, int source) {
    media::TARecord2::SetSystemLines(lines, source);
    delete Convertor;
    PassMainFrmHandlesToDLL(Host.Wnd, 0);
    EnsureWorkingFolder();
    return *Convertor->FAudioRecorder;
  }
  static int VolumeOf(media::TARecord2 &recorder, int line) {
    recorder.SelectLine(line);
    return recorder.GetVolume();
  }
  static int SourceOf(media::TARecord2 &recorder) {
    for (int i = 0; i < recorder.LineCount(); ++i) {
      recorder.SelectLine(i);
      if (recorder.IsCurrentSource()) return i;
    }
    return -1;
  }
  fakehost::WithApp App;
  testsupport::FreshPlaces Places;
  fakehost::Receiver Host;
};

class Assembly : public ::testing::Test {
protected:
  void SetUp() override {
    testsupport::App();
    media::TARecord2::SetSystemLines({"Stereo Mix"}, 0);
    delete Convertor;
    PassMainFrmHandlesToDLL(Host.Wnd, 0);
    Convertor->FStop = false;
    EnsureWorkingFolder();
  }
  void TearDown() override {
    delete Convertor;
    media::TARecord2::ResetSystemLines();
  }
  std::string Path(const std::string &name) const { return WorkingFolder() + "/" + name; }
  void WriteFrames(int first, int count) {
    for (int k = first; k < first + count; ++k) {
      char name[16];
      std::snprintf(name, sizeof name, "%06d.JPG", k);
      WriteJpeg(Path(name), fakehost::SlidePicture(k));
    }
  }
  std::vector<Message> WithText(const std::string &prefix) const {
    std::vector<Message> found;
    for (const Message &m : Host.Seen)
      if (m.Text.rfind(prefix, 0) == 0) found.push_back(m);
    return found;
  }
  fakehost::WithApp App;
  testsupport::FreshPlaces Places;
  fakehost::Receiver Host;
};

}  // namespace

// ---- Recording line ----

TEST_F(Recording, FirstStereoMixLineIsChosenAndGivenBackAfterTheRun) {
  media::TARecord2 &recorder = MakeConvertor({"Microphone", "Line In", "Wave Out Mix (Record)", "Stereo Mix"}, 1);
  recorder.SelectLine(2);
  recorder.SetVolume(1234);

  Convertor->StartRecording();
  EXPECT_EQ(SourceOf(recorder), 2) << "the first matching line in line order";
  EXPECT_EQ(VolumeOf(recorder, 2), 0x8000);
  EXPECT_EQ(VolumeOf(recorder, 3), media::TARecord2::kMaxVolume);
  EXPECT_TRUE(recorder.Recording());
  EXPECT_TRUE(fs::exists(WorkingFolder() + "/OutAudio.WAV"));

  Convertor->StopRecording();
  EXPECT_FALSE(recorder.Recording());
  EXPECT_EQ(SourceOf(recorder), 1);
  EXPECT_EQ(VolumeOf(recorder, 2), 1234);
  EXPECT_EQ(SavedRecordLine, 1);

  recorder.SelectLine(2);
  recorder.SetVolume(777);
  Convertor->StopRecording();
  EXPECT_EQ(VolumeOf(recorder, 2), 777) << "a line is given back only once";
}

TEST_F(Recording, MicrophoneAloneIsNeverChosen) {
  media::TARecord2 &recorder = MakeConvertor({"Microphone", "Line In"}, 1);
  recorder.SelectLine(0);
  recorder.SetVolume(500);
  Convertor->StartRecording();
  EXPECT_EQ(SourceOf(recorder), 1);
  Convertor->StopRecording();
  EXPECT_EQ(SourceOf(recorder), 1);
  EXPECT_EQ(VolumeOf(recorder, 0), 500);
  EXPECT_EQ(VolumeOf(recorder, 1), media::TARecord2::kMaxVolume);
}

TEST_F(Recording, ChineseLineNamesMatchInGbkAndUtf8) {
  for (const std::string &name : {std::string("\xC1\xA2\xCC\xE5\xC9\xF9\xBB\xEC\xD2\xF4"), std::string("立体声混音"),
                                  std::string("\xC2\xBC\xD2\xF4\xBB\xFA"), std::string("录音机"),
                                  std::string("stereo mix")}) {
    media::TARecord2 &recorder = MakeConvertor({"Microphone", name}, 0);
    Convertor->StartRecording();
    EXPECT_EQ(SourceOf(recorder), 1) << name;
    Convertor->StopRecording();
    EXPECT_EQ(SourceOf(recorder), 0) << name;
  }
}

TEST_F(Recording, EndWithoutARunChangesNoLine) {
  media::TARecord2 &recorder = MakeConvertor({"Microphone", "Stereo Mix"}, 0);
  recorder.SelectLine(1);
  recorder.SetVolume(42);
  EndConvert();
  EXPECT_EQ(SourceOf(recorder), 0);
  EXPECT_EQ(VolumeOf(recorder, 1), 42);
}

TEST_F(Recording, LengthIsTheWrittenSoundOrOneSecondWhenNothingWasWritten) {
  MakeConvertor({"Stereo Mix"}, 0);
  Convertor->StopRecording();
  EXPECT_EQ(Convertor->FTotalTime, 1000.0f);

  Convertor->StartRecording();
  win::PumpUntil([] { return false; }, 700);
  Convertor->StopRecording();
  media::TWavReader wav;
  wav.OpenFile(WorkingFolder() + "/OutAudio.WAV", 0, 1);
  EXPECT_EQ(wav.SampleRate(), 44100);
  EXPECT_EQ(wav.Channels(), 2);
  EXPECT_NEAR(Convertor->FTotalTime, wav.LengthMs(), 1.0);
  EXPECT_GE(Convertor->FTotalTime, 600.0f) << "the recording runs in real time";
}

TEST_F(Recording, ASecondStartStopsTheRunningRecordingFirst) {
  media::TARecord2 &recorder = MakeConvertor({"Microphone", "Stereo Mix"}, 0);
  recorder.SelectLine(1);
  recorder.SetVolume(321);
  Convertor->StartRecording();
  Convertor->StartRecording();
  EXPECT_TRUE(recorder.Recording());
  Convertor->StopRecording();
  EXPECT_EQ(SourceOf(recorder), 0) << "the line from before the first start comes back";
  EXPECT_EQ(VolumeOf(recorder, 1), 321);
}

// ---- Frame selection and rate ----

TEST_F(Assembly, FramesAreSelectedBySizeAttributesAndExtension) {
  WriteBytes(Path("000001.JPG"), 8229);
  WriteBytes(Path("000002.JPG"), 15428);
  WriteBytes(Path("000003.JPG"), 9000);
  win::SetFileAttributes(Path("000003.JPG"), win::FILE_ATTRIBUTE_READONLY);
  WriteBytes(Path("000004.jpg"), 9000);
  WriteBytes(Path("000005.JPG"), 9000);
  win::SetFileAttributes(Path("000005.JPG"), win::FILE_ATTRIBUTE_HIDDEN);
  WriteBytes(Path("000006.JPG"), 8230);
  WriteBytes(Path("000007.JPG"), 15429);
  WriteBytes(Path("OutAudio.WAV"), 90000);
  fs::create_directory(Path("000008.JPG"));
  EXPECT_EQ(Convertor->CountUsableFrames(), 2);

  Convertor->FStop = true;
  EXPECT_EQ(Convertor->CountUsableFrames(), 0) << "a stop ends the count at once";
}

TEST_F(Assembly, AFolderThatCannotBeListedCountsNoFrame) {
  DeleteFolderTree(WorkingFolder());
  EXPECT_EQ(Convertor->CountUsableFrames(), 0);
}

TEST(FrameRate, FramesLastAsLongAsTheRecording) {
  // Not a frame a second less: the pictures would fall ever further behind their sound.
  EXPECT_DOUBLE_EQ(FrameRateFor(100, 10000), 10.0);
  EXPECT_DOUBLE_EQ(FrameRateFor(1200, 60000), 20.0);
  EXPECT_DOUBLE_EQ(FrameRateFor(100, 0), 100.0) << "no recorded length counts as one second";
}

TEST(FrameRate, FewerFramesThanSecondsStillGiveAPositiveRate) {
  EXPECT_DOUBLE_EQ(FrameRateFor(10, 10000), 1.0);
  EXPECT_DOUBLE_EQ(FrameRateFor(5, 10000), 0.5);
  EXPECT_DOUBLE_EQ(FrameRateFor(1, 60000), 1.0 / 60);
}

TEST(StatusDots, RunFromNoneToFiveWithTheSeconds) {
  EXPECT_EQ(FileBeingCreatedText(0), "File is Being Created");
  EXPECT_EQ(FileBeingCreatedText(14), "File is Being Created..");
  EXPECT_EQ(FileBeingCreatedText(5), "File is Being Created.....");
  EXPECT_EQ(FileBeingCreatedText(59), "File is Being Created.....");
  EXPECT_EQ(FileBeingCreatedText(30), "File is Being Created");
}

// ---- The two videos ----

TEST_F(Assembly, FramesAndRecordingBecomeTheFinalVideo) {
  WriteFrames(1, 20);
  WriteBytes(Path("000021.JPG"), 100);  // too small: a frame of a blank screen
  WriteWav(Path("OutAudio.WAV"), 44100 * 2 + 22050);
  Convertor->FTotalTime = 2500;

  Convertor->ComposePicsToAVI();
  EXPECT_FALSE(Convertor->FBusy);
  EXPECT_TRUE(Host.Errors().empty());

  std::vector<Message> frames = WithText(WorkingFolder() + "/");
  ASSERT_EQ(frames.size(), 20u);
  for (int k = 1; k <= 20; ++k) {
    EXPECT_EQ(frames[std::size_t(k - 1)].LParam, 50 + win::MulDiv(k, 50, 20));
  }
  char name[16];
  std::snprintf(name, sizeof name, "%06d.JPG", 7);
  EXPECT_EQ(frames[6].Text, Path(name)) << "frames go in name order";

  media::TAviReader outVideo;
  outVideo.OpenFile(Path("OutVideo.AVI"));
  EXPECT_EQ(outVideo.Width(), 640);
  EXPECT_EQ(outVideo.Height(), 480);
  EXPECT_EQ(outVideo.FrameCount(), 20);
  EXPECT_FALSE(outVideo.HasAudio());
  EXPECT_DOUBLE_EQ(outVideo.FrameRate(), 8.0);

  media::TAviReader finalVideo;
  finalVideo.OpenFile(Path("FinalVideo.AVI"));
  EXPECT_EQ(finalVideo.VideoCodec(), "MJPG");
  EXPECT_EQ(finalVideo.Width(), 640);
  EXPECT_EQ(finalVideo.FrameCount(), 20);
  EXPECT_DOUBLE_EQ(finalVideo.FrameRate(), 8.0);
  ASSERT_TRUE(finalVideo.HasAudio());
  EXPECT_EQ(finalVideo.AudioChannels(), 2);
  EXPECT_EQ(finalVideo.AudioSampleRate(), 44100);
  EXPECT_EQ(finalVideo.AudioLength(), 44100 * 2 + 22050);
  media::TSoundBlock sound = finalVideo.ReadSoundBlock(10);
  ASSERT_EQ(sound.size(), 20u);
  EXPECT_EQ(sound[0], 1000);
  EXPECT_EQ(sound[1], -1000);
  QImage first = finalVideo.ReadNextVideoFrame().ToImage();
  QColor expected = fakehost::SlidePicture(1).scaled(640, 480).pixelColor(320, 460);
  EXPECT_NEAR(first.pixelColor(320, 460).red(), expected.red(), 12);
  EXPECT_NEAR(first.pixelColor(320, 460).blue(), expected.blue(), 12);

  // Messages after the frames, in their order.
  std::vector<Message> tail(Host.Seen.begin() + 20, Host.Seen.end());
  ASSERT_GE(tail.size(), 3u);
  EXPECT_EQ(tail.front().Text, "Create Final Video File......");
  EXPECT_EQ(tail.front().LParam, 100);
  for (std::size_t i = 1; i + 1 < tail.size(); ++i) {
    EXPECT_EQ(tail[i].Text.rfind("File is Being Created", 0), 0u) << tail[i].Text;
    EXPECT_LE(tail[i].Text.size(), std::string("File is Being Created.....").size());
    EXPECT_GE(tail[i].LParam, tail[i - 1].LParam);
    EXPECT_LE(tail[i].LParam, 150);
  }
  EXPECT_EQ(tail.size(), 2u + 21u) << "one step per frame, and one that finds the end";
  EXPECT_EQ(tail.back().Text, "FinalVideo File Is Created,Now Creating Users File !");
  EXPECT_EQ(tail.back().LParam, 150);
}

TEST_F(Assembly, SoundOfTheFramesOnlyVideoIsMixedWithTheRecording) {
  {
    media::TAviWriter video;
    video.SetWithSound(-1);
    video.SetVideoOutputFormat(640, 480, 2.0);
    video.CreateFile(Path("OutVideo.AVI"), 1);
    for (int k = 0; k < 4; ++k) {
      std::vector<std::uint8_t> frame = media::JpegCompress(fakehost::SlidePicture(k, 640, 480), 90);
      video.WriteJpegFrame(frame.data(), frame.size());
    }
    video.WriteSoundBlock(Signal(44100 * 2, 300, 32000));
    video.CloseFile();
  }
  WriteWav(Path("OutAudio.WAV"), 44100 * 2, 1000, 2000);

  Convertor->CreateFinalVideo();
  ASSERT_TRUE(Host.Errors().empty()) << Host.Errors()[0].Text;
  media::TAviReader finalVideo;
  finalVideo.OpenFile(Path("FinalVideo.AVI"));
  EXPECT_EQ(finalVideo.FrameCount(), 4);
  media::TSoundBlock sound = finalVideo.ReadSoundBlock(44100 * 2);
  ASSERT_EQ(sound.size(), std::size_t(44100 * 2 * 2));
  EXPECT_EQ(sound[0], 1300) << "both at full volume";
  EXPECT_EQ(sound[1], 32767) << "a sum beyond the range saturates";
  EXPECT_EQ(sound[sound.size() - 2], 1300);
}

TEST_F(Assembly, NoUsableFrameIsAnErrorAndNoVideo) {
  WriteBytes(Path("000001.JPG"), 500);
  WriteWav(Path("OutAudio.WAV"), 44100);
  Convertor->FTotalTime = 1000;
  Convertor->ComposePicsToAVI();
  ASSERT_EQ(Host.Errors().size(), 1u);
  EXPECT_EQ(Host.Errors()[0].Text.rfind("ERROR:", 0), 0u);
  EXPECT_FALSE(fs::exists(Path("OutVideo.AVI")));
  EXPECT_FALSE(fs::exists(Path("FinalVideo.AVI")));
  EXPECT_FALSE(Host.Finished() && Host.Seen.back().LParam == 150);
  EXPECT_FALSE(Convertor->FBusy);
}

TEST_F(Assembly, ADamagedFrameIsReportedAndTheVideoHoldsTheFramesBeforeIt) {
  WriteFrames(1, 3);
  WriteBytes(Path("000004.JPG"), 9000);  // the size of a frame, but no picture
  WriteFrames(5, 2);
  WriteWav(Path("OutAudio.WAV"), 44100);
  Convertor->FTotalTime = 1000;
  Convertor->ComposePicsToAVI();

  ASSERT_EQ(Host.Errors().size(), 1u);
  EXPECT_EQ(Host.Errors()[0].Text.rfind("ERROR:", 0), 0u);
  EXPECT_EQ(WithText(WorkingFolder() + "/").size(), 3u);
  ASSERT_EQ(Host.Seen.back().LParam, 150) << "the assembly goes on";
  media::TAviReader finalVideo;
  finalVideo.OpenFile(Path("FinalVideo.AVI"));
  EXPECT_EQ(finalVideo.FrameCount(), 3);
}

TEST_F(Assembly, AMissingRecordingIsAnErrorWithoutTheFinalMessage) {
  WriteFrames(1, 2);
  Convertor->FTotalTime = 1000;
  Convertor->ComposePicsToAVI();
  ASSERT_EQ(Host.Errors().size(), 1u);
  EXPECT_EQ(Host.Errors()[0].Text.rfind("Error:", 0), 0u);
  EXPECT_NE(Host.Seen.back().LParam, 150);
  EXPECT_FALSE(fs::exists(Path("FinalVideo.AVI")));
  EXPECT_FALSE(Convertor->FBusy);
}

TEST_F(Assembly, AStopWhileTheFinalVideoIsWrittenIsNotAnnouncedAsDone) {
  WriteFrames(1, 5);
  WriteWav(Path("OutAudio.WAV"), 44100 * 5);
  Convertor->FTotalTime = 5000;
  Host.OnMessage = [](const Message &m) {
    if (m.Text.rfind("File is Being Created", 0) == 0) EndConvert();
  };
  Convertor->ComposePicsToAVI();
  EXPECT_EQ(WithText("File is Being Created").size(), 1u);
  for (const Message &m : Host.Seen) EXPECT_NE(m.LParam, 150);
  EXPECT_FALSE(Convertor->FBusy);
}

TEST_F(Assembly, StopBeforeTheAssemblyDoesNothing) {
  WriteFrames(1, 2);
  Convertor->FStop = true;
  Convertor->FBusy = true;
  Convertor->ComposePicsToAVI();
  EXPECT_FALSE(Convertor->FBusy);
  EXPECT_TRUE(Host.Seen.empty());
  EXPECT_FALSE(fs::exists(Path("OutVideo.AVI")));
}

TEST_F(Assembly, ProgressUnitsAreFramesAndWholeSecondsOfSound) {
  WriteFrames(1, 3);
  WriteWav(Path("OutAudio.WAV"), 44100 * 2 + 22050);  // 2.5 s rounds to 2
  Convertor->FTotalTime = 2500;
  Convertor->ComposePicsToAVI();
  Convertor->FVideoReader->OpenFile(Path("OutVideo.AVI"));
  Convertor->FAudioReader->OpenFile(Path("OutAudio.WAV"), 0, 1);
  EXPECT_EQ(Convertor->TotalProgressUnits(), 3 + 2);
}
