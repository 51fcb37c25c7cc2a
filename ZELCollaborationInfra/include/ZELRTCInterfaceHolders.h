// Owning holders for the interface fields of the notification classes.
//
// ZELRTCInterfaceRef<I> holds one reference to an interface: a copy takes a
// reference of its own, an assignment takes the new reference before it gives
// back the old one (so self-assignment is safe), destruction gives it back.
// It has the size of a pointer.
//
// ZELRTCOwnedList<L> is an interface list (L is one of the ZELListPtr lists)
// that holds one reference per element, with the same copy, assignment and
// destruction rules, through ZELRTCUtilities::Copy and ZELRTCUtilities::Release.
#pragma once

#include "ZELRTCUtilities.h"

template <class I>
class ZELRTCInterfaceRef {
 public:
  ZELRTCInterfaceRef() = default;
  ZELRTCInterfaceRef(const ZELRTCInterfaceRef& other) : _p(other._p) {
    if (_p) _p->AddRef();
  }
  ZELRTCInterfaceRef& operator=(const ZELRTCInterfaceRef& other) {
    I* previous = _p;
    if (other._p) other._p->AddRef();
    _p = other._p;
    if (previous) previous->Release();
    return *this;
  }
  ~ZELRTCInterfaceRef() { Reset(); }

  // Gives back the held reference, if any; the holder is then empty.
  void Reset() { Adopt(nullptr); }
  // Takes over a reference the caller already owns, giving back the old one.
  void Adopt(I* owned) {
    I* previous = _p;
    _p = owned;
    if (previous) previous->Release();
  }
  // The pointer with a new reference for the caller, or null.
  I* GetWithRef() const {
    if (_p) _p->AddRef();
    return _p;
  }
  I* Get() const { return _p; }

 private:
  I* _p = nullptr;
};

template <class L>
class ZELRTCOwnedList : public L {
 public:
  ZELRTCOwnedList() = default;
  ZELRTCOwnedList(const ZELRTCOwnedList& other) : L() { ZELRTCUtilities::Copy(other, *this); }
  ZELRTCOwnedList& operator=(const ZELRTCOwnedList& other) {
    if (this != &other) {
      L fresh;
      ZELRTCUtilities::Copy(other, fresh);  // the new references first,
      ZELRTCUtilities::Release(*this);      // then the old ones go
      L::operator=(fresh);
    }
    return *this;
  }
  ~ZELRTCOwnedList() override { ZELRTCUtilities::Release(*this); }

  // The list itself, for the operations that fill an L.
  L& List() { return *this; }
  const L& List() const { return *this; }
};
