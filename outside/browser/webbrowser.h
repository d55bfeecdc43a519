#pragma once
// The web-browser control: a window that shows a document, or plays a presentation as a slide show.
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
  void Stop();
  win::HWND Handle() { return win::HandleOf(this); }

  // Once per document shown; for a presentation, once per slide shown.
  std::function<void(const std::string &url)> OnDocumentComplete;

private:
  struct Impl;
  std::unique_ptr<Impl> FImpl;
};
