#pragma once
// The web-browser control: a window that shows a document, or plays a presentation as a slide show.
//
// Window tree (class names): "Shell Embedding" (the control) > "Shell DocObject View" > "childclass" >
// "childclass" > "paneClassDC" (the slide-show pane); a plain page shows in "Internet Explorer_Server",
// the other child of "Shell DocObject View". Every child fills its parent.
//
// A presentation (.ppt, .pps, .pot) is served by "POWERPNT.EXE /show <path>" from the program folder,
// started before Navigate returns and ended when the control navigates elsewhere. The pane is plain
// white until the first slide shows; then a Page Down key (WM_KEYDOWN VK_NEXT to the pane's window
// procedure) or a double click (WM_LBUTTONDBLCLK) advances, and a slide whose transition advances
// after a time advances by itself. After the last slide comes the end-of-show screen, where advance
// input is ignored. A slide is drawn at its own size from the pane's top-left corner, scaled down only
// to fit a smaller pane; the end screen is never scaled.
//
// Any other file (a newer presentation, a web page, an outline or text document ...) shows its first
// page or slide in the same pane, drawn like a slide by "POWERPNT.EXE /page <path>"; no input
// advances it. An address that names no file shows a plain page.
//
// The show process hears of each slide shown ("slide <i>") and of the end ("end"), and plays the
// presentation's sounds.
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

  // Shows `url` (a file path, "file://..." or other address). A presentation plays as a slide show,
  // another file shows its first page; either is showing when Navigate returns, unless it cannot be
  // shown. An empty address clears the view and raises no DocumentComplete. The wait runs the message
  // loop: the browser may be freed meanwhile, and the caller must then not touch it.
  void Navigate(const std::string &url);
  // Stops what is still loading: a document's pending DocumentComplete, a show whose first slide has
  // not shown yet (its process ends). A running show goes on.
  void Stop();
  win::HWND Handle() { return win::HandleOf(this); }

  // Once per document shown; for a presentation, once per slide shown.
  std::function<void(const std::string &url)> OnDocumentComplete;
  // Once when the file at `url` cannot be shown (unreadable, or LibreOffice cannot draw it), after
  // Navigate has returned; `reason` says why, as ShowError does.
  std::function<void(const std::string &url, const std::string &reason)> OnNavigateError;

  // The slide-show pane's window.
  win::HWND PaneHandle() const;
  // Process id of the running show's (or page's) POWERPNT.EXE, 0 when none runs.
  int ShowProcessId() const;
  // Why the last file could not be shown (empty when it could).
  std::string ShowError() const;
  // Whether that was the show application's failure rather than the file's: POWERPNT.EXE could not
  // be started, or ended without saying why.
  bool ShowApplicationFailed() const;

protected:
  void resizeEvent(QResizeEvent *event) override;

private:
  struct Impl;
  std::unique_ptr<Impl> FImpl;
};
