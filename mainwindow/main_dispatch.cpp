// The skin of the main window and the mouse on its named objects.
#include <QString>

#include "main.h"
#include "paths.h"

void Tfm_main::InitSkin() {
  Skin1->LoadSkinFile(QString::fromStdString(win::ProgramFolder() + "skn.skn").toStdWString());
  Skin1->AttachToWindow(Handle());
  Skin1->ApplySkinForm(Handle(), L"qevvideoconverter");
  auto hold = [this](TSkinElementRef &ref, const wchar_t *name, bool slider) {
    ref.Object = Skin1->GetWindowSkinObject(Handle())->FindElement(name);
    if (!ref.Object) return;
    if (slider)
      ref.Slider = ref.Object->Query<ISkinSlider>();
    else
      ref.Text = ref.Object->Query<ISkinText>();
    ref.Element = ref.Object->Query<ISkinElement>();
  };
  hold(SkinElements.profilestext, L"profilestext", false);
  hold(SkinElements.play_time, L"play_time", false);
  hold(SkinElements.hint, L"hint", false);
  hold(SkinElements.play_bar, L"play_bar", true);
}

void Tfm_main::Skin1Click(const std::shared_ptr<ISkinObject> &Source) {
  LastClickedObject = Source ? Source->GetName() : std::wstring();
}

void Tfm_main::Skin1MouseDown(const std::shared_ptr<ISkinObject> &Source, int, int, int) {
  std::wstring name = Source ? Source->GetName() : std::wstring();
  ShowChooserPanels(false);
  // Holding the play bar stops the preview from moving it until the release.
  if (!Main.Converting && IsVideoEdition() && name == L"play_bar" && Main.Playing) Main.Seeking = true;
}

void Tfm_main::Skin1MouseMove(const std::shared_ptr<ISkinObject> &Source, int, int) {
  LastHoveredObject = Source ? Source->GetName() : std::wstring();
}
