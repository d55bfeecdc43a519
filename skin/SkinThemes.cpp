#include "SkinThemes.h"

#include <QWidget>

#include "SkinPublic.h"
#include "SkinThemeFile.h"
#include "component.h"

const char *const ThemeItemKeys[ThemeItemCount + 1] = {
    "",
    "ButtonImage",
    "ButtonTransparentBool",
    "CheckBoxImage",
    "RadioButtonImage",
    "TitleBarButtonImage",
    "TitleBarButtonTransparentBool",
    "TitleBarButtonLeftOffsetInt",
    "TitleBarButtonRightOffsetInt",
    "TitleBarButtonTopInt",
    "TitleBarLeftImage",
    "TitleBarClientImage",
    "TitleBarRightImage",
    "FormMinWidthInt",
    "FormRoundCornerInt",
    "FormBackgroundColor",
    "FormBorderColor",
    "FormBorderWidthInt",
    "MenuSelectedBorderColor",
    "MenuSelectedBackgroundColor",
    "MenuSelectedFontColor",
    "MenuBackgroundColor",
    "MenuFontColor",
    "MenuBarColor",
    "ProgressBarImage",
    "ControlBorderColor",
    "ControlBackgroundColor",
    "ControlFontColor",
    "TrackBarBarImage",
    "TrackBarSliderImage",
    "TrackBarSliderVImage",
    "ScrollBarBackgroundColor",
    "ScrollBarButtonImage",
    "ScrollBarSliderImage",
    "CheckListBoxImage",
    "ToolBarButtonBorderColor",
    "ToolBarButtonBackgroundColor",
    "ToolBarButtonDownBackgroundColor",
    "ScrollButtonImage",
    "TabControlTabImage",
    "TabControlBarImage",
    "SideChannelHandleImage",
    "SideChannelBarImage",
};
const std::uint8_t ThemeItemKind[ThemeItemCount + 1] = {
    tikInteger,
    tikBitmap,  // 1
    tikBoolean,  // 2
    tikBitmap,  // 3
    tikBitmap,  // 4
    tikBitmap,  // 5
    tikBoolean,  // 6
    tikInteger,  // 7
    tikInteger,  // 8
    tikInteger,  // 9
    tikBitmap,  // 10
    tikBitmap,  // 11
    tikBitmap,  // 12
    tikInteger,  // 13
    tikInteger,  // 14
    tikColor,  // 15
    tikColor,  // 16
    tikInteger,  // 17
    tikColor,  // 18
    tikColor,  // 19
    tikColor,  // 20
    tikColor,  // 21
    tikColor,  // 22
    tikColor,  // 23
    tikBitmap,  // 24
    tikColor,  // 25
    tikColor,  // 26
    tikColor,  // 27
    tikBitmap,  // 28
    tikBitmap,  // 29
    tikBitmap,  // 30
    tikColor,  // 31
    tikBitmap,  // 32
    tikBitmap,  // 33
    tikBitmap,  // 34
    tikColor,  // 35
    tikColor,  // 36
    tikColor,  // 37
    tikBitmap,  // 38
    tikBitmap,  // 39
    tikBitmap,  // 40
    tikBitmap,  // 41
    tikBitmap,  // 42
};

