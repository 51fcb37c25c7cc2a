// ZELListPtr<I>: the typed front end of ZELRawCollPV shared by the three
// interface lists (ZELListPtrZELIRTCUser, ZELListPtrZELIRTCGroup,
// ZELListPtrZELIRTCMainSession). Positions count from 1.
//
// The list holds plain pointers and never calls AddRef or Release: copying a
// list copies the pointers only. ZELRTCUtilities::Copy and
// ZELRTCUtilities::Release are the reference-taking copy and the releasing empty.
#pragma once

#include "ZELRawCollPV.h"

template <class I>
class ZELListPtr : public ZELRawCollPV {
 public:
  explicit ZELListPtr(int initialCapacity = 0) : ZELRawCollPV(initialCapacity) {}
  ZELListPtr(const ZELListPtr& other) = default;
  ZELListPtr& operator=(const ZELListPtr& other) {
    if (this != &other) ZELRawCollPV::operator=(other);
    return *this;
  }

  int operator==(const ZELListPtr& other) const { return ZELRawCollPV::operator!=(other) == 0 ? 1 : 0; }
  int operator!=(const ZELListPtr& other) const { return ZELRawCollPV::operator!=(other); }

  I* operator[](int position) const { return static_cast<I*>(ZELRawCollPV::operator[](position)); }
  // A reference to the element (a scratch slot when out of range).
  I*& operator[](int position) { return reinterpret_cast<I*&>(ZELRawCollPV::operator[](position)); }

  // Appends the pointer unchanged, null included; returns its position.
  int Append(I* element) { return ZELRawCollPV::Append(static_cast<void*>(element)); }
};
