#pragma once
// The skin file: skin forms by id, each a face picture with named objects drawn over it.
// The format is described in data/skins/FORMAT.md.
#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>

#include <array>
#include <string>
#include <vector>

enum class TSkinObjectKind { Button, Text, Slider, Static, Minimize, Close };

// The three looks of an object, in the order of its pictures.
enum TSkinLook { slNormal = 0, slHover = 1, slPressed = 2 };
constexpr int SkinLookCount = 3;

struct TSkinObjectDef {
  std::wstring Name;
  TSkinObjectKind Kind = TSkinObjectKind::Static;
  QRect Rect;
  // Relative to the skin file's folder; empty when the file names none.
  std::array<std::string, SkinLookCount> Pictures;
  std::string ThumbPicture;
  std::array<QImage, SkinLookCount> Images;
  QImage ThumbImage;
  // Text objects only.
  std::wstring Text;
  int FontSize = 12;
  bool Bold = false;
  QColor Color = QColor(0, 0, 0);
  Qt::Alignment Align = Qt::AlignLeft;
};

struct TSkinFormDef {
  std::wstring Id;
  QSize Size;
  std::string FacePicture;
  QImage Face;
  std::vector<TSkinObjectDef> Objects;  // in file order: later objects lie on top

  const TSkinObjectDef *FindObject(const std::wstring &name) const;
};

struct TSkinFileData {
  std::string Folder;  // the skin file's folder, ending in "/"
  std::vector<TSkinFormDef> Forms;

  const TSkinFormDef *FindForm(const std::wstring &id) const;
};

const char *SkinObjectKindName(TSkinObjectKind kind);

// Parses skin text; `sourceName` names it in errors. Throws std::runtime_error for anything malformed,
// naming the line. Pictures are not loaded.
TSkinFileData ParseSkinText(const std::string &text, const std::string &sourceName);
// Reads and parses a skin file without loading its pictures.
TSkinFileData ReadSkinFileStructure(const std::string &path);
// Reads and parses a skin file and loads every picture it names; throws on any failure.
TSkinFileData LoadSkinFileData(const std::string &path);
