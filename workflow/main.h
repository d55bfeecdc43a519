#pragma once
// The main form `Tfm_main` (object `fm_main`) and the state that the workflow shares through unit main.
// Member functions live in one .cpp per concern; each section below names its file.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "MyPanel.h"
#include "SkinComboBox.h"
#include "SkinPopupMenu.h"
#include "SkinProgressBar.h"
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
  TskinPopupMenu *pop_file = nullptr;
  TskinPopupMenu *pop_dvd = nullptr;
  TskinPopupMenu *pop_help = nullptr;
  TListView *lvPPT = nullptr;
  TListView *lv = nullptr;
  TskinComboBox *cb_size = nullptr;
  TskinComboBox *cb_videobitrate = nullptr;
  TskinComboBox *cb_audiobitrate = nullptr;
  TskinComboBox *cb_channel = nullptr;
  TskinComboBox *cb_audio = nullptr;
  TskinComboBox *cb_subtitle = nullptr;
  TEdit *ed_output = nullptr;
  TskinProgressBar *pbOperation = nullptr;
  TProgressBar *ProgressBar1 = nullptr;
  TskinProgressBar *pbPPT = nullptr;
  TTimer *Timer1 = nullptr;
  TTimer *Timer2 = nullptr;
  TTimer *TimerPPT = nullptr;
  TTimer *TimerAutoPlay = nullptr;
  TPanel *pnlWB = nullptr;
  TWebBrowser *WB = nullptr;
  TPanel *Panel2 = nullptr;
  TGlass *Glass1 = nullptr;
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
  void StartConversion();
  void ConvertPresentations();
  void StopConversion();
  // WM_CONVERT_ERROR and WM_CONVERT_PROGRESS from the capture library; other messages pass untouched.
  void HandleLibraryMessage(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
  // File names of the rows of the running batch whose output could not be made.
  std::vector<std::string> FailedPresentations;

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
  // One row of lv in the DVD edition.
  struct TConvertInfo {
    std::string AudioStream;     // stream code of the chosen audio track, "0" for none
    std::string SubtitleStream;  // stream code of the chosen subtitle track, "0" for none
    int StartPosition = 0;       // first position of the row's first cell
    int EndPosition = 0;         // last position of the row's last cell
    std::string IfoPath;
    long long DurationSeconds = 0;
    int StartSecond = 0;  // within the row's title
    int EndSecond = 0;
  };
  // One listed IFO file.
  struct TIFOSelint {
    int FirstRow = 0;  // lv's row count before the file was read
    int EndRow = 0;    // and after
    int AudioCount = 0;
    std::vector<std::string> AudioNames;
    int SubPicCount = 0;
    std::vector<std::string> SubPicNames;
    std::string IfoPath;
  };
  using TIFOAS = std::vector<TIFOSelint>;
  struct TCellRow {
    int FirstPosition = 0;
    int LastPosition = 0;
    int StartSecond = 0;
    int EndSecond = 0;
    bool TitleHeader = false;
  };
  // Ifoinfo.dll's operations, bound by name on first use; tests put stand-ins in before that.
  struct TIfoLibrary {
    std::function<std::intptr_t(const char *Path, int Flags)> ifoOpen;
    std::function<int(std::intptr_t Handle)> ifoGetNumPGCI;
    std::function<int(std::intptr_t Handle, int Title, unsigned char *Time)> ifoGetPGCIInfo;
    std::function<int(std::intptr_t Handle, int Title, unsigned char *Cells)> ifoGetPGCICells;
    std::function<const char *(std::intptr_t Handle)> ifoGetVideoDesc;
    std::function<int(std::intptr_t Handle)> ifoGetNumAudio;
    std::function<int(std::intptr_t Handle)> ifoGetNumSubPic;
    std::function<const char *(std::intptr_t Handle, int Track)> ifoGetAudioDesc;
    std::function<const char *(std::intptr_t Handle, int Track)> ifoGetSubPicDesc;
  };
  static TIfoLibrary IfoLibrary;
  // The DVD title source's state (GUI thread only, but VolumeBusy, which the volume reader clears).
  std::vector<TConvertInfo> DvdTitles;  // index = row of lv
  TIFOAS IfoFiles;
  int IfoCount = 0;
  std::vector<TCellRow> CellTable;
  int CellCount = 0;
  std::vector<bool> TitleChecks, ChapterChecks;
  int AudioChoice[501] = {};
  int SubtitleChoice[501] = {};
  std::atomic<bool> VolumeBusy{false};
  std::string DriveRoot;
  std::string VideoFormatText;
  // The row whose encoder runs or ran last in this batch (-1: none) and its output file.
  int DvdJobRow = -1;
  std::string DvdJobOutput;
  // Rows of this batch whose file was made, and those that failed.
  int DvdRowsMade = 0;
  int DvdRowsFailed = 0;
  // Wires lv's and lvPPT's OnClick and the track combos' OnChange; harmless when called again.
  void DesignDvd();
  void OpenDvd();
  void OpenIfoFile();
  // Flips the mode given (the current TitleMode) and lists the stored IFO files again.
  void ToggleTitleChapterMode(bool CurrentTitleMode);
  void PreviewDvdTitle();
  void MenuItem3Click();   // "Add DVD"
  void MenuItem8Click();   // "Add IFO"
  void MenuItem10Click();  // "Select All"
  void MenuItem11Click();  // "Unselect ALL"
  void lvClick();
  void cb_audioChange();
  void cb_subtitleChange();
  bool FindIfoFiles(const std::string &Folder);
  void ReadIfoTitles(const std::string &Path);
  void ReadIfoChapters(const std::string &Path);
  bool ReadVolumeInfo(const std::string &Root);
  int LongestTitleRow();
  void ShowTitleTracks(int Row);
  // The position of a time within the title's cells, searching CellTable from FirstCell up to the
  // next title header (-1 or past the end: the whole table); 0 when no cell strictly holds it.
  int SecondsToPosition(int Seconds, int FirstCell = -1);
  // The row's input text for the player and the encoder, "vts://N*start*end*audio*sub*/root".
  std::string DvdInputText(int Row, int StartPosition);
  // The conversion's start position: the row's own title's cells are searched; no match gives the
  // row's StartPosition.
  int ConversionStartPosition(int Row);
  // Marks a row whose encoder has ended: "Finish" when it exited cleanly and wrote a non-empty
  // output, else "Convert Error".
  void FinishDvdRow(int Row);
  static int TimeToSeconds(int H, int M, int S);
  static std::string StreamCode(const std::string &Description);
  static std::string TwoDigitNumber(int N);
  // One step of the DVD batch; StartConversion and the encoder's end call it.
  void ConvertNextDvdTitle();

  // ---- previews (workflow/main_previews.cpp)
  // Wires the preview's timers, the browser WB, the play bar's release and lvPPT's row colours; called
  // by the constructor, harmless when called again.
  void DesignPreviews();
  void StartPresentationPreview();
  void StopPresentationPreview();
  void TogglePause();
  // One player run in pl_play; returns when playback has ended.
  void PlayMediaPreview(const std::string &InputName);
  // The player's position callback (seconds); plain C calling convention, works on fm_main.
  static void PreviewPositionChanged(double Position);
  void Timer1Timer();
  void TimerPPTTimer();
  void TimerAutoPlayTimer();
  void WBDocumentComplete(const std::string &URL);
  void Skin1MouseUp(const std::shared_ptr<ISkinObject> &Source, int Button, int x, int y);
  // Sets TextColor (0x00BBGGRR) for the row's text; DefaultDraw stays true.
  void lvPPTCustomDrawItem(TListView *Sender, TListItem *Item, TColor &TextColor, bool &DefaultDraw);
  static std::string SecondsToTimeText(int Seconds);
  void AdvancePreviewSlide(win::HWND Window);
  // Bitmap 2 of Resource.dll; throws std::runtime_error when the library or the bitmap is missing.
  static std::unique_ptr<class TBitmap> LoadPreviewReferenceBitmap();
  // Preview.dll's exports, bound by name on first use; tests put stand-ins in before that.
  struct TPreviewLibrary {
    void (*InitPreviewWindow)(win::HWND Window, int Width, int Height) = nullptr;
    void (*SetEventFuntion)(void (*Callback)(double Position)) = nullptr;
    int (*Play)(const char *InputName) = nullptr;
    void (*Pause)() = nullptr;
    void (*Stop)() = nullptr;
    void (*Seek)(int Seconds) = nullptr;
    void (*DestroyPreviewWindow)() = nullptr;
  };
  static TPreviewLibrary PreviewLibrary;
  // The preview's state (GUI thread only).
  int PreviewIndex = 0;               // row of lv being played
  bool FirstPositionPending = false;  // set when a player run starts
  int PreviewStartOffset = 0;         // first positive position of the run, rounded
  int PreviewPosition = 0;            // elapsed whole seconds shown
  bool PlayerRunning = false;         // PlayMediaPreview's Play is running
  TListItem *PreviewRow = nullptr;    // the lvPPT row previewed in WB
  int PreviewSlideCount = 0;
  int PreviewPages = 0;   // WB's completed documents since the preview started
  int AutoPlayTicks = 0;  // TimerAutoPlay ticks since the last slide advance
  std::chrono::steady_clock::time_point PreviewStartTime;
  std::shared_ptr<TBitmap> PreviewReference;  // created on first use, kept for the run
  std::shared_ptr<TBitmap> PreviewCapture;

  // ---- dispatch (mainwindow/main_dispatch.cpp)
  // The skin elements kept for the whole run.
  struct {
    TSkinElementRef profilestext, play_time, hint, play_bar;
  } SkinElements;
  void InitSkin();
  void Skin1Click(const std::shared_ptr<ISkinObject> &Source);
  void Skin1MouseDown(const std::shared_ptr<ISkinObject> &Source, int Button, int x, int y);
  void Skin1MouseMove(const std::shared_ptr<ISkinObject> &Source, int x, int y);
  // Line N of the program folder's "language.info" into the "hint" element; nothing while converting.
  void ShowLanguageText(int N);
  // The hint line bound to a skin object's name; 0 for every other name.
  static int HintLine(const std::wstring &Name);
  // Fills pop_file, pop_dvd and pop_help with their items and pictures; called by the constructor.
  void DesignMenus();
  void AddFiles1Click();
  void AddFolder1Click();
  void Rmove1Click();
  void Clear1Click();
  void Convert1Click();
  void Stop1Click();
  void Exit1Click();
  void MenuItem7Click();

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
  // The category pictures of pl_main, top to bottom, and the fixed picture below them.
  TImage *img_gvideo1 = nullptr, *img_audio1 = nullptr, *img_ipod = nullptr, *img_iphone = nullptr;
  TImage *img_gphone = nullptr, *img_appletv = nullptr, *img_psp = nullptr, *img_xbox = nullptr;
  TImage *img_phone = nullptr, *img_win = nullptr, *img_pmp = nullptr, *img_hd = nullptr;
  TImage *img_animation = nullptr, *Image3 = nullptr;
  // The bottom strips of the video and audio pages: a fixed picture and the page switch beside it.
  TImage *btim_next = nullptr, *Image94 = nullptr, *btim_pre = nullptr, *Image93 = nullptr;
  TImage *Image1 = nullptr, *Image2 = nullptr, *Image4 = nullptr, *Image5 = nullptr;
  // btim[N] is the picture button btim_N, N = 1..132 (btim[0] stays empty).
  TImage *btim[133] = {};
  // Folder of the chooser's picture files, ending in "/": the program folder's "images/".
  std::string ChooserImages;
  // Builds the category pictures, the btim_N buttons and the page strips; called by the constructor.
  void DesignChooser();
  void ShowChooserPanels(bool Visible);
  void RestoreCategoryImage(int Category);
  void RestoreProfileButton(int N);
  void MapSelProfileToGroup();
  void OpenChooser(int Profile);
  // OnMouseMove of category picture K: the family img_gvideo1MouseMove, img_audio1MouseMove,
  // img_ipodMouseMove, img_iphoneMouseMove, img_gphoneMouseMove, img_appletvMouseMove, img_pspMouseMove,
  // img_xboxMouseMove, img_phoneMouseMove, img_winMouseMove, img_pmpMouseMove, img_hdMouseMove,
  // img_animationMouseMove (K = 1..13).
  void img_MouseMove(int Category);
  // The btim_NMouseMove family (btim_1MouseMove .. btim_131MouseMove) and the btim_NClick family
  // (btim_1Click .. btim_131Click); a number without such a handler does nothing.
  void btim_MouseMove(int N);
  void btim_Click(int N);
  static bool HasHoverHandler(int N);
  static bool HasClickHandler(int N);
  // The page switches of the bottom strips.
  void Image94Click();
  void Image93Click();
  void Image2Click();
  void Image5Click();
  void im_mainicoClick();
  // OnMouseDown of lvPPT and lv, any button.
  void lvMouseDown();

  // ---- profile settings (mainwindow/main_profilesettings.cpp)
  // Profile N's choices of size, video and audio quality and channels in the per-profile file; a number
  // without an entry is neither stored nor restored. The loads differ only in their defaults.
  void SaveProfileSettings(int N);
  void LoadVideoProfileSettings(int N);  // the video edition's defaults
  void LoadDvdProfileSettings(int N);    // the other editions' defaults

  // ---- help links (mainwindow/uWRStream.cpp)
  void MenuItem1Click();  // "Help"
  void MenuItem2Click();  // "Support"
  void MenuItem4Click();  // "Our Website"
  void MenuItem5Click();  // "Contact us"
  // The about box's web link.
  void GetHomePageAddress(std::string &Text);
};

extern Tfm_main *fm_main;
