// The floating skinned window: its face comes from "Orvenc.skn".
#include "show.h"

#include <QGuiApplication>
#include <QScreen>

#include "paths.h"

Tfm_show *fm_show = nullptr;

Tfm_show::Tfm_show(TComponent *owner) : TForm(owner) {
  SetName("fm_show");
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  SetClientSize(349, 196);
  if (QScreen *screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - QPoint(349 / 2, 196 / 2));

  Skin1 = new TSkin(this);
  Skin1->SetName("Skin1");

  OnShow = [this] { FormShow(); };
  OnClose = [this](TCloseAction &action) { FormClose(action); };
}

Tfm_show::~Tfm_show() {
  // A freed window must not stay reachable through its global.
  if (fm_show == this) fm_show = nullptr;
}

void Tfm_show::FormShow() {
  Skin1->LoadSkinFile(QString::fromStdString(win::ProgramFolder() + "Orvenc.skn").toStdWString());
  Skin1->AttachToWindow(Handle());
  Skin1->ApplySkinForm(Handle(), L"show");
  std::shared_ptr<ISkinObject> element = Skin1->GetWindowSkinObject(Handle())->FindElement(L"showstatic");
  // A skin without the element leaves the window as the skin drew it.
  if (!element) return;
  ShowText = element->Query<ISkinText>();
  ShowElement = element->Query<ISkinElement>();
  if (ShowElement) {
    ShowElement->SetState(0);
    ShowElement->Redraw();
  }
}

void Tfm_show::FormClose(TCloseAction &Action) { Action = TCloseAction::caFree; }
