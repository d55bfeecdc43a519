// The batch driver: every presentation of lvPPT through the capture library and the encoder, the
// start and stop commands, and the main window's handling of the library's two messages.
#include <QPointer>
#include <string>
#include <vector>

#include "Kestrune.h"
#include "convertTh.h"
#include "dialogs.h"
#include "files.h"
#include "main.h"
#include "paths.h"
#include "shell.h"
#include "uMain.h"
#include "webbrowser.h"

namespace {

const char *const Stopped = "Convertor Stoped";
const char *const ConvertError = "Convert Error";

// lvPPT's "Status" column is its second sub-item.
std::string PresentationStatus(TListView *list, int row) {
  if (row < 0 || row >= list->Count()) return std::string();
  const TStringList &subItems = list->Items()[row]->SubItems();
  return subItems.Count() > 1 ? subItems.Strings(1) : std::string();
}

void SetPresentationStatus(TListView *list, int row, const std::string &text) {
  if (row < 0 || row >= list->Count()) return;
  TStringList &subItems = list->Items()[row]->SubItems();
  while (subItems.Count() < 2) subItems.Add("");
  subItems.SetStrings(1, text);
}

std::string IntermediateFile() { return win::ProgramFilesFolder() + "QueltFiles/FinalVideo.AVI"; }

// After a wait that ran the message loop: whether this row's road goes on. A Stop or a library error
// handled inside the wait has ended the batch and freed the work window, and a stopped batch starts
// nothing more.
bool RowGoesOn(const QPointer<TfrmPPTToVideo> &window) {
  return Main.Converting && window && window == frmPPTToVideo;
}

// Closes the work window (its close handler ends the library's work) and frees it.
void FreeWorkWindow() {
  if (!frmPPTToVideo) return;
  TfrmPPTToVideo *window = frmPPTToVideo;
  window->Close();
  delete window;
  frmPPTToVideo = nullptr;
}

// The output name in Folder for the presentation Name: its extension replaced by Ext, and "_1", "_2",
// ... before it while a file of that name exists.
std::string UniqueOutputFile(const std::string &Folder, const std::string &Name, const std::string &Ext) {
  const std::string stem = Name.substr(0, Name.size() - win::ExtractFileExt(Name).size());
  std::string output = Folder + stem + Ext;
  for (int k = 1; win::FileExists(output); ++k) output = Folder + stem + "_" + std::to_string(k) + Ext;
  return output;
}

}  // namespace

void Tfm_main::StartConversion() {
  if (Main.Playing) {
    win::MessageDlg("Please first stop play!", win::TMsgDlgType::mtWarning, {win::mbOK});
    return;
  }
  if (Main.Converting) {
    win::MessageDlg("Please first stop convert!", win::TMsgDlgType::mtWarning, {win::mbOK});
    return;
  }
  Main.CurItem = 0;
  Main.ProgressBase = 150;
  Main.Converting = true;
  // CurPresentation stays: a stopped batch resumes at its row.
  if (IsVideoEdition())
    ConvertPresentations();
  else
    ConvertNextDvdTitle();
}

