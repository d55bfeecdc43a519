#include "wavfile.h"

#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "mediaerror.h"
#include "riff.h"
#include "testfolder.h"

using namespace media;

namespace {

std::vector<std::uint8_t> ReadAll(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// `units` stereo units whose samples count up from `first`.
TSoundBlock Ramp(int units, int first) {
  TSoundBlock b(std::size_t(units) * 2);
  for (std::size_t i = 0; i < b.size(); ++i) b[i] = std::int16_t(first + int(i));
  return b;
}

void WriteRecording(const std::string &path, int blocks, int unitsPerBlock) {
  TWavWriter w;
  w.SetOutputFormat(44100, kPcm16, 2);
  w.CreateFile(path, 0);
  for (int i = 0; i < blocks; ++i) w.WriteBlock(Ramp(unitsPerBlock, i * unitsPerBlock * 2));
  w.CloseFile();
}

}  // namespace

TEST(WavFile, HeaderCarriesFormatAndSizes) {
  TestFolder dir;
  const std::string path = dir.Path("OutAudio.WAV");
  WriteRecording(path, 3, 8820);
  const std::vector<std::uint8_t> f = ReadAll(path);
  ASSERT_EQ(f.size(), 44u + 3 * 8820 * 4);
  EXPECT_EQ(riff::Get32(&f[0]), riff::FourCC("RIFF"));
  EXPECT_EQ(riff::Get32(&f[4]), f.size() - 8);
  EXPECT_EQ(riff::Get32(&f[8]), riff::FourCC("WAVE"));
  EXPECT_EQ(riff::Get16(&f[20]), 1);       // PCM
  EXPECT_EQ(riff::Get16(&f[22]), 2);       // channels
  EXPECT_EQ(riff::Get32(&f[24]), 44100u);  // rate
  EXPECT_EQ(riff::Get32(&f[28]), 176400u); // bytes per second
  EXPECT_EQ(riff::Get16(&f[32]), 4);       // block align
  EXPECT_EQ(riff::Get16(&f[34]), 16);      // bits
  EXPECT_EQ(riff::Get32(&f[36]), riff::FourCC("data"));
  EXPECT_EQ(riff::Get32(&f[40]), f.size() - 44);
}

TEST(WavFile, RoundTripReadsBlocksByUnits) {
  TestFolder dir;
  const std::string path = dir.Path("OutAudio.WAV");
  WriteRecording(path, 11, 8820);  // 97020 units, 2.2 s

  TWavReader r;
  r.OpenFile(path, 0, 1);
  r.SetOutputFormat(44100, 2);
  EXPECT_EQ(r.TotalLength(), 97020);
  EXPECT_EQ(r.UnitSize(), 2);
  EXPECT_EQ(r.LengthMs(), 2200);
  EXPECT_EQ(r.SampleRate(), 44100);
  EXPECT_EQ(r.BitsPerSample(), 16);

  TSoundBlock first = r.ReadBlock(44100);
  ASSERT_EQ(first.size(), 88200u);
  EXPECT_EQ(first, Ramp(44100, 0));
  EXPECT_EQ(r.ReadBlock(44100), Ramp(44100, 88200));
  TSoundBlock last = r.ReadBlock(44100);
  EXPECT_EQ(last.size(), (97020u - 88200) * 2);
  EXPECT_EQ(last, Ramp(97020 - 88200, 176400));
  EXPECT_TRUE(r.ReadBlock(44100).empty());
  EXPECT_EQ(UpperBound(r.ReadBlock(44100)), -1);
}

TEST(WavFile, ReadBlockAtLeavesThePositionAlone) {
  TestFolder dir;
  const std::string path = dir.Path("a.wav");
  WriteRecording(path, 2, 1000);
  TWavReader r;
  r.OpenFile(path, 500, 1);
  EXPECT_EQ(r.Position(), 500);
  EXPECT_EQ(r.ReadBlockAt(1500, 10), Ramp(10, 3000));
  EXPECT_EQ(r.Position(), 500);
  EXPECT_EQ(r.ReadBlock(2), Ramp(2, 1000));
  EXPECT_TRUE(r.ReadBlockAt(2000, 10).empty());
  EXPECT_TRUE(r.ReadBlockAt(-1, 10).empty());
}

TEST(WavFile, RecordedLengthIsInMilliseconds) {
  TestFolder dir;
  TWavWriter w;
  w.SetOutputFormat(44100, kPcm16, 2);
  w.CreateFile(dir.Path("a.wav"), 0);
  EXPECT_EQ(w.RecordedLength(), 0);
  for (int i = 0; i < 5; ++i) w.WriteBlock(Ramp(8820, 0));
  EXPECT_EQ(w.RecordedLength(), 1000);
  w.WriteBlock(Ramp(441, 0));
  EXPECT_EQ(w.RecordedLength(), 1010);
  w.CloseFile();
}

TEST(WavFile, CreateReplacesAnOldFile) {
  TestFolder dir;
  const std::string path = dir.Path("OutAudio.WAV");
  WriteRecording(path, 10, 8820);
  WriteRecording(path, 1, 100);
  EXPECT_EQ(ReadAll(path).size(), 44u + 400);
}

TEST(WavFile, UnclosedRecordingIsReadableUpToItsLastBlock) {
  TestFolder dir;
  const std::string path = dir.Path("OutAudio.WAV");
  TWavWriter w;
  w.SetOutputFormat(44100, kPcm16, 2);
  w.CreateFile(path, 0);
  w.WriteBlock(Ramp(300, 0));
  w.WriteBlock(Ramp(300, 600));
  TWavReader r;
  r.OpenFile(path, 0, 1);
  EXPECT_EQ(r.TotalLength(), 600);
  EXPECT_EQ(r.ReadBlock(600), Ramp(600, 0));
  w.CloseFile();
}

TEST(WavFile, HeaderWithZeroDataSizeReadsToTheFileEnd) {
  TestFolder dir;
  const std::string path = dir.Path("a.wav");
  WriteRecording(path, 1, 250);
  std::vector<std::uint8_t> f = ReadAll(path);
  std::fill(f.begin() + 40, f.begin() + 44, 0);
  f.push_back(0x12);  // a stray half unit at the end is ignored
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char *>(f.data()), std::streamsize(f.size()));
  TWavReader r;
  r.OpenFile(path, 0, 1);
  EXPECT_EQ(r.TotalLength(), 250);
}