namespace {

struct StyleCell {
  std::int32_t Value;
  const char *Bitmap;  // the resource name of a bitmap item
};

const StyleCell MacOSValues[ThemeItemCount + 1] = {
    {0, nullptr},
    {0, "MACOS_BUTTON"},
    {1, nullptr},
    {0, "MACOS_CHECKBOX"},
    {0, "MACOS_RADIOBUTTON"},
    {0, "MACOS_TITLEBTN"},
    {0, nullptr},
    {3, nullptr},
    {-2, nullptr},
    {4, nullptr},
    {0, "MACOS_TITLE_LEFT"},
    {0, "MACOS_TITLE_CLIENT"},
    {0, "MACOS_TITLE_RIGHT"},
    {130, nullptr},
    {0, nullptr},
    {static_cast<std::int32_t>(0xE7E7E7), nullptr},
    {static_cast<std::int32_t>(0x7F7F7F), nullptr},
    {1, nullptr},
    {static_cast<std::int32_t>(0xC47339), nullptr},
    {static_cast<std::int32_t>(0xC47339), nullptr},
    {static_cast<std::int32_t>(0xFFFFFF), nullptr},
    {static_cast<std::int32_t>(0x000000), nullptr},
    {static_cast<std::int32_t>(0x000000), nullptr},
    {static_cast<std::int32_t>(0x000000), nullptr},
    {0, "MACOS_PROGRESSBAR"},
    {static_cast<std::int32_t>(0x7F7F7F), nullptr},
    {static_cast<std::int32_t>(0xE7E7E7), nullptr},
    {static_cast<std::int32_t>(0x000000), nullptr},
    {0, "MACOS_TRACKBAR_BAR"},
    {0, "MACOS_TRACKBAR_SLIDER"},
    {0, "MACOS_TRACKBAR_SLIDER_V"},
    {static_cast<std::int32_t>(0xC9C9C9), nullptr},
    {0, "MACOS_SCROLLBAR_BUTTON"},
    {0, "MACOS_SCROLLBAR_TRACK"},
    {0, "MACOS_CHECKLIST"},
    {static_cast<std::int32_t>(0x474747), nullptr},
    {static_cast<std::int32_t>(0xEFEFEF), nullptr},
    {static_cast<std::int32_t>(0xD8D8D8), nullptr},
    {0, "MACOS_SCROLLBUTTON"},
    {0, "MACOS_TAB"},
    {0, "MACOS_TAB_LINE"},
    {0, "MACOS_SIDECHENNEL_HANDLE"},
    {0, "MACOS_SIDECHENNEL_BAR"},
};
const StyleCell WinXPValues[ThemeItemCount + 1] = {
    {0, nullptr},
    {0, "WINXP_BUTTON"},
    {0, nullptr},
    {0, "WINXP_CHECKBOX"},
    {0, "WINXP_RADIOBUTTON"},
    {0, "WINXP_TITLEBTN"},
    {0, nullptr},
    {2, nullptr},
    {-2, nullptr},
    {5, nullptr},
    {0, "WINXP_TITLE_LEFT"},
    {0, "WINXP_TITLE_CLIENT"},
    {0, "WINXP_TITLE_RIGHT"},
    {150, nullptr},
    {13, nullptr},
    {static_cast<std::int32_t>(0xDEEBEF), nullptr},
    {static_cast<std::int32_t>(0xC82C00), nullptr},
    {3, nullptr},
    {static_cast<std::int32_t>(0xC66931), nullptr},
    {static_cast<std::int32_t>(0xEFD3C6), nullptr},
    {static_cast<std::int32_t>(0x000000), nullptr},
    {static_cast<std::int32_t>(0xFFFFFF), nullptr},
    {static_cast<std::int32_t>(0x000000), nullptr},
    {static_cast<std::int32_t>(0xCED3D6), nullptr},
    {0, "WINXP_PROGRESSBAR"},
    {static_cast<std::int32_t>(0x686868), nullptr},
    {static_cast<std::int32_t>(0xDEEBEF), nullptr},
    {static_cast<std::int32_t>(0xCF4602), nullptr},
    {0, "WINXP_TRACKBAR_BAR"},
    {0, "WINXP_TRACKBAR_SLIDER"},
    {0, "WINXP_TRACKBAR_SLIDER_V"},
    {static_cast<std::int32_t>(0xF9F9F9), nullptr},
    {0, "WINXP_SCROLLBAR_BUTTON"},
    {0, "WINXP_SCROLLBAR_TRACK"},
    {0, "WINXP_CHECKLIST"},
    {static_cast<std::int32_t>(0xC66931), nullptr},
    {static_cast<std::int32_t>(0xEFD3C6), nullptr},
    {static_cast<std::int32_t>(0xE1AC93), nullptr},
    {0, "WINXP_SCROLLBUTTON"},
    {0, "WINXP_TAB"},
    {0, "WINXP_TAB_LINE"},
    {0, "WINXP_SIDECHENNEL_HANDLE"},
    {0, "WINXP_SIDECHENNEL_BAR"},
};
const StyleCell DeepBlueValues[ThemeItemCount + 1] = {
    {0, nullptr},
    {0, "DEEPBLUE_BUTTON"},
    {0, nullptr},
    {0, "DEEPBLUE_CHECKBOX"},
    {0, "DEEPBLUE_RADIOBUTTON"},
    {0, "DEEPBLUE_TITLEBTN"},
    {0, nullptr},
    {0, nullptr},
    {0, nullptr},
    {2, nullptr},
    {0, "DEEPBLUE_TITLE_LEFT"},
    {0, "DEEPBLUE_TITLE_CLIENT"},
    {0, "DEEPBLUE_TITLE_RIGHT"},
    {130, nullptr},
    {0, nullptr},
    {static_cast<std::int32_t>(0xE8E8E8), nullptr},
    {static_cast<std::int32_t>(0x000000), nullptr},
    {1, nullptr},
    {static_cast<std::int32_t>(0xA04A44), nullptr},
    {static_cast<std::int32_t>(0xA04A44), nullptr},
    {static_cast<std::int32_t>(0xFFFFFF), nullptr},
    {static_cast<std::int32_t>(0xFFFFFF), nullptr},
    {static_cast<std::int32_t>(0x000000), nullptr},
    {static_cast<std::int32_t>(0xCED3D6), nullptr},
    {0, "DEEPBLUE_PROGRESSBAR"},
    {static_cast<std::int32_t>(0x000000), nullptr},
    {static_cast<std::int32_t>(0xE8E8E8), nullptr},
    {static_cast<std::int32_t>(0x000000), nullptr},
    {0, "DEEPBLUE_TRACKBAR_BAR"},
    {0, "DEEPBLUE_TRACKBAR_SLIDER"},
    {0, "DEEPBLUE_TRACKBAR_SLIDER_V"},
    {static_cast<std::int32_t>(0xF5F5F5), nullptr},
    {0, "DEEPBLUE_SCROLLBAR_BUTTON"},
    {0, "DEEPBLUE_SCROLLBAR_TRACK"},
    {0, "DEEPBLUE_CHECKLIST"},
    {static_cast<std::int32_t>(0x474747), nullptr},
    {static_cast<std::int32_t>(0xEFEFEF), nullptr},
    {static_cast<std::int32_t>(0xD8D8D8), nullptr},
    {0, "MORE_SCROLLBUTTON"},
    {0, "DEEPBLUE_TAB"},
    {0, "DEEPBLUE_TAB_LINE"},
    {0, "DEEPBLUE_SIDECHENNEL_HANDLE"},
    {0, "DEEPBLUE_SIDECHENNEL_BAR"},
};
const StyleCell ProteinValues[ThemeItemCount + 1] = {
    {0, nullptr},
    {0, "PROTEIN_BUTTON"},
    {0, nullptr},
    {0, "PROTEIN_CHECKBOX"},
    {0, "PROTEIN_RADIOBUTTON"},
    {0, "PROTEIN_TITLEBTN"},
    {1, nullptr},
    {0, nullptr},
    {0, nullptr},
    {2, nullptr},
    {0, "PROTEIN_TITLE_LEFT"},
    {0, "PROTEIN_TITLE_CLIENT"},
    {0, "PROTEIN_TITLE_RIGHT"},
    {130, nullptr},
    {0, nullptr},
    {static_cast<std::int32_t>(0xFBFBFB), nullptr},
    {static_cast<std::int32_t>(0x000000), nullptr},
    {1, nullptr},
    {static_cast<std::int32_t>(0xC4302D), nullptr},
    {static_cast<std::int32_t>(0xC4302D), nullptr},
    {static_cast<std::int32_t>(0xFFFFFF), nullptr},
    {static_cast<std::int32_t>(0xFFFFFF), nullptr},
    {static_cast<std::int32_t>(0x000000), nullptr},
    {static_cast<std::int32_t>(0xCED3D6), nullptr},
    {0, "PROTEIN_PROGRESSBAR"},
    {static_cast<std::int32_t>(0x000000), nullptr},
    {static_cast<std::int32_t>(0xFBFBFB), nullptr},
    {static_cast<std::int32_t>(0x000000), nullptr},
    {0, "PROTEIN_TRACKBAR_BAR"},
    {0, "PROTEIN_TRACKBAR_SLIDER"},
    {0, "PROTEIN_TRACKBAR_SLIDER_V"},
    {static_cast<std::int32_t>(0xF5F5F5), nullptr},
    {0, "PROTEIN_SCROLLBAR_BUTTON"},
    {0, "PROTEIN_SCROLLBAR_TRACK"},
    {0, "PROTEIN_CHECKLIST"},
    {static_cast<std::int32_t>(0x474747), nullptr},
    {static_cast<std::int32_t>(0xEFEFEF), nullptr},
    {static_cast<std::int32_t>(0xD8D8D8), nullptr},
    {0, "MORE_SCROLLBUTTON"},
    {0, "PROTEIN_TAB"},
    {0, "PROTEIN_TAB_LINE"},
    {0, "PROTEIN_SIDECHENNEL_HANDLE"},
    {0, "PROTEIN_SIDECHENNEL_BAR"},
};
const StyleCell BlueGlassValues[ThemeItemCount + 1] = {
    {0, nullptr},
    {0, "BLUEGLASS_BUTTON"},
    {1, nullptr},
    {0, "BLUEGLASS_CHECKBOX"},
    {0, "BLUEGLASS_RADIOBUTTON"},
    {0, "BLUEGLASS_TITLEBTN"},
    {1, nullptr},
    {4, nullptr},
    {-3, nullptr},
    {6, nullptr},
    {0, "BLUEGLASS_TITLE_LEFT"},
    {0, "BLUEGLASS_TITLE_CLIENT"},
    {0, "BLUEGLASS_TITLE_RIGHT"},
    {270, nullptr},
    {11, nullptr},
    {static_cast<std::int32_t>(0xE7E7E7), nullptr},
    {static_cast<std::int32_t>(0x000000), nullptr},
    {1, nullptr},
    {static_cast<std::int32_t>(0xEC5E5E), nullptr},
    {static_cast<std::int32_t>(0xEC5E5E), nullptr},
    {static_cast<std::int32_t>(0xFFFFFF), nullptr},
    {static_cast<std::int32_t>(0xE7E7E7), nullptr},
    {static_cast<std::int32_t>(0x000000), nullptr},
    {static_cast<std::int32_t>(0xCED3D6), nullptr},
    {0, "BLUEGLASS_PROGRESSBAR"},
    {static_cast<std::int32_t>(0x000000), nullptr},
    {static_cast<std::int32_t>(0xE7E7E7), nullptr},
    {static_cast<std::int32_t>(0x000000), nullptr},
    {0, "BLUEGLASS_TRACKBAR_BAR"},
    {0, "BLUEGLASS_TRACKBAR_SLIDER"},
    {0, "BLUEGLASS_TRACKBAR_SLIDER_V"},
    {static_cast<std::int32_t>(0xF4F4F4), nullptr},
    {0, "BLUEGLASS_SCROLLBAR_BUTTON"},
    {0, "BLUEGLASS_SCROLLBAR_TRACK"},
    {0, "BLUEGLASS_CHECKLIST"},
    {static_cast<std::int32_t>(0x474747), nullptr},
    {static_cast<std::int32_t>(0xEFEFEF), nullptr},
    {static_cast<std::int32_t>(0xD8D8D8), nullptr},
    {0, "MORE_SCROLLBUTTON"},
    {0, "BLUEGLASS_TAB"},
    {0, "BLUEGLASS_TAB_LINE"},
    {0, "BLUEGLASS_SIDECHENNEL_HANDLE"},
    {0, "BLUEGLASS_SIDECHENNEL_BAR"},
};

const StyleCell *const StyleColumns[] = {MacOSValues, WinXPValues, DeepBlueValues, ProteinValues,
                                         BlueGlassValues};

// The column of a built-in style, none for FromThemeFile and unknown values.
const StyleCell *ColumnOf(TskinUIStyle style) {
  int index = static_cast<std::uint8_t>(style) & 0x7F;
  if (index < 1 || index > 5) return nullptr;
  return StyleColumns[index - 1];
}

bool ValidItem(int item) { return item >= 1 && item <= ThemeItemCount; }

// A bitmap item's value names its cell: the style in the high byte, the item in the low one.
std::int32_t BitmapValue(int styleIndex, int item) { return (styleIndex << 8) | item; }

}  // namespace

