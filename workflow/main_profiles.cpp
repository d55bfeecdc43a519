// The profile model: the profile data file, the option lists and their extra items, the quality
// tables, the output-size estimate, and the encoder option pieces built from them.
#include <QLocale>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cerrno>
#include <stdexcept>

#include "canvas.h"
#include "convertTh.h"
#include "files.h"
#include "main.h"
#include "paths.h"

namespace {

const char *const OriginalVideoItem = "The Original Video Quliay";
const char *const OriginalAudioItem = "The Original Audio Quliay";
const char *const OriginalSizeItem = "The original width and height";
const char *const NoVideoItem = "No Video";

struct TDescriptionRow {
  int Number;
  const wchar_t *Text;
};

const TDescriptionRow DescriptionTable[] = {
    {1, L"ASF-Advanced Streaming Format(*.asf)"},
    {2, L"AVI-DivX Movie(*.avi)"},
    {3, L"AVI-XviD Movie(*.avi)"},
    {4, L"MP4-MPEG-4 Video(*.mp4)"},
    {5, L"MP4-MPEG-4 AVC Video(*.mp4)"},
    {6, L"RM-Real Video(*.rm)"},
    {7, L"WMV-Windows Media Video(*.wmv)"},
    {8, L"3GPP-3rd Generation Partnership Project(*.3gp)"},
    {9, L"3GPP2-3rd Generation Partnership Project2(*.3g2)"},
    {10, L"MOV-Quick Time(*.mov)"},
    {11, L"FLV - Flash Video Format(*.flv)"},
    {12, L"SWF - SWF Format(*.swf)"},
    {13, L"RM-Real Video(*.rm)"},
    {14, L"WMV-Windows Media Video(*.wmv)"},
    {15, L"AAC-Advanced Audio Coding(*.aac)"},
    {16, L"AC3-Dolby Dingtal AC-3(*.ac3)"},
    {17, L"MP3-MPEG Layer-3Audio(*.mp3)"},
    {18, L"OGG-Ogg Vorbis Audio(*.ogg)"},
    {19, L"RA-Real Auido(*.ra)"},
    {20, L"WAV-Waveform Auido(*.wav)"},
    {21, L"WMA-Windows Media Audio(*.wma)"},
    {22, L"AIFF-Audio Interchange File Format(*.aiff)"},
    {23, L"M4A-MPEG-4 Auido(*.m4a)"},
    {24, L"MP2-MPEG Layer-2 Audio(*.mp2)"},
    {25, L"SUN AU Format(*.au)"},
    {27, L"iPod(320\u00D7240)MPEG-4 Codec(*.mp4)"},
    {28, L"iPod(320\u00D7240)MPEG-4 AVC Codec(*.mp4)"},
    {29, L"iPod(480\u00D7320)MPEG-4 Codec(*.mp4)"},
    {30, L"iPod(480\u00D7320)MPEG-4 AVC Codec(*.mp4)"},
    {31, L"iPod(640\u00D7480)MPEG-4 Codec(*.mp4)"},
    {32, L"iPod(640\u00D7480)MPEG-4 AVC Codec(*.mp4)"},
    {34, L"iPhone(320\u00D7240)MPEG-4 Codec(*.mp4)"},
    {35, L"iPhone(320\u00D7240)MPEG-4 AVC Codec(*.mp4)"},
    {36, L"iPhone(480\u00D7320)MPEG-4 Codec(*.mp4)"},
    {37, L"iPhone(480\u00D7320)MPEG-4 AVC Codec(*.mp4)"},
    {38, L"iPhone(640\u00D7480)MPEG-4 Codec(*.mp4)"},
    {39, L"iPhone(640\u00D7480)MPEG-4 AVC Codec(*.mp4)"},
    {41, L"GPhone(320\u00D7240)MPEG-4 Codec(*.mp4)"},
    {42, L"GPhone(320\u00D7240)H.264 Codec(*.mp4)"},
    {43, L"GPhone(640\u00D7480)MPEG-4 Codec(*.mp4)"},
    {44, L"GPhone(640\u00D7480)H.264 Codec(*.mp4)"},
    {46, L"Apple TV MPEG-4 480P(640\u00D7480)(*.mp4)"},
    {47, L"Apple TV MPEG-4 720P(1280\u00D7720)(*.mp4)"},
    {48, L"Apple TV MPEG-4 (320\u00D7240)(*.mp4)"},
    {49, L"Apple TV h264 480P(640\u00D7480)(*.mp4)"},
    {50, L"Apple TV h264 720P(1280\u00D7720)(*.mp4)"},
    {51, L"Apple TV h264(320\u00D7240)(*.mp4)"},
    {53, L"PS3 Video(1080P)MPEG-4(*.MP4)"},
    {54, L"PS3 Video(720P)MPEG-4(*.MP4)"},
    {55, L"PS3 Video(480P)MPEG-4(*.MP4)"},
    {56, L"PSP-PSP MPEG-4 Video(*.mp4)"},
    {57, L"PSP AVC Video Format(*.mp4)"},
    {58, L"PSP Video(480P)MPEG-4(*.mp4)"},
    {60, L"Xbox360 WMV Movie(*.wmv)"},
    {61, L"Xbox360 WMV HDTV Video(*.wmv)"},
    {62, L"Xbox360 MPEG-4 AVC Video(*.mp4)"},
    {63, L"Xbox360 HD MPEG-4 AVC Video(*.mp4)"},
    {64, L"Xbox360 MPEG4 Video(*.mp4)"},
    {65, L"Xbox360 HD MPEG-4 Video(*.mp4)"},
    {66, L"Xbox360 MCE HD MPEG2 Video(*.mpeg)"},
    {68, L"3GPP-3rd Generation Partnership Project(*.3gp)"},
    {69, L"3GPP2-3rd Generation Partnership Project2(*.3g2)"},
    {70, L"BlackBerry 3GP Video(*.3gp)"},
    {71, L"BlackBerry AMR Audio(*.amr)"},
    {72, L"BlackBerry AVI Audio(*.avi)"},
    {73, L"BlackBerry MPEG-4 Video(*.mp4)"},
    {75, L"Dell Axim X51 Video(*.wmv)"},
    {76, L"General Pocket PC Video(*.wmv)"},
    {77, L"HP iPAQ hw6500 series Video(*.wmv)"},
    {78, L"HP iPAQ hx2000/rx3000/rx1900 series Video(*.wmv)"},
    {79, L"HP iPAQ hx4700 series Video(*.wmv)"},
    {80, L"WMA-Windows Media Audio(*.wma)"},
    {81, L"WMV-Windows Media Video(*.wmv)"},
    {83, L"Archos AV500/GMini402 Video(*.avi)"},
    {84, L"Archos AV700 Video(*.avi)"},
    {85, L"Creative Zen Vision Video(*.avi)"},
    {86, L"Zune MPEG-4 AVC Video Format(*.mp4)"},
    {87, L"Zune MPEG-4 Video(*.mp4)"},
    {88, L"Zune WMV-Windows Media Video(*.wmv)"},
    {89, L"iRiver PMP-100 Video(*.avi)"},
    {91, L"HD AVI Video(*.avi)"},
    {92, L"HD MPEG-4 Video(*.mp4)"},
    {93, L"HD MPEG-4 AVC Video(*.mp4)"},
    {94, L"HD MOV Video(*.mov)"},
    {95, L"HD MPEG-2 TS Video(*.ts)"},
    {96, L"HD MPEG2 Video(*.mpg)"},
    {97, L"HD WMV Video(*.wmv)"},
    {99, L"FLV - Flash Video Format(*.flv)"},
    {100, L"SWF - SWF Format(*.swf)"},
    {102, L"AVI - H264 Movie(*.avi)"},
    {103, L"AVI - DivX Movie(*.avi)"},
    {104, L"AVI - XviD Movie(*.avi)"},
    {105, L"AVI - MPEG-4 Movie(*.avi)"},
    {106, L"AVI - MSMPEG4 Movie(*.avi)"},
    {107, L"AVI - MPEG Movie(*.avi)"},
    {108, L"AVI - WMV Movie(*.avi)"},
    {110, L"MPEG-1 Movie(*.mpg)"},
    {111, L"MPEG-2 Movie(*.mpg)"},
    {112, L"Video CD - MPEG PS Format(*.mpg)"},
    {113, L"Super Video CD - MPEG2 PS Format(*.mpg)"},
    {114, L"DVD - MPEG2 PS Format(*.vob)"},
    {115, L"HD MPEG-2 Video(*.mpeg)"},
    {116, L"HD MPEG-2 TS Video(*.ts)"},
    {118, L"MP4 - MPEG4 Video Mini(*.mp4)"},
    {119, L"MP4 - MPEG4 Video Normal(*.mp4)"},
    {120, L"MP4 - MPEG4 Video Excellent(*.mp4)"},
    {121, L"MP4 - H.264 Video Mini(*.mp4)"},
    {122, L"MP4 - H.264 Video Normal(*.mp4)"},
    {123, L"MP4 - H.264 Video Excellent(*.MP4)"},
    {125, L"MKV - H264 Movie(*.mkv)"},
    {126, L"MKV - DivX Movie(*.mkv)"},
    {127, L"MKV - XviD Movie(*.mkv)"},
    {128, L"MKV - MPEG-4 Movie(*.mkv)"},
    {129, L"MKV - MSMPEG4 Movie(*.mkv)"},
    {130, L"MKV - MPEG Movie(*.mkv)"},
    {131, L"MKV - WMV Movie(*.mkv)"},
};

// Whole text as a 32-bit decimal integer, else the conversion error the user sees.
long long StrToInt(const std::string &text) {
  int value = 0;
  const char *first = text.data(), *last = text.data() + text.size();
  if (first != last && *first == '+') ++first;
  auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || end != last || first == last)
    throw std::runtime_error("'" + text + "' is not a valid integer value");
  return value;
}

