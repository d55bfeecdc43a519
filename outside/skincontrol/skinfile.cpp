#include "skinfile.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QString>

#include <charconv>
#include <stdexcept>

namespace {

// A skin file is a few kilobytes; anything far larger is not one.
constexpr qint64 MaxSkinFileBytes = 1 << 20;
constexpr int MaxFormSide = 8192;
constexpr int MinFontSize = 4, MaxFontSize = 200;

std::wstring Wide(const std::string &utf8) { return QString::fromStdString(utf8).toStdWString(); }
std::string Narrow(const std::wstring &wide) { return QString::fromStdWString(wide).toStdString(); }

class Parser {
public:
  Parser(const std::string &text, std::string sourceName) : FText(text), FSource(std::move(sourceName)) {}

  TSkinFileData Run() {
    TSkinFileData data;
    bool sawHeader = false;
    TSkinFormDef *form = nullptr;
    TSkinObjectDef *object = nullptr;
    std::vector<std::string> tokens;
    while (NextLine(tokens)) {
      if (tokens.empty()) continue;
      const std::string &key = tokens[0];
      if (!sawHeader) {
        if (key != "vantrel-skin") Fail("the file must begin with \"vantrel-skin 1\"");
        Expect(tokens, 2);
        if (tokens[1] != "1") Fail("unsupported skin format version \"" + tokens[1] + "\"");
        sawHeader = true;
        continue;
      }
      if (object) {
        if (key == "end") {
          FinishObject(*form, *object);
          object = nullptr;
        } else {
          ObjectLine(*object, tokens);
        }
      } else if (form) {
        if (key == "object") {
          Expect(tokens, 2);
          std::wstring name = Wide(tokens[1]);
          if (form->FindObject(name)) Fail("object \"" + tokens[1] + "\" is named twice in this form");
          form->Objects.emplace_back();
          object = &form->Objects.back();
          object->Name = name;
          FObjectLine = FLineNo;
          FKindGiven = FRectGiven = false;
        } else if (key == "end") {
          FinishForm(*form);
          form = nullptr;
        } else if (key == "size") {
          Expect(tokens, 3);
          form->Size = QSize(Number(tokens[1], 1, MaxFormSide), Number(tokens[2], 1, MaxFormSide));
        } else if (key == "face") {
          Expect(tokens, 2);
          form->FacePicture = PicturePath(tokens[1]);
        } else {
          Fail("unknown form entry \"" + key + "\"");
        }
      } else if (key == "form") {
        Expect(tokens, 2);
        std::wstring id = Wide(tokens[1]);
        if (data.FindForm(id)) Fail("skin form \"" + tokens[1] + "\" is defined twice");
        data.Forms.emplace_back();
        form = &data.Forms.back();
        form->Id = id;
        FFormLine = FLineNo;
      } else {
        Fail("unknown entry \"" + key + "\" (expected \"form\")");
      }
    }
    if (!sawHeader) Fail("the file is empty");
    if (object) FailAt(FObjectLine, "object \"" + Narrow(object->Name) + "\" has no \"end\"");
    if (form) FailAt(FFormLine, "skin form \"" + Narrow(form->Id) + "\" has no \"end\"");
    if (data.Forms.empty()) Fail("the file defines no skin form");
    return data;
  }

private:
  const std::string &FText;
  std::string FSource;
  size_t FPos = 0;
  int FLineNo = 0;
  int FFormLine = 0, FObjectLine = 0;
  bool FKindGiven = false, FRectGiven = false;

  [[noreturn]] void FailAt(int line, const std::string &what) const {
    throw std::runtime_error("Skin file " + FSource + ", line " + std::to_string(line) + ": " + what);
  }
  [[noreturn]] void Fail(const std::string &what) const { FailAt(FLineNo, what); }

  // Splits the next line into blank-separated tokens; "double quoted" tokens may hold blanks, \" and \\.
  bool NextLine(std::vector<std::string> &tokens) {
    tokens.clear();
    if (FPos >= FText.size()) return false;
    size_t end = FText.find('\n', FPos);
    if (end == std::string::npos) end = FText.size();
    std::string line = FText.substr(FPos, end - FPos);
    FPos = end + 1;
    ++FLineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find('\0') != std::string::npos) Fail("the line holds a NUL character");
    size_t i = 0;
    while (i < line.size()) {
      char c = line[i];
      if (c == ' ' || c == '\t') {
        ++i;
      } else if (c == '#' && tokens.empty()) {
        break;
      } else if (c == '"') {
        std::string token;
        ++i;
        bool closed = false;
        while (i < line.size()) {
          char q = line[i++];
          if (q == '"') {
            closed = true;
            break;
          }
          if (q == '\\') {
            if (i >= line.size()) break;
            char escaped = line[i++];
            if (escaped != '"' && escaped != '\\') Fail(std::string("unknown escape \\") + escaped);
            token += escaped;
          } else {
            token += q;
          }
        }
        if (!closed) Fail("a quoted text is not closed");
        if (i < line.size() && line[i] != ' ' && line[i] != '\t') Fail("a blank must follow a quoted text");
        tokens.push_back(std::move(token));
      } else {
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        tokens.push_back(line.substr(start, i - start));
      }
    }
    return true;
  }

