#pragma once
// The main form `Tfm_main` (object `fm_main`) and the state that the workflow shares through unit main.
// Member functions live in one .cpp per concern; each section below names its file.
#include <memory>
#include <string>
#include <vector>

#include "controls.h"
#include "forms.h"
#include "image.h"
#include "inifile.h"
#include "skincontrol.h"
#include "timer.h"
#include "webbrowser.h"

// The encoder job record; fields in this order.
struct intputrec {
  std::string InputFile;
  std::string OutputFile;
  std::string EncoderPath;
  std::string WorkDir;
  std::string VideoRateArg;
  std::string AudioBitrateArg;
  int DurationSecs = 0;
  std::string ProfileOptions;
  std::string SizeArg;
  std::string SampleRateArg;
  std::string ChannelsArg;
  std::string AspectArg;
  std::string StartArg;
  std::string LengthArg;
};

// One media list row's probe record; Reserved is never set or read.
struct Toriginalinfo {
  std::string FilePath;
  std::string FrameSize;  // "WxH"
  std::string Duration;   // "HH:MM:SS"
  std::string Reserved;
  std::string VideoKbps;
  std::string AudioKbps;
};

// The shipped edition's program name.
inline constexpr const char *ShippedEditionName = "Vantrel.exe";

// Shared state of unit main, at its start values. GUI thread only.
struct MainGlobals {
  std::string EditionName = ShippedEditionName;
  bool Converting = false;
  bool Playing = false;
  bool Seeking = false;
  bool Paused = false;
  bool TitleMode = true;
  int SelCategory = -1;
  int SelProfile = -1;
  int CurProfile = 0;
  std::string OutputDir;
  int FinishAction = 0;
  bool VideoFirstPage = false;
  bool AudioFirstPage = false;
  int CurItem = 0;
  int CurPresentation = 0;
  std::string CurPresentationPath;
  bool LibraryDone = false;
  bool IntermediateReady = false;
  bool AllowMinimize = true;
  bool SkipProbe = false;
  int ProgressBase = 0;
  // Opened once by the first FormShow and kept for the whole run.
  std::shared_ptr<TIniFile> SettingsIni;
  std::shared_ptr<TIniFile> ProfileIni;
  intputrec EncoderJob;
  std::vector<Toriginalinfo> MediaInfo;
  // Set by the edition layout: distance from pl_video1's left edge to a sub-panel's.
  int SubPanelOffset = 0;
};
// `Main = MainGlobals{};` puts everything back to its start values.
extern MainGlobals Main;

// A skin element held for the whole run; members stay empty when the skin has no such element.
struct TSkinElementRef {
  std::shared_ptr<ISkinObject> Object;
  std::shared_ptr<ISkinText> Text;
  std::shared_ptr<ISkinSlider> Slider;
  std::shared_ptr<ISkinElement> Element;
};

class Tfm_main : public TForm {
public:
  explicit Tfm_main(TComponent *owner);
  ~Tfm_main() override;

  // ---- components (built in workflow/main_startup.cpp at their design places)
  TSkin *Skin1 = nullptr;
  TImageList *ImageList1 = nullptr;
  TPopupMenu *pop_file = nullptr;
  TPopupMenu *pop_dvd = nullptr;
  TPopupMenu *pop_help = nullptr;
  TListView *lvPPT = nullptr;
  TListView *lv = nullptr;
  TComboBox *cb_size = nullptr;
  TComboBox *cb_videobitrate = nullptr;
  TComboBox *cb_audiobitrate = nullptr;
  TComboBox *cb_channel = nullptr;
  TComboBox *cb_audio = nullptr;
  TComboBox *cb_subtitle = nullptr;
  TEdit *ed_output = nullptr;
  TProgressBar *pbOperation = nullptr;
  TProgressBar *ProgressBar1 = nullptr;
  TProgressBar *pbPPT = nullptr;
  TTimer *Timer1 = nullptr;
  TTimer *Timer2 = nullptr;
  TTimer *TimerPPT = nullptr;
  TTimer *TimerAutoPlay = nullptr;
  TPanel *pnlWB = nullptr;
  TWebBrowser *WB = nullptr;
  TPanel *Panel2 = nullptr;
  TPanel *pnlStopPlay = nullptr;
  TImage *ImgStopPlay = nullptr;
  TPanel *pl_play = nullptr;
  TPanel *Panel1 = nullptr;
  TImage *im_mainico = nullptr;
  // The chooser's category column and its nineteen profile panels; their pictures and buttons are
  // the chooser's (DesignChooser).
  TPanel *pl_main = nullptr;
  TPanel *pl_video1 = nullptr, *pl_video2 = nullptr, *pl_audio1 = nullptr, *pl_audio2 = nullptr;
  TPanel *pl_ipod = nullptr, *pl_iphone = nullptr, *pl_psp = nullptr, *pl_phone = nullptr;
  TPanel *pl_pmp = nullptr, *pl_appletv = nullptr, *pl_animation = nullptr, *pl_gphone = nullptr;
  TPanel *pl_win = nullptr, *pl_xbox = nullptr, *pl_hd = nullptr;
  TPanel *pl_avi = nullptr, *pl_mpeg = nullptr, *pl_mp4 = nullptr, *pl_mkv = nullptr;
  // The nineteen profile panels in the order the layouts move them.
  std::vector<TPanel *> ProfilePanels() const;

