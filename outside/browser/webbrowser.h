#pragma once
// The web-browser control: a window that shows a document, or plays a presentation as a slide show.
//
// Window tree (class names): "Shell Embedding" (the control) > "Shell DocObject View" > "childclass" >
// "childclass" > "paneClassDC" (the slide-show pane); a document shows in "Internet Explorer_Server",
// the other child of "Shell DocObject View". Every child fills its parent.
//
// A presentation (.ppt, .pps, .pot) is served by "POWERPNT.EXE /show <path>" from the program folder,
// started before Navigate returns and ended when the control navigates elsewhere. The pane is plain
// white until the first slide shows; then a Page Down key (WM_KEYDOWN VK_NEXT to the pane's window
// procedure) or a double click (WM_LBUTTONDBLCLK) advances, and a slide whose transition advances
// after a time advances by itself. After the last slide comes the end-of-show screen, where advance
// input is ignored. Slides are drawn scaled to the pane; the end screen is not. The show process hears
// of each slide shown ("slide <i>") and of the end ("end"), and plays the presentation's sounds.
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "component.h"
#include "win.h"

class TWebBrowser : public QWidget, public TComponent {
public:
  explicit TWebBrowser(QWidget *parent = nullptr, TComponent *owner = nullptr);
  ~TWebBrowser() override;

  // Shows `url` (a file path, "file://..." or other address). A presentation plays as a slide show;
  // an empty address clears the view and raises no DocumentComplete.
  void Navigate(const std::string &url);
  // Stops what is still loading: a document's pending DocumentComplete, a show whose first slide has
  // not shown yet (its process ends). A running show goes on.
  void Stop();
  win::HWND Handle() { return win::HandleOf(this); }

  // Once per document shown; for a presentation, once per slide shown.
  std::function<void(const std::string &url)> OnDocumentComplete;

  // The slide-show pane's window.
  win::HWND PaneHandle() const;
  // Process id of the running show's POWERPNT.EXE, 0 when none runs.
  int ShowProcessId() const;
  // Why the last presentation could not be shown (empty when it could).
  std::string ShowError() const;

protected:
  void resizeEvent(QResizeEvent *event) override;

private:
  struct Impl;
  std::unique_ptr<Impl> FImpl;
};