std::int32_t GetStyleItem(TskinUIStyle style, int item, std::uint8_t &kind) {
  const StyleCell *column = ColumnOf(style);
  if (!column || !ValidItem(item)) {
    kind = tikInteger;
    return -1;
  }
  kind = ThemeItemKind[item];
  if (kind == tikBitmap) return BitmapValue(static_cast<std::uint8_t>(style) & 0x7F, item);
  return column[item].Value;
}

const char *StyleBitmapName(std::int32_t index) {
  int styleIndex = (index >> 8) & 0xFF, item = index & 0xFF;
  if (styleIndex < 1 || styleIndex > 5 || !ValidItem(item) || ThemeItemKind[item] != tikBitmap) return nullptr;
  return StyleColumns[styleIndex - 1][item].Bitmap;
}

std::string GetStyleBitmapName(TskinUIStyle style, int item) {
  std::uint8_t kind;
  std::int32_t value = GetStyleItem(style, item, kind);
  if (kind != tikBitmap) return std::string();
  const char *name = StyleBitmapName(value);
  return name ? name : std::string();
}

int GetStyleInt(TskinUIStyle style, int item) {
  std::uint8_t kind;
  std::int32_t value = GetStyleItem(style, item, kind);
  return kind == tikInteger ? value : -1;
}