bool TryStrToInt(const std::string &text, long long &value) {
  try {
    value = StrToInt(text);
    return true;
  } catch (const std::runtime_error &) {
    return false;
  }
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool LastItemSelected(const TComboBox *combo) {
  return combo->Items().Count() > 0 && combo->ItemIndex() == combo->Items().Count() - 1;
}

// The "original" items are recognised by their place at the end and by their text, so that the
// last real quality or size of a list never stands in for the source's own values.
bool ExtraItemSelected(const TComboBox *combo, const char *item) {
  return LastItemSelected(combo) && combo->Items()[combo->ItemIndex()] == item;
}

// A choice without a table entry (none, an "original" item, "No Video") counts as "Normal".
int QualityIndex(const TComboBox *combo) {
  int q = combo->ItemIndex();
  return q >= 0 && q <= 4 ? q : 2;
}

void AppendUnlessLast(TComboBox *combo, const char *item) {
  const TStringList &items = combo->Items();
  if (items.Count() == 0 || items[items.Count() - 1] != item) combo->Items().Add(item);
}

void DeleteIfLast(TComboBox *combo, const char *item) {
  TStringList &items = combo->Items();
  if (items.Count() > 0 && items[items.Count() - 1] == item) items.Delete(items.Count() - 1);
}

void DeleteAll(TComboBox *combo, const char *item) {
  TStringList &items = combo->Items();
  for (int i = items.Count() - 1; i >= 0; --i)
    if (items[i] == item) items.Delete(i);
}

const double *FactorTable(int profile) {
  switch (profile) {
    case 118:
    case 121: return Tfm_main::MiniFactorTable;
    case 119:
    case 122: return Tfm_main::NormalFactorTable;
    case 120:
    case 123: return Tfm_main::ExcellentFactorTable;
    default: return Tfm_main::GeneralFactorTable;
  }
}

// Banker's rounding, as the tables' products are rounded.
int RoundHalfEven(double value) { return static_cast<int>(std::nearbyint(value)); }

std::string DecimalSeparator() { return QLocale().decimalPoint().toStdString(); }

std::string ReplaceDot(std::string text, const std::string &separator) {
  std::size_t dot = text.find('.');
  if (dot != std::string::npos) text.replace(dot, 1, separator);
  return text;
}

// Fixed notation with `decimals` decimals, rounded to at most `precision` significant digits; a
// value with more integer digits than that comes out in exponent notation. Always "." as separator.
std::string FormatFixed(double value, int precision, int decimals) {
  char buffer[64];
  const double magnitude = std::fabs(value);
  const int integerDigits = magnitude >= 1 ? static_cast<int>(std::floor(std::log10(magnitude))) + 1 : 0;
  const int places = std::min(decimals, precision - integerDigits);
  if (places >= 0) {
    auto [end, err] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, places);
    std::string text(buffer, end);
    std::size_t point = text.find('.');
    std::size_t whole = (point == std::string::npos ? text.size() : point) - (text[0] == '-' ? 1 : 0);
    if (static_cast<int>(whole) <= precision) {
      if (point == std::string::npos && decimals > 0) text += '.';
      int have = point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
      text.append(static_cast<std::size_t>(decimals - have), '0');
      return text;
    }
  }
  auto [end, err] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, precision - 1);
  std::string text(buffer, end);
  std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c == 'e' ? 'E' : c; });
  return text;
}

}  // namespace

