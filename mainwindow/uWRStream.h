#pragma once
// The web-information file "WebInfo.dll" beside the program: header-less 516-byte records whose bytes
// are scrambled with a one-byte key. It holds the addresses behind the help links.
#include <QFile>

#include <cstdint>
#include <string>

// Scrambling and unscrambling are one exclusive-or with this key.
inline constexpr std::uint8_t WebInfoKey = 0x6B;

#pragma pack(push, 1)
// A short text: one length byte, then up to 255 characters.
struct TShortString {
  std::uint8_t Length;
  char Chars[255];
  std::string Text() const { return std::string(Chars, Length); }
};

struct TWebInfoRecord {
  std::int32_t Id;
  TShortString Value;
  TShortString Spare;
};
#pragma pack(pop)
static_assert(sizeof(TWebInfoRecord) == 516);

// A file stream read one record at a time. Opening throws "Cannot open file "<path>". <reason>".
class TRecordStream : public QFile {
public:
  explicit TRecordStream(const std::string &FileName);
  virtual int RecordSize() const { return sizeof(TWebInfoRecord); }
  // Whole records only; a trailing part of a record is not counted.
  std::int64_t RecordCount() const;
  // Reads and unscrambles the record at the position and moves back to its start; returns the number
  // of bytes read.
  int ReadRec(TWebInfoRecord &Buffer);
  void NextRec();
};

// Text := the Value of record N (counted from 1) of the program folder's "WebInfo.dll"; empty when the
// file has no record N.
void ReadWebInfoRecord(int N, std::string &Text);
// The same from another file.
void ReadWebInfoRecord(const std::string &FileName, int N, std::string &Text);
// The program folder's "WebInfo.dll".
std::string WebInfoFileName();

// Record numbers of the links.
inline constexpr int HomePageRecord = 2, HelpRecord = 3, SupportRecord = 4, ContactRecord = 5;

// Shell-opens a link's address with no verb, parameters or working folder; an empty address, as from
// a record the file lacks, opens nothing. The shell's result is not looked at.
void OpenWebAddress(const std::string &Address);
