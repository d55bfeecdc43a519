#include "component.h"

#include <algorithm>

TComponent::TComponent(TComponent *owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  FDestroying = true;
  while (!FComponents.empty()) {
    TComponent *component = FComponents.back();
    FComponents.pop_back();
    component->FOwner = nullptr;
    delete component;
  }
  if (FOwner) FOwner->RemoveComponent(this);
}

TComponent *TComponent::FindComponent(const std::string &name) const {
  auto same = [&](TComponent *c) {
    return c->FName.size() == name.size() &&
           std::equal(name.begin(), name.end(), c->FName.begin(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) ==
                                                  std::tolower(static_cast<unsigned char>(b)); });
  };
  auto it = std::find_if(FComponents.begin(), FComponents.end(), same);
  return it == FComponents.end() ? nullptr : *it;
}

void TComponent::InsertComponent(TComponent *component) {
  if (!component || component->FOwner == this) return;
  if (component->FOwner) component->FOwner->RemoveComponent(component);
  component->FOwner = this;
  FComponents.push_back(component);
  Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent *component) {
  auto it = std::find(FComponents.begin(), FComponents.end(), component);
  if (it == FComponents.end()) return;
  FComponents.erase(it);
  component->FOwner = nullptr;
  if (!FDestroying) Notification(component, TOperation::opRemove);
}
