// The record stream over "WebInfo.dll", its lookup, and the help menu's links.
#include "uWRStream.h"

#include <cstddef>
#include <cstring>
#include <stdexcept>

#include "main.h"
#include "paths.h"
#include "shell.h"

namespace {

void Unscramble(char *bytes, std::size_t first, std::size_t last) {
  for (std::size_t i = first; i <= last; ++i) bytes[i] = static_cast<char>(bytes[i] ^ WebInfoKey);
}

}  // namespace

TRecordStream::TRecordStream(const std::string &FileName) : QFile(QString::fromStdString(FileName)) {
  // Read only: nothing is written, and an installed program folder is not the user's to write.
  if (!open(QIODevice::ReadOnly))
    throw std::runtime_error("Cannot open file \"" + FileName + "\". " + errorString().toStdString());
}

std::int64_t TRecordStream::RecordCount() const { return size() / RecordSize(); }

int TRecordStream::ReadRec(TWebInfoRecord &Buffer) {
  std::memset(&Buffer, 0, sizeof Buffer);
  const qint64 start = pos();
  const qint64 count = read(reinterpret_cast<char *>(&Buffer), RecordSize());
  if (count <= 0) return 0;
  // The key reaches the Id's low byte only; each text's last character position stays as stored.
  Buffer.Id ^= WebInfoKey;
  char *bytes = reinterpret_cast<char *>(&Buffer);
  Unscramble(bytes, offsetof(TWebInfoRecord, Value), offsetof(TWebInfoRecord, Value) + 254);
  Unscramble(bytes, offsetof(TWebInfoRecord, Spare), offsetof(TWebInfoRecord, Spare) + 254);
  seek(start);
  return static_cast<int>(count);
}

void TRecordStream::NextRec() { seek(pos() + RecordSize()); }

std::string WebInfoFileName() { return win::ProgramFolder() + "WebInfo.dll"; }

void ReadWebInfoRecord(int N, std::string &Text) { ReadWebInfoRecord(WebInfoFileName(), N, Text); }

void ReadWebInfoRecord(const std::string &FileName, int N, std::string &Text) {
  TRecordStream stream(FileName);
  stream.seek(0);
  Text.clear();
  // A record the file does not hold has no address.
  if (N < 1 || N > stream.RecordCount()) return;
  TWebInfoRecord buffer;
  for (int i = 0; i < N; ++i) {
    stream.ReadRec(buffer);
    stream.NextRec();
  }
  Text = buffer.Value.Text();
}

void OpenWebAddress(const std::string &Address) {
  if (Address.empty()) return;
  win::ShellExecute("", Address, "", "");
}

// ---- the main form's links

void Tfm_main::GetHomePageAddress(std::string &Text) { ReadWebInfoRecord(HomePageRecord, Text); }

namespace {

void OpenRecord(int N) {
  std::string text;
  ReadWebInfoRecord(N, text);
  OpenWebAddress(text);
}

}  // namespace

void Tfm_main::MenuItem1Click() { OpenRecord(HelpRecord); }

void Tfm_main::MenuItem2Click() { OpenRecord(SupportRecord); }

void Tfm_main::MenuItem4Click() { OpenRecord(HomePageRecord); }

void Tfm_main::MenuItem5Click() { OpenRecord(ContactRecord); }
