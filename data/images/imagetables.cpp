// The tables the picture generator draws from.
#include "imagetables.h"

#include <QStringList>

namespace vantrelimages {

const std::map<int, QString> &ProfileDescriptions() {
  // The texts are the program's own and are shown as they stand.
  static const std::map<int, QString> descriptions = [] {
    static const std::pair<int, const char *> rows[] = {
      {1, "ASF-Advanced Streaming Format(*.asf)"},
      {2, "AVI-DivX Movie(*.avi)"},
      {3, "AVI-XviD Movie(*.avi)"},
      {4, "MP4-MPEG-4 Video(*.mp4)"},
      {5, "MP4-MPEG-4 AVC Video(*.mp4)"},
      {6, "RM-Real Video(*.rm)"},
      {7, "WMV-Windows Media Video(*.wmv)"},
      {8, "3GPP-3rd Generation Partnership Project(*.3gp)"},
      {9, "3GPP2-3rd Generation Partnership Project2(*.3g2)"},
      {10, "MOV-Quick Time(*.mov)"},
      {11, "FLV - Flash Video Format(*.flv)"},
      {12, "SWF - SWF Format(*.swf)"},
      {13, "RM-Real Video(*.rm)"},
      {14, "WMV-Windows Media Video(*.wmv)"},
      {15, "AAC-Advanced Audio Coding(*.aac)"},
      {16, "AC3-Dolby Dingtal AC-3(*.ac3)"},
      {17, "MP3-MPEG Layer-3Audio(*.mp3)"},
      {18, "OGG-Ogg Vorbis Audio(*.ogg)"},
      {19, "RA-Real Auido(*.ra)"},
      {20, "WAV-Waveform Auido(*.wav)"},
      {21, "WMA-Windows Media Audio(*.wma)"},
      {22, "AIFF-Audio Interchange File Format(*.aiff)"},
      {23, "M4A-MPEG-4 Auido(*.m4a)"},
      {24, "MP2-MPEG Layer-2 Audio(*.mp2)"},
      {25, "SUN AU Format(*.au)"},
      {27, "iPod(320×240)MPEG-4 Codec(*.mp4)"},
      {28, "iPod(320×240)MPEG-4 AVC Codec(*.mp4)"},
      {29, "iPod(480×320)MPEG-4 Codec(*.mp4)"},
      {30, "iPod(480×320)MPEG-4 AVC Codec(*.mp4)"},
      {31, "iPod(640×480)MPEG-4 Codec(*.mp4)"},
      {32, "iPod(640×480)MPEG-4 AVC Codec(*.mp4)"},
      {34, "iPhone(320×240)MPEG-4 Codec(*.mp4)"},
      {35, "iPhone(320×240)MPEG-4 AVC Codec(*.mp4)"},
      {36, "iPhone(480×320)MPEG-4 Codec(*.mp4)"},
      {37, "iPhone(480×320)MPEG-4 AVC Codec(*.mp4)"},
      {38, "iPhone(640×480)MPEG-4 Codec(*.mp4)"},
      {39, "iPhone(640×480)MPEG-4 AVC Codec(*.mp4)"},
      {41, "GPhone(320×240)MPEG-4 Codec(*.mp4)"},
      {42, "GPhone(320×240)H.264 Codec(*.mp4)"},
      {43, "GPhone(640×480)MPEG-4 Codec(*.mp4)"},
      {44, "GPhone(640×480)H.264 Codec(*.mp4)"},
      {46, "Apple TV MPEG-4 480P(640×480)(*.mp4)"},
      {47, "Apple TV MPEG-4 720P(1280×720)(*.mp4)"},
      {48, "Apple TV MPEG-4 (320×240)(*.mp4)"},
      {49, "Apple TV h264 480P(640×480)(*.mp4)"},
      {50, "Apple TV h264 720P(1280×720)(*.mp4)"},
      {51, "Apple TV h264(320×240)(*.mp4)"},
      {53, "PS3 Video(1080P)MPEG-4(*.MP4)"},
      {54, "PS3 Video(720P)MPEG-4(*.MP4)"},
      {55, "PS3 Video(480P)MPEG-4(*.MP4)"},
      {56, "PSP-PSP MPEG-4 Video(*.mp4)"},
      {57, "PSP AVC Video Format(*.mp4)"},
      {58, "PSP Video(480P)MPEG-4(*.mp4)"},
      {60, "Xbox360 WMV Movie(*.wmv)"},
      {61, "Xbox360 WMV HDTV Video(*.wmv)"},
      {62, "Xbox360 MPEG-4 AVC Video(*.mp4)"},
      {63, "Xbox360 HD MPEG-4 AVC Video(*.mp4)"},
      {64, "Xbox360 MPEG4 Video(*.mp4)"},
      {65, "Xbox360 HD MPEG-4 Video(*.mp4)"},
      {66, "Xbox360 MCE HD MPEG2 Video(*.mpeg)"},
      {68, "3GPP-3rd Generation Partnership Project(*.3gp)"},
      {69, "3GPP2-3rd Generation Partnership Project2(*.3g2)"},
      {70, "BlackBerry 3GP Video(*.3gp)"},
      {71, "BlackBerry AMR Audio(*.amr)"},
      {72, "BlackBerry AVI Audio(*.avi)"},
      {73, "BlackBerry MPEG-4 Video(*.mp4)"},
      {75, "Dell Axim X51 Video(*.wmv)"},
      {76, "General Pocket PC Video(*.wmv)"},
      {77, "HP iPAQ hw6500 series Video(*.wmv)"},
      {78, "HP iPAQ hx2000/rx3000/rx1900 series Video(*.wmv)"},
      {79, "HP iPAQ hx4700 series Video(*.wmv)"},
      {80, "WMA-Windows Media Audio(*.wma)"},
      {81, "WMV-Windows Media Video(*.wmv)"},
      {83, "Archos AV500/GMini402 Video(*.avi)"},
      {84, "Archos AV700 Video(*.avi)"},
      {85, "Creative Zen Vision Video(*.avi)"},
      {86, "Zune MPEG-4 AVC Video Format(*.mp4)"},
      {87, "Zune MPEG-4 Video(*.mp4)"},
      {88, "Zune WMV-Windows Media Video(*.wmv)"},
      {89, "iRiver PMP-100 Video(*.avi)"},
      {91, "HD AVI Video(*.avi)"},
      {92, "HD MPEG-4 Video(*.mp4)"},
      {93, "HD MPEG-4 AVC Video(*.mp4)"},
      {94, "HD MOV Video(*.mov)"},
      {95, "HD MPEG-2 TS Video(*.ts)"},
      {96, "HD MPEG2 Video(*.mpg)"},
      {97, "HD WMV Video(*.wmv)"},
      {99, "FLV - Flash Video Format(*.flv)"},
      {100, "SWF - SWF Format(*.swf)"},
      {102, "AVI - H264 Movie(*.avi)"},
      {103, "AVI - DivX Movie(*.avi)"},
      {104, "AVI - XviD Movie(*.avi)"},
      {105, "AVI - MPEG-4 Movie(*.avi)"},
      {106, "AVI - MSMPEG4 Movie(*.avi)"},
      {107, "AVI - MPEG Movie(*.avi)"},
      {108, "AVI - WMV Movie(*.avi)"},
      {110, "MPEG-1 Movie(*.mpg)"},
      {111, "MPEG-2 Movie(*.mpg)"},
      {112, "Video CD - MPEG PS Format(*.mpg)"},
      {113, "Super Video CD - MPEG2 PS Format(*.mpg)"},
      {114, "DVD - MPEG2 PS Format(*.vob)"},
      {115, "HD MPEG-2 Video(*.mpeg)"},
      {116, "HD MPEG-2 TS Video(*.ts)"},
      {118, "MP4 - MPEG4 Video Mini(*.mp4)"},
      {119, "MP4 - MPEG4 Video Normal(*.mp4)"},
      {120, "MP4 - MPEG4 Video Excellent(*.mp4)"},
      {121, "MP4 - H.264 Video Mini(*.mp4)"},
      {122, "MP4 - H.264 Video Normal(*.mp4)"},
      {123, "MP4 - H.264 Video Excellent(*.MP4)"},
      {125, "MKV - H264 Movie(*.mkv)"},
      {126, "MKV - DivX Movie(*.mkv)"},
      {127, "MKV - XviD Movie(*.mkv)"},
      {128, "MKV - MPEG-4 Movie(*.mkv)"},
      {129, "MKV - MSMPEG4 Movie(*.mkv)"},
      {130, "MKV - MPEG Movie(*.mkv)"},
      {131, "MKV - WMV Movie(*.mkv)"},
    };
    std::map<int, QString> table;
    for (const auto &[number, text] : rows) table.emplace(number, QString::fromUtf8(text));
    return table;
  }();
  return descriptions;
}

DescriptionParts SplitDescription(const QString &description) {
  const int open = description.lastIndexOf(QStringLiteral("(*."));
  if (open < 0 || !description.endsWith(QLatin1Char(')'))) return {description.trimmed(), QString()};
  return {description.left(open).trimmed(), description.mid(open + 1, description.size() - open - 2)};
}

const std::vector<Category> &Categories() {
  static const std::vector<Category> categories = {
      {1, "video1", "General Video", {153, 27}},   {2, "audio1", "General Audio", {153, 25}},
      {3, "ipod", "iPod", {153, 25}},              {4, "iphone", "iPhone", {153, 25}},
      {5, "gphone", "GPhone", {153, 25}},          {6, "appletv", "Apple TV", {153, 25}},
      {7, "psp", "PSP / PS3", {153, 25}},          {8, "xbox", "Xbox 360", {153, 25}},
      {9, "phone", "Mobile Phone", {153, 25}},     {10, "win", "Pocket PC", {153, 25}},
      {11, "pmp", "Media Player", {153, 25}},      {12, "hd", "HD Video", {153, 25}},
      {13, "animation", "Flash Animation", {153, 25}},
  };
  return categories;
}

namespace {

struct Panel {
  int First;
  int Last;
  int Width;
  int Bottom;  // where the last button ends: the panel's bottom edge or the page strip
};

constexpr Panel Panels[] = {
    {1, 7, 310, 341},     {8, 14, 310, 341},    {15, 21, 310, 341},   {22, 26, 310, 341},
    {27, 33, 310, 358},   {34, 40, 310, 358},   {41, 45, 310, 358},   {46, 52, 310, 358},
    {53, 59, 310, 358},   {60, 67, 310, 358},   {68, 74, 310, 358},   {75, 82, 310, 358},
    {83, 90, 310, 358},   {91, 98, 310, 358},   {99, 101, 310, 358},  {102, 109, 311, 358},
    {110, 117, 311, 358}, {118, 124, 311, 358}, {125, 132, 311, 358},
};

}  // namespace

QSize ProfileButtonSize(int number) {
  // Where the form design departs from the regular stacking.
  switch (number) {
    case 31: return {310, 51};
    case 73: return {310, 50};
    case 96: return {310, 47};
    case 100: return {310, 49};
    case 67: return {312, 19};
    case 109: return {312, 17};
    default: break;
  }
  for (const Panel &panel : Panels) {
    if (number < panel.First || number > panel.Last) continue;
    const int index = number - panel.First;
    if (number != panel.Last) return {panel.Width, index == 0 ? 53 : 48};
    return {panel.Width, panel.Bottom - (index == 0 ? 0 : 53 + 48 * (index - 1))};
  }
  return {};
}

const std::vector<ProfileGroup> &ProfileGroups() {
  static const std::vector<ProfileGroup> groups = {
      {2, 102, 109, "AVI Movies"},
      {3, 110, 117, "MPEG, VCD, SVCD, DVD"},
      {4, 118, 124, "MP4 Movies"},
      {5, 125, 132, "MKV Movies"},
  };
  return groups;
}

const ProfileGroup *GroupOfButton(int number) {
  for (const ProfileGroup &group : ProfileGroups())
    if (group.Button == number) return &group;
  return nullptr;
}

bool OpensSubPanel(int number) { return GroupOfButton(number) != nullptr; }

std::optional<ButtonTexts> TextsOfButton(int number) {
  const auto &descriptions = ProfileDescriptions();
  const ProfileGroup *group = GroupOfButton(number);
  if (!group) {
    const auto row = descriptions.find(number);
    if (row == descriptions.end()) return std::nullopt;
    const DescriptionParts parts = SplitDescription(row->second);
    return ButtonTexts{parts.Pattern.mid(2).toUpper(), parts.Name, "Output: " + parts.Pattern};
  }
  // The column's profiles: how many, and every type of file they write, in button order.
  int count = 0;
  QStringList types;
  for (int n = group->First; n <= group->Last; ++n) {
    const auto row = descriptions.find(n);
    if (row == descriptions.end()) continue;
    ++count;
    const QString type = SplitDescription(row->second).Pattern.mid(2).toUpper();
    if (!types.contains(type)) types << type;
  }
  if (count == 0) return std::nullopt;
  return ButtonTexts{types.first(), group->Title, QString("%1 formats: %2").arg(count).arg(types.join(' '))};
}

const std::vector<FormPicture> &FormPictures() {
  static const std::vector<FormPicture> pictures = {
      {"Image3", {153, 31}},     {"im_mainico", {16, 16}},  {"btim_next", {240, 17}}, {"Image94", {71, 17}},
      {"btim_pre", {240, 17}},   {"Image93", {71, 17}},     {"Image1", {240, 17}},    {"Image2", {71, 18}},
      {"Image4", {240, 17}},     {"Image5", {71, 18}},      {"ImgStopPlay", {178, 140}},
  };
  return pictures;
}

}  // namespace vantrelimages
