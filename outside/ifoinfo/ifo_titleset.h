#pragma once
// A title set's IFO file read into plain records: what Ifoinfo.dll's operations give.
#include <cstdint>
#include <string>
#include <vector>

struct TCell {
  uint32_t FirstSector = 0;
  uint32_t LastSector = 0;
  uint32_t LastVobuStart = 0;
  uint8_t BlockMode = 0;
  uint8_t Time[4] = {};  // hours, minutes, seconds, frames
};

struct TTitle {
  uint8_t Time[4] = {};
  std::vector<TCell> Cells;
};

struct TIfo {
  std::string VideoDesc;
  std::vector<TTitle> Titles;
  std::vector<std::string> Audio;
  std::vector<std::string> SubPictures;
};

// The title set number of "VTS_nn_0.IFO" (0 for "VIDEO_TS.IFO"), in any letter case; -1 for any
// other name.
int TitleSetOf(const std::string &name);

// Reads the IFO file at path (inside its VIDEO_TS folder); false when it cannot be read.
bool ReadTitleSet(const std::string &path, TIfo &ifo);
