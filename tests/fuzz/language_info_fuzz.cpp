// "language.info" as the hints read it: every line a skin object can ask for, and the ones past it.
#include "fuzz_form.h"
#include "skincontrol.h"

namespace {

struct THint : ISkinText, ISkinElement {
  void SetText(const std::wstring &text) override { Text = text; }
  void SetState(int) override {}
  void Redraw() override {}
  std::wstring Text;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  Tfm_main &form = fuzz::Form();
  auto hint = std::make_shared<THint>();
  form.SkinElements.hint.Text = hint;
  form.SkinElements.hint.Element = hint;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  Tfm_main &form = fuzz::Form();
  fuzz::WriteProgramFile("language.info", fuzz::Text(data, size));
  auto *hint = dynamic_cast<THint *>(form.SkinElements.hint.Text.get());
  for (int n = -1; n <= 26; ++n) {
    form.ShowLanguageText(n);
    // One line of the file, never more.
    FUZZ_CHECK(hint->Text.find(L'\n') == std::wstring::npos);
  }
  return 0;
}