TColor GetStyleColor(TskinUIStyle style, int item) {
  std::uint8_t kind;
  std::int32_t value = GetStyleItem(style, item, kind);
  return kind == tikColor ? static_cast<TColor>(value) : 0;
}

bool GetStyleBool(TskinUIStyle style, int item) {
  std::uint8_t kind;
  std::int32_t value = GetStyleItem(style, item, kind);
  return kind == tikBoolean && value != 0;
}

void LoadStyleBitmap(TskinUIStyle style, int item, TBitmap *graphic) {
  if (!graphic) return;
  std::string name = GetStyleBitmapName(style, item);
  if (!name.empty()) graphic->LoadFromResourceName(name);
}

void LoadStyleBitmapFrame(TskinUIStyle style, int item, TBitmap *graphic, int frameCount, int frameNumber) {
  if (!graphic) return;
  if (frameCount == 0) {
    LoadStyleBitmap(style, item, graphic);
    return;
  }
  TBitmap strip;
  LoadStyleBitmap(style, item, &strip);
  CutBitmapFrame(&strip, graphic, frameCount, frameNumber);
}

TskinUIStyle GetOwnerUIStyle(TComponent *component) {
  QWidget *form = FormOf(component);
  if (!form) return TskinUIStyle::DeepBlue;
  for (QObject *child : form->children()) {
    auto *control = qobject_cast<QWidget *>(child);
    if (!control || !InheritsClass(control, "TskinForm")) continue;
    QVariant style = GetPublishedProperty(control, "UIStyle");
    return style.isValid() ? style.value<TskinUIStyle>() : TskinUIStyle::DeepBlue;
  }
  return TskinUIStyle::DeepBlue;
}

