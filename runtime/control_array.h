#pragma once
// A control array: element 0 is designed on the form and serves as the template; Load(i) makes a
// new element from it, Unload(i) removes one (never element 0).
#include <functional>
#include <map>

namespace rt {

template <class C>
class ControlArray {
 public:
  // make(templateElement) builds a new element with the template's properties.
  explicit ControlArray(std::function<C*(C*)> make, std::function<void(C*)> destroy = [](C* c) { delete c; })
      : make_(std::move(make)), destroy_(std::move(destroy)) {}
  ~ControlArray() { clear(); }
  ControlArray(const ControlArray&) = delete;
  ControlArray& operator=(const ControlArray&) = delete;

  void setTemplate(C* element0) { items_[0] = element0; }
  C* operator()(int index) const {
    auto it = items_.find(index);
    return it == items_.end() ? nullptr : it->second;
  }
  bool Exists(int index) const { return items_.count(index) != 0; }
  // Returns false when the element is already loaded or there is no template.
  bool Load(int index) {
    if (items_.count(index) || !items_.count(0)) return false;
    items_[index] = make_(items_.at(0));
    return true;
  }
  bool Unload(int index) {
    if (index == 0) return false;
    auto it = items_.find(index);
    if (it == items_.end()) return false;
    destroy_(it->second);
    items_.erase(it);
    return true;
  }
  int LBound() const { return items_.empty() ? 0 : items_.begin()->first; }
  int UBound() const { return items_.empty() ? -1 : items_.rbegin()->first; }
  int Count() const { return static_cast<int>(items_.size()); }
  // Unloads every element but the template.
  void UnloadAll() {
    for (auto it = items_.begin(); it != items_.end();) {
      if (it->first == 0) { ++it; continue; }
      destroy_(it->second);
      it = items_.erase(it);
    }
  }

 private:
  void clear() {
    for (auto& [i, c] : items_)
      if (i != 0) destroy_(c);
    items_.clear();
  }
  std::map<int, C*> items_;
  std::function<C*(C*)> make_;
  std::function<void(C*)> destroy_;
};

}  // namespace rt
