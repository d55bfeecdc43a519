#pragma once
// The skin control: draws a window's face from a skin file and reports the mouse on its named objects.
// A failing operation throws std::runtime_error with a text that says what went wrong.
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "component.h"
#include "win.h"

struct TSkinFileData;
class TSkinFace;

// A skin form applied to a window, or one of its elements.
class ISkinObject : public std::enable_shared_from_this<ISkinObject> {
public:
  virtual ~ISkinObject() = default;
  virtual std::wstring GetName() const = 0;
  // Empty when the skin form has no object of that name (exact, case-sensitive).
  virtual std::shared_ptr<ISkinObject> FindElement(const std::wstring &name) const = 0;

  // The object's interface T (ISkinText, ISkinElement, ISkinSlider), or empty when it has none.
  template <class T>
  std::shared_ptr<T> Query() {
    return std::dynamic_pointer_cast<T>(shared_from_this());
  }
};

class ISkinText {
public:
  virtual ~ISkinText() = default;
  // Shows after the next Redraw.
  virtual void SetText(const std::wstring &text) = 0;
};

class ISkinElement {
public:
  virtual ~ISkinElement() = default;
  // Sets the element's look: 0 normal, 1 hover, 2 pressed (other values are ignored); it holds until
  // the mouse changes it and shows after the next Redraw.
  virtual void SetState(int state) = 0;
  // Shows the text, position and state set since the last redraw.
  virtual void Redraw() = 0;
};

class ISkinSlider {
public:
  virtual ~ISkinSlider() = default;
  static constexpr int MaxPosition = 10000;
  virtual int GetPosition() const = 0;
  // 0..10000 (10000 is the end); values outside are clamped. Shows after the next Redraw.
  virtual void SetPosition(int position) = 0;
};

class TSkin : public TComponent {
public:
  // Mouse buttons in events.
  static constexpr int mbLeft = 0, mbRight = 1, mbMiddle = 2;

  explicit TSkin(TComponent *owner = nullptr);
  ~TSkin() override;

  // Reads the skin file and its pictures; on failure the skin loaded before stays.
  void LoadSkinFile(const std::wstring &path);
  // Puts the skin's face on the window (under its own controls) and removes the system frame.
  void AttachToWindow(win::HWND wnd);
  // Draws the loaded skin form `formId` on an attached window; the window takes the form's size.
  void ApplySkinForm(win::HWND wnd, const std::wstring &formId);
  // The skin form applied to the window.
  std::shared_ptr<ISkinObject> GetWindowSkinObject(win::HWND wnd);

  // Source is the object under the pointer; while a button is held, the object it was pressed on.
  // x and y are client coordinates of the window.
  std::function<void(const std::shared_ptr<ISkinObject> &Source)> OnClick;
  std::function<void(const std::shared_ptr<ISkinObject> &Source, int Button, int x, int y)> OnMouseDown;
  std::function<void(const std::shared_ptr<ISkinObject> &Source, int Button, int x, int y)> OnMouseUp;
  std::function<void(const std::shared_ptr<ISkinObject> &Source, int x, int y)> OnMouseMove;

private:
  friend class TSkinFace;
  TSkinFace *FaceOf(win::HWND wnd);

  std::shared_ptr<const TSkinFileData> FSkinFile;
  std::wstring FSkinPath;
  std::map<win::HWND, QPointer<TSkinFace>> FFaces;
};
