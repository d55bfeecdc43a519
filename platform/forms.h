#pragma once
// Forms with the framework's life: created hidden, OnCreate once, OnShow on each show, OnCloseQuery
// and OnClose on closing, modal show, and a window procedure through which the form's messages pass.
#include <QWidget>
#include <functional>

#include "component.h"
#include "win.h"

enum class TCloseAction { caNone, caHide, caFree, caMinimize };

constexpr int mrNone = 0, mrOk = 1, mrCancel = 2;

class TForm : public QWidget, public TComponent {
public:
  explicit TForm(TComponent *owner = nullptr, QWidget *parent = nullptr);
  ~TForm() override;

  win::HWND Handle() const { return FHandle; }
  std::string Caption() const;
  void SetCaption(const std::string &caption);
  // Client area size, as the design gives it.
  void SetClientSize(int width, int height);

  // Runs the form's OnCreate; the creator calls it once the object is complete.
  void AfterConstruction();
  void Show();
  void Hide();
  void Close();
  // Shows the form and runs a nested loop until it closes or ModalResult is set; returns ModalResult.
  int ShowModal();
  int ModalResult() const { return FModalResult; }
  void SetModalResult(int result);

  std::function<void()> OnCreate;
  std::function<void()> OnShow;
  std::function<void(bool &CanClose)> OnCloseQuery;
  std::function<void(TCloseAction &Action)> OnClose;

protected:
  // Every message of the form arrives here; the default handling is DefWindowProc.
  virtual win::LRESULT WndProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
  win::LRESULT DefaultHandler(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);

  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void changeEvent(QEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;

private:
  win::HWND FHandle = 0;
  int FModalResult = mrNone;
  bool FInModal = false;
};

// Creates a form owned by `owner` and runs its OnCreate, as the application's CreateForm does.
template <class F, class... Args>
F *CreateForm(TComponent *owner, Args &&...args) {
  F *form = new F(owner, std::forward<Args>(args)...);
  form->AfterConstruction();
  return form;
}
