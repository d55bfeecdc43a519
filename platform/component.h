#pragma once
// Ownership of components: an owner frees what it owns when it is freed, and is told when one of its
// components goes away first.
#include <string>
#include <vector>

enum class TOperation { opInsert, opRemove };

class TComponent {
public:
  explicit TComponent(TComponent *owner = nullptr);
  virtual ~TComponent();
  TComponent(const TComponent &) = delete;
  TComponent &operator=(const TComponent &) = delete;

  TComponent *Owner() const { return FOwner; }
  const std::vector<TComponent *> &Components() const { return FComponents; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent *FindComponent(const std::string &name) const;

  const std::string &Name() const { return FName; }
  void SetName(const std::string &name) { FName = name; }

  void InsertComponent(TComponent *component);
  void RemoveComponent(TComponent *component);

protected:
  virtual void Notification(TComponent *component, TOperation operation) {}
  virtual void Loaded() {}

private:
  TComponent *FOwner = nullptr;
  std::vector<TComponent *> FComponents;
  std::string FName;
  bool FDestroying = false;
};
