// Writes WebInfo.dll from a readable record list:  vantrel-webinfo-gen <records.txt> <WebInfo.dll>
//
// Each line "Id | Value | Spare" (blank lines and lines starting with "#" are skipped) becomes one
// 516-byte record: Id as a little-endian 32-bit integer, then Value and Spare as short texts (a length
// byte and up to 255 characters, the rest zero). The Id's low byte and bytes 4..258 and 260..514 are
// exclusive-or'ed with 0x6B; each text's last character position is stored as it is.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t Key = 0x6B;
constexpr std::size_t RecordSize = 516, ValueAt = 4, SpareAt = 260, TextBytes = 256;

std::string Trim(const std::string &text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

void PutShortText(std::vector<std::uint8_t> &record, std::size_t at, const std::string &text) {
  record[at] = static_cast<std::uint8_t>(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) record[at + 1 + i] = static_cast<std::uint8_t>(text[i]);
}

std::vector<std::uint8_t> MakeRecord(std::int32_t id, const std::string &value, const std::string &spare) {
  std::vector<std::uint8_t> record(RecordSize, 0);
  const auto bits = static_cast<std::uint32_t>(id);
  for (int i = 0; i < 4; ++i) record[i] = static_cast<std::uint8_t>(bits >> (8 * i));
  PutShortText(record, ValueAt, value);
  PutShortText(record, SpareAt, spare);
  record[0] ^= Key;
  for (std::size_t at : {ValueAt, SpareAt})
    for (std::size_t i = at; i < at + TextBytes - 1; ++i) record[i] ^= Key;
  return record;
}

}  // namespace

int main(int argc, char *argv[]) {
  if (argc != 3) {
    std::cerr << "usage: vantrel-webinfo-gen <records.txt> <WebInfo.dll>\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "vantrel-webinfo-gen: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::string file;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string content = Trim(line);
    if (content.empty() || content[0] == '#') continue;
    std::vector<std::string> fields;
    std::stringstream split(content);
    for (std::string field; std::getline(split, field, '|');) fields.push_back(Trim(field));
    long id = 0;
    std::size_t used = 0;
    try {
      id = std::stol(fields.at(0), &used);
    } catch (...) {
      used = 0;
    }
    if (fields.size() != 3 || used != fields[0].size()) {
      std::cerr << argv[1] << ":" << number << ": expected \"Id | Value | Spare\"\n";
      return 1;
    }
    if (fields[1].size() > 255 || fields[2].size() > 255) {
      std::cerr << argv[1] << ":" << number << ": a text holds at most 255 bytes\n";
      return 1;
    }
    std::vector<std::uint8_t> record = MakeRecord(static_cast<std::int32_t>(id), fields[1], fields[2]);
    file.append(record.begin(), record.end());
  }
  const std::string temporary = std::string(argv[2]) + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    if (!out) {
      std::cerr << "vantrel-webinfo-gen: cannot write " << temporary << "\n";
      return 1;
    }
  }
  if (std::rename(temporary.c_str(), argv[2]) != 0) {
    std::cerr << "vantrel-webinfo-gen: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
