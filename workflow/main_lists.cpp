// The presentation list lvPPT and the media list lv: the user's list commands and AddMediaFile, through
// which every file becomes a row with its media record.
#include <exception>

#include "convertTh.h"
#include "dialogs.h"
#include "dir.h"
#include "files.h"
#include "gettime.h"
#include "main.h"
#include "win.h"

namespace {

void Warn(const char *text) { win::MessageDlg(text, win::TMsgDlgType::mtWarning, {win::mbOK}); }

// The open dialog's filter: each description as shown (full-width brackets and double blanks are
// part of them) with its pattern list.
const char *const PresentationFilter =
    "Frequently Converted PowerPoint Presentations(*.ppt;*.pps;*.pot)|*.ppt;*.pps;*.pot|"
    "All  PowerPoint Presentations （*.ppts;*.ppt;*.pptm;*.ppsx;*.pps;*.ppsm;*.potx;*.pot;*.potm）|"
    "*.ppts;*.ppt;*.pptm;*.ppsx;*.pps;*.ppsm;*.potx;*.pot;*.potm|"
    "Presentations  And Shows（*.ppts;*.ppt;*.pptm;*.ppsx;*.pps;*.ppsm）|*.ppts;*.ppt;*.pptm;*.ppsx;*.pps;*.ppsm|"
    "PowerPoint XML  Presentations（*.xml）|*.xml|"
    "PowerPoint Templates（*.pots;*.pot;*.potm）|*.pots;*.pot;*.potm|"
    "All Web Pages（*.htm;*.html;*.mht;*.mhtml）|*.htm;*.html;*.mht;*.mhtml|"
    "Office Themes（*.thmx）|*.thmx|"
    "All Outlines（*.txt;*.rtf;*.doc;*.wpd;*.docx;*.docm;*.wps）|*.txt;*.rtf;*.doc;*.wpd;*.docx;*.docm;*.wps|"
    "PowerPoint  Add-Ins（*.ppam;*.ppa） |*.ppam;*.ppa";

// A folder entry counts as a presentation when its extension occurs anywhere in this text.
const char *const PresentationPatterns = "*.ppt;*.pps;*.pot";

std::string LowerCase(std::string text) {
  for (char &c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

void SelectFirstAndFocus(TListView *list) {
  if (list->Count() > 0 && list->ItemIndex() < 0) list->SetItemIndex(0);
  if (list->isVisible() && list->isEnabled()) list->setFocus();
}

}  // namespace

bool Tfm_main::IsFileListed(const std::string &Path, TListView *List) {
  const std::string name = win::ExtractFileName(Path);
  for (int i = 0; i < List->Count(); ++i)
    if (List->Items()[i]->Caption() == name) return true;
  return false;
}

void Tfm_main::AddFilesDialog() {
  if (Main.Converting) {
    Warn("Please first stop convert!");
    return;
  }
  Main.SkipProbe = true;
  win::TOpenRequest request;
  request.Filter = PresentationFilter;
  request.MultiSelect = true;
  const std::vector<std::string> files = win::OpenFileDialog(request);
  if (!files.empty()) {
    lv->Clear();
    lvPPT->Show();
    for (const std::string &file : files)
      if (!IsFileListed(file, lvPPT)) AddMediaFile(file);
    SelectFirstAndFocus(lvPPT);
  }
  Main.SkipProbe = false;
}

void Tfm_main::AddFolderFiles() {
  if (Main.Converting) {
    Warn("Please first stop convert!");
    return;
  }
  fm_dir->SetCaption("File Directory");
  fm_dir->ShowModal();
  if (SelectedFolder.empty()) return;

  lv->Clear();
  Main.SkipProbe = true;
  lvPPT->Show();
  std::vector<win::TSearchRec> entries;
  win::ListFolder(SelectedFolder, "*.*", entries);
  const std::string patterns = PresentationPatterns;
  for (const win::TSearchRec &entry : entries) {
    if (entry.Name == "." || entry.Name == "..") continue;
    const std::string ext = LowerCase(win::ExtractFileExt(entry.Name));
    if (ext.empty() || patterns.find(ext) == std::string::npos) continue;
    win::ProcessMessages();
    win::ProcessMessages();
    const std::string path = win::IncludeTrailingPathDelimiter(SelectedFolder) + entry.Name;
    if (!IsFileListed(path, lvPPT)) AddMediaFile(path);
  }
  SelectFirstAndFocus(lvPPT);
  Main.SkipProbe = false;
}

void Tfm_main::RemoveSelectedFiles() {
  if (Main.Playing) {
    Warn("Please first stop play!");
    return;
  }
  if (Main.Converting) {
    Warn("Please first stop convert!");
    return;
  }
  if (lvPPT->SelCount() == 0) return;

  std::vector<Toriginalinfo> &records = Main.MediaInfo;
  const int rows = lvPPT->Count();
  // A stopped batch resumes at the same presentation, wherever its row has moved; removing that row
  // resumes at the row that takes its place.
  const int resumeAt = Main.CurPresentation;
  int removedAbove = 0;
  int i = 0, last = 0;
  for (int pass = 0; pass < rows && i < lvPPT->Count(); ++pass) {
    if (lvPPT->Items()[i]->Selected()) {
      // The records follow their rows up; the array keeps its length.
      for (std::size_t j = static_cast<std::size_t>(i); j + 1 < records.size(); ++j) records[j] = records[j + 1];
      lvPPT->Items().Delete(i);
      if (pass < resumeAt) ++removedAbove;
      last = i;
    } else {
      ++i;
    }
  }
  if (lvPPT->Count() > 0) lvPPT->SetItemIndex(last < lvPPT->Count() ? last : lvPPT->Count() - 1);
  Main.CurPresentation = resumeAt - removedAbove;
}

void Tfm_main::ClearFileList() {
  if (Main.Playing) {
    Warn("Please first stop play!");
    return;
  }
  if (Main.Converting) {
    Warn("Please first stop convert!");
    return;
  }
  if (lvPPT->Count() == 0) return;
  if (win::MessageDlg("Are you sure to remove all the files from filelist?\rNot delete from your computer.",
                      win::TMsgDlgType::mtConfirmation, {win::mbYes, win::mbNo}) == win::idYes) {
    lvPPT->Clear();
    lv->Clear();
    Main.CurPresentation = 0;
  }
}

void Tfm_main::AddMediaFile(const std::string &Path) {
  if (!win::FileExists(Path)) return;
  if (!Main.SkipProbe) {
    StartMediaProbe(Path);
    win::PumpUntil([] { return !Gettime.ProbeBusy; });
  }

  std::string &T = Gettime.ProbeBitrate;
  std::string &V = Gettime.ProbeVideoKbps;
  std::string &A = Gettime.ProbeAudioKbps;
  if (T.empty()) T = "0";
  int total = 0;
  if (!TryStrToInt(T, total)) return;

  TListView *list = Main.SkipProbe ? lvPPT : lv;
  TListItem *row = list->Items().Add();
  Main.CurItem = row->Index();

  // The report may lack the video or the audio rate; each follows from the total. A rate that is not a
  // number gives nothing to derive from, and the record's default stands for it below.
  int audio = 0, video = 0;
  if (V.empty()) {
    if (A.empty())
      V = std::to_string(total);
    else if (TryStrToInt(A, audio))
      V = std::to_string(total - audio);
  }
  if (A.empty() && TryStrToInt(V, video)) A = std::to_string(total - video);
  if (A == "0") A = "128";
  if (Gettime.ProbeFrameSize.empty()) Gettime.ProbeFrameSize = "320x240";

  Main.MediaInfo.resize(static_cast<std::size_t>(list->Count()));
  Toriginalinfo &record = Main.MediaInfo.back();
  record.FilePath = Path;
  record.FrameSize = Gettime.ProbeFrameSize;
  record.VideoKbps = TryStrToInt(V, video) ? std::to_string(video) : "768";
  record.AudioKbps = TryStrToInt(A, audio) ? std::to_string(audio) : "128";
  if (list == lv && TryStrToInt(record.VideoKbps, video) && video <= 0) record.VideoKbps = "768";

  if (Gettime.ProbeDuration.empty()) {
    Gettime.ProbeDuration = "00:00:00";
    Gettime.ProbeFrameSize = "000x000";
  }
  record.Duration = Gettime.ProbeDuration;

  if (list == lvPPT) {
    row->SetCaption(win::ExtractFileName(Path));
    row->SubItems().Add(win::ExtractFilePath(Path));
    row->SubItems().Add("Ready");
    lvPPT->Repaint();
  } else {
    const std::string name = win::ExtractFileName(Path);
    row->SetCaption(name.substr(0, name.size() - win::ExtractFileExt(name).size()));
    std::string outputSize;
    try {
      outputSize = FormatOutputSize(TotalBitrateKbps(), TimeTextToSeconds(Gettime.ProbeDuration));
    } catch (const std::exception &error) {
      // A profile whose rates are not numbers: said as the framework says it; the row still stands.
      win::MessageDlg(error.what(), win::TMsgDlgType::mtError, {win::mbOK});
    }
    row->SubItems().Add(Gettime.ProbeFrameSize);
    row->SubItems().Add(Gettime.ProbeDuration);
    row->SubItems().Add(outputSize);
    row->SubItems().Add("Status");
  }
}