  void Expect(const std::vector<std::string> &tokens, size_t count) const {
    if (tokens.size() < count) Fail("\"" + tokens[0] + "\" needs " + std::to_string(count - 1) + " value(s)");
    if (tokens.size() > count) Fail("\"" + tokens[0] + "\" has too many values");
    for (const std::string &token : tokens)
      if (token.empty()) Fail("\"" + tokens[0] + "\" has an empty value");
  }

  int Number(const std::string &token, int min, int max) const {
    int value = 0;
    auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (ec != std::errc() || end != token.data() + token.size()) Fail("\"" + token + "\" is not a whole number");
    if (value < min || value > max)
      Fail(token + " is out of range (" + std::to_string(min) + " to " + std::to_string(max) + ")");
    return value;
  }

  // Pictures stay inside the skin's own folder tree.
  std::string PicturePath(const std::string &path) const {
    if (path.front() == '/' || path.find('\\') != std::string::npos)
      Fail("picture \"" + path + "\" must be a relative path with \"/\" separators");
    size_t start = 0;
    while (start <= path.size()) {
      size_t slash = path.find('/', start);
      std::string part = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
      if (part.empty() || part == "." || part == "..")
        Fail("picture \"" + path + "\" must stay inside the skin's folder");
      if (slash == std::string::npos) break;
      start = slash + 1;
    }
    return path;
  }

