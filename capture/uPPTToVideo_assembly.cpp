// The convertor's sound recording and the assembly of frames and sound into "OutVideo.AVI" and
// "FinalVideo.AVI".
#include <QTime>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>
#include <string>
#include <vector>

#include "Kestrune.h"
#include "arecord2.h"
#include "audiotransform.h"
#include "avireader.h"
#include "aviwriter.h"
#include "files.h"
#include "imagefile.h"
#include "mediaerror.h"
#include "timer.h"
#include "uCommFunctions.h"
#include "uPPTToVideo.h"
#include "wavfile.h"

int SavedRecordLine = 0;
int SavedRecordVolume = 0;
int ChosenRecordLine = -1;

namespace {

constexpr int kChosenLineVolume = 0x8000;

std::string InWorkingFolder(const char *name) { return win::IncludeTrailingPathDelimiter(WorkingFolder()) + name; }

// Names of the lines that carry what the speakers play, in English and in Chinese (GBK or UTF-8).
bool IsStereoMixLine(const std::string &name) {
  std::string upper = name;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : char(c);
  });
  for (const char *keyword : {"STEREO", "RECORD"})
    if (upper.find(keyword) != std::string::npos) return true;
  for (const char *keyword : {"\xC1\xA2\xCC\xE5", "\xC2\xBC\xD2\xF4", "\xE7\xAB\x8B\xE4\xBD\x93", "\xE5\xBD\x95\xE9\x9F\xB3"})
    if (name.find(keyword) != std::string::npos) return true;
  return false;
}

// Halves to even.
int Round(double value) { return int(std::nearbyint(value)); }

}  // namespace

double FrameRateFor(int frames, float totalTime) {
  // Exactly the recording's length: a rate off by one frame a second leaves the pictures minutes
  // behind their sound in an hour's show.
  const double length = totalTime > 0 ? totalTime : 1000.0;
  return frames * 1000.0 / length;
}

std::string FileBeingCreatedText(int second) {
  return "File is Being Created" + std::string(std::size_t(((second % 6) + 6) % 6), '.');
}

// ---- Recording ----

void TConvertor::StartRecording() {
  if (FStop) {
    FBusy = false;
    FTimer->SetEnabled(false);
    return;
  }
  FBusy = true;
  std::string wav = InWorkingFolder("OutAudio.WAV");
  // A recording left running by an earlier start would otherwise keep the line and the file.
  if (win::FileExists(wav) || FAudioRecorder->Recording() || FAudioFile->IsOpen()) {
    StopRecording();
    win::DeleteFile(wav);
  }
  FAudioFile->SetOutputFormat(44100, media::kPcm16, 2);
  FAudioFile->CreateFile(wav, 0);

  media::TARecord2 &recorder = *FAudioRecorder;
  const int lines = recorder.LineCount();
  for (int i = 0; i < lines; ++i) {
    recorder.SelectLine(i);
    if (recorder.IsCurrentSource()) {
      SavedRecordLine = i;
      break;
    }
  }
  for (int j = 0; j < lines; ++j) {
    recorder.SelectLine(j);
    if (IsStereoMixLine(recorder.LineName())) {
      SavedRecordVolume = recorder.GetVolume();
      recorder.MakeSource(-1);
      recorder.SetVolume(kChosenLineVolume);
      ChosenRecordLine = j;
      break;
    }
  }

  recorder.SetRecordingFormat(44100, 2);
  recorder.SetBlockSize(recorder.BlockSizeForDuration(200));
  FRecordingStarted = std::chrono::steady_clock::now();
  recorder.Start();
  FBusy = false;
}

void TConvertor::RecordPlayBack() {
  media::TSoundBlock block = FAudioRecorder->RecordedBlock();
  if (media::UpperBound(block) < 1) return;
  FAudioFile->WriteBlock(block);
}

void TConvertor::StopRecording() {
  media::TARecord2 &recorder = *FAudioRecorder;
  recorder.Stop();
  if (ChosenRecordLine >= 0) {
    recorder.SelectLine(ChosenRecordLine);
    recorder.SetVolume(SavedRecordVolume);
    recorder.SelectLine(SavedRecordLine);
    recorder.MakeSource(-1);
    ChosenRecordLine = -1;
  }
  int length = FAudioFile->RecordedLength();
  FTotalTime = length != 0 ? float(length) : 1000.0f;
  FAudioFile->CloseFile();
}

// ---- Assembly ----

int TConvertor::CountUsableFrames() {
  std::vector<win::TSearchRec> entries;
  if (!win::ListFolder(WorkingFolder(), "*.*", entries)) return 0;
  int count = 0;
  for (const win::TSearchRec &entry : entries) {
    if (FStop) break;
    if (IsUsableFrame(entry)) ++count;
    if (entry.Attr == win::FILE_ATTRIBUTE_ARCHIVE && !PumpMessages()) return count;
  }
  return count;
}