  // ---- startup (workflow/main_startup.cpp)
  void FormCreate(TComponent *Sender = nullptr);
  void FormShow(TComponent *Sender = nullptr);
  void LoadSettings();
  void FormCloseQuery(TComponent *Sender, bool &CanClose);
  void FormClose(TComponent *Sender, TCloseAction &Action);
  // Settings file names built from EditionName: "Vantrel.ini" and "pro Vantrel.ini".
  static std::string SettingsFileName(const std::string &editionName);
  static std::string ProfileFileName(const std::string &editionName);

protected:
  win::LRESULT WndProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) override;
  // WM_SYSCOMMAND; true when the message was swallowed.
  bool WMSysCommand(win::WPARAM command);

public:
  // ---- batch (workflow/main_batch.cpp)
  // One step of the DVD road (workflow/main_dvd.cpp); the encoder's end continues with it.
  void ConvertNextDvdTitle();  // stub in main_stubs.cpp until written

  // ---- encoder runner (workflow/convertTh.cpp)
  // pbOperation's position := Value + ProgressBase, or Value alone while Timer2 runs.
  void SetOperationProgress(int Value);
  void Timer2Timer();
  // Ends the encoder's and the probe's processes and threads before the form's controls go.
  struct TJobThreadsGuard {
    TJobThreadsGuard() = default;
    TJobThreadsGuard(const TJobThreadsGuard &) = delete;
    TJobThreadsGuard &operator=(const TJobThreadsGuard &) = delete;
    ~TJobThreadsGuard();
  } JobThreadsGuard;

  // ---- profiles (workflow/main_profiles.cpp)
  // The current profile's video bitrates by quality index q (0 the highest; "*" at 0 marks an
  // audio-only profile) and its description, the table's index 5.
  struct TProfileTokens {
    std::string Bitrates[5];
    std::wstring Description;
  };
  TProfileTokens ProfileTokens;
  // Quality tables by quality index; factors are video kbps per pixel of frame height.
  static constexpr int AudioKbpsTable[5] = {320, 192, 128, 64, 32};
  static constexpr double AmrKbpsTable[5] = {12.2, 10.2, 7.4, 5.9, 4.75};
  static constexpr double GeneralFactorTable[5] = {6.25, 4.16, 3.33, 2.13, 1.51};
  static constexpr double MiniFactorTable[5] = {3.33, 2.13, 1.51, 1.06, 0.8};
  static constexpr double NormalFactorTable[5] = {6.25, 4.16, 3.33, 2.13, 1.51};
  static constexpr double ExcellentFactorTable[5] = {10.41, 8.33, 6.25, 4.16, 3.33};
  void SelectProfile(int Profile);
  void ShowProfileDescription(int N);
  void FillSizeList(const std::string &Line);
  // The bitrate line's step of SelectProfile: enables the lists and keeps the extra items in order.
  void ApplyProfileBitrateLine(const std::string &Line);
  void ParseProfileBitrates(const std::string &Line);
  // ".mp4", ".MP4", ...: from the current description.
  std::string OutputExtension();
  int TotalBitrateKbps();
  static std::string FormatOutputSize(int Kbps, int Seconds);
  void RecomputeOutputSizes();
  void cb_videobitrateChange();
  void cb_audiobitrateChange();
  // Also the OnChange of cb_channel.
  void cb_sizeChange();
  // nullptr for a number that carries no profile.
  static const wchar_t *ProfileDescription(int N);
  // Blank-separated tokens; two blanks in a row or a one-character last token end the list.
  static std::vector<std::string> SplitProfileLine(const std::string &Line);
  // Lines 1..3 of profile N's block, as many as the file holds; throws when it cannot be opened.
  static std::vector<std::string> ReadProfileBlock(const std::string &FileName, int N);
  static bool IsDiscTarget(int Profile);      // 112..114
  static bool IsGeneralProfile(int Profile);  // below 15 or above 101
  // SelectProfile's calls into the per-profile selections; they belong to mainwindow/
  // main_profilesettings.cpp (move them to that section when it is written; stubs in main_stubs.cpp).
  void SaveProfileSettings(int N);
  void LoadVideoProfileSettings(int N);
  void LoadDvdProfileSettings(int N);

  // ---- option pieces (workflow/main_profiles.cpp)
  // Each piece is empty or begins with a blank; numbers in them always use "." as decimal point.
  std::string SizeArgument();
  std::string AspectArgument(const std::string &SizeArg);
  std::string VideoBitrateArgument();
  std::string AudioBitrateArgument();
  std::string SampleRateArgument(const std::string &AudioBitrateArg);
  std::string ChannelsArgument();
  // " -target pal-vcd " and so on for 112..114; the stored option line for any other profile.
  std::string TargetOptions();

  // ---- lists and probe (workflow/main_lists.cpp, workflow/gettime.cpp)
  void AddFilesDialog();
  void AddFolderFiles();
  void RemoveSelectedFiles();
  void ClearFileList();
  // True when a row's caption equals the file name of Path (exact, case-sensitive).
  bool IsFileListed(const std::string &Path, TListView *List);
  void AddMediaFile(const std::string &Path);

  // ---- dvd (workflow/main_dvd.cpp)

  // ---- previews (workflow/main_previews.cpp)

  // ---- dispatch (mainwindow/main_dispatch.cpp)
  // The skin elements kept for the whole run.
  struct {
    TSkinElementRef profilestext, play_time, hint, play_bar;
  } SkinElements;
  void InitSkin();
  void Skin1Click(const std::shared_ptr<ISkinObject> &Source);
  void Skin1MouseDown(const std::shared_ptr<ISkinObject> &Source, int Button, int x, int y);
  void Skin1MouseMove(const std::shared_ptr<ISkinObject> &Source, int x, int y);
  // Until the command table and the hint lines are written: the names Skin1Click and Skin1MouseMove
  // saw last. Replace together with those two handlers.
  std::wstring LastClickedObject, LastHoveredObject;
  // Fills pop_file, pop_dvd and pop_help; called by the constructor.
  void DesignMenus();  // stub in main_stubs.cpp until written

  // ---- editions (mainwindow/main_editions.cpp)
  bool IsVideoEdition();
  // The lower-cased EditionName holds Keyword (given in lower case) anywhere.
  bool EditionHolds(const std::string &Keyword);
  // The brand keyword "vorma".
  bool IsMakerEdition();
  int DefaultProfileForEdition(const std::string &Name);
  // FormShow's layout choice from EditionName.
  void ApplyEditionLayout();
  void ApplyVideoLayout();
  void ApplyMakerVideoLayout();
  void ApplyDvdLayout();
  void ApplyMakerDvdLayout();

  // ---- chooser (mainwindow/main_chooser.cpp)
  void ShowChooserPanels(bool Visible);  // stub in main_stubs.cpp until written
  void RestoreProfileButton(int N);      // stub in main_stubs.cpp until written
  // Builds the category pictures and the btim_N buttons; called by the constructor.
  void DesignChooser();  // stub in main_stubs.cpp until written

  // ---- profile settings (mainwindow/main_profilesettings.cpp)
};

extern Tfm_main *fm_main;