// ---- profile groups and the data file

bool Tfm_main::IsDiscTarget(int Profile) { return Profile >= 112 && Profile <= 114; }

bool Tfm_main::IsGeneralProfile(int Profile) { return Profile < 15 || Profile > 101; }

const wchar_t *Tfm_main::ProfileDescription(int N) {
  for (const TDescriptionRow &row : DescriptionTable)
    if (row.Number == N) return row.Text;
  return nullptr;
}

std::vector<std::string> Tfm_main::SplitProfileLine(const std::string &Line) {
  std::vector<std::string> tokens;
  // The rest of the line is where `start` stands; nothing is cut off its front.
  std::size_t start = 0;
  for (;;) {
    std::size_t blank = Line.find(' ', start);
    std::string token;
    if (blank != std::string::npos)
      token = Line.substr(start, blank - start);
    else if (Line.size() - start > 1)
      token = Line.substr(start);
    if (token.empty()) break;
    tokens.push_back(token);
    if (blank == std::string::npos) break;
    start = blank + 1;
  }
  return tokens;
}

std::vector<std::string> Tfm_main::ReadProfileBlock(const std::string &FileName, int N) {
  // Some kilobytes of profiles: a file far larger than that is refused rather than read.
  constexpr std::size_t MaxProfileFileSize = 4u << 20;
  std::string content;
  if (!win::ReadWholeFile(FileName, content, MaxProfileFileSize))
    throw std::runtime_error("Cannot open file \"" + FileName + "\". " +
                             (errno == EFBIG ? "File too large." : "File not found."));
  // Blocks are found by counting lines: profile N owns lines 4(N-1) .. 4N-1, its name first.
  std::vector<std::string> lines;
  const long long first = 4LL * N - 3, last = 4LL * N - 1;
  std::size_t start = 0;
  for (long long number = 0; number <= last && start < content.size(); ++number) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    if (number >= first) {
      std::string line = content.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    start = end + 1;
  }
  return lines;
}

