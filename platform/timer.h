#pragma once
// A window timer with the framework's shape: ticks are dispatched by the GUI thread's message loop.
#include <functional>
#include <memory>

#include "component.h"

class QTimer;

class TTimer : public TComponent {
public:
  explicit TTimer(TComponent *owner = nullptr);
  ~TTimer() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  int Interval() const { return FInterval; }
  void SetInterval(int ms);

  std::function<void()> OnTimer;

private:
  void Update();
  std::unique_ptr<QTimer> FTimer;
  bool FEnabled = true;
  int FInterval = 1000;
};
