// A skin file as the skin control reads it. Whatever it holds, what comes back keeps the format's
// promises: forms of a sane size, objects inside their form and named once, pictures inside the
// skin's folder.
#include <QRect>

#include <set>
#include <stdexcept>

#include "fuzz_support.h"
#include "skinfile.h"

namespace {

bool InsideFolder(const std::string &picture) {
  if (picture.empty()) return true;
  if (picture.front() == '/') return false;
  for (const std::string &part : fuzz::Split(picture, '/'))
    if (part == "." || part == "..") return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  TSkinFileData skin;
  try {
    skin = ReadSkinFileStructure(fuzz::WriteInput("skin.skn", fuzz::Text(data, size)));
  } catch (const std::runtime_error &) {
    return 0;
  }
  for (const TSkinFormDef &form : skin.Forms) {
    FUZZ_CHECK(skin.FindForm(form.Id) != nullptr);
    FUZZ_CHECK(form.Size.width() > 0 && form.Size.height() > 0);
    FUZZ_CHECK(InsideFolder(form.FacePicture));
    std::set<std::wstring> names;
    for (const TSkinObjectDef &object : form.Objects) {
      FUZZ_CHECK(names.insert(object.Name).second);
      FUZZ_CHECK(form.FindObject(object.Name) == &object);
      FUZZ_CHECK(QRect(QPoint(0, 0), form.Size).contains(object.Rect));
      for (const std::string &picture : object.Pictures) FUZZ_CHECK(InsideFolder(picture));
      FUZZ_CHECK(InsideFolder(object.ThumbPicture));
    }
  }
  return 0;
}
