#pragma once
// The five built-in UI styles and the 42 theme items every skin control reads its look from, and
// the manager that answers the same items from a theme file.
#include <cstdint>
#include <memory>
#include <string>

#include "canvas.h"

class TComponent;
class TskinThemeFileReader;

enum class TskinUIStyle : std::uint8_t {
  FromThemeFile = 0,
  MacOS = 1,
  WinXP = 2,
  DeepBlue = 3,
  Protein = 4,
  BlueGlass = 5,
};

// Kinds of theme items.
constexpr std::uint8_t tikInteger = 0;
constexpr std::uint8_t tikColor = 1;
constexpr std::uint8_t tikBitmap = 2;
constexpr std::uint8_t tikBoolean = 3;

constexpr int ThemeItemCount = 42;

// Indexed by item number 1 to 42 (entry 0 is unused).
extern const char *const ThemeItemKeys[ThemeItemCount + 1];
extern const std::uint8_t ThemeItemKind[ThemeItemCount + 1];

// The item's value in a built-in style. Only the low 7 bits of the style are looked at; styles other
// than MacOS to BlueGlass answer kind integer and -1. A bitmap item's value is the index of its
// resource name in StyleBitmapNames.
std::int32_t GetStyleItem(TskinUIStyle style, int item, std::uint8_t &kind);
// The names of the bitmap resources that bitmap items refer to.
const char *StyleBitmapName(std::int32_t index);
// The resource name a built-in style gives a bitmap item; empty when it gives none.
std::string GetStyleBitmapName(TskinUIStyle style, int item);

int GetStyleInt(TskinUIStyle style, int item);       // -1 unless an integer item
TColor GetStyleColor(TskinUIStyle style, int item);  // 0 unless a colour item
bool GetStyleBool(TskinUIStyle style, int item);     // false unless a boolean item
// Loads the graphic from the item's bitmap resource; leaves it unchanged when the item yields none.
void LoadStyleBitmap(TskinUIStyle style, int item, TBitmap *graphic);
// Frame `frameNumber` (from 1) of `frameCount` equal-width frames of the item's picture; a frame count
// of 0 loads the whole picture.
void LoadStyleBitmapFrame(TskinUIStyle style, int item, TBitmap *graphic, int frameCount, int frameNumber);

// The style of the first TskinForm among a form's direct child controls; DeepBlue for anything else.
TskinUIStyle GetOwnerUIStyle(TComponent *component);

// Answers theme items by number from one theme file.
class TskinFileThemeMgr {
public:
  TskinFileThemeMgr();
  ~TskinFileThemeMgr();
  TskinFileThemeMgr(const TskinFileThemeMgr &) = delete;
  TskinFileThemeMgr &operator=(const TskinFileThemeMgr &) = delete;

  // False (the current reader kept) when no file exists at the path; otherwise the current reader is
  // replaced by one on the path. A file that cannot be opened throws, leaving no reader.
  bool LoadFromFile(const std::string &path);
  void GetBitmap(int item, TBitmap *graphic) const;
  bool GetBool(int item) const;
  TColor GetColor(int item) const;
  int GetInt(int item) const;
  TskinThemeFileReader *Reader() const { return FReader.get(); }

private:
  std::unique_ptr<TskinThemeFileReader> FReader;
};
