#include "kestrune_fake.h"

namespace kestrune_fake {

std::function<std::int32_t(const char *)> SlidesCount;
std::function<const char *(std::int32_t)> WebAddress;
std::function<void()> OnEndConvert;
std::function<void()> OnStartConvert;

TCalls &Calls() {
  static TCalls calls;
  return calls;
}

void Reset() {
  Calls() = TCalls{};
  SlidesCount = nullptr;
  WebAddress = nullptr;
  OnEndConvert = nullptr;
  OnStartConvert = nullptr;
}

}  // namespace kestrune_fake

using namespace kestrune_fake;

extern "C" {

const char *GetWebAddress(std::int32_t Id) {
  Calls().Log.push_back("GetWebAddress");
  return WebAddress ? WebAddress(Id) : "";
}

void EndConvert() {
  Calls().Log.push_back("EndConvert");
  if (OnEndConvert) OnEndConvert();
}

void PassCurrProgessToDLL(std::int32_t SlideNo) {
  Calls().Log.push_back("PassCurrProgessToDLL");
  Calls().SlideNo = SlideNo;
}

void StartConvert() {
  Calls().Log.push_back("StartConvert");
  if (OnStartConvert) OnStartConvert();
}

void PassMainFrmHandlesToDLL(win::HWND MainWnd, win::HWND PreviewWnd) {
  Calls().Log.push_back("PassMainFrmHandlesToDLL");
  Calls().MainWnd = MainWnd;
  Calls().PreviewWnd = PreviewWnd;
}

void SetCallBackPictureObject(TImage *Image) {
  Calls().Log.push_back("SetCallBackPictureObject");
  Calls().Picture = Image;
}

std::int32_t GetPPTFileSlidesCount(const char *FileName) {
  Calls().Log.push_back("GetPPTFileSlidesCount");
  return SlidesCount ? SlidesCount(FileName) : 100;
}

}  // extern "C"