// ---- selecting a profile

void Tfm_main::SelectProfile(int Profile) {
  const int N = Profile;
  ShowProfileDescription(N);
  // The outgoing profile's choices are kept before anything of the new one is built.
  SaveProfileSettings(Main.CurProfile);
  const std::vector<std::string> block = ReadProfileBlock(win::ProgramFolder() + "profiles.qev", N);
  if (block.size() > 0) FillSizeList(block[0]);
  if (block.size() > 1) ApplyProfileBitrateLine(block[1]);
  if (block.size() > 2) Main.EncoderJob.ProfileOptions = block[2];
  if (IsVideoEdition())
    LoadVideoProfileSettings(N);
  else
    LoadDvdProfileSettings(N);
  Main.CurProfile = N;
  RecomputeOutputSizes();
}

void Tfm_main::ShowProfileDescription(int N) {
  if (Main.SelCategory >= 1 && Main.SelCategory <= 14) {
    TBitmap icon;
    if (icon.LoadFromFile(win::ProgramFolder() + "images/main/" + std::to_string(Main.SelCategory) + ".bmp"))
      im_mainico->Picture()->Assign(icon.Image());
  }
  if (const wchar_t *description = ProfileDescription(N)) ProfileTokens.Description = description;
  if (SkinElements.profilestext.Text) SkinElements.profilestext.Text->SetText(ProfileTokens.Description);
  if (SkinElements.profilestext.Element) SkinElements.profilestext.Element->Redraw();
}

