#include "skin_test_support.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

// One QApplication for the whole test program, made before any test runs.
class ApplicationEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    if (!QCoreApplication::instance()) {
      static int argc = 1;
      static char name[] = "skin_test";
      static char *argv[] = {name, nullptr};
      new QApplication(argc, argv);
    }
  }
};

const auto *registered = ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

}  // namespace

void PutU32(std::string &bytes, std::size_t offset, std::uint32_t value) {
  if (bytes.size() < offset + 4) bytes.resize(offset + 4, '\0');
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t GetU32(const std::string &bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
  return value;
}

void ThemeFileWriter::AddInteger(const std::string &name, std::int32_t value) {
  std::string data;
  PutU32(data, 0, static_cast<std::uint32_t>(value));
  AddRaw(name, 1, data);
}

void ThemeFileWriter::AddBoolean(const std::string &name, std::uint8_t value) {
  AddRaw(name, 2, std::string(1, static_cast<char>(value)));
}

void ThemeFileWriter::AddText(const std::string &name, const std::string &text) { AddRaw(name, 3, text); }

void ThemeFileWriter::AddStream(const std::string &name, const std::string &bytes) { AddRaw(name, 0, bytes); }

void ThemeFileWriter::AddBitmap(const std::string &name, const TBitmap &bitmap) {
  std::ostringstream out;
  bitmap.SaveToStream(out);
  AddStream(name, out.str());
}

void ThemeFileWriter::AddRaw(const std::string &name, std::uint8_t kind, const std::string &data) {
  FEntries.push_back({name, kind, data});
}

std::string ThemeFileWriter::Build() const {
  std::size_t entries = FEntries.size() + (Terminate ? 1 : 0);
  std::string bytes(FirstEntryOffset + 77 * entries, '\0');
  bytes.replace(0, 9, "THEMEFILE");
  PutU32(bytes, 12, 24);
  PutU32(bytes, 20, FirstEntryOffset);
  for (std::size_t i = 0; i < FEntries.size(); ++i) {
    const Entry &entry = FEntries[i];
    std::size_t at = EntryOffset(static_cast<int>(i));
    bytes.replace(at, std::min<std::size_t>(entry.Name.size(), 64), entry.Name.substr(0, 64));
    bytes[at + 64] = static_cast<char>(entry.Kind);
    std::uint32_t dataOffset = static_cast<std::uint32_t>(bytes.size());
    bytes += entry.Data;
    PutU32(bytes, at + 65, dataOffset);
    PutU32(bytes, at + 69, static_cast<std::uint32_t>(entry.Data.size()));
    bool last = i + 1 == FEntries.size();
    PutU32(bytes, at + 73, last && !Terminate ? 0 : EntryOffset(static_cast<int>(i + 1)));
  }
  return bytes;
}

bool ThemeFileWriter::Save(const std::string &path) const { return WriteFile(path, Build()); }

bool WriteFile(const std::string &path, const std::string &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

TempFolder::TempFolder() {
  QTemporaryDir dir(QDir::tempPath() + "/skin_test_XXXXXX");
  dir.setAutoRemove(false);
  FPath = dir.path().toStdString();
}

TempFolder::~TempFolder() { QDir(QString::fromStdString(FPath)).removeRecursively(); }

TBitmap SolidBitmap(int width, int height, TColor color) {
  TBitmap bitmap(width, height);
  bitmap.Canvas()->Brush.Color = color;
  bitmap.Canvas()->FillRect(Rect(0, 0, width, height));
  return bitmap;
}
