#include "forms.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>

#include "keyboard.h"

TForm::TForm(TComponent *owner, QWidget *parent) : QWidget(parent), TComponent(owner) {
  FHandle = win::HandleOf(this);
  win::SetWindowProc(FHandle, [this](win::HWND, win::UINT msg, win::WPARAM w, win::LPARAM l) {
    return WndProc(msg, w, l);
  });
}

TForm::~TForm() = default;

std::string TForm::Caption() const { return windowTitle().toStdString(); }
void TForm::SetCaption(const std::string &caption) { setWindowTitle(QString::fromStdString(caption)); }
void TForm::SetClientSize(int width, int height) { resize(width, height); }

void TForm::AfterConstruction() {
  if (OnCreate) OnCreate();
}

void TForm::Show() { show(); }
void TForm::Hide() { hide(); }
void TForm::Close() { win::SendMessage(FHandle, win::WM_CLOSE, 0, 0); }

int TForm::ShowModal() {
  FModalResult = mrNone;
  FInModal = true;
  setWindowModality(Qt::ApplicationModal);
  show();
  win::PumpUntil([this] { return FModalResult != mrNone || !isVisible(); });
  FInModal = false;
  hide();
  if (FModalResult == mrNone) FModalResult = mrCancel;
  return FModalResult;
}

void TForm::SetModalResult(int result) { FModalResult = result; }

win::LRESULT TForm::WndProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
  return DefaultHandler(msg, wParam, lParam);
}

win::LRESULT TForm::DefaultHandler(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
  return win::DefWindowProc(FHandle, msg, wParam, lParam);
}

void TForm::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;
  win::SendMessage(FHandle, win::WM_SHOWWINDOW, 1, 0);
  if (OnShow) OnShow();
}

void TForm::closeEvent(QCloseEvent *event) {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(canClose);
  if (!canClose) {
    event->ignore();
    return;
  }
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(action);
  if (action == TCloseAction::caNone) {
    event->ignore();
    return;
  }
  if (action == TCloseAction::caMinimize) {
    event->ignore();
    showMinimized();
    return;
  }
  event->accept();
  if (action == TCloseAction::caFree) deleteLater();
}

void TForm::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  win::SendMessage(FHandle, win::WM_SIZE, 0, (height() << 16) | (width() & 0xFFFF));
}

void TForm::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange)
    win::SendMessage(FHandle, win::WM_ACTIVATE, isActiveWindow() ? 1 : 0, 0);
}

void TForm::keyPressEvent(QKeyEvent *event) {
  if (win::WPARAM vk = win::VirtualKeyOf(event->key())) win::SendMessage(FHandle, win::WM_KEYDOWN, vk, 0);
  QWidget::keyPressEvent(event);
}