void Tfm_main::FillSizeList(const std::string &Line) {
  const int profile = Main.SelProfile;
  cb_size->Clear();
  for (const std::string &size : SplitProfileLine(Line)) cb_size->Add(size);
  if (IsDiscTarget(profile)) {
    cb_size->Clear();
    cb_size->Add("PAL");
    cb_size->Add("NTSC");
  }
  if (IsGeneralProfile(profile) && cb_size->Items().Count() > 1) {
    if (OutputExtension() != ".mp4" && profile <= 111)
      cb_size->Add(OriginalSizeItem);
    else
      DeleteIfLast(cb_size, OriginalSizeItem);
  }
  if (cb_size->Items().Count() == 0) {
    cb_size->Add(NoVideoItem);
    cb_size->SetItemIndex(0);
  }
}

void Tfm_main::ApplyProfileBitrateLine(const std::string &Line) {
  const int profile = Main.SelProfile;
  if (IsDiscTarget(profile)) {
    cb_videobitrate->SetEnabled(false);
    cb_audiobitrate->SetEnabled(false);
    cb_channel->SetEnabled(false);
    return;
  }
  cb_videobitrate->SetEnabled(true);
  cb_audiobitrate->SetEnabled(true);
  cb_channel->SetEnabled(true);
  // "No Video" goes first, so that the "original" items find their place at the end and no
  // profile ever lists "No Video" twice or among its qualities.
  DeleteAll(cb_videobitrate, NoVideoItem);
  if (IsGeneralProfile(profile)) {
    if (OutputExtension() != ".mp4") {
      if (IsVideoEdition()) {
        AppendUnlessLast(cb_videobitrate, OriginalVideoItem);
        AppendUnlessLast(cb_audiobitrate, OriginalAudioItem);
      }
    } else {
      DeleteIfLast(cb_videobitrate, OriginalVideoItem);
      DeleteIfLast(cb_audiobitrate, OriginalAudioItem);
    }
  }
  if (Line == "*" && cb_size->Items().Count() == 1) {
    ProfileTokens.Bitrates[0] = "*";
    cb_videobitrate->SetItemIndex(cb_videobitrate->Add(NoVideoItem));
    cb_size->SetEnabled(false);
    cb_videobitrate->SetEnabled(false);
  } else {
    cb_size->SetEnabled(true);
    cb_videobitrate->SetEnabled(true);
    ParseProfileBitrates(Line);
  }
}

void Tfm_main::ParseProfileBitrates(const std::string &Line) {
  const std::vector<std::string> tokens = SplitProfileLine(Line);
  for (std::size_t k = 0; k < tokens.size() && k <= 4; ++k) ProfileTokens.Bitrates[4 - k] = tokens[k];
}

std::string Tfm_main::OutputExtension() {
  const std::wstring &description = ProfileTokens.Description;
  std::size_t star = description.find(L'*');
  std::size_t start = star == std::wstring::npos ? 0 : star + 1;
  if (description.size() < start + 1) return std::string();
  // Up to the closing bracket, which is the description's last character.
  return QString::fromStdWString(description.substr(start, description.size() - 1 - start)).toStdString();
}

// ---- output bitrate and size