TEST(WavFile, RefusesWhatItCannotDo) {
  TestFolder dir;
  TWavWriter w;
  EXPECT_THROW(w.SetOutputFormat(44100, 8, 2), EMediaError);
  EXPECT_THROW(w.SetOutputFormat(44100, kPcm16, 3), EMediaError);
  EXPECT_THROW(w.WriteBlock(Ramp(10, 0)), EMediaError);  // no file yet
  w.SetOutputFormat(44100, kPcm16, 2);
  w.CreateFile(dir.Path("a.wav"), 0);
  EXPECT_THROW(w.WriteBlock(TSoundBlock{1, 2, 3}), EMediaError);  // half a unit
  w.WriteBlock({});                                              // an empty block adds nothing
  EXPECT_EQ(w.UnitsWritten(), 0);
  w.CloseFile();

  TWavReader r;
  r.OpenFile(dir.Path("a.wav"), 0, 1);
  EXPECT_THROW(r.SetOutputFormat(22050, 2), EMediaError);
  EXPECT_THROW(r.SetOutputFormat(44100, 1), EMediaError);
  EXPECT_THROW(r.OpenFile(dir.Path("missing.wav"), 0, 1), EMediaError);
  std::ofstream(dir.Path("text.wav")) << "RIFF....AVI junk junk junk junk junk junk junk junk";
  EXPECT_THROW(r.OpenFile(dir.Path("text.wav"), 0, 1), EMediaError);
}
