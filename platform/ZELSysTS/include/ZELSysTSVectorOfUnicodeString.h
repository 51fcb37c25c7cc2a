// ZELSysTSVectorOfUnicodeString: a growable vector of ZELSysTSUnicodeString,
// indexed from 0.
#pragma once

#include <vector>

#include "ZELPlatformTypes.h"
#include "ZELSysTSExport.h"
#include "ZELSysTSUnicodeString.h"

class ZELSYSTS_API ZELSysTSVectorOfUnicodeString {
 public:
  ZELSysTSVectorOfUnicodeString() = default;
  ZELSysTSVectorOfUnicodeString(const ZELSysTSVectorOfUnicodeString&) = default;
  ZELSysTSVectorOfUnicodeString& operator=(const ZELSysTSVectorOfUnicodeString&) = default;
  virtual ~ZELSysTSVectorOfUnicodeString();

  void SetCapacity(int capacity);
  void PutBack(const ZELSysTSUnicodeString& value);
  int GetLength() const { return static_cast<int>(_items.size()); }
  // Copies element `index` (0 to GetLength() - 1) into `out`: S_OK, or E_INVALIDARG
  // with `out` untouched when the index is out of range.
  HRESULT Get(int index, ZELSysTSUnicodeString& out) const;
  void Clear() { _items.clear(); }

 private:
  std::vector<ZELSysTSUnicodeString> _items;
};