void TConvertor::ComposePicsToAVI() {
  if (FStop) {
    FBusy = false;
    FTimer->SetEnabled(false);
    return;
  }
  FBusy = true;
  std::shared_ptr<bool> alive = FAlive;
  const int frames = CountUsableFrames();
  if (!*alive) return;
  std::vector<win::TSearchRec> entries;
  if (!win::ListFolder(WorkingFolder(), "*.*", entries)) {
    FBusy = false;
    return;
  }
  if (frames == 0) {
    // A video without frames cannot be encoded; the host must not wait for one.
    if (!FStop && !SendError("ERROR:No usable picture of the show was captured; please convert it again.", 0)) return;
    FBusy = false;
    return;
  }

  media::TAviWriter &writer = *FFrameVideo;
  for (int i = 1; i <= writer.CodecCount(); ++i) writer.SelectCodec(i);
  writer.SetInterleave(-1);
  writer.SetWithSound(0);
  const double rate = FrameRateFor(frames, FTotalTime);
  writer.SetVideoInputFormat(640, 480, rate);
  writer.SetVideoOutputFormat(640, 480, rate);
  writer.SelectCodec(media::TAviWriter::kCodecMotionJpeg);
  const std::string outVideo = InWorkingFolder("OutVideo.AVI");
  win::DeleteFile(outVideo);
  writer.CreateFile(outVideo, 1);

  int k = 0;
  const std::string prefix = win::IncludeTrailingPathDelimiter(WorkingFolder());
  try {
    for (const win::TSearchRec &entry : entries) {
      if (FStop) break;
      if (IsUsableFrame(entry)) {
        const std::string path = prefix + entry.Name;
        if (!FImgFile) throw media::EMediaError("The image decoder is not available");
        writer.WriteVideoFrame(FImgFile->LoadFileAsPixels(path));
        ++k;
        if (!SendProgress(path.c_str(), 50 + win::MulDiv(k, 50, frames))) return;
      }
      if (entry.Attr == win::FILE_ATTRIBUTE_ARCHIVE && !PumpMessages()) return;
    }
    writer.CloseFile();
  } catch (const std::exception &error) {
    try {
      writer.CloseFile();
    } catch (const std::exception &) {
    }
    if (!SendError(("ERROR:" + std::string(error.what())).c_str(), 0)) return;
  }

  if (!SendProgress("Create Final Video File......", 100)) return;
  CreateFinalVideo();
  if (*alive) FBusy = false;
}

int TConvertor::TotalProgressUnits() const {
  return FVideoReader->Length() + Round(double(FAudioReader->TotalLength()) / 44100);
}

void TConvertor::CreateFinalVideo() {
  if (FStop) {
    FBusy = false;
    FTimer->SetEnabled(false);
    return;
  }
  FBusy = true;
  std::shared_ptr<bool> alive = FAlive;
  media::TAviReader &video = *FVideoReader;
  media::TWavReader &sound = *FAudioReader;
  media::TAviWriter &finalWriter = *FFinalVideo;
  auto closeAll = [&] {
    video.CloseFile();
    sound.CloseFile();
    try {
      finalWriter.CloseFile();
    } catch (const std::exception &) {
    }
  };

  int audioA = 0;
  try {
    video.OpenFile(InWorkingFolder("OutVideo.AVI"));
    sound.OpenFile(InWorkingFolder("OutAudio.WAV"), 0, 1);
    audioA = video.AudioChannels();
    const int audioB = video.AudioSampleRate();
    sound.SetOutputFormat(audioB, audioA);
    finalWriter.SetInterleave(-1);
    finalWriter.SetWithSound(-1);
    finalWriter.SetVideoInputFormat(video.Width(), video.Height(), video.FrameRate());
    finalWriter.SetSoundInputFormat(audioB, audioA);
    finalWriter.SetVideoOutputFormat(video.Width(), video.Height(), video.FrameRate());
    finalWriter.SetSoundOutputFormat(media::kPcm16, audioB, audioA);
    finalWriter.SelectCodec(media::TAviWriter::kCodecMotionJpeg);
    const std::string finalVideo = InWorkingFolder("FinalVideo.AVI");
    win::DeleteFile(finalVideo);
    finalWriter.CreateFile(finalVideo, 1);
  } catch (const std::exception &error) {
    closeAll();
    if (!SendError(("Error:" + std::string(error.what())).c_str(), 0)) return;
    FBusy = false;
    return;
  }

  const int total = TotalProgressUnits();
  int done = 0;
  bool videoEnded = false, soundEnded = false;
  try {
    while (!FStop && !(videoEnded && soundEnded)) {
      media::TPixelArray frame = video.ReadNextVideoFrame();
      if (frame.Empty())
        videoEnded = true;
      else
        finalWriter.WriteVideoFrame(frame);

      media::TSoundBlock recorded = sound.ReadBlock(44100);
      const int n = media::UpperBound(recorded) + 1;
      if (n < 1) soundEnded = true;
      done += Round(double(n) / sound.UnitSize() / 44100);
      if (!soundEnded) {
        media::TSoundBlock own = video.ReadSoundBlock(Round(double(n) / audioA));
        if (!own.empty() && !FAudioTransform) throw media::EMediaError("The mixer is not available");
        if (own.empty())
          finalWriter.WriteSoundBlock(recorded);
        else
          finalWriter.WriteSoundBlock(FAudioTransform->Mix(own, 100.0, recorded, 100.0));
      }

      std::string status = FileBeingCreatedText(QTime::currentTime().second());
      if (!SendProgress(status.c_str(), 100 + win::MulDiv(video.Position() + done, 50, total))) return;
      if (!PumpMessages()) return;
    }
    if (FStop) {
      // A stopped run leaves an unfinished file: it must not be announced as done.
      closeAll();
      FBusy = false;
      return;
    }
    video.CloseFile();
    sound.CloseFile();
    finalWriter.CloseFile();
    if (!SendProgress("FinalVideo File Is Created,Now Creating Users File !", 150)) return;
  } catch (const std::exception &error) {
    closeAll();
    if (!SendError(("Error:" + std::string(error.what())).c_str(), 0)) return;
  }
  FBusy = false;
}
