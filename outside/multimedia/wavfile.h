#pragma once
// WAV files of 16-bit PCM: a writer that keeps the RIFF sizes right after every block, and a reader
// that reads blocks in units (one sample of every channel).
#include <cstdint>
#include <string>

#include "riff.h"
#include "soundblock.h"

namespace media {

class TWavWriter {
public:
  TWavWriter() = default;
  ~TWavWriter();  // closes an open file
  TWavWriter(const TWavWriter &) = delete;
  TWavWriter &operator=(const TWavWriter &) = delete;

  // sampleFormat is kPcm16; channels 1 or 2.
  void SetOutputFormat(int sampleRate, int sampleFormat, int channels);
  // Creates the file, replacing an old one. Every mode creates it anew.
  void CreateFile(const std::string &path, int mode);
  // A block holds whole units (its sample count is a multiple of the channel count).
  void WriteBlock(const TSoundBlock &block);
  // Length of what was written so far, in milliseconds.
  int RecordedLength() const;
  void CloseFile();

  bool IsOpen() const { return FFile.IsOpen(); }
  std::int64_t UnitsWritten() const { return FUnits; }

private:
  void WriteSizes();
  riff::OutFile FFile;
  int FSampleRate = 44100;
  int FChannels = 2;
  std::int64_t FUnits = 0;
};

class TWavReader {
public:
  // Reads the header; the data start at unit `startUnit`. The file is only ever read (readOnly).
  void OpenFile(const std::string &path, int startUnit, int readOnly);
  // The format blocks are handed out in; only the file's own format is available.
  void SetOutputFormat(int sampleRate, int channels);
  // The next block of at most `units` units; empty at the end of the data.
  TSoundBlock ReadBlock(int units);
  // `units` units from `position` on, without moving the reading position.
  TSoundBlock ReadBlockAt(std::int64_t position, int units) const;
  int UnitSize() const { return FChannels; }  // samples per unit
  std::int64_t TotalLength() const { return FTotalUnits; }  // units in the file
  int LengthMs() const;
  void CloseFile();

  bool IsOpen() const { return FFile.IsOpen(); }
  int SampleRate() const { return FSampleRate; }
  int Channels() const { return FChannels; }
  int BitsPerSample() const { return FBits; }
  std::int64_t Position() const { return FPosition; }
  void SetPosition(std::int64_t unit);

private:
  riff::InFile FFile;
  int FSampleRate = 0;
  int FChannels = 0;
  int FBits = 0;
  std::int64_t FDataOffset = 0;
  std::int64_t FTotalUnits = 0;
  std::int64_t FPosition = 0;
};

}  // namespace media
