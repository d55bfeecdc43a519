// The DVD edition's title source: the titles and chapters of a DVD folder or of chosen IFO files, read
// through Ifoinfo.dll into lv, with their tracks, check marks, preview and one-by-one conversion.
#include <sys/statvfs.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "convertTh.h"
#include "dialogs.h"
#include "dir.h"
#include "files.h"
#include "library.h"
#include "main.h"
#include "shell.h"
#include "win.h"

Tfm_main::TIfoLibrary Tfm_main::IfoLibrary;

// Queries the DVD drive's volume on its own thread, so that a drive spinning up does not freeze the
// window; the GUI thread pumps messages until it clears VolumeBusy.
class TDVDROMisOPEN : public TThread {
public:
  ~TDVDROMisOPEN() override { EndThread(); }

protected:
  void Execute() override {
    if (fm_main) fm_main->ReadVolumeInfo(fm_main->DriveRoot);
  }
};

namespace {

constexpr int CellRecordSize = 17;
constexpr int ChoiceRows = 501;  // rows 0..500 keep their track choices

void Warn(const char *text) { win::MessageDlg(text, win::TMsgDlgType::mtWarning, {win::mbOK}); }
void Inform(const char *text) { win::MessageDlg(text, win::TMsgDlgType::mtInformation, {win::mbOK}); }

std::string LowerCase(std::string text) {
  for (char &c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

template <class R, class... A>
void Bind(std::function<R(A...)> &slot, win::HMODULE module, const char *name) {
  if (slot || !module) return;
  if (void *proc = win::GetProcAddress(module, name)) slot = reinterpret_cast<R (*)(A...)>(proc);
}

// The operations that tests have not put in themselves come from the library, which stays loaded for
// the run. Without it every file reads as one that cannot be opened.
Tfm_main::TIfoLibrary &IfoInfo() {
  Tfm_main::TIfoLibrary &lib = Tfm_main::IfoLibrary;
  if (!lib.ifoOpen) {
    static win::HMODULE module = win::LoadLibrary("Ifoinfo.dll");
    Bind(lib.ifoOpen, module, "ifoOpen");
    Bind(lib.ifoGetNumPGCI, module, "ifoGetNumPGCI");
    Bind(lib.ifoGetPGCIInfo, module, "ifoGetPGCIInfo");
    Bind(lib.ifoGetPGCICells, module, "ifoGetPGCICells");
    Bind(lib.ifoGetVideoDesc, module, "ifoGetVideoDesc");
    Bind(lib.ifoGetNumAudio, module, "ifoGetNumAudio");
    Bind(lib.ifoGetNumSubPic, module, "ifoGetNumSubPic");
    Bind(lib.ifoGetAudioDesc, module, "ifoGetAudioDesc");
    Bind(lib.ifoGetSubPicDesc, module, "ifoGetSubPicDesc");
    if (!lib.ifoOpen) lib.ifoOpen = [](const char *, int) -> std::intptr_t { return 0; };
  }
  return lib;
}

// The mount point that holds a folder, and its file system's type.
struct TMount {
  std::string Point;
  std::string Type;
};

// /proc/self/mounts writes blanks and the like as three octal digits after a backslash.
std::string Unescape(const std::string &text) {
  auto octal = [&text](std::size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '7'; };
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 3), nullptr, 8));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

TMount MountOf(const std::string &folder) {
  TMount best{"/", ""};
  const std::string &path = folder;
  std::ifstream mounts("/proc/self/mounts");
  std::string line;
  while (std::getline(mounts, line)) {
    std::istringstream fields(line);
    std::string device, point, type;
    if (!(fields >> device >> point >> type)) continue;
    point = Unescape(point);
    const bool holds = point == "/" || path == point || path.rfind(point + "/", 0) == 0;
    if (holds && point.size() >= best.Point.size()) best = {point, type};
  }
  return best;
}

// The drive root of a folder is its mount point; optical drives carry an ISO 9660 or UDF file system.
bool IsOpticalDrive(const std::string &root) {
  const std::string type = MountOf(root).Type;
  return type == "iso9660" || type == "udf";
}

// The input text's root: the IFO file's path before the "/" that precedes its first "video_ts"; a
// file outside such a folder has its own folder as root.
std::string DvdRoot(const std::string &ifoPath) {
  const std::size_t at = LowerCase(ifoPath).find("video_ts");
  if (at != std::string::npos && at > 0 && ifoPath[at - 1] == '/') return ifoPath.substr(0, at - 1);
  std::string folder = win::ExtractFilePath(ifoPath);
  if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string TrimLeft(const std::string &text) {
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  return text.substr(i);
}

std::string WithoutExtension(const std::string &name) {
  const std::string ext = win::ExtractFileExt(name);
  return name.substr(0, name.size() - ext.size());
}

struct TCellRecord {
  int FirstPosition = 0;
  int LastPosition = 0;
  int Seconds = 0;
};

int ReadInt32(const unsigned char *p) {
  return static_cast<int>(static_cast<unsigned>(p[0]) | (static_cast<unsigned>(p[1]) << 8) |
                          (static_cast<unsigned>(p[2]) << 16) | (static_cast<unsigned>(p[3]) << 24));
}

std::vector<std::string> Words(const std::string &text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

void SetStatus(TListItem *row, const std::string &status) {
  TStringList &columns = row->SubItems();
  while (columns.Count() < 4) columns.Add("");
  columns.SetStrings(3, status);
}

// Reads one IFO file into lv: its titles, and in chapter mode each title's chapters after it.
void ReadIfo(Tfm_main &form, const std::string &Path, bool chapters) {
  Tfm_main::TIfoLibrary &ifo = IfoInfo();
  Tfm_main::TIFOSelint &entry = form.IfoFiles[static_cast<std::size_t>(form.IfoCount - 1)];
  TListView *lv = form.lv;
  const std::intptr_t handle = ifo.ifoOpen(Path.c_str(), 0);
  if (handle == 0) {
    // A file that lists nothing owns no row, so that it never hands its (empty) tracks to another's.
    entry.FirstRow = entry.EndRow = -1;
    return;
  }
  const int titles = ifo.ifoGetNumPGCI ? ifo.ifoGetNumPGCI(handle) : 0;
  entry.FirstRow = lv->Count();
  entry.AudioCount = ifo.ifoGetNumAudio ? ifo.ifoGetNumAudio(handle) : 0;
  entry.AudioNames.clear();
  for (int i = 0; i < entry.AudioCount; ++i) {
    const char *name = ifo.ifoGetAudioDesc ? ifo.ifoGetAudioDesc(handle, i) : nullptr;
    entry.AudioNames.push_back(name ? name : "");
  }
  entry.SubPicCount = ifo.ifoGetNumSubPic ? ifo.ifoGetNumSubPic(handle) : 0;
  entry.SubPicNames.clear();
  for (int i = 0; i < entry.SubPicCount; ++i) {
    const char *name = ifo.ifoGetSubPicDesc ? ifo.ifoGetSubPicDesc(handle, i) : nullptr;
    entry.SubPicNames.push_back(name ? name : "");
  }
  const std::string audio = entry.AudioCount > 0 ? Tfm_main::StreamCode(entry.AudioNames[0]) : "0";

  // Adds a row; false (and the row gone again) when it is too short to list.
  auto addRow = [&](const std::string &caption, int first, int last, long long seconds, int startSecond,
                    int endSecond, bool checkTime) {
    TListItem *row = lv->Items().Add();
    const int index = row->Index();
    form.DvdTitles.resize(static_cast<std::size_t>(lv->Count()));
    Tfm_main::TConvertInfo &info = form.DvdTitles[static_cast<std::size_t>(index)];
    info.AudioStream = audio;
    info.SubtitleStream = "0";
    info.StartPosition = first;
    info.EndPosition = last;
    info.IfoPath = Path;
    info.DurationSeconds = seconds;
    info.StartSecond = startSecond;
    info.EndSecond = endSecond;
    if ((checkTime && seconds == 0) || last - first < 1000 || endSecond - startSecond < 1) {
      lv->Items().Delete(index);
      form.DvdTitles.resize(static_cast<std::size_t>(lv->Count()));
      return false;
    }
    Main.MediaInfo.resize(static_cast<std::size_t>(lv->Count()));
    Toriginalinfo &record = Main.MediaInfo[static_cast<std::size_t>(index)];
    record.FrameSize = form.VideoFormatText;
    record.Duration = Tfm_main::SecondsToTimeText(static_cast<int>(seconds));
    // The source's own rates, which the "original" qualities ask for: the sectors' rate over the
    // time, and the rate a listed file gets when its sound's rate is not known.
    const long long kbps = static_cast<long long>(last - first + 1) * 2048 * 8 / 1000 / std::max<long long>(seconds, 1);
    record.AudioKbps = "128";
    record.VideoKbps = std::to_string(std::max<long long>(kbps - 128, 1));
    row->SetCaption(caption);
    row->SubItems().Add(form.VideoFormatText);
    row->SubItems().Add(record.Duration);
    row->SubItems().Add(Tfm_main::FormatOutputSize(form.TotalBitrateKbps(), static_cast<int>(seconds)));
    row->SubItems().Add("Ready");
    lv->Update();
    return true;
  };

  for (int t = 0; t < titles; ++t) {
    unsigned char time[4] = {};
    const int count = std::max(0, ifo.ifoGetPGCIInfo ? ifo.ifoGetPGCIInfo(handle, t, time) : 0);
    std::vector<unsigned char> buffer(static_cast<std::size_t>(count) * CellRecordSize);
    if (count > 0 && ifo.ifoGetPGCICells) ifo.ifoGetPGCICells(handle, t, buffer.data());
    std::vector<TCellRecord> cells;
    for (int j = 0; j < count; ++j) {
      const unsigned char *r = buffer.data() + static_cast<std::size_t>(j) * CellRecordSize;
      cells.push_back({ReadInt32(r), ReadInt32(r + 4), Tfm_main::TimeToSeconds(r[13], r[14], r[15])});
    }
    const int seconds = Tfm_main::TimeToSeconds(time[0], time[1], time[2]);
    const int first = cells.empty() ? 0 : cells.front().FirstPosition;
    const int last = cells.empty() ? 0 : cells.back().LastPosition;

    // The video description is the title set's; it is read before the row that shows it.
    const char *video = ifo.ifoGetVideoDesc ? ifo.ifoGetVideoDesc(handle) : nullptr;
    const std::vector<std::string> words = Words(video ? video : "");
    const std::string previousFormat = form.VideoFormatText;
    form.VideoFormatText = words.size() > 1 ? words[1] : std::string();
    const std::string caption = "Title_" + Tfm_main::TwoDigitNumber(lv->Count() + 1);
    if (!addRow(caption, first, last, seconds, 0, seconds, true)) {
      form.VideoFormatText = previousFormat;
      continue;
    }
    Tfm_main::TCellRow header;
    header.TitleHeader = true;
    if (chapters) {
      form.CellTable.resize(static_cast<std::size_t>(lv->Count()));
      form.CellTable.back() = header;
    } else {
      form.CellTable.push_back(header);
      form.CellCount = static_cast<int>(form.CellTable.size());
    }

    int start = 0;
    for (int j = 0; j < count; ++j) {
      const TCellRecord &cell = cells[static_cast<std::size_t>(j)];
      if (j > 0) start += cells[static_cast<std::size_t>(j - 1)].Seconds;
      const Tfm_main::TCellRow row{cell.FirstPosition, cell.LastPosition, start, start + cell.Seconds, false};
      if (!chapters) {
        form.CellTable.push_back(row);
        form.CellCount = static_cast<int>(form.CellTable.size());
        continue;
      }
      if (cell.Seconds == 0) continue;
      if (addRow("  Chapter_" + Tfm_main::TwoDigitNumber(j + 1), cell.FirstPosition, cell.LastPosition,
                 cell.Seconds, start, start + cell.Seconds, false)) {
        form.CellTable.resize(static_cast<std::size_t>(lv->Count()));
        form.CellTable.back() = row;
      }
    }
  }
  entry.EndRow = lv->Count();
}

// Starts a new IfoFiles entry for a file; IfoCount counts the entries of the current listing.
void AddIfoEntry(Tfm_main &form, const std::string &path) {
  ++form.IfoCount;
  form.IfoFiles.resize(static_cast<std::size_t>(form.IfoCount));
  form.IfoFiles.back() = Tfm_main::TIFOSelint{};
  form.IfoFiles.back().IfoPath = path;
}

// The current mode's check marks.
std::vector<bool> &CurrentChecks(Tfm_main &form) { return Main.TitleMode ? form.TitleChecks : form.ChapterChecks; }

// After a listing: every row checked, the longest selected and its tracks shown.
void CheckAllAndSelectLongest(Tfm_main &form) {
  std::vector<bool> &checks = CurrentChecks(form);
  checks.assign(static_cast<std::size_t>(form.lv->Count()), true);
  for (int i = 0; i < form.lv->Count(); ++i) form.lv->Items()[i]->SetChecked(true);
  form.lv->SetItemIndex(form.LongestTitleRow());
  form.lvClick();
  form.lv->Update();
}

// A new source replaces the previous one.
void ForgetSource(Tfm_main &form) {
  form.IfoCount = 0;
  form.IfoFiles.clear();
  form.CellCount = 0;
  form.CellTable.clear();
  std::fill(std::begin(form.AudioChoice), std::end(form.AudioChoice), 0);
  std::fill(std::begin(form.SubtitleChoice), std::end(form.SubtitleChoice), 0);
  form.TitleChecks.clear();
  form.ChapterChecks.clear();
  form.DvdTitles.clear();
  form.lv->Clear();
  form.lv->Show();
}

// The batch has ended. A row that was not converted keeps its status. The output folder opens for
// any file made; powering off after a failure, or after nothing at all, would hide it from the
// person who comes back to it.
void EndDvdBatch(Tfm_main &form) {
  Main.Converting = false;
  form.ProgressBar1->Hide();
  if (form.DvdRowsMade == 0) return;
  if (Main.FinishAction == 1) win::ShellExecute("open", Main.OutputDir, "", "");
  if (Main.FinishAction == 2 && form.DvdRowsFailed == 0) win::ShellExecute("open", "shutdown.exe", " -s -t 0", "");
}

}  // namespace

void Tfm_main::DesignDvd() {
  lv->OnClick = [this] { lvClick(); };
  lvPPT->OnClick = [this] { lvClick(); };
  cb_audio->OnChange = [this] { cb_audioChange(); };
  cb_subtitle->OnChange = [this] { cb_subtitleChange(); };
}

int Tfm_main::TimeToSeconds(int H, int M, int S) { return H * 3600 + M * 60 + S; }

std::string Tfm_main::StreamCode(const std::string &Description) {
  const std::size_t close = Description.find(')');
  if (close == std::string::npos) return "0";
  const std::size_t from = close >= 4 ? close - 4 : 0;
  return Description.substr(from, close - from);
}

std::string Tfm_main::TwoDigitNumber(int N) { return (N < 10 ? "0" : "") + std::to_string(N); }

void Tfm_main::MenuItem3Click() { OpenDvd(); }
void Tfm_main::MenuItem8Click() { OpenIfoFile(); }

void Tfm_main::OpenDvd() {
  if (Main.Converting) {
    Warn("Please first stop convert!");
    return;
  }
  if (Main.Playing) {
    Warn("Please first stop play!");
    return;
  }
  DesignDvd();
  // The listed titles stay in force until a new folder is confirmed (ForgetSource).
  fm_dir->SetCaption("Select DVD Directory");
  fm_dir->ShowModal();
  const std::string folder = SelectedFolder;
  if (folder.empty()) return;

  ForgetSource(*this);

  DriveRoot = MountOf(folder).Point;
  if (IsOpticalDrive(DriveRoot)) {
    VolumeBusy = true;
    auto reader = std::make_shared<TDVDROMisOPEN>();
    reader->Resume();
    win::PumpUntil([this] { return !VolumeBusy; });
    reader->WaitFor();
  }

  if (!FindIfoFiles(folder)) {
    Inform("Can't find DVD disc.");
    return;
  }
  if (lv->Count() > 0) CheckAllAndSelectLongest(*this);
}

bool Tfm_main::ReadVolumeInfo(const std::string &Root) {
  bool serial = false;
  try {
    struct statvfs volume {};
    serial = ::statvfs(Root.c_str(), &volume) == 0 && volume.f_fsid != 0;
  } catch (...) {
  }
  VolumeBusy = false;
  return serial;
}

bool Tfm_main::FindIfoFiles(const std::string &Folder) {
  bool found = false;
  lv->SetEnabled(false);
  const std::string folder = win::IncludeTrailingPathDelimiter(Folder);
  std::vector<win::TSearchRec> entries;
  win::ListFolder(folder, "*.*", entries);
  for (const win::TSearchRec &entry : entries) {
    win::ProcessMessages();
    win::ProcessMessages();
    if (entry.Name == "." || entry.Name == "..") continue;
    const std::string name = LowerCase(entry.Name);
    if (entry.Attr & win::FILE_ATTRIBUTE_DIRECTORY) {
      if (name == "video_ts" && FindIfoFiles(folder + entry.Name)) {
        found = true;
        break;
      }
      continue;
    }
    if (LowerCase(win::ExtractFileExt(name)) != ".ifo" || name == "video_ts.ifo") continue;
    AddIfoEntry(*this, folder + entry.Name);
    if (Main.TitleMode)
      ReadIfoTitles(folder + entry.Name);
    else
      ReadIfoChapters(folder + entry.Name);
    found = true;
  }
  lv->SetEnabled(true);
  return found;
}

void Tfm_main::ReadIfoTitles(const std::string &Path) { ReadIfo(*this, Path, false); }

void Tfm_main::ReadIfoChapters(const std::string &Path) { ReadIfo(*this, Path, true); }

int Tfm_main::LongestTitleRow() {
  int best = 0, longest = 0;
  for (std::size_t i = 0; i < DvdTitles.size(); ++i) {
    const int span = DvdTitles[i].EndPosition - DvdTitles[i].StartPosition;
    if (span > longest) {
      longest = span;
      best = static_cast<int>(i);
    }
  }
  return best;
}

int Tfm_main::SecondsToPosition(int Seconds, int FirstCell) {
  const bool ownTitle = FirstCell >= 0;
  for (std::size_t i = ownTitle ? static_cast<std::size_t>(FirstCell) : 0; i < CellTable.size(); ++i) {
    const TCellRow &cell = CellTable[i];
    if (cell.TitleHeader) {
      if (ownTitle) break;
      continue;
    }
    if (cell.StartSecond < Seconds && Seconds < cell.EndSecond)
      return win::MulDiv(Seconds - cell.StartSecond, cell.LastPosition - cell.FirstPosition,
                         cell.EndSecond - cell.StartSecond) +
             cell.FirstPosition;
  }
  return 0;
}

int Tfm_main::ConversionStartPosition(int Row) {
  const TConvertInfo &info = DvdTitles[static_cast<std::size_t>(Row)];
  // The row's title header: in title mode the Row-th one, in chapter mode the nearest at or above it.
  int header = -1;
  if (Main.TitleMode) {
    for (int i = 0, seen = 0; i < static_cast<int>(CellTable.size()); ++i)
      if (CellTable[static_cast<std::size_t>(i)].TitleHeader && seen++ == Row) {
        header = i;
        break;
      }
  } else {
    for (int i = std::min(Row, static_cast<int>(CellTable.size()) - 1); i >= 0; --i)
      if (CellTable[static_cast<std::size_t>(i)].TitleHeader) {
        header = i;
        break;
      }
  }
  const int position = header >= 0 ? SecondsToPosition(info.StartSecond, header + 1) : 0;
  return position != 0 ? position : info.StartPosition;
}

std::string Tfm_main::DvdInputText(int Row, int StartPosition) {
  const TConvertInfo &info = DvdTitles[static_cast<std::size_t>(Row)];
  const std::string name = win::ExtractFileName(info.IfoPath);
  const std::string titleSet = name.size() >= 6 ? name.substr(4, 2) : std::string();
  return "vts://" + titleSet + "*" + std::to_string(StartPosition) + "*" + std::to_string(info.EndPosition) + "*" +
         info.AudioStream + "*" + info.SubtitleStream + "*/" + DvdRoot(info.IfoPath);
}

void Tfm_main::lvClick() {
  if (lv->Count() == 0 || Main.Converting || IsVideoEdition()) return;
  std::vector<bool> &checks = CurrentChecks(*this);
  checks.resize(static_cast<std::size_t>(lv->Count()));
  for (int i = 0; i < lv->Count(); ++i) checks[static_cast<std::size_t>(i)] = lv->Items()[i]->Checked();
  if (lv->ItemIndex() >= 0) ShowTitleTracks(lv->ItemIndex());
}

void Tfm_main::ShowTitleTracks(int Row) {
  const bool remembered = Row >= 0 && Row < ChoiceRows;
  for (int i = 0; i < IfoCount && i < static_cast<int>(IfoFiles.size()); ++i) {
    const TIFOSelint &entry = IfoFiles[static_cast<std::size_t>(i)];
    if (entry.FirstRow > Row || Row > entry.EndRow) continue;
    cb_audio->Clear();
    for (const std::string &name : entry.AudioNames) cb_audio->Add(name);
    cb_audio->SetItemIndex(remembered ? AudioChoice[Row] : 0);
    cb_subtitle->Clear();
    cb_subtitle->Add("No Subtitle");
    for (const std::string &name : entry.SubPicNames) cb_subtitle->Add(name);
    cb_subtitle->SetItemIndex(remembered ? SubtitleChoice[Row] : 0);
  }
}

void Tfm_main::cb_audioChange() {
  const int row = lv->ItemIndex();
  if (row < 0 || row >= static_cast<int>(DvdTitles.size())) return;
  if (row < ChoiceRows) AudioChoice[row] = cb_audio->ItemIndex();
  DvdTitles[static_cast<std::size_t>(row)].AudioStream = StreamCode(cb_audio->Text());
}

void Tfm_main::cb_subtitleChange() {
  const int row = lv->ItemIndex();
  if (row < 0 || row >= static_cast<int>(DvdTitles.size())) return;
  if (row < ChoiceRows) SubtitleChoice[row] = cb_subtitle->ItemIndex();
  DvdTitles[static_cast<std::size_t>(row)].SubtitleStream = StreamCode(cb_subtitle->Text());
}

void Tfm_main::ToggleTitleChapterMode(bool CurrentTitleMode) {
  if (Main.Playing) {
    Warn("Please first stop play!");
    return;
  }
  if (Main.Converting) {
    Warn("Please first stop convert!");
    return;
  }
  DesignDvd();
  // The marks the user set last stay with the mode being left.
  if (lv->Count() > 0) {
    std::vector<bool> &checks = CurrentChecks(*this);
    checks.resize(static_cast<std::size_t>(lv->Count()));
    for (int i = 0; i < lv->Count(); ++i) checks[static_cast<std::size_t>(i)] = lv->Items()[i]->Checked();
  }
  Main.TitleMode = !CurrentTitleMode;
  lv->Clear();
  DvdTitles.clear();
  CellTable.clear();
  CellCount = 0;
  std::vector<std::string> paths;
  for (int i = 0; i < IfoCount && i < static_cast<int>(IfoFiles.size()); ++i)
    paths.push_back(IfoFiles[static_cast<std::size_t>(i)].IfoPath);
  IfoCount = 0;
  for (const std::string &path : paths) {
    AddIfoEntry(*this, path);
    if (Main.TitleMode)
      ReadIfoTitles(path);
    else
      ReadIfoChapters(path);
  }
  if (lv->Count() == 0) return;

  const std::vector<bool> &checks = CurrentChecks(*this);
  if (checks.size() == static_cast<std::size_t>(lv->Count())) {
    for (int i = 0; i < lv->Count(); ++i) lv->Items()[i]->SetChecked(checks[static_cast<std::size_t>(i)]);
    lv->SetItemIndex(LongestTitleRow());
    lvClick();
    lv->Update();
  } else {
    CheckAllAndSelectLongest(*this);
  }
}

void Tfm_main::OpenIfoFile() {
  if (Main.Converting) {
    Warn("Please first stop convert!");
    return;
  }
  if (Main.Playing) {
    Warn("Please first stop play!");
    return;
  }
  DesignDvd();
  win::TOpenRequest request;
  request.Filter = "IFO Files(*.ifo)|*.ifo;";
  request.MultiSelect = true;
  const std::vector<std::string> files = win::OpenFileDialog(request);
  if (files.empty()) return;

  ForgetSource(*this);
  std::string unreadable;
  for (const std::string &file : files) {
    AddIfoEntry(*this, file);
    if (Main.TitleMode)
      ReadIfoTitles(file);
    else
      ReadIfoChapters(file);
    if (IfoFiles.back().FirstRow < 0) unreadable += "\r\n" + file;
  }
  if (lv->Count() == 0) {
    Inform("The selected IFO File is invalid, please choose another one.");
    return;
  }
  CheckAllAndSelectLongest(*this);
  // What could be read is listed; the person still learns which of the chosen files it is not.
  if (!unreadable.empty())
    Warn(("These IFO file(s) could not be read:" + unreadable + "\r\nThe titles of the others are listed.").c_str());
}

void Tfm_main::MenuItem10Click() {
  std::vector<bool> &checks = CurrentChecks(*this);
  checks.assign(static_cast<std::size_t>(lv->Count()), true);
  for (int i = 0; i < lv->Count(); ++i) lv->Items()[i]->SetChecked(true);
}

void Tfm_main::MenuItem11Click() {
  std::vector<bool> &checks = CurrentChecks(*this);
  checks.assign(static_cast<std::size_t>(lv->Count()), false);
  for (int i = 0; i < lv->Count(); ++i) lv->Items()[i]->SetChecked(false);
}

void Tfm_main::PreviewDvdTitle() {
  const int row = lv->ItemIndex();
  if (row < 0 || row >= static_cast<int>(DvdTitles.size())) return;
  if (Main.Converting) {
    Warn("Please first stop convert!");
    return;
  }
  if (Main.Playing) return;
  if (EditionHolds("vorma")) pl_play->Show();
  Main.Playing = true;
  PreviewIndex = row;
  FirstPositionPending = true;
  PlayMediaPreview(DvdInputText(row, DvdTitles[static_cast<std::size_t>(row)].StartPosition));
  Main.Playing = false;
}

void Tfm_main::FinishDvdRow(int Row) {
  if (Row < 0 || Row >= lv->Count()) return;
  const bool made = ConvertTh.EncoderExitCode == 0 && Row == DvdJobRow && win::FileSize(DvdJobOutput) > 0;
  ++(made ? DvdRowsMade : DvdRowsFailed);
  SetStatus(lv->Items()[Row], made ? "Finish" : "Convert Error");
}

namespace {

// Fills the job for a row in the order the pieces depend on each other; throws when a piece cannot be
// made (an "original" quality asks for a source bitrate that a title does not have).
void FillDvdJob(Tfm_main &form, int row) {
  const Tfm_main::TConvertInfo &info = form.DvdTitles[static_cast<std::size_t>(row)];
  Main.OutputDir = form.ed_output->Text();
  intputrec &job = Main.EncoderJob;
  job.InputFile = form.DvdInputText(row, form.ConversionStartPosition(row));
  job.LengthArg = " -t " + Tfm_main::SecondsToTimeText(info.EndSecond - info.StartSecond);
  std::string folder = Main.OutputDir;
  if (!win::DirectoryExists(folder)) win::CreateDirectory(folder);
  if (folder.empty() || folder.back() != '/') folder += "/";
  const std::string ext = form.OutputExtension();
  const std::string name = WithoutExtension(TrimLeft(form.lv->Items()[row]->Caption()));
  job.OutputFile = folder + name + ext;
  for (int k = 1; win::FileExists(job.OutputFile); ++k) job.OutputFile = folder + name + "_" + std::to_string(k) + ext;
  job.SizeArg = form.SizeArgument();
  job.AspectArg = form.AspectArgument(job.SizeArg);
  job.VideoRateArg = form.VideoBitrateArgument();
  job.AudioBitrateArg = form.AudioBitrateArgument();
  job.DurationSecs = row < static_cast<int>(Main.MediaInfo.size())
                         ? TimeTextToSeconds(Main.MediaInfo[static_cast<std::size_t>(row)].Duration)
                         : 0;
  job.SampleRateArg = form.SampleRateArgument(job.AudioBitrateArg);
  job.ChannelsArg = form.ChannelsArgument();
  job.ProfileOptions = form.TargetOptions();
  job.StartArg.clear();
}

}  // namespace

void Tfm_main::ConvertNextDvdTitle() {
  if (Main.CurItem == 0) {
    DvdJobRow = -1;
    DvdRowsMade = DvdRowsFailed = 0;
  }
  for (;;) {
    const int rows = lv->Count();
    // The row whose encoder has just ended gets its outcome.
    if (Main.CurItem > 0 && Main.CurItem - 1 == DvdJobRow) {
      FinishDvdRow(DvdJobRow);
      DvdJobRow = -1;
    }

    const int row = Main.CurItem;
    if (row < rows && row < static_cast<int>(DvdTitles.size()) && lv->Items()[row]->Checked()) {
      bool filled = true;
      try {
        FillDvdJob(*this, row);
      } catch (const std::exception &) {
        // The row fails alone, rather than leaving the batch stuck with Converting set.
        filled = false;
        ++DvdRowsFailed;
        SetStatus(lv->Items()[row], "Convert Error");
      }
      if (filled) {
        DvdJobRow = row;
        DvdJobOutput = Main.EncoderJob.OutputFile;
        StartEncoderJob(Main.EncoderJob);
        Timer2->SetEnabled(true);
        return;
      }
    }

    ++Main.CurItem;
    if (Main.CurItem <= rows - 1) continue;
    EndDvdBatch(*this);
    return;
  }
}
