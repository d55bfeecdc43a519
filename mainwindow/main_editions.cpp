// Editions of the main window: keyword tests on the program name, the default profile and the four
// form layouts.
#include <algorithm>
#include <cctype>

#include "main.h"

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

template <class C>
void MoveTo(C *control, int left, int top) {
  control->SetBounds(left, top, control->Width(), control->Height());
}

template <class C>
void MoveTo(C *control, int left, int top, int width) {
  control->SetBounds(left, top, width, control->Height());
}

// The four option lists stand one under another, 41 pixels apart; width 0 keeps their width.
void MoveOptionLists(Tfm_main &form, int left, int top, int width = 0) {
  for (auto *list : {form.cb_size, form.cb_videobitrate, form.cb_audiobitrate, form.cb_channel}) {
    if (width > 0)
      MoveTo(list, left, top, width);
    else
      MoveTo(list, left, top);
    top += 41;
  }
}

}  // namespace

bool Tfm_main::EditionHolds(const std::string &Keyword) {
  return Lower(Main.EditionName).find(Keyword) != std::string::npos;
}

bool Tfm_main::IsVideoEdition() { return !EditionHolds("dvd"); }

bool Tfm_main::IsMakerEdition() { return EditionHolds("vorma"); }

int Tfm_main::DefaultProfileForEdition(const std::string &Name) {
  // The first keyword found decides; the order matters where names hold several.
  static const std::pair<const char *, int> defaults[] = {
      {"avi", 102}, {"mp3", 17},  {"audio", 17},  {"3gp", 69},    {"psp", 53},
      {"mpeg", 110}, {"mp4", 118}, {"mkv", 125},   {"ipod", 27},   {"iphone", 36},
      {"gphone", 41}, {"wmv", 7},  {"rm", 6},      {"flv", 11}};
  const std::string name = Lower(Name);
  for (const auto &[keyword, profile] : defaults)
    if (name.find(keyword) != std::string::npos) return profile;
  return 1;
}

void Tfm_main::ApplyEditionLayout() {
  if (IsVideoEdition()) {
    if (IsMakerEdition())
      ApplyMakerVideoLayout();
    else
      ApplyVideoLayout();
  } else if (IsMakerEdition()) {
    ApplyMakerDvdLayout();
  } else {
    ApplyDvdLayout();
  }
}

void Tfm_main::ApplyVideoLayout() {
  Main.SubPanelOffset = 220;
  MoveTo(ed_output, 422, 66);
  MoveTo(Panel1, 62, 64);
  MoveTo(pl_main, 53, 81);
  for (TPanel *panel : ProfilePanels()) MoveTo(panel, 206, 81);
  MoveOptionLists(*this, 576, 128);
  MoveTo(pl_play, 559, 294);
  MoveTo(ProgressBar1, 15, 496);
  MoveTo(lv, 12, 89);
}

void Tfm_main::ApplyMakerVideoLayout() {
  Main.SubPanelOffset = 180;
  MoveTo(ed_output, 94, 483);
  MoveTo(Panel1, 96, 451);
  MoveTo(pl_main, 88, 90);
  for (TPanel *panel : ProfilePanels()) MoveTo(panel, 241, 90);
  MoveOptionLists(*this, 554, 121, 168);
  MoveTo(pl_play, 546, 296);
  MoveTo(ProgressBar1, 15, 503);
  lv->SetBounds(8, 121, 509, 316);
}

void Tfm_main::ApplyDvdLayout() {
  MoveTo(cb_audio, 400, 61, 148);
  cb_audio->Show();
  MoveTo(cb_subtitle, 596, 61, 144);
  cb_subtitle->Show();
  Main.SubPanelOffset = 220;
  MoveTo(ed_output, 82, 470);
  MoveTo(Panel1, 62, 64);
  MoveTo(pl_main, 53, 81);
  for (TPanel *panel : ProfilePanels()) MoveTo(panel, 206, 81);
  MoveOptionLists(*this, 576, 128);
  MoveTo(pl_play, 559, 294);
  MoveTo(ProgressBar1, 15, 496);
  lv->SetBounds(12, 89, lv->Width(), 333);
  // The DVD list holds titles that the user ticks for conversion.
  lv->Columns()[0]->SetCaption("Title");
  lv->SetCheckboxes(true);
}

void Tfm_main::ApplyMakerDvdLayout() {
  Main.SubPanelOffset = 180;
  MoveTo(ed_output, 94, 483);
  MoveTo(Panel1, 96, 429);
  MoveTo(pl_main, 90, 71);
  for (TPanel *panel : ProfilePanels()) MoveTo(panel, 243, 71);
  MoveOptionLists(*this, 554, 121, 168);
  MoveTo(pl_play, 546, 296);
  MoveTo(ProgressBar1, 15, 503);
  lv->SetBounds(8, 121, 509, 298);
  lv->Columns()[0]->SetCaption("Title");
  lv->SetCheckboxes(true);
  MoveTo(cb_audio, 90, 453, 177);
  cb_audio->Show();
  MoveTo(cb_subtitle, 336, 453, 177);
  cb_subtitle->Show();
}