  QColor Colour(const std::string &token) const {
    if (token.size() != 7 || token[0] != '#') Fail("colour \"" + token + "\" must be written #rrggbb");
    unsigned value = 0;
    auto [end, ec] = std::from_chars(token.data() + 1, token.data() + token.size(), value, 16);
    if (ec != std::errc() || end != token.data() + token.size()) Fail("colour \"" + token + "\" is not hexadecimal");
    return QColor((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
  }

  void OnlyFor(const TSkinObjectDef &object, TSkinObjectKind kind, const std::string &key) const {
    if (!FKindGiven) Fail("\"kind\" must come before \"" + key + "\"");
    if (object.Kind != kind)
      Fail("\"" + key + "\" belongs to " + SkinObjectKindName(kind) + " objects, not to " +
           SkinObjectKindName(object.Kind) + " objects");
  }

  void ObjectLine(TSkinObjectDef &object, const std::vector<std::string> &tokens) {
    const std::string &key = tokens[0];
    if (key == "kind") {
      Expect(tokens, 2);
      if (FKindGiven) Fail("\"kind\" is given twice");
      static const std::pair<const char *, TSkinObjectKind> kinds[] = {
          {"button", TSkinObjectKind::Button},     {"text", TSkinObjectKind::Text},
          {"slider", TSkinObjectKind::Slider},     {"static", TSkinObjectKind::Static},
          {"minimize", TSkinObjectKind::Minimize}, {"close", TSkinObjectKind::Close}};
      bool found = false;
      for (auto &[name, kind] : kinds)
        if (tokens[1] == name) {
          object.Kind = kind;
          found = true;
        }
      if (!found) Fail("unknown kind \"" + tokens[1] + "\"");
      FKindGiven = true;
    } else if (key == "rect") {
      Expect(tokens, 5);
      object.Rect = QRect(Number(tokens[1], 0, MaxFormSide), Number(tokens[2], 0, MaxFormSide),
                          Number(tokens[3], 1, MaxFormSide), Number(tokens[4], 1, MaxFormSide));
      FRectGiven = true;
    } else if (key == "normal" || key == "hover" || key == "pressed") {
      Expect(tokens, 2);
      int look = key == "normal" ? slNormal : key == "hover" ? slHover : slPressed;
      object.Pictures[look] = PicturePath(tokens[1]);
    } else if (key == "thumb") {
      Expect(tokens, 2);
      OnlyFor(object, TSkinObjectKind::Slider, key);
      object.ThumbPicture = PicturePath(tokens[1]);
    } else if (key == "text") {
      // The one entry whose value may be empty.
      if (tokens.size() != 2) Fail("\"text\" needs one quoted value");
      OnlyFor(object, TSkinObjectKind::Text, key);
      object.Text = Wide(tokens[1]);
    } else if (key == "font") {
      if (tokens.size() == 3 && tokens[2] != "bold") Fail("\"font\" takes a size and the word \"bold\"");
      if (tokens.size() != 3) Expect(tokens, 2);
      OnlyFor(object, TSkinObjectKind::Text, key);
      object.FontSize = Number(tokens[1], MinFontSize, MaxFontSize);
      object.Bold = tokens.size() == 3;
    } else if (key == "color") {
      Expect(tokens, 2);
      OnlyFor(object, TSkinObjectKind::Text, key);
      object.Color = Colour(tokens[1]);
    } else if (key == "align") {
      Expect(tokens, 2);
      OnlyFor(object, TSkinObjectKind::Text, key);
      if (tokens[1] == "left") object.Align = Qt::AlignLeft;
      else if (tokens[1] == "center") object.Align = Qt::AlignHCenter;
      else if (tokens[1] == "right") object.Align = Qt::AlignRight;
      else Fail("align must be left, center or right");
    } else {
      Fail("unknown object entry \"" + key + "\"");
    }
  }

  void FinishObject(const TSkinFormDef &form, const TSkinObjectDef &object) const {
    std::string name = "object \"" + Narrow(object.Name) + "\"";
    if (!FKindGiven) FailAt(FObjectLine, name + " has no \"kind\"");
    if (!FRectGiven) FailAt(FObjectLine, name + " has no \"rect\"");
    if (object.Kind == TSkinObjectKind::Slider && object.ThumbPicture.empty())
      FailAt(FObjectLine, name + " is a slider without a \"thumb\" picture");
    if (!form.Size.isEmpty() && !QRect(QPoint(0, 0), form.Size).contains(object.Rect))
      FailAt(FObjectLine, name + " lies outside the form");
  }

  void FinishForm(const TSkinFormDef &form) const {
    std::string name = "skin form \"" + Narrow(form.Id) + "\"";
    if (form.Size.isEmpty()) FailAt(FFormLine, name + " has no \"size\"");
    if (form.FacePicture.empty()) FailAt(FFormLine, name + " has no \"face\" picture");
    // Objects given before "size" are checked here.
    QRect bounds(QPoint(0, 0), form.Size);
    for (const TSkinObjectDef &object : form.Objects)
      if (!bounds.contains(object.Rect))
        FailAt(FFormLine, "object \"" + Narrow(object.Name) + "\" lies outside " + name);
  }
};

std::string ReadWholeFile(const std::string &path) {
  QFile file(QString::fromStdString(path));
  if (!QFileInfo(file).isFile()) throw std::runtime_error("Skin file not found: " + path);
  if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("Skin file cannot be read: " + path);
  if (file.size() > MaxSkinFileBytes) throw std::runtime_error("Skin file is too large to be a skin: " + path);
  QByteArray bytes = file.read(MaxSkinFileBytes + 1);
  if (bytes.size() > MaxSkinFileBytes) throw std::runtime_error("Skin file is too large to be a skin: " + path);
  return bytes.toStdString();
}

std::string FolderOf(const std::string &path) {
  QString folder = QFileInfo(QString::fromStdString(path)).absolutePath();
  std::string result = folder.toStdString();
  if (result.empty() || result.back() != '/') result += '/';
  return result;
}

QImage LoadPicture(const std::string &folder, const std::string &relative, const std::string &skinPath) {
  QImageReader reader(QString::fromStdString(folder + relative));
  QImage image = reader.read();
  if (image.isNull())
    throw std::runtime_error("Skin file " + skinPath + ": picture \"" + relative +
                             "\" cannot be loaded (" + reader.errorString().toStdString() + ")");
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

const char *SkinObjectKindName(TSkinObjectKind kind) {
  switch (kind) {
    case TSkinObjectKind::Button: return "button";
    case TSkinObjectKind::Text: return "text";
    case TSkinObjectKind::Slider: return "slider";
    case TSkinObjectKind::Static: return "static";
    case TSkinObjectKind::Minimize: return "minimize";
    case TSkinObjectKind::Close: return "close";
  }
  return "?";
}

const TSkinObjectDef *TSkinFormDef::FindObject(const std::wstring &name) const {
  for (const TSkinObjectDef &object : Objects)
    if (object.Name == name) return &object;
  return nullptr;
}

const TSkinFormDef *TSkinFileData::FindForm(const std::wstring &id) const {
  for (const TSkinFormDef &form : Forms)
    if (form.Id == id) return &form;
  return nullptr;
}

TSkinFileData ParseSkinText(const std::string &text, const std::string &sourceName) {
  return Parser(text, sourceName).Run();
}

TSkinFileData ReadSkinFileStructure(const std::string &path) {
  TSkinFileData data = ParseSkinText(ReadWholeFile(path), path);
  data.Folder = FolderOf(path);
  return data;
}

TSkinFileData LoadSkinFileData(const std::string &path) {
  TSkinFileData data = ReadSkinFileStructure(path);
  for (TSkinFormDef &form : data.Forms) {
    form.Face = LoadPicture(data.Folder, form.FacePicture, path);
    if (form.Face.size() != form.Size)
      throw std::runtime_error("Skin file " + path + ": face picture \"" + form.FacePicture + "\" is " +
                               std::to_string(form.Face.width()) + "x" + std::to_string(form.Face.height()) +
                               ", the form is " + std::to_string(form.Size.width()) + "x" +
                               std::to_string(form.Size.height()));
    for (TSkinObjectDef &object : form.Objects) {
      for (int look = 0; look < SkinLookCount; ++look)
        if (!object.Pictures[look].empty()) object.Images[look] = LoadPicture(data.Folder, object.Pictures[look], path);
      if (!object.ThumbPicture.empty()) object.ThumbImage = LoadPicture(data.Folder, object.ThumbPicture, path);
    }
  }
  return data;
}
