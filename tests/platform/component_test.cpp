#include "component.h"

#include <gtest/gtest.h>
#include <vector>

#include "testsupport.h"
#include "timer.h"
#include "win.h"

namespace {

struct Watcher : TComponent {
  using TComponent::TComponent;
  std::vector<std::pair<TComponent *, TOperation>> Seen;
  void Notification(TComponent *c, TOperation op) override { Seen.push_back({c, op}); }
};

struct Counted : TComponent {
  Counted(TComponent *owner, int &alive) : TComponent(owner), Alive(alive) { ++Alive; }
  ~Counted() override { --Alive; }
  int &Alive;
};

}  // namespace

TEST(ComponentOwnership, OwnerFreesWhatItOwnsAndIsToldOfEarlyRemovals) {
  int alive = 0;
  auto *owner = new Watcher;
  auto *a = new Counted(owner, alive);
  auto *b = new Counted(owner, alive);
  new Counted(b, alive);  // owned by b, freed with it
  EXPECT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(alive, 3);
  delete a;
  EXPECT_EQ(owner->ComponentCount(), 1);
  ASSERT_EQ(owner->Seen.size(), 3u);
  EXPECT_EQ(owner->Seen.back().first, a);
  EXPECT_EQ(owner->Seen.back().second, TOperation::opRemove);
  delete owner;
  EXPECT_EQ(alive, 0);
}

TEST(ComponentOwnership, FindsComponentsByNameWithoutCase) {
  TComponent owner;
  auto *timer = new TComponent(&owner);
  timer->SetName("Timer2");
  EXPECT_EQ(owner.FindComponent("timer2"), timer);
  EXPECT_EQ(owner.FindComponent("Timer1"), nullptr);
}

TEST(Timers, TickOnlyWhileEnabledWithAnInterval) {
  testsupport::App();
  TTimer timer;
  timer.SetInterval(10);
  int ticks = 0;
  timer.OnTimer = [&] {
    if (++ticks == 3) timer.SetEnabled(false);
  };
  EXPECT_TRUE(win::PumpUntil([&] { return ticks >= 3; }, 3000));
  win::PumpUntil([] { return false; }, 80);
  EXPECT_EQ(ticks, 3) << "a disabled timer stays silent";
  timer.SetInterval(0);
  timer.SetEnabled(true);
  win::PumpUntil([] { return false; }, 60);
  EXPECT_EQ(ticks, 3) << "a zero interval never ticks";
}
