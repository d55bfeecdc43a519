// Each profile's own choices of frame size, quality and channels, kept in the per-profile file under
// the profile's number.
#include <string>
#include <utility>
#include <vector>

#include "main.h"

namespace {

// Default item indexes of one profile; -1 marks a key the profile does not use.
struct TProfileDefaults {
  int Size, VideoBitrate, AudioBitrate, Channel;
};

struct TDefaultsRow {
  std::vector<std::pair<int, int>> Ranges;  // inclusive
  TProfileDefaults SetA;                    // video edition
  TProfileDefaults SetB;                    // other editions
};

const TDefaultsRow DefaultsTable[] = {
    {{{27, 32}, {34, 39}, {41, 44}, {46, 51}, {53, 54}, {56, 57}, {60, 60}, {70, 70}, {72, 73}, {75, 76},
      {78, 79}, {81, 81}, {86, 88}, {115, 116}},
     {0, 2, 2, 1},
     {0, 2, 2, 1}},
    {{{2, 3}, {5, 6}, {10, 13}, {102, 108}, {125, 130}}, {4, 5, 5, 1}, {4, 2, 2, 1}},
    {{{15, 25}, {33, 33}, {40, 40}, {45, 45}, {59, 59}, {71, 71}, {80, 80}}, {-1, -1, 2, 1}, {-1, -1, 2, 1}},
    {{{55, 55}, {58, 58}, {61, 66}, {68, 68}, {91, 97}}, {2, 2, 2, 1}, {2, 2, 2, 1}},
    {{{69, 69}, {77, 77}, {83, 85}, {89, 89}}, {1, 2, 2, 1}, {1, 2, 2, 1}},
    {{{118, 123}}, {5, 2, 2, 1}, {2, 2, 2, 1}},
    {{{1, 1}, {112, 114}}, {0, 5, 5, 1}, {0, 2, 2, 1}},
    {{{8, 9}, {111, 111}}, {2, 5, 5, 1}, {2, 2, 2, 1}},
    {{{4, 4}, {110, 110}}, {5, 5, 5, 1}, {2, 2, 2, 1}},
    {{{7, 7}, {14, 14}}, {1, 5, 5, 1}, {1, 2, 2, 1}},
    {{{99, 100}}, {4, 2, 2, 1}, {4, 2, 2, 1}},
};

// The row of profile N, or nullptr when N has no entry in the per-profile file.
const TDefaultsRow *DefaultsRow(int N) {
  for (const TDefaultsRow &row : DefaultsTable)
    for (const auto &[first, last] : row.Ranges)
      if (N >= first && N <= last) return &row;
  return nullptr;
}

// One key of the per-profile file and the combo box whose item index it holds.
struct TProfileKey {
  const char *Name;
  TComboBox *(*Combo)(Tfm_main &);
  int TProfileDefaults::*Default;
};

const TProfileKey ProfileKeys[] = {
    {"size", [](Tfm_main &f) -> TComboBox * { return f.cb_size; }, &TProfileDefaults::Size},
    {"video bitrate", [](Tfm_main &f) -> TComboBox * { return f.cb_videobitrate; }, &TProfileDefaults::VideoBitrate},
    {"audio bitrate", [](Tfm_main &f) -> TComboBox * { return f.cb_audiobitrate; }, &TProfileDefaults::AudioBitrate},
    {"Channel", [](Tfm_main &f) -> TComboBox * { return f.cb_channel; }, &TProfileDefaults::Channel},
};

// The audio key set is the rows without a size default: only "audio bitrate" and "Channel".
bool UsesKey(const TDefaultsRow &row, const TProfileKey &key) { return row.SetA.*key.Default != -1; }

void LoadProfileSettings(Tfm_main &form, int N, TProfileDefaults TDefaultsRow::*set) {
  const TDefaultsRow *row = DefaultsRow(N);
  if (!row) return;
  const std::string section = std::to_string(N);
  for (const TProfileKey &key : ProfileKeys) {
    if (!UsesKey(*row, key)) continue;
    const int def = row->*set.*key.Default;
    // Without the file every choice comes back as its default.
    const int index = Main.ProfileIni ? Main.ProfileIni->ReadInteger(section, key.Name, def) : def;
    key.Combo(form)->SetItemIndex(index);
  }
}

}  // namespace

void Tfm_main::SaveProfileSettings(int N) {
  const TDefaultsRow *row = DefaultsRow(N);
  if (!row || !Main.ProfileIni) return;
  const std::string section = std::to_string(N);
  // A refused write throws "Unable to write to <file>" and so ends the profile change here.
  for (const TProfileKey &key : ProfileKeys)
    if (UsesKey(*row, key)) Main.ProfileIni->WriteInteger(section, key.Name, key.Combo(*this)->ItemIndex());
}

void Tfm_main::LoadVideoProfileSettings(int N) { LoadProfileSettings(*this, N, &TDefaultsRow::SetA); }

void Tfm_main::LoadDvdProfileSettings(int N) { LoadProfileSettings(*this, N, &TDefaultsRow::SetB); }
