// "language.info" as the hints read it: every line a skin object can ask for, and the numbers past the
// last line, which clear the hint.
#include <algorithm>

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
  const std::string text = fuzz::Text(data, size);
  fuzz::WriteProgramFile("language.info", text);
  const long long lines = std::count(text.begin(), text.end(), '\n') + (text.empty() || text.back() == '\n' ? 0 : 1);
  auto *hint = dynamic_cast<THint *>(form.SkinElements.hint.Text.get());
  for (int n = -1; n <= 26; ++n) {
    hint->Text = L"(before)";
    form.ShowLanguageText(n);
    if (n < 1 || n > lines) FUZZ_CHECK(hint->Text.empty());
  }
  return 0;
}
