#include "timer.h"

#include <QTimer>

TTimer::TTimer(TComponent *owner) : TComponent(owner), FTimer(std::make_unique<QTimer>()) {
  FTimer->setTimerType(Qt::PreciseTimer);
  QObject::connect(FTimer.get(), &QTimer::timeout, [this] {
    if (OnTimer) OnTimer();
  });
  Update();
}

TTimer::~TTimer() = default;

void TTimer::SetEnabled(bool enabled) {
  if (FEnabled == enabled) return;
  FEnabled = enabled;
  Update();
}

void TTimer::SetInterval(int ms) {
  if (FInterval == ms) return;
  FInterval = ms;
  Update();
}

void TTimer::Update() {
  FTimer->stop();
  if (FEnabled && FInterval > 0) FTimer->start(FInterval);
}
