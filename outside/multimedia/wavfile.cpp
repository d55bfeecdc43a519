#include "wavfile.h"

#include <algorithm>

#include "mediaerror.h"

namespace media {

using riff::FourCC;

namespace {
constexpr std::int64_t kHeaderSize = 44;
// A RIFF size field is 32 bits wide.
constexpr std::int64_t kMaxDataBytes = 0xFFFFFFFFLL - kHeaderSize;
// Blocks larger than this are refused rather than allocated from a caller's slip.
constexpr int kMaxBlockUnits = 1 << 24;
}  // namespace

TWavWriter::~TWavWriter() {
  try {
    CloseFile();
  } catch (const EMediaError &) {
  }
}

void TWavWriter::SetOutputFormat(int sampleRate, int sampleFormat, int channels) {
  if (IsOpen()) throw EMediaError("The WAV format cannot change while a file is open");
  if (sampleRate <= 0 || sampleFormat != kPcm16 || channels < 1 || channels > 2)
    throw EMediaError("Unsupported WAV format: use 16-bit PCM with 1 or 2 channels");
  FSampleRate = sampleRate;
  FChannels = channels;
}

void TWavWriter::CreateFile(const std::string &path, int mode) {
  CloseFile();
  FFile.Create(path);
  FUnits = 0;
  std::vector<std::uint8_t> h;
  riff::Put32(h, FourCC("RIFF"));
  riff::Put32(h, std::uint32_t(kHeaderSize - 8));
  riff::Put32(h, FourCC("WAVE"));
  riff::Put32(h, FourCC("fmt "));
  riff::Put32(h, 16);
  riff::Put16(h, 1);  // PCM
  riff::Put16(h, std::uint16_t(FChannels));
  riff::Put32(h, std::uint32_t(FSampleRate));
  riff::Put32(h, std::uint32_t(FSampleRate * FChannels * 2));
  riff::Put16(h, std::uint16_t(FChannels * 2));
  riff::Put16(h, 16);
  riff::Put32(h, FourCC("data"));
  riff::Put32(h, 0);
  FFile.Write(h);
}

void TWavWriter::WriteBlock(const TSoundBlock &block) {
  if (!IsOpen()) throw EMediaError("No WAV file is open for writing");
  if (block.empty()) return;
  if (block.size() % std::size_t(FChannels) != 0) throw EMediaError("A sound block must hold whole units");
  const std::int64_t bytes = std::int64_t(block.size()) * 2;
  if (FFile.Tell() - kHeaderSize + bytes > kMaxDataBytes) throw EMediaError("WAV file full (4 GiB)");
  std::vector<std::uint8_t> data(static_cast<std::size_t>(bytes));
  riff::SamplesToBytes(block.data(), block.size(), data.data());
  FFile.Write(data);
  FUnits += std::int64_t(block.size()) / FChannels;
  // Sizes stay right after every block, so a recording cut short is still a readable file.
  WriteSizes();
  FFile.Flush();
}

void TWavWriter::WriteSizes() {
  const std::int64_t dataBytes = FFile.Tell() - kHeaderSize;
  FFile.Patch32(4, std::uint32_t(dataBytes + kHeaderSize - 8));
  FFile.Patch32(40, std::uint32_t(dataBytes));
}

int TWavWriter::RecordedLength() const {
  return FSampleRate > 0 ? int(FUnits * 1000 / FSampleRate) : 0;
}

void TWavWriter::CloseFile() {
  if (!IsOpen()) return;
  try {
    WriteSizes();
  } catch (const EMediaError &) {
    FFile.Discard();
    throw;
  }
  FFile.Close();
}

void TWavReader::OpenFile(const std::string &path, int startUnit, int readOnly) {
  CloseFile();
  FFile.Open(path);
  std::uint8_t head[12];
  if (!FFile.ReadAt(0, head, 12) || riff::Get32(head) != FourCC("RIFF") || riff::Get32(head + 8) != FourCC("WAVE")) {
    FFile.Close();
    throw EMediaError("Not a WAV file: " + path);
  }
  bool haveFormat = false;
  std::int64_t dataSize = -1;
  std::int64_t pos = 12;
  while (pos + 8 <= FFile.Size()) {
    std::uint8_t ck[8];
    if (!FFile.ReadAt(pos, ck, 8)) break;
    const std::uint32_t id = riff::Get32(ck);
    const std::int64_t size = riff::Get32(ck + 4);
    if (id == FourCC("fmt ") && size >= 16) {
      std::uint8_t f[40] = {};
      FFile.ReadAt(pos + 8, f, std::size_t(std::min<std::int64_t>(size, 40)));
      std::uint16_t tag = riff::Get16(f);
      // WAVE_FORMAT_EXTENSIBLE names its real format in the sub-format's first two bytes.
      if (tag == 0xFFFE && size >= 40) tag = riff::Get16(f + 24);
      if (tag != 1) break;
      FChannels = riff::Get16(f + 2);
      FSampleRate = int(riff::Get32(f + 4));
      FBits = riff::Get16(f + 14);
      haveFormat = true;
    } else if (id == FourCC("data")) {
      FDataOffset = pos + 8;
      dataSize = size;
      break;
    }
    pos += 8 + size + (size & 1);
  }
  if (!haveFormat || dataSize < 0 || FChannels < 1 || FChannels > 8 || FSampleRate <= 0 || FBits != 16) {
    FFile.Close();
    throw EMediaError("Not a 16-bit PCM WAV file: " + path);
  }
  // A file whose writer never finished may hold more or less than its header says.
  const std::int64_t available = FFile.Size() - FDataOffset;
  if (dataSize == 0 || dataSize > available) dataSize = available;
  FTotalUnits = dataSize / (2 * FChannels);
  FPosition = std::clamp<std::int64_t>(startUnit, 0, FTotalUnits);
}

void TWavReader::SetOutputFormat(int sampleRate, int channels) {
  if (!IsOpen()) throw EMediaError("No WAV file is open");
  if (sampleRate != FSampleRate || channels != FChannels)
    throw EMediaError("The WAV file holds " + std::to_string(FSampleRate) + " Hz, " + std::to_string(FChannels) +
                      " channels; it cannot be read as " + std::to_string(sampleRate) + " Hz, " +
                      std::to_string(channels) + " channels");
}

TSoundBlock TWavReader::ReadBlockAt(std::int64_t position, int units) const {
  if (!IsOpen()) throw EMediaError("No WAV file is open");
  if (units > kMaxBlockUnits) throw EMediaError("Sound block too large");
  if (position < 0 || units <= 0 || position >= FTotalUnits) return {};
  const std::int64_t count = std::min<std::int64_t>(units, FTotalUnits - position);
  const std::size_t samples = std::size_t(count) * FChannels;
  std::vector<std::uint8_t> bytes(samples * 2);
  if (!FFile.ReadAt(FDataOffset + position * 2 * FChannels, bytes.data(), bytes.size()))
    throw EMediaError("Cannot read the WAV data");
  TSoundBlock block(samples);
  riff::BytesToSamples(bytes.data(), samples, block.data());
  return block;
}

TSoundBlock TWavReader::ReadBlock(int units) {
  TSoundBlock block = ReadBlockAt(FPosition, units);
  FPosition += std::int64_t(block.size()) / std::max(FChannels, 1);
  return block;
}

int TWavReader::LengthMs() const { return FSampleRate > 0 ? int(FTotalUnits * 1000 / FSampleRate) : 0; }

void TWavReader::SetPosition(std::int64_t unit) { FPosition = std::clamp<std::int64_t>(unit, 0, FTotalUnits); }

void TWavReader::CloseFile() {
  FFile.Close();
  FTotalUnits = 0;
  FPosition = 0;
}

}  // namespace media