// ---- TskinFileThemeMgr ----

TskinFileThemeMgr::TskinFileThemeMgr() = default;
TskinFileThemeMgr::~TskinFileThemeMgr() = default;

bool TskinFileThemeMgr::LoadFromFile(const std::string &path) {
  if (!ThemeFileExists(path)) return false;
  FReader.reset();
  FReader = std::make_unique<TskinThemeFileReader>(path);
  return true;
}

void TskinFileThemeMgr::GetBitmap(int item, TBitmap *graphic) const {
  if (!FReader || !graphic || !ValidItem(item)) return;
  if (std::istream *stream = FReader->GetStream(ThemeItemKeys[item])) {
    graphic->LoadFromStream(*stream);
    stream->clear();
    stream->seekg(0);
  }
}

bool TskinFileThemeMgr::GetBool(int item) const {
  if (!FReader || !ValidItem(item)) return false;
  return FReader->GetBoolean(ThemeItemKeys[item]) != 0;
}

TColor TskinFileThemeMgr::GetColor(int item) const {
  if (!FReader || !ValidItem(item)) return 0;
  return static_cast<TColor>(FReader->GetInteger(ThemeItemKeys[item]));
}

int TskinFileThemeMgr::GetInt(int item) const {
  if (!FReader || !ValidItem(item)) return 0;
  return FReader->GetInteger(ThemeItemKeys[item]);
}