namespace {

const Toriginalinfo &CurrentRecord() {
  static const Toriginalinfo none;
  if (Main.CurItem < 0 || Main.CurItem >= static_cast<int>(Main.MediaInfo.size())) return none;
  return Main.MediaInfo[Main.CurItem];
}

// The size list's choice; a list left without one reads as its first item.
std::string SizeText(const TComboBox *combo) {
  if (combo->ItemIndex() >= 0) return combo->Text();
  return combo->Items().Count() > 0 ? combo->Items()[0] : std::string();
}

// Frame height x the profile's factor for quality q; a size without a readable height gives 0.
int GeneralVideoKbps(const TComboBox *sizes, int profile, int q) {
  std::string height;
  if (ExtraItemSelected(sizes, OriginalSizeItem)) {
    const std::string &frame = CurrentRecord().FrameSize;
    std::size_t x = frame.find('x');
    if (x != std::string::npos) height = frame.substr(x + 1);
  } else {
    std::string size = SizeText(sizes);
    std::size_t x = size.find('x');
    if (x != std::string::npos) {
      height = size.substr(x + 1);
      std::size_t bracket = height.find('(');
      if (bracket != std::string::npos) height.erase(bracket);
    }
  }
  long long h = 0;
  if (!TryStrToInt(height, h)) return 0;
  // A height no picture has, from a damaged report or data file, is as unreadable as none.
  const double kbps = static_cast<double>(h) * FactorTable(profile)[q];
  if (!(std::fabs(kbps) <= INT_MAX)) return 0;
  return RoundHalfEven(kbps);
}

bool IsAmrExtension(const std::string &ext) { return ext == ".3gp" || ext == ".amr"; }

}  // namespace

int Tfm_main::TotalBitrateKbps() {
  const int profile = Main.SelProfile;
  if (profile == 112) return 1393;
  if (profile == 113) return 1948;
  if (profile == 114) return 3222;
  const Toriginalinfo &record = CurrentRecord();
  const int qv = QualityIndex(cb_videobitrate), qa = QualityIndex(cb_audiobitrate);

  long long video = 0;
  if (!IsGeneralProfile(profile)) {
    video = ProfileTokens.Bitrates[0] == "*" ? 0 : StrToInt(ProfileTokens.Bitrates[qv]);
  } else if (ExtraItemSelected(cb_videobitrate, OriginalVideoItem) && IsVideoEdition()) {
    video = StrToInt(record.VideoKbps);
  } else {
    video = GeneralVideoKbps(cb_size, profile, qv);
  }

  const std::string ext = OutputExtension();
  long long audio = AudioKbpsTable[qa];
  if (ext != ".mp4" && ExtraItemSelected(cb_audiobitrate, OriginalAudioItem) && (profile < 27 || profile > 101) &&
      IsVideoEdition())
    audio = StrToInt(record.AudioKbps);
  if (IsAmrExtension(ext)) audio = RoundHalfEven(AmrKbpsTable[qa]);
  return static_cast<int>(audio + video);
}

std::string Tfm_main::FormatOutputSize(int Kbps, int Seconds) {
  // 64-bit product: long sources at high bitrates would wrap a 32-bit one into a negative size.
  double megabytes = static_cast<double>(static_cast<long long>(Kbps) * Seconds) / 8 / 1024 * 1000 / 1024;
  return ReplaceDot(FormatFixed(megabytes, 5, 2), DecimalSeparator()) + "MB";
}

void Tfm_main::RecomputeOutputSizes() {
  for (int i = 0; i < lv->Items().Count(); ++i) {
    Main.CurItem = i;
    std::string size = FormatOutputSize(TotalBitrateKbps(), TimeTextToSeconds(CurrentRecord().Duration));
    TStringList &columns = lv->Items()[i]->SubItems();
    while (columns.Count() < 3) columns.Add("");
    columns.SetStrings(2, size);
  }
}

void Tfm_main::cb_videobitrateChange() { RecomputeOutputSizes(); }

void Tfm_main::cb_audiobitrateChange() { RecomputeOutputSizes(); }

void Tfm_main::cb_sizeChange() { RecomputeOutputSizes(); }

// ---- encoder option pieces

std::string Tfm_main::SizeArgument() {
  if (!cb_size->Enabled() || IsDiscTarget(Main.SelProfile)) return std::string();
  std::string size;
  if (ExtraItemSelected(cb_size, OriginalSizeItem)) {
    size = CurrentRecord().FrameSize;
  } else {
    size = SizeText(cb_size);
    std::size_t bracket = size.find('(');
    if (bracket != std::string::npos) size.erase(bracket);
  }
  // "No Video" or an unknown source size: the encoder keeps the source's own size.
  if (size.find('x') == std::string::npos) return std::string();
  return " -s " + size;
}

