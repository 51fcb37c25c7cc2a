// ZELCollection<T>: the value list that the platform's lists share. Positions
// count from 1 to Size(). Reading a position out of range gives a default value;
// writing through a position out of range writes into a scratch slot, never out
// of bounds.
#pragma once

#include <cstddef>
#include <vector>

#include "ZELCollec.h"

template <typename T>
class ZELCollection {
 public:
  explicit ZELCollection(int initialCapacity = 0) : _initialCapacity(initialCapacity > 0 ? initialCapacity : 0) {
    _items.reserve(static_cast<size_t>(_initialCapacity));
  }
  ZELCollection(const ZELCollection&) = default;
  ZELCollection& operator=(const ZELCollection& other) {
    if (this != &other) _items = other._items;
    return *this;
  }
  virtual ~ZELCollection() = default;

  int Size() const { return static_cast<int>(_items.size()); }

  T operator[](int position) const { return InRange(position) ? _items[Index(position)] : T(); }
  T& operator[](int position) {
    if (InRange(position)) return _items[Index(position)];
    _scratch = T();
    return _scratch;
  }

  // Appends the value; returns its position.
  int Append(const T& value) {
    _items.push_back(value);
    return Size();
  }

  // Removes the element at `position`; returns 1, or 0 when out of range.
  int RemovePosition(int position) {
    if (!InRange(position)) return 0;
    _items.erase(_items.begin() + static_cast<long>(Index(position)));
    return 1;
  }
  // Removes up to `count` elements from `position` on; returns how many went.
  int RemovePosition(int position, unsigned int count) {
    if (!InRange(position) || count == 0) return 0;
    size_t first = Index(position);
    size_t last = first + count < _items.size() ? first + count : _items.size();
    _items.erase(_items.begin() + static_cast<long>(first), _items.begin() + static_cast<long>(last));
    return static_cast<int>(last - first);
  }

  void RemoveAll(ZELCollec::MemoryHandling handling = ZELCollec::FreeMemory) {
    _items.clear();
    if (handling == ZELCollec::FreeMemory) {
      _items.shrink_to_fit();
    } else if (handling == ZELCollec::ResetMemory) {
      _items.shrink_to_fit();
      _items.reserve(static_cast<size_t>(_initialCapacity));
    }
  }

  // 1 when the lists differ in size or in any element, else 0.
  int operator!=(const ZELCollection& other) const { return _items != other._items ? 1 : 0; }
  int operator==(const ZELCollection& other) const { return _items == other._items ? 1 : 0; }

 protected:
  const std::vector<T>& Items() const { return _items; }

 private:
  bool InRange(int position) const { return position >= 1 && position <= Size(); }
  static size_t Index(int position) { return static_cast<size_t>(position - 1); }

  std::vector<T> _items;
  T _scratch = T();
  int _initialCapacity;
};
