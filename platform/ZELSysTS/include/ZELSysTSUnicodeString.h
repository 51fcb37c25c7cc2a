// ZELSysTSUnicodeString: the UTF-16 string of the thread-safe system layer,
// converted to and from ZELUnicodeString by KLV::Copy.
#pragma once

#include <string>

#include "ZELSysTSExport.h"

class ZELSYSTS_API ZELSysTSUnicodeString {
 public:
  ZELSysTSUnicodeString() = default;
  explicit ZELSysTSUnicodeString(const char* utf8);
  ZELSysTSUnicodeString(const char16_t* units, int length);
  ZELSysTSUnicodeString(const ZELSysTSUnicodeString&) = default;
  ZELSysTSUnicodeString& operator=(const ZELSysTSUnicodeString&) = default;

  int GetLength() const { return static_cast<int>(_units.size()); }
  const char16_t* GetBuffer() const { return _units.c_str(); }
  bool operator==(const ZELSysTSUnicodeString& o) const { return _units == o._units; }

 private:
  std::u16string _units;
};