std::string Tfm_main::AspectArgument(const std::string &SizeArg) {
  if (!cb_size->Enabled() || SizeArg.empty() || IsDiscTarget(Main.SelProfile)) return std::string();
  const std::string size = SizeArg.size() > 4 ? SizeArg.substr(4) : std::string();
  std::size_t x = size.find('x');
  if (x == std::string::npos) return std::string();
  double width = 0, height = 0;
  const std::string w = size.substr(0, x), h = size.substr(x + 1);
  auto [wEnd, wErr] = std::from_chars(w.data(), w.data() + w.size(), width);
  auto [hEnd, hErr] = std::from_chars(h.data(), h.data() + h.size(), height);
  if (wErr != std::errc() || hErr != std::errc() || wEnd != w.data() + w.size() ||
      hEnd != h.data() + h.size() || !(width > 0) || !(height > 0))
    return std::string();
  return " -aspect " + FormatFixed(width / height, 5, 4);
}

std::string Tfm_main::VideoBitrateArgument() {
  const int profile = Main.SelProfile;
  if (IsDiscTarget(profile)) return std::string();
  if (IsGeneralProfile(profile)) {
    if (ExtraItemSelected(cb_videobitrate, OriginalVideoItem))
      return " -r 25 -b " + std::to_string(StrToInt(CurrentRecord().VideoKbps) * 1000);
    const long long kbps = GeneralVideoKbps(cb_size, profile, QualityIndex(cb_videobitrate));
    return " -r 25 -b " + std::to_string(kbps * 1000);
  }
  if (ProfileTokens.Bitrates[0] == "*") return std::string();
  return " -r 25 -b " + ProfileTokens.Bitrates[QualityIndex(cb_videobitrate)] + "000";
}

std::string Tfm_main::AudioBitrateArgument() {
  const int profile = Main.SelProfile;
  if (IsDiscTarget(profile)) return std::string();
  const int qa = QualityIndex(cb_audiobitrate);
  if (IsAmrExtension(OutputExtension()))
    return " -ab " + std::to_string(std::llround(AmrKbpsTable[qa] * 1000));
  if (ExtraItemSelected(cb_audiobitrate, OriginalAudioItem) && (profile < 27 || profile > 101))
    return " -ab " + std::to_string(StrToInt(CurrentRecord().AudioKbps) * 1000);
  return " -ab " + std::to_string(AudioKbpsTable[qa] * 1000);
}

std::string Tfm_main::SampleRateArgument(const std::string &AudioBitrateArg) {
  if (AudioBitrateArg.empty() || IsDiscTarget(Main.SelProfile)) return std::string();
  if (IsAmrExtension(OutputExtension())) return " -ar 8000 ";
  const std::string prefix = " -ab ";
  long long bitrate = 0;
  if (AudioBitrateArg.compare(0, prefix.size(), prefix) == 0)
    TryStrToInt(AudioBitrateArg.substr(prefix.size()), bitrate);
  if (bitrate > 192000) return " -ar 48000 ";
  if (bitrate > 64000) return " -ar 44100 ";
  return " -ar 22050 ";
}

std::string Tfm_main::ChannelsArgument() {
  if (IsAmrExtension(OutputExtension())) return " -ac 1 ";
  // A channel list left without a choice counts as its start choice, "Stereo".
  const int index = cb_channel->ItemIndex() >= 0 ? cb_channel->ItemIndex() : 1;
  return " -ac " + std::to_string(index + 1);
}

std::string Tfm_main::TargetOptions() {
  static const char *const targets[] = {"-vcd ", "-svcd ", "-dvd "};
  const int profile = Main.SelProfile;
  if (!IsDiscTarget(profile)) return Main.EncoderJob.ProfileOptions;
  return " -target " + Lower(SizeText(cb_size)) + targets[profile - 112];
}
