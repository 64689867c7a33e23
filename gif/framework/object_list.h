#pragma once
// A list of owned objects with the framework's list index error. The list
// frees what it holds; Extract hands an item back to the caller.

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "gif/framework/exception.h"

namespace gd {

template <class T>
class TObjectList {
 public:
  TObjectList() = default;
  TObjectList(const TObjectList&) = delete;
  TObjectList& operator=(const TObjectList&) = delete;
  virtual ~TObjectList() = default;

  // Appends item and takes it over; returns its 0-based index.
  std::int32_t Add(std::unique_ptr<T> item) {
    items_.push_back(std::move(item));
    return Count() - 1;
  }
  std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()); }
  // 0-based; an index outside 0 to Count - 1 raises EListError.
  T& Items(std::int32_t index) const {
    if (index < 0 || index >= Count()) throw EListError(index);
    return *items_[static_cast<std::size_t>(index)];
  }
  std::unique_ptr<T> Extract(std::int32_t index) {
    if (index < 0 || index >= Count()) throw EListError(index);
    auto at = items_.begin() + index;
    std::unique_ptr<T> item = std::move(*at);
    items_.erase(at);
    return item;
  }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 protected:
  // Frees the items from the last to the first.
  void ClearBackwards() {
    while (!items_.empty()) {
      std::unique_ptr<T> item = std::move(items_.back());
      items_.pop_back();
    }
  }

 private:
  std::vector<std::unique_ptr<T>> items_;
};

}  // namespace gd