void Tfm_main::ConvertPresentations() {
  Main.AllowMinimize = false;
  if (lvPPT->Count() == 0) {
    win::MessageDlg("There are no PPT File(s) to be converted!", win::TMsgDlgType::mtError, {win::mbOK});
    Main.Converting = false;
    return;
  }
  FailedPresentations.clear();
  // A resume row past the end belongs to a list that has changed since the batch stopped.
  if (Main.CurPresentation < 0 || Main.CurPresentation >= lvPPT->Count()) Main.CurPresentation = 0;
  for (int i = Main.CurPresentation; i < lvPPT->Count(); ++i) SetPresentationStatus(lvPPT, i, "Ready");
  lvPPT->Repaint();

  const int rows = lvPPT->Count();
  int made = 0;
  for (int i = Main.CurPresentation; i < rows; ++i) {
    Main.Converting = true;
    Main.LibraryDone = false;
    Main.IntermediateReady = false;
    Main.CurPresentation = i;

    FreeWorkWindow();
    frmPPTToVideo = CreateForm<TfrmPPTToVideo>(this);
    const QPointer<TfrmPPTToVideo> window = frmPPTToVideo;
    // From here the library reports to the main window.
    PassMainFrmHandlesToDLL(Handle(), window->WB->Handle());
    repaint();
    window->Show();

    const TListItem *row = lvPPT->Items()[i];
    const std::string caption = row->Caption();
    Main.CurPresentationPath = (row->SubItems().Count() > 0 ? row->SubItems().Strings(0) : std::string()) + caption;
    // A load failure arrives as WM_CONVERT_ERROR, whose stop frees the work window.
    window->LoadPresentation(Main.CurPresentationPath);
    if (!RowGoesOn(window)) return;

    SetPresentationStatus(lvPPT, i, "Processing...");
    lvPPT->Repaint();
    window->WB->Navigate("");
    window->WB->Navigate(Main.CurPresentationPath);
    if (!RowGoesOn(window)) return;
    StartConvert();
    Main.AllowMinimize = true;

    win::PumpUntil([] { return Main.LibraryDone; });
    const std::string intermediate = IntermediateFile();
    win::PumpUntil([&intermediate, &window] { return win::FileExists(intermediate) || !RowGoesOn(window); });
    if (!RowGoesOn(window)) return;

    AddMediaFile(intermediate);
    Main.IntermediateReady = true;
    if (!RowGoesOn(window)) return;

    // The job, in this order.
    Main.OutputDir = ed_output->Text();
    Main.EncoderJob.InputFile =
        Main.CurItem >= 0 && Main.CurItem < static_cast<int>(Main.MediaInfo.size())
            ? Main.MediaInfo[static_cast<std::size_t>(Main.CurItem)].FilePath
            : intermediate;
    if (!win::DirectoryExists(Main.OutputDir)) win::CreateDirectory(Main.OutputDir);
    Main.OutputDir = win::IncludeTrailingPathDelimiter(Main.OutputDir);
    const std::string ext = OutputExtension();
    Main.EncoderJob.OutputFile = UniqueOutputFile(Main.OutputDir, caption, ext);
    Main.EncoderJob.SizeArg = SizeArgument();
    Main.EncoderJob.AspectArg = AspectArgument(Main.EncoderJob.SizeArg);
    Main.EncoderJob.VideoRateArg = VideoBitrateArgument();
    Main.EncoderJob.AudioBitrateArg = AudioBitrateArgument();
    Main.EncoderJob.DurationSecs =
        Main.CurItem >= 0 && Main.CurItem < static_cast<int>(Main.MediaInfo.size())
            ? TimeTextToSeconds(Main.MediaInfo[static_cast<std::size_t>(Main.CurItem)].Duration)
            : 0;
    Main.EncoderJob.SampleRateArg = SampleRateArgument(Main.EncoderJob.AudioBitrateArg);
    Main.EncoderJob.ChannelsArg = ChannelsArgument();
    Main.EncoderJob.StartArg.clear();
    Main.EncoderJob.LengthArg.clear();
    Main.EncoderJob.ProfileOptions = TargetOptions();
    const std::string outputFile = Main.EncoderJob.OutputFile;
    ConvertTh.EncoderExitCode = 0;
    StartEncoderJob(Main.EncoderJob);

    win::PumpUntil([this] { return pbOperation->Position() >= 200 && !Main.Converting; });
    // A stop in the encoder phase; once stopped, the list may even have been cleared meanwhile.
    if (i >= lvPPT->Count() || PresentationStatus(lvPPT, i) == Stopped) {
      FreeWorkWindow();
      pbOperation->Hide();
      return;
    }

    // An encoder that failed, or an output folder that could not be made, leaves no usable file.
    const bool ok = ConvertTh.EncoderExitCode == 0 && win::FileSize(outputFile) > 0;
    if (ok)
      ++made;
    else
      FailedPresentations.push_back(caption);
    SetPresentationStatus(lvPPT, i, ok ? "Finished" : ConvertError);
    lvPPT->Repaint();
    FreeWorkWindow();
    pbOperation->Hide();
  }

  if (lvPPT->Count() > 0) {
    Main.CurPresentation = 0;
    // Powering off or saying "successfully" after a failure, or after nothing at all, would hide it
    // from the person who comes back to it; the folder opens for any file made, beside the failure
    // dialog.
    const bool succeeded = made > 0 && FailedPresentations.empty();
    if (made > 0 && Main.FinishAction == 1) win::ShellExecute("open", ed_output->Text(), "", "");
    if (succeeded && Main.FinishAction == 2) win::ShellExecute("open", "shutdown.exe", " -s -t 0", "");
    if (!FailedPresentations.empty()) {
      std::string text = "These file(s) could not be converted:";
      for (const std::string &name : FailedPresentations) text += "\r\n" + name;
      text += "\r\nCheck that the output folder can be written and try again.";
      win::MessageDlg(text, win::TMsgDlgType::mtError, {win::mbOK});
    } else if (succeeded && (Main.FinishAction == 0 || Main.FinishAction == 1)) {
      win::MessageDlg("File(s) Created Successfully!", win::TMsgDlgType::mtInformation, {win::mbOK});
    }
  }
  Main.Converting = false;
}

void Tfm_main::StopConversion() {
  if (Main.Playing) return;
  if (lvPPT->Count() == 0) {
    Main.Converting = false;
    return;
  }
  if (!Main.IntermediateReady) {
    Main.Converting = false;
    SetPresentationStatus(lvPPT, Main.CurPresentation, Stopped);
    lvPPT->Repaint();
    pbOperation->SetPosition(0);
    pbOperation->Hide();
    if (frmPPTToVideo) {
      frmPPTToVideo->WB->Navigate("");
      FreeWorkWindow();
    }
    // Releases the driver's wait; it returns at its next look at the work window.
    Main.LibraryDone = true;
  } else if (Main.Converting) {
    if (ConvertTh.EncoderProcess) ConvertTh.EncoderProcess->Terminate();
    SetPresentationStatus(lvPPT, Main.CurPresentation, Stopped);
    if (Main.CurItem >= 0 && Main.CurItem < lv->Count()) {
      TStringList &subItems = lv->Items()[Main.CurItem]->SubItems();
      while (subItems.Count() < 4) subItems.Add("");
      subItems.SetStrings(3, "Stop");
    }
    ProgressBar1->Hide();
    Main.CurItem = lv->Count() + 1;
    Main.Converting = false;
    if (Timer2->Enabled()) Timer2->SetEnabled(false);
  }
}

void Tfm_main::HandleLibraryMessage(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
  if (msg == WM_CONVERT_ERROR) {
    if (Main.Converting) {
      Main.Converting = false;
      StopConversion();
      EndConvert();
    }
    // Modal: the library's send returns only once the user has read it.
    win::MessageDlg(wParam ? reinterpret_cast<const char *>(wParam) : "", win::TMsgDlgType::mtError, {win::mbOK});
  } else if (msg == WM_CONVERT_PROGRESS) {
    if (lParam >= 150) Main.LibraryDone = true;
    if (lParam > 0) {
      pbOperation->Show();
      pbOperation->SetPosition(static_cast<int>(lParam));
      if (PresentationStatus(lvPPT, Main.CurPresentation) == Stopped) pbOperation->SetPosition(0);
    }
  }
}
